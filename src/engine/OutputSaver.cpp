#include "engine/OutputSaver.h"
#include "platform/FileTests.h"

#include <sys/stat.h>
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/EngineHost.h"
#include "engine/OutputName.h"
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

void Log(const SaveContext& ctx, const std::string& text) {
  if (ctx.log) ctx.log->LogAppend(text);
}

std::string LastChars(const std::string& s, size_t n) {
  return s.size() >= n ? s.substr(s.size() - n) : s;
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

enum class OutKind { Jpeg, Png, Bmp, Other };

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

namespace {

// Logs a failure as "LEAD SUBJECT TAIL" with the subject (a path) escaped, and keeps the plain
// text for the report.
SaveOutcome Fail(const SaveContext& ctx, const std::string& lead, const std::string& subject,
                 const std::string& tail = "") {
  Log(ctx, logtext::ProblemLine(lead + HtmlEscape(subject) + HtmlEscape(tail)));
  if (ctx.details) ctx.details->error = lead + subject + tail;
  return SaveOutcome::NotSaved;
}

SaveOutcome Saved(const SaveContext& ctx, const std::string& path, int quality,
                  std::string* savedPath) {
  if (savedPath) *savedPath = path;
  if (ctx.details) {
    struct stat st {};
    ctx.details->path = path;
    ctx.details->quality = quality;
    ctx.details->bytes = ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : 0;
  }
  return SaveOutcome::Saved;
}

}  // namespace

SaveOutcome SaveOutput(const SaveContext& ctx, const std::string& sourcePath,
                       std::string* savedPath) {
  const Settings& s = ctx.settings;
  OutputName name = DecideOutputName(s, sourcePath, FileExists);
  const std::string& outDir = name.folder;
  if (EnsureFolder(ctx.host, outDir, false) > 0) return Fail(ctx, "Can't create path: ", outDir);
  if (s.Output.Type == 0 || s.Output.Type == 1) WriteFolderMarker(outDir);

  if (name.sameAsSource) {
    Log(ctx, logtext::ProblemLine("Output file path is same as source (NEVER ALLOWED)"));
  }
  if (name.number != 0) {
    Log(ctx, logtext::ProblemLine(
                 "File already exist (No Replace): " + HtmlEscape(name.unnumbered), true));
  }

  const FormatRow* chosen = name.chosen;
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

  // A replacing save writes straight to its name (the destination renames its temporary file
  // over it). Any other save writes to a private file first and then claims the name, so two
  // processes that chose the same name both keep their outputs.
  std::string outPath = name.path;
  std::string writePath = outPath;
  if (!name.replace) {
    writePath = MakePlacementFile(outPath);
    if (writePath.empty()) {
      // As when the destination cannot be opened: the log has no line for it.
      if (ctx.details) ctx.details->error = "Not saved: " + outPath + " (cannot create the file)";
      return SaveOutcome::NotSaved;
    }
  }
  auto place = [&](int64_t result) {
    if (writePath == outPath) return true;
    std::string taken, why;
    if (!PlaceOutput(writePath, name, taken, why)) {
      Fail(ctx, "Not saved: ", outPath, " (" + std::to_string(result) + ") " + why);
      return false;
    }
    if (taken != outPath) {
      Log(ctx, logtext::ProblemLine("File already exist (No Replace): " + HtmlEscape(outPath),
                                    true));
      outPath = taken;
    }
    return true;
  };
  auto dropPrivate = [&] {
    if (writePath != outPath) std::remove(writePath.c_str());
  };

  const Image& p = ctx.picture;
  if (kind == OutKind::Other) {
    // Other sources keep their own format, recognised from the source's content.
    ImageFormat format = kFormatUnknown;
    if (ImageSource* src = OpenSourceFile(sourcePath.c_str())) {
      format = FormatFromContent(GuessSourceFormat(src));
      CloseSource(src);
    }
    if (format == kFormatUnknown) {
      dropPrivate();
      if (ctx.details) ctx.details->error = "Not saved: " + outPath + " (unknown source format)";
      return SaveOutcome::NotSaved;
    }
    CImageFile file;
    unsigned code = file.SetPixels(p.pixels(), p.width(), p.height());
    if (code == 0) code = file.Save(writePath.c_str(), format);
    if (code != 0) {
      dropPrivate();
      Log(ctx, logtext::SavedLine(outPath, int(code)));
      if (ctx.details)
        ctx.details->error = "Not saved: " + outPath + " (" + std::to_string(code) + ")";
      return SaveOutcome::NotSaved;
    }
    if (!place(0)) return SaveOutcome::NotSaved;
    Log(ctx, logtext::SavedLine(outPath, int(code)));
    return Saved(ctx, outPath, -1, savedPath);
  }

  ImageDest* dest = OpenDestFile(writePath.c_str());
  if (!dest) {
    dropPrivate();
    if (ctx.details) ctx.details->error = "Not saved: " + outPath + " (cannot create the file)";
    return SaveOutcome::NotSaved;
  }
  int64_t result = 0;
  bool ok = false;
  int quality = -1;
  if (kind == OutKind::Jpeg) {
    int q = s.Quality.CQ;
    if (s.Quality.Type == 1 || s.Quality.Type == 2) {
      int64_t target = s.Quality.Type == 1 ? int64_t(s.Quality.MaxKB * 1000) : ctx.sourceFileSize;
      q = FindJpegQuality(ctx, target, s.Quality.MinQ);
      if (s.Quality.Type == 2 && q != s.Quality.MinQ && q < 98) ++q;
      if (ctx.progress) ctx.progress->SetStageText("Determined Quality: " + std::to_string(q));
      Log(ctx, logtext::QualityLine(q));
    }
    PrepareJpegMetadata(MetadataFor(ctx));
    result = int64_t(WriteJpeg(dest, p.pixels(), p.width(), p.height(), q, false, 24, nullptr));
    ok = result > 0;
    quality = q;
  } else {
    ok = chosen->encode(dest, p.pixels(), p.width(), p.height(), EncodeOptions{});
    result = ok;
  }
  // The file reaches its name only once it is complete; a failed encoding leaves nothing.
  if (!ok) MarkDestFailed(dest);
  bool placed = CloseDest(dest) && ok;
  if (!placed) {
    dropPrivate();
    return Fail(ctx, "Not saved: ", outPath, " (" + std::to_string(result) + ")");
  }
  if (!place(result)) return SaveOutcome::NotSaved;
  Log(ctx, logtext::SavedLine(outPath, int(result)));
  return Saved(ctx, outPath, quality, savedPath);
}

}  // namespace orv
