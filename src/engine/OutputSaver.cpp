#include "engine/OutputSaver.h"
#include "platform/FileTests.h"

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/EngineHost.h"
#include "engine/ProcessLog.h"
#include "engine/ProgressDialog.h"
#include "exif/ExifPreservation.h"
#include "imageio/Codecs.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "imageio/LibraryError.h"
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

int Bisect(const SaveContext& ctx, int64_t target, int lo, int hi) {
  // Each level halves the range, so at most seven test encodings for qualities 0..99.
  while (hi > lo + 1) {
    int mid = lo + (hi - lo) / 2;
    int64_t size = MeasureJpegSize(ctx, mid);
    if (ctx.progress) ctx.progress->SetStageText("Test Quality: " + std::to_string(mid));
    if (size == target) return mid;
    if (size < target)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
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

int FindJpegQuality(const SaveContext& ctx, int64_t target, int minQuality) {
  int lo = std::min(minQuality, 99);
  int hi = std::min(ctx.settings.Quality.CQ, 99);
  if (lo >= hi) return lo;
  int r = Bisect(ctx, target, lo, hi);
  r = std::clamp(r, lo, hi);
  return std::max(r, minQuality);
}

OutputType ChooseOutputType(const Settings& s, const std::string& sourcePath) {
  OutputType type;
  size_t slash = sourcePath.rfind('/');
  std::string fileName = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
  // Output.FileType picks the format; "Same as Source" keeps the source's.
  const FormatRow* chosen = FormatForOutputType(s.Output.FileType);
  type.ext = chosen ? LowerAscii(chosen->extensions[0].text) : LastChars(fileName, 4);
  if (!chosen) {
    // A source named like one of the output types' formats is saved as that type.
    std::string srcExt = "." + LowerAscii(LastChars(sourcePath, 3));
    size_t count = 0;
    const FormatRow* rows = FormatRows(count);
    for (size_t i = 0; i < count && !chosen; ++i)
      if (rows[i].outputType != 0 && srcExt == LowerAscii(rows[i].extensions[0].text))
        chosen = &rows[i];
  }
  type.row = chosen;
  if (chosen) {
    type.kind = chosen->format == kFormatJpeg  ? OutputType::Kind::Jpeg
                : chosen->format == kFormatPng ? OutputType::Kind::Png
                                               : OutputType::Kind::Bmp;
    return type;
  }
  // Other sources keep their own format, recognised from the source's content.
  type.kind = OutputType::Kind::SourceFormat;
  if (ImageSource* src = OpenSourceFile(sourcePath.c_str())) {
    type.sourceFormat = FormatFromContent(GuessSourceFormat(src));
    CloseSource(src);
  }
  return type;
}

bool DecideOutputPath(const SaveContext& ctx, const std::string& sourcePath,
                      const OutputType& type, std::string& outPath) {
  const Settings& s = ctx.settings;
  size_t slash = sourcePath.rfind('/');
  std::string fileName = slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
  std::string ext4 = LastChars(fileName, 4);
  std::string outName = DropLast(fileName, 4) + "_ORV" + ext4;

  std::string outDir = OutputFolderFor(s, sourcePath);
  if (EnsureFolder(ctx.host, outDir, false) > 0) {
    Log(ctx, logtext::ProblemLine("Can't create path: " + HtmlEscape(outDir)));
    return false;
  }
  if (s.Output.Type == 0 || s.Output.Type == 1) WriteFolderMarker(outDir);

  std::string dirSlash = outDir.back() == '/' ? outDir : outDir + '/';
  outPath = dirSlash + outName;
  bool replace = s.Output.Replace == 1;
  if (LowerAscii(outPath) == LowerAscii(sourcePath) || SameFile(outPath, sourcePath)) {
    Log(ctx, logtext::ProblemLine("Output file path is same as source (NEVER ALLOWED)"));
    replace = false;
  }
  const std::string& outExt = type.ext;
  outPath = DropLast(outPath, 4) + outExt;

  // The source itself is never replaced, whatever the settings say.
  if (FileExists(outPath) && (!replace || SameFile(outPath, sourcePath))) {
    Log(ctx, logtext::ProblemLine("File already exist (No Replace): " + HtmlEscape(outPath), true));
    std::string stem =
        outName.find("_ORV") != std::string::npos ? DropLast(outName, 8) : DropLast(outName, 4);
    for (long n = 1;; ++n) {
      std::string candidate = dirSlash + stem + std::to_string(n) + "_ORV" + outExt;
      if (!FileExists(candidate)) {
        outPath = candidate;
        break;
      }
    }
  }
  return true;
}

EncodedOutput EncodeOutput(const SaveContext& ctx, const OutputType& type, ImageDest* dest) {
  const Settings& s = ctx.settings;
  const Image& p = ctx.picture;
  EncodedOutput out;
  if (type.kind == OutputType::Kind::SourceFormat) {
    // The encoding of a loaded-image save: default options, the layer's code as the result.
    const FormatRow* row = FindFormat(type.sourceFormat);
    EncodeOptions options;
    JpegDensity density{};
    options.jpegDensity = &density;
    out.ok = row && row->encode && row->encode(dest, p.pixels(), p.width(), p.height(), options);
    out.result = out.ok ? 0 : GetLastLibraryError();
    return out;
  }
  if (type.kind == OutputType::Kind::Jpeg) {
    int q = s.Quality.CQ;
    if (s.Quality.Type == 1 || s.Quality.Type == 2) {
      int64_t target = s.Quality.Type == 1 ? int64_t(s.Quality.MaxKB * 1000) : ctx.sourceFileSize;
      q = FindJpegQuality(ctx, target, s.Quality.MinQ);
      if (s.Quality.Type == 2 && q != s.Quality.MinQ && q < 98) ++q;
      if (ctx.progress) ctx.progress->SetStageText("Determined Quality: " + std::to_string(q));
      out.qualitySearched = true;
    }
    out.quality = q;
    PrepareJpegMetadata(MetadataFor(ctx));
    out.result = int64_t(WriteJpeg(dest, p.pixels(), p.width(), p.height(), q, false, 24, nullptr));
    out.ok = out.result > 0;
  } else {
    out.ok = type.row->encode(dest, p.pixels(), p.width(), p.height(), EncodeOptions{});
    out.result = out.ok;
  }
  return out;
}

SaveOutcome PlaceOutput(const SaveContext& ctx, const OutputType& type,
                        const std::string& outPath, const OutputWriter& write,
                        SaveDetails* details) {
  auto fail = [&](std::string why) {
    if (details) details->error = std::move(why);
    return SaveOutcome::NotSaved;
  };
  if (type.kind == OutputType::Kind::SourceFormat) {
    if (type.sourceFormat == kFormatUnknown) return fail("no encoder for the source's format");
    unsigned code = type.fixedCode;
    if (!type.fileless) {
      ImageDest* dest = OpenDestFile(outPath.c_str());
      if (!dest) {
        code = GetLastLibraryError();
      } else {
        EncodedOutput enc = write(dest);
        code = enc.ok ? 0u : unsigned(enc.result);
        if (!enc.ok) MarkDestFailed(dest);
        int64_t bytes = DestSize(dest);
        if (!CloseDest(dest) && enc.ok) code = GetLastLibraryError();
        if (details && code == 0) details->bytes = bytes;
      }
    }
    Log(ctx, logtext::SavedLine(outPath, int(code)));
    if (code != 0) return fail("cannot write " + outPath + ": " + LibraryErrorText(code));
    if (details) details->outPath = outPath;
    return SaveOutcome::Saved;
  }

  ImageDest* dest = OpenDestFile(outPath.c_str());
  if (!dest) return fail("cannot open " + outPath);
  EncodedOutput enc = write(dest);
  if (enc.qualitySearched) Log(ctx, logtext::QualityLine(enc.quality));
  // The file reaches its name only once it is complete; a failed encoding leaves nothing.
  if (!enc.ok) MarkDestFailed(dest);
  int64_t bytes = DestSize(dest);
  bool placed = CloseDest(dest) && enc.ok;
  if (!placed) {
    Log(ctx, logtext::ProblemLine("Not saved: " + HtmlEscape(outPath) + " (" +
                                  std::to_string(enc.result) + ")"));
    return fail("cannot write " + outPath);
  }
  Log(ctx, logtext::SavedLine(outPath, int(enc.result)));
  if (details) {
    details->outPath = outPath;
    details->quality = enc.quality;
    details->bytes = bytes;
  }
  return SaveOutcome::Saved;
}

void CheckSourceFormatSave(OutputType& type, const Image& picture) {
  if (type.kind != OutputType::Kind::SourceFormat) return;
  // What a loaded-image save answers before it opens a file: a picture without pixels is code 1,
  // formats without pixels are "saved" without a file, a format without encoder is code 5.
  const FormatRow* row = FindFormat(type.sourceFormat);
  type.fileless = true;
  if (picture.empty())
    type.fixedCode = kErrNoMemory;
  else if (type.sourceFormat == kFormatGif || type.sourceFormat == kFormatPax)
    type.fixedCode = kErrNone;
  else if (!row || !row->encode)
    type.fixedCode = kErrBadParam;
  else
    type.fileless = false;
}

SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* savedPath, SaveDetails* details) {
  OutputType type = ChooseOutputType(ctx.settings, sourcePath);
  CheckSourceFormatSave(type, ctx.picture);
  std::string outPath;
  if (!DecideOutputPath(ctx, sourcePath, type, outPath)) {
    if (details) details->error = "cannot create the output folder";
    return SaveOutcome::NotSaved;
  }
  SaveOutcome outcome = PlaceOutput(
      ctx, type, outPath, [&](ImageDest* dest) { return EncodeOutput(ctx, type, dest); },
      details);
  if (outcome == SaveOutcome::Saved && savedPath) *savedPath = outPath;
  return outcome;
}

}  // namespace orv
