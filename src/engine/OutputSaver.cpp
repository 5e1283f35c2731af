#include "engine/OutputSaver.h"
#include "platform/FileTests.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

#include "engine/EngineHost.h"
#include "engine/OutputMetadata.h"
#include "engine/OutputName.h"
#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"
#include "exif/ExifPreservation.h"
#include "imageio/Codecs.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/LibraryError.h"
#include "platform/AppFolder.h"
#include "platform/SafeWrite.h"
#include "settings/SettingRanges.h"

namespace orv {
namespace {

void Log(const SaveContext& ctx, const std::string& text) {
  if (ctx.log) ctx.log->LogAppend(text);
}

// A path component the output folder may hold: not empty, not a dot entry, no blank or tab at
// either end, no control characters.
bool ValidComponent(const std::string& c) {
  if (c.empty() || c == "." || c == "..") return false;
  auto blank = [](char ch) { return ch == ' ' || ch == '\t'; };
  if (blank(c.front()) || blank(c.back())) return false;
  return std::none_of(c.begin(), c.end(),
                      [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f; });
}

OutputMetadata OutputMetadataFor(const SaveContext& ctx) {
  return BuildOutputMetadata(ctx.camera.ExifBlock, ctx.metadata, ctx.settings.Size.KeepEXIF == 1,
                             ctx.picture.width(), ctx.picture.height());
}

JpegMetadata MetadataFor(const SaveContext& ctx, const OutputMetadata& out) {
  JpegMetadata m;
  m.exifBlock = &out.exifApp1;
  m.keepExif = ctx.settings.Size.KeepEXIF == 1;
  m.fullChroma = ctx.settings.Quality.Subsampling == 1;
  m.colorMatched = ctx.colorMatched;
  return m;
}

// The metadata step before a JPEG encoding: the EXIF segment, sampling and comment, then the
// segments of the rest of the source's metadata, so test encodings count them too.
void PrepareJpegOutput(const SaveContext& ctx, const OutputMetadata& out) {
  PrepareJpegMetadata(MetadataFor(ctx, out));
  QueueJpegMetadataSegments(out);
}

// The counting destination of the quality search: bytes are counted, never stored.
struct ByteCounter {
  int64_t position = 0;
  int64_t size = 0;
};

DestCallbacks CountingCallbacks() {
  DestCallbacks cb{};
  cb.open = [](ImageDest*, void*) { return true; };
  cb.write = [](void* o, const void*, size_t n) {
    auto* c = static_cast<ByteCounter*>(o);
    c->position += int64_t(n);
    c->size = std::max(c->size, c->position);
    return n;
  };
  cb.seek = [](void* o, int64_t offset, int origin) {
    auto* c = static_cast<ByteCounter*>(o);
    int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? c->position : c->size;
    if (base + offset < 0) return false;
    c->position = base + offset;
    return true;
  };
  cb.position = [](void* o) { return static_cast<ByteCounter*>(o)->position; };
  cb.size = [](void* o) { return static_cast<ByteCounter*>(o)->size; };
  cb.flush = [](void*) { return true; };
  cb.close = [](void*, bool) {};
  return cb;
}

template <typename Measure>
int Bisect(const SaveContext& ctx, int64_t target, int lo, int hi, Measure measure) {
  // Each level halves the range, so at most seven test encodings for qualities 0..99.
  while (hi > lo + 1) {
    int mid = lo + (hi - lo) / 2;
    int64_t size = measure(mid);
    if (ctx.progress) ctx.progress->SetStageText("Test Quality: " + std::to_string(mid));
    if (size == target) return mid;
    if (size < target)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

// Why a save failed, in words: the system's reason when a file operation failed, else the image
// layer's message for its code.
std::string FailureReason(unsigned code) {
  int err = LastFileErrno();
  return err != 0 ? std::string(std::strerror(err)) : std::string(LibraryErrorText(code));
}

// A run killed mid-save leaves its temporary file behind; the first save into a folder removes
// those whose writer is gone and says so.
void RemoveStaleTemps(const SaveContext& ctx, const std::string& folder) {
  static std::mutex mutex;
  static std::set<std::string> cleaned;
  static const std::time_t started = std::time(nullptr);
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!cleaned.insert(folder).second) return;
  }
  for (const std::string& name : RemoveStaleTempFiles(folder, started))
    Log(ctx, logtext::ProblemLine("Removed an unfinished temporary file of an earlier run: " +
                                  HtmlEscape(name)));
}

}  // namespace

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

int EnsureFolder(EngineHost* host, const std::string& path, bool ask) {
  int code = 0;
  if (path.empty() || path[0] != '/') {
    code = 1;
  } else {
    size_t pos = 1;
    while (code == 0 && pos < path.size()) {
      size_t slash = path.find('/', pos);
      std::string part =
          path.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
      if (!ValidComponent(part)) code = 1;
      if (slash == std::string::npos) break;
      pos = slash + 1;
      if (pos >= path.size()) code = 1;  // a trailing slash leaves an empty last component
    }
  }
  if (code == 0) {
    if (IsFolder(path)) return 0;
    if (ask && host) {
      char buf[4200];
      std::snprintf(buf, sizeof buf,
                    "The folder:\n\n%s\n\ndoes not exist. Do you want the folder to be created?",
                    path.c_str());
      if (!host->AskYesNo(buf)) return -1;
    }
    if (!MakeFolders(path) || !IsFolder(path)) code = 2;
  }
  if (code != 0 && host) {
    const char* format = code == 1
                             ? "The folder:\n\n%s\n\nis invalid. Please reenter."
                             : "The folder:\n\n%s\n\ncan not be created. Please double check.";
    char buf[4200];
    std::snprintf(buf, sizeof buf, format, path.c_str());
    host->ShowMessage(buf);
  }
  return code;
}

bool WriteFolderMarker(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += "orvoutput.dir";
  // A link planted as the marker would make every save append to whatever it points at.
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  0666);
  if (fd < 0) return errno != ELOOP;
  struct stat st {};
  bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (regular) {
    ssize_t ignored = ::write(fd, "*", 1);
    (void)ignored;
  }
  ::close(fd);
  return regular;
}

