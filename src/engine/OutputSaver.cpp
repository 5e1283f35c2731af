#include "engine/OutputSaver.h"
#include "platform/FileTests.h"

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/EngineHost.h"
#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"
#include "exif/ExifPreservation.h"
#include "imageio/Codecs.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "platform/AppFolder.h"

namespace orv {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

void Log(const SaveContext& ctx, const std::string& text) {
  if (ctx.log) ctx.log->LogAppend(text);
}

std::string LastChars(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(s.size() - n) : s;
}

std::string DropLast(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(0, s.size() - n) : std::string();
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

JpegMetadata MetadataFor(const SaveContext& ctx) {
  JpegMetadata m;
  m.exifBlock = &ctx.camera.ExifBlock;
  m.keepExif = ctx.settings.Size.KeepEXIF == 1;
  m.fullChroma = ctx.settings.Quality.Subsampling == 1;
  m.colorMatched = ctx.colorMatched;
  return m;
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

// The length of the name's extension with its dot: that of the queued extension it ends with
// (".heic" gives 5), else 4, the dot and three letters every other queued extension has.
size_t ExtensionLength(const std::string& fileName) {
  size_t count = 0;
  const FormatRow* rows = FormatRows(count);
  for (size_t i = 0; i < count; ++i)
    for (const FormatExtension& e : rows[i].extensions) {
      if (!e.text || !e.queued) continue;
      const size_t n = std::strlen(e.text);
      if (n > 4 && fileName.size() > n && LowerAscii(LastChars(fileName, n)) == LowerAscii(e.text))
        return n;
    }
  return 4;
}

enum class OutKind { Jpeg, Png, Bmp, Other };

// The output quality Quality.Type asks for: Quality.CQ, or the result of the size search `find`
// (target bytes to quality), shown and logged.
template <typename Find>
int QualityFor(const SaveContext& ctx, Find find) {
  const Settings& s = ctx.settings;
  int q = s.Quality.CQ;
  if (s.Quality.Type == 1 || s.Quality.Type == 2) {
    int64_t target = s.Quality.Type == 1 ? int64_t(s.Quality.MaxKB * 1000) : ctx.sourceFileSize;
    q = find(target);
    if (s.Quality.Type == 2 && q != s.Quality.MinQ && q < 98) ++q;
    if (ctx.progress) ctx.progress->SetStageText("Determined Quality: " + std::to_string(q));
    Log(ctx, logtext::QualityLine(q));
  }
  return q;
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

void WriteFolderMarker(const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += "orvoutput.dir";
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fputc('*', f);
    std::fclose(f);
  }
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

int64_t MeasureJpegSize(const SaveContext& ctx, int quality) {
  ByteCounter counter;
  DestCallbacks cb = CountingCallbacks();
  ImageDest* dest = OpenDestCallbacks(&cb, &counter);
  if (!dest) return 0;
  PrepareJpegMetadata(MetadataFor(ctx));
  const Image& p = ctx.picture;
  uint64_t size = WriteJpeg(dest, p.pixels(), p.width(), p.height(), quality, false, 24, nullptr);
  SetJpegSampling(nullptr, nullptr);
  CloseDest(dest);
  return int64_t(size);
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
  return FindQuality(ctx, target, minQuality, [&](int q) { return MeasureJpegSize(ctx, q); });
}

EncodeOptions HeifOptions(const SaveContext& ctx, int quality) {
  EncodeOptions o;
  o.quality = quality;
  if (ctx.settings.Size.KeepEXIF == 1) {
    o.exifBlock = ctx.camera.ExifBlock;
    o.xmpPacket = ctx.camera.XmpPacket;
  }
  o.iccProfile = ctx.camera.IccProfile;  // the pixels' colours mean nothing without it
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

SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* savedPath) {
  const Settings& s = ctx.settings;
  size_t slash = sourcePath.rfind('/');
  std::string fileName = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
  const size_t extLength = ExtensionLength(fileName);
  std::string ext4 = LastChars(fileName, extLength);
  std::string outName = DropLast(fileName, extLength) + "_ORV" + ext4;

  std::string outDir = OutputFolderFor(s, sourcePath);
  if (EnsureFolder(ctx.host, outDir, false) > 0) {
    Log(ctx, logtext::ProblemLine("Can't create path: " + HtmlEscape(outDir)));
    return SaveOutcome::NotSaved;
  }
  if (s.Output.Type == 0 || s.Output.Type == 1) WriteFolderMarker(outDir);

  std::string dirSlash = outDir.back() == '/' ? outDir : outDir + '/';
  std::string outPath = dirSlash + outName;
  bool replace = s.Output.Replace == 1;
  if (LowerAscii(outPath) == LowerAscii(sourcePath) || SameFile(outPath, sourcePath)) {
    Log(ctx, logtext::ProblemLine("Output file path is same as source (NEVER ALLOWED)"));
    replace = false;
  }

  // Output.FileType picks the format; "Same as Source" keeps the source's.
  const FormatRow* chosen = FormatForOutputType(s.Output.FileType);
  std::string outExt = chosen ? LowerAscii(chosen->extensions[0].text) : ext4;
  outPath = DropLast(outPath, extLength) + outExt;

  // The source itself is never replaced, whatever the settings say.
  if (FileExists(outPath) && (!replace || SameFile(outPath, sourcePath))) {
    Log(ctx, logtext::ProblemLine("File already exist (No Replace): " + HtmlEscape(outPath), true));
    std::string stem =
        outName.find("_ORV") != std::string::npos ? DropLast(outName, 4 + extLength)
                                                  : DropLast(outName, extLength);
    for (long n = 1;; ++n) {
      std::string candidate = dirSlash + stem + std::to_string(n) + "_ORV" + outExt;
      if (!FileExists(candidate)) {
        outPath = candidate;
        break;
      }
    }
  }

  if (!chosen) {
    // A source named like one of the output types' formats is saved as that type.
    std::string srcExt = "." + LowerAscii(LastChars(sourcePath, 3));
    size_t count = 0;
    const FormatRow* rows = FormatRows(count);
    for (size_t i = 0; i < count && !chosen; ++i)
      if (rows[i].outputType != 0 && srcExt == LowerAscii(rows[i].extensions[0].text))
        chosen = &rows[i];
  }
  OutKind kind = OutKind::Other;
  if (chosen) {
    kind = chosen->format == kFormatJpeg  ? OutKind::Jpeg
           : chosen->format == kFormatPng ? OutKind::Png
                                          : OutKind::Bmp;
  }
  const Image& p = ctx.picture;
  if (kind == OutKind::Other) {
    // Other sources keep their own format, recognised from the source's content.
    ImageFormat format = kFormatUnknown;
    if (ImageSource* src = OpenSourceFile(sourcePath.c_str())) {
      format = FormatFromContent(GuessSourceFormat(src));
      CloseSource(src);
    }
    if (format == kFormatUnknown) return SaveOutcome::NotSaved;
    CImageFile file;
    unsigned code = file.SetPixels(p.pixels(), p.width(), p.height());
    if (code == 0 && (format == kFormatHeic || format == kFormatAvif)) {
      // HEIF outputs take the JPEG quality settings, the size search included, and the
      // source's metadata.
      int q = QualityFor(ctx, [&](int64_t target) {
        return FindEncoderQuality(ctx, format, target, s.Quality.MinQ);
      });
      const EncodeOptions o = HeifOptions(ctx, q);
      file.SetEncodeQuality(q);
      file.SetMetadata({o.exifBlock.begin(), o.exifBlock.end()},
                       {o.iccProfile.begin(), o.iccProfile.end()},
                       {o.xmpPacket.begin(), o.xmpPacket.end()});
    }
    if (code == 0) code = file.Save(outPath.c_str(), format);
    Log(ctx, logtext::SavedLine(outPath, int(code)));
    if (code != 0) return SaveOutcome::NotSaved;
    if (savedPath) *savedPath = outPath;
    return SaveOutcome::Saved;
  }

  ImageDest* dest = OpenDestFile(outPath.c_str());
  if (!dest) return SaveOutcome::NotSaved;
  int64_t result = 0;
  bool ok = false;
  if (kind == OutKind::Jpeg) {
    int q = QualityFor(
        ctx, [&](int64_t target) { return FindJpegQuality(ctx, target, s.Quality.MinQ); });
    PrepareJpegMetadata(MetadataFor(ctx));
    result = int64_t(WriteJpeg(dest, p.pixels(), p.width(), p.height(), q, false, 24, nullptr));
    ok = result > 0;
  } else {
    ok = chosen->encode(dest, p.pixels(), p.width(), p.height(), EncodeOptions{});
    result = ok;
  }
  // The file reaches its name only once it is complete; a failed encoding leaves nothing.
  if (!ok) MarkDestFailed(dest);
  bool placed = CloseDest(dest) && ok;
  if (!placed) {
    Log(ctx, logtext::ProblemLine("Not saved: " + HtmlEscape(outPath) + " (" +
                                  std::to_string(result) + ")"));
    return SaveOutcome::NotSaved;
  }
  Log(ctx, logtext::SavedLine(outPath, int(result)));
  if (savedPath) *savedPath = outPath;
  return SaveOutcome::Saved;
}

}  // namespace orv
