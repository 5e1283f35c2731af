#include "engine/OutputEncode.h"

#include "engine/ProgressDialog.h"
#include "engine/QualitySearch.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryError.h"
#include "platform/FileTests.h"
#include "settings/SettingRanges.h"
#include "settings/SettingValues.h"

namespace orv {

OutputType ChooseOutputType(const Settings& s, const std::string& sourcePath) {
  OutputType type;
  type.row = FormatForOutputType(s.Output.FileType);
  // RAW files cannot be written: "Same as Source" saves them as JPEG.
  if (!type.row && IsCameraRawPath(sourcePath))
    type.row = FormatForOutputType(output_file_type::kJpeg);
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

Settings HoldQualityRanges(const Settings& settings, std::vector<std::string>* lines) {
  Settings held = settings;
  for (std::string line : {HoldToRange("Quality", "CQ", held.Quality.CQ),
                           HoldToRange("Quality", "MinQ", held.Quality.MinQ),
                           held.Quality.Type == quality_type::kMaxSize
                               ? HoldToRange("Quality", "MaxKB", held.Quality.MaxKB, 150.0)
                               : std::string()})
    if (!line.empty() && lines) lines->push_back(line);
  return held;
}

OutputMetadata OutputMetadataFor(const SaveContext& ctx) {
  return BuildOutputMetadata(ctx.camera.ExifBlock, ctx.metadata, ctx.settings.Size.KeepEXIF == 1,
                             ctx.picture.width(), ctx.picture.height());
}

JpegEncodeOptions JpegOutputOptions(const SaveContext& ctx, const JpegOutputSegments& segments,
                                    int quality) {
  JpegEncodeOptions o;
  o.quality = quality;
  o.fullChroma = ctx.settings.Quality.Subsampling == 1;
  o.segments = segments.segments;
  return o;
}

EncodeOptions HeifOutputOptions(const SaveContext& ctx, int quality) {
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

namespace {

// The quality of a JPEG or HEIF output: Quality.CQ, or the size search's result (find(target)).
template <typename Find>
int OutputQuality(const SaveContext& ctx, EncodedOutput& out, Find find) {
  const Settings& s = ctx.settings;
  int q = s.Quality.CQ;
  if (s.Quality.Type == quality_type::kMaxSize || s.Quality.Type == quality_type::kSourceSize) {
    int64_t target = s.Quality.Type == quality_type::kMaxSize ? int64_t(s.Quality.MaxKB * 1000)
                                                              : ctx.sourceFileSize;
    q = find(target);
    if (s.Quality.Type == quality_type::kSourceSize && q != s.Quality.MinQ && q < 98) ++q;
    if (ctx.progress) ctx.progress->SetStageText("Determined Quality: " + std::to_string(q));
    // The search's result is logged when the file is placed, right before its saved line.
    out.qualitySearched = true;
  }
  return q;
}

// The source's own format, with the options a loaded image is saved with.
EncodedOutput EncodeSourceFormat(const SaveContext& ctx, ImageFormat format, ImageDest* dest) {
  const Image& p = ctx.picture;
  EncodedOutput out;
  const FormatRow* row = FindFormat(format);
  if (p.empty() || !row || !row->encode) {
    out.code = p.empty() ? kErrNoMemory : kErrBadParam;
    out.result = out.code;
    return out;
  }
  const JpegDensity density{};
  EncodeOptions options;
  OutputMetadata metadata;
  if (format == kFormatHeic || format == kFormatAvif) {
    // HEIF outputs take the JPEG quality settings, the size search included, and the source's
    // metadata.
    out.quality = OutputQuality(ctx, out, [&](int64_t target) {
      return FindEncoderQuality(ctx, format, target, ctx.settings.Quality.MinQ);
    });
    options = HeifOutputOptions(ctx, out.quality);
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

}  // namespace

EncodedOutput EncodeOutput(const SaveContext& ctx, const OutputType& type, ImageDest* dest) {
  if (!type.row) return EncodeSourceFormat(ctx, type.sourceFormat, dest);
  const Image& p = ctx.picture;
  EncodedOutput out;
  const OutputMetadata metadata = OutputMetadataFor(ctx);
  if (type.row->format == kFormatJpeg) {
    // One segment list serves the size search's test encodings and the output.
    const JpegOutputSegments segments = BuildJpegSegments(metadata, ctx.colorMatched);
    out.quality = OutputQuality(ctx, out, [&](int64_t target) {
      return SearchQuality(ctx, target, ctx.settings.Quality.MinQ,
                           [&](int q) { return MeasureJpegSize(ctx, segments, q); });
    });
    out.result = int64_t(WriteJpeg(dest, p.pixels(), p.width(), p.height(),
                                   JpegOutputOptions(ctx, segments, out.quality)));
    out.ok = out.result > 0;
    return out;
  }
  EncodeOptions options;
  options.metadata = &metadata.carried;
  out.ok = type.row->encode(dest, p.pixels(), p.width(), p.height(), options);
  out.result = out.ok;
  return out;
}

}  // namespace orv