std::string OutputFolderFor(const Settings& s, const std::string& sourcePath) {
  size_t slash = sourcePath.rfind('/');
  std::string sourceDir = slash == std::string::npos ? std::string() : sourcePath.substr(0, slash);
  std::string dir = sourceDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  const std::string& folder = s.Output.SimDir;
  if (s.Output.Type == 0 || (s.Output.Type == 1 && folder.empty())) {
    dir += "ORV";
  } else if (s.Output.Type == 1) {
    dir = folder;
    if (dir.back() != '/') dir += '/';
    size_t last = sourceDir.rfind('/');
    if (s.Output.MirrorFolders != 0 && last != std::string::npos)
      dir += sourceDir.substr(last + 1) + '/';
  }
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

namespace {

// One test encoding of the size search, with the output's metadata built once for all of them.
int64_t MeasureJpegSize(const SaveContext& ctx, const OutputMetadata& metadata, int quality) {
  ByteCounter counter;
  DestCallbacks cb = CountingCallbacks();
  ImageDest* dest = OpenDestCallbacks(&cb, &counter);
  if (!dest) return 0;
  PrepareJpegOutput(ctx, metadata);
  const Image& p = ctx.picture;
  uint64_t size = WriteJpeg(dest, p.pixels(), p.width(), p.height(), quality, false, 24, nullptr);
  SetJpegSampling(nullptr, nullptr);
  CloseDest(dest);
  return int64_t(size);
}

}  // namespace

int64_t MeasureJpegSize(const SaveContext& ctx, int quality) {
  return MeasureJpegSize(ctx, OutputMetadataFor(ctx), quality);
}

// The bisection of FindJpegQuality over any encoder's quality.
template <typename Measure>
int FindQuality(const SaveContext& ctx, int64_t target, int minQuality, Measure measure) {
  int lo = std::min(minQuality, 99);
  int hi = std::min(ctx.settings.Quality.CQ, 99);
  if (lo >= hi) return lo;
  int r = Bisect(ctx, target, lo, hi, measure);
  r = std::clamp(r, lo, hi);
  return std::max(r, minQuality);
}

int FindJpegQuality(const SaveContext& ctx, int64_t target, int minQuality) {
  const OutputMetadata metadata = OutputMetadataFor(ctx);
  return FindQuality(ctx, target, minQuality,
                     [&](int q) { return MeasureJpegSize(ctx, metadata, q); });
}

EncodeOptions HeifOptions(const SaveContext& ctx, int quality) {
  EncodeOptions o;
  o.quality = quality;
  if (ctx.settings.Size.KeepEXIF == 1) {
    o.exifBlock = ctx.camera.ExifBlock;
    if (ctx.metadata) o.xmpPacket = ctx.metadata->xmp;
  }
  // The pixels' colours mean nothing without the profile.
  if (ctx.metadata) o.iccProfile = ctx.metadata->icc;
  return o;
}

int64_t MeasureEncodedSize(const SaveContext& ctx, ImageFormat format, int quality) {
  const FormatRow* row = FindFormat(format);
  if (!row || !row->encode) return 0;
  ByteCounter counter;
  DestCallbacks cb = CountingCallbacks();
  ImageDest* dest = OpenDestCallbacks(&cb, &counter);
  if (!dest) return 0;
  const Image& p = ctx.picture;
  bool ok = row->encode(dest, p.pixels(), p.width(), p.height(), HeifOptions(ctx, quality));
  CloseDest(dest);
  return ok ? counter.size : 0;
}

int FindEncoderQuality(const SaveContext& ctx, ImageFormat format, int64_t target,
                       int minQuality) {
  return FindQuality(ctx, target, minQuality,
                     [&](int q) { return MeasureEncodedSize(ctx, format, q); });
}

namespace {

// Records what was saved for the caller's report.
SaveOutcome Saved(const SaveContext& ctx, const std::string& path, int quality,
                  std::string* savedPath) {
  if (savedPath) *savedPath = path;
  if (ctx.details) {
    ctx.details->path = path;
    ctx.details->quality = quality;
    ctx.details->bytes = FileSize(path);
  }
  return SaveOutcome::Saved;
}

// Logs a failure in red (the subject escaped) and keeps its plain text for the caller's report.
SaveOutcome Failed(const SaveContext& ctx, const std::string& lead, const std::string& subject,
                   const std::string& tail) {
  Log(ctx, logtext::ProblemLine(lead + HtmlEscape(subject) + HtmlEscape(tail)));
  if (ctx.details) ctx.details->error = lead + subject + tail;
  return SaveOutcome::NotSaved;
}

SaveOutcome NotSaved(const SaveContext& ctx, const std::string& outPath, int64_t result,
                     unsigned code) {
  return Failed(ctx, "Not saved: ", outPath,
                " (" + std::to_string(result) + "): " + FailureReason(code));
}

}  // namespace

Settings HoldQualityRanges(const Settings& settings, std::vector<std::string>* lines) {
  Settings held = settings;
  for (std::string line : {HoldToRange("Quality", "CQ", held.Quality.CQ),
                           HoldToRange("Quality", "MinQ", held.Quality.MinQ),
                           held.Quality.Type == 1
                               ? HoldToRange("Quality", "MaxKB", held.Quality.MaxKB, 150.0)
                               : std::string()})
    if (!line.empty() && lines) lines->push_back(line);
  return held;
}

OutputType ChooseOutputType(const Settings& s, const std::string& sourcePath) {
  OutputType type;
  type.row = FormatForOutputType(s.Output.FileType);
  // RAW files cannot be written: "Same as Source" saves them as JPEG.
  if (!type.row && IsCameraRawPath(sourcePath)) type.row = FormatForOutputType(1);
  if (!type.row) {
    // A source named like one of the output types' formats is saved as that type.
    std::string srcExt = "." + LowerAscii(LastChars(sourcePath, 3));
    size_t count = 0;
    const FormatRow* rows = FormatRows(count);
    for (size_t i = 0; i < count && !type.row; ++i)
      if (rows[i].outputType != 0 && srcExt == LowerAscii(rows[i].extensions[0].text))
        type.row = &rows[i];
  }
  if (type.row) return type;
  // Other sources keep their own format, recognised from the source's content; a source whose
  // content is not recognised (a TGA without its two zero bytes) is named by its extension.
  if (ImageSource* src = OpenSourceFile(sourcePath.c_str())) {
    type.sourceFormat = FormatFromContent(GuessSourceFormat(src));
    CloseSource(src);
  }
  if (type.sourceFormat == kFormatUnknown)
    type.sourceFormat = FormatFromExtension(sourcePath.c_str());
  return type;
}

EncodedOutput EncodeOutput(const SaveContext& ctx, const OutputType& type, ImageDest* dest) {
  const Settings& s = ctx.settings;
  const Image& p = ctx.picture;
  EncodedOutput out;
  // The size search's result is logged when the file is placed, right before its saved line.
  auto quality = [&](auto find) {
    int q = s.Quality.CQ;
    if (s.Quality.Type == 1 || s.Quality.Type == 2) {
      int64_t target = s.Quality.Type == 1 ? int64_t(s.Quality.MaxKB * 1000) : ctx.sourceFileSize;
      q = find(target);
      if (s.Quality.Type == 2 && q != s.Quality.MinQ && q < 98) ++q;
      if (ctx.progress) ctx.progress->SetStageText("Determined Quality: " + std::to_string(q));
      out.qualitySearched = true;
    }
    return q;
  };
  if (!type.row) {
    // The source's own format, with the options a loaded image is saved with, straight from
    // the picture.
    const FormatRow* row = FindFormat(type.sourceFormat);
    if (p.empty() || !row || !row->encode) {
      out.code = p.empty() ? kErrNoMemory : kErrBadParam;
      out.result = out.code;
      return out;
    }
    const JpegDensity density{};
    EncodeOptions options;
    OutputMetadata metadata;
    if (type.sourceFormat == kFormatHeic || type.sourceFormat == kFormatAvif) {
      // HEIF outputs take the JPEG quality settings, the size search included, and the
      // source's metadata.
      out.quality = quality([&](int64_t target) {
        return FindEncoderQuality(ctx, type.sourceFormat, target, s.Quality.MinQ);
      });
      options = HeifOptions(ctx, out.quality);
    } else {
      metadata = OutputMetadataFor(ctx);
      options.metadata = &metadata.carried;
    }
    options.jpegDensity = &density;
    out.ok = row->encode(dest, p.pixels(), p.width(), p.height(), options);
    out.code = out.ok ? kErrNone : GetLastLibraryError();
    if (!out.ok && out.code == kErrNone) out.code = kErrBadParam;
    out.result = out.code;
    return out;
  }
  if (type.row->format == kFormatJpeg) {
    // One metadata build serves the size search's test encodings and the output.
    const OutputMetadata metadata = OutputMetadataFor(ctx);
    out.quality = quality([&](int64_t target) {
      return FindQuality(ctx, target, s.Quality.MinQ,
                         [&](int q) { return MeasureJpegSize(ctx, metadata, q); });
    });
    PrepareJpegOutput(ctx, metadata);
    out.result =
        int64_t(WriteJpeg(dest, p.pixels(), p.width(), p.height(), out.quality, false, 24, nullptr));
    out.ok = out.result > 0;
    return out;
  }
  const OutputMetadata metadata = OutputMetadataFor(ctx);
  EncodeOptions options;
  options.metadata = &metadata.carried;
  out.ok = type.row->encode(dest, p.pixels(), p.width(), p.height(), options);
  out.result = out.ok;
  return out;
}

bool PrepareOutput(const SaveContext& ctx, const std::string& sourcePath, OutputName& name) {
  std::vector<std::string> held;
  HoldQualityRanges(ctx.settings, &held);
  for (const std::string& line : held) Log(ctx, logtext::ProblemLine(HtmlEscape(line)));
  const Settings& s = ctx.settings;
  std::string outDir = OutputFolderFor(s, sourcePath);
  if (EnsureFolder(ctx.host, outDir, false) > 0) {
    Failed(ctx, "Can't create path: ", outDir, "");
    return false;
  }
  if ((s.Output.Type == 0 || s.Output.Type == 1) && !WriteFolderMarker(outDir)) {
    Failed(ctx, "Not saved: the output folder marker ", outDir,
           "/orvoutput.dir is not a regular file");
    return false;
  }
  RemoveStaleTemps(ctx, outDir);
  // The name is decided as a dry run and --skip-existing decide it.
  name = DecideOutputName(s, sourcePath, FileExists);
  if (name.sameAsSource)
    Log(ctx, logtext::ProblemLine("Output file path is same as source (NEVER ALLOWED)"));
  if (name.number != 0)
    Log(ctx, logtext::ProblemLine("File already exist (No Replace): " +
                                      HtmlEscape(name.unnumbered),
                                  true));
  return true;
}

SaveOutcome PlaceOutput(const SaveContext& ctx, const OutputType& type, const OutputName& name,
                        const OutputWriter& write, std::string* savedPath) {
  const std::string& outPath = name.path;
  if (!type.row && type.sourceFormat == kFormatUnknown)
    return Failed(ctx, "Not saved: ", outPath, ": the format of the source is not known");
  ImageDest* dest = OpenDestFile(outPath.c_str());
  if (!dest) {
    unsigned code = GetLastLibraryError();
    return NotSaved(ctx, outPath, type.row ? 0 : int64_t(code), code);
  }
  // Without replacing, the name is claimed atomically when the file is placed: another process
  // saving the same name at the same time moves on to the next number.
  std::string placed = outPath;
  auto nameAt = [&](long n) { return n == 0 ? name.unnumbered : NumberedOutputName(name, n); };
  if (!name.replace) SetDestNoReplace(dest, nameAt, name.number, &placed);
  EncodedOutput enc = write(dest);
  if (enc.qualitySearched) Log(ctx, logtext::QualityLine(enc.quality));
  // The file reaches its name only once it is complete; a failed encoding leaves nothing.
  if (!enc.ok) MarkDestFailed(dest);
  const bool closed = CloseDest(dest) && enc.ok;
  if (!type.row) {
    unsigned code = enc.ok ? (closed ? 0u : GetLastLibraryError()) : enc.code;
    if (code != 0) return NotSaved(ctx, outPath, int64_t(code), code);
    Log(ctx, logtext::SavedLine(placed, 0));
    return Saved(ctx, placed, enc.quality, savedPath);
  }
  if (!closed) return NotSaved(ctx, outPath, enc.result, GetLastLibraryError());
  Log(ctx, logtext::SavedLine(placed, int(enc.result)));
  return Saved(ctx, placed, type.row->format == kFormatJpeg ? enc.quality : -1, savedPath);
}

SaveOutcome SaveOutput(const SaveContext& given, const std::string& sourcePath,
                       std::string* savedPath) {
  OutputName name;
  if (!PrepareOutput(given, sourcePath, name)) return SaveOutcome::NotSaved;
  const Settings held = HoldQualityRanges(given.settings, nullptr);
  SaveContext ctx = {held,         given.camera,       given.picture, given.sourceFileSize,
                     given.colorMatched, given.host, given.log,     given.progress,
                     given.metadata,     given.details};
  const OutputType type = ChooseOutputType(held, sourcePath);
  return PlaceOutput(ctx, type, name,
                     [&](ImageDest* dest) { return EncodeOutput(ctx, type, dest); }, savedPath);
}

}  // namespace orv
