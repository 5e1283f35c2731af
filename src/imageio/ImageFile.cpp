// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageio/ImageFile.h"

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <memory>

#include "imageio/Codecs.h"
#include "imageio/ImageIo.h"
#include "imageio/LibraryContext.h"
#include "imageio/LibraryError.h"
#include "imageio/JpegMetadataSegments.h"
#include "imageio/MetadataReaders.h"
#include "imageio/PixelBuffer.h"
#include "platform/CheckedMath.h"

namespace orv {
namespace {

// The decode scale 1/d for a JPEG of w x h shown at a tw x th preview.
int DecodeDivisor(int tw, int th, int w, int h) {
  if (tw <= 0 || th <= 0) return 1;
  if (tw < w / 8 && th < h / 8) return 8;
  if (tw < w / 4 && th < h / 4) return 4;
  if (tw < w / 2 && th < h / 2) return 2;
  return 1;
}

// Hands a layer buffer to an Image without copying: both use new[] and delete[].
void AdoptBuffer(Image& image, uint8_t* pixels, int width, int height) {
  image.Adopt(std::unique_ptr<uint8_t[]>(pixels), width, height);
}

}  // namespace

unsigned CImageFile::Load(const char* path) {
  if (!BeginLibraryCall()) return kErrNoMemory;
  ClearRefusedSize();
  if (!path) {
    SetLastLibraryError(kErrBadParam);
    return kErrBadParam;
  }
  SourcePtr source(OpenSourceFile(path));
  if (!source) {
    image_.Clear();
    return GetLastLibraryError();
  }
  // The content decides, the extension only when the content is not recognised; the probe
  // rewinds the source for the decoder.
  ImageFormat format = FormatFromContent(GuessSourceFormat(source.get()));
  if (format == kFormatUnknown) format = FormatFromExtension(path);
  return LoadFromSource(source.get(), format);
}

unsigned CImageFile::LoadJpeg(ImageSource* source) {
  JpegHeaderInfo info;
  if (!ReadJpegHeader(source, &info)) return GetLastLibraryError();
  density_.unit = info.densityUnit;
  density_.x = info.xDensity;
  density_.y = info.yDensity;
  const int d = DecodeDivisor(previewWidth_, previewHeight_, info.width, info.height);
  SetJpegDecodeScale(1, d);
  int w = 0, h = 0;
  uint8_t* pixels = nullptr;
  if (SeekSource(source, 0, SEEK_SET)) pixels = ReadJpeg(source, 24, &w, &h);
  unsigned result = pixels ? kErrNone : GetLastLibraryError();
  if (pixels) {
    AdoptBuffer(image_, pixels, w, h);
    truncated_ = JpegInputWasTruncated();
    LibraryContext* ctx = CurrentContext();
    if (ctx && !ctx->inputComments.empty()) firstComment_ = ctx->inputComments.front();
    // Markers are in file order, so the last APP1 wins; but an APP1 that carries XMP rather
    // than EXIF (common after the EXIF one) must not hide the camera's record.
    if (ctx) {
      static const uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
      const std::vector<uint8_t>* last = nullptr;
      const std::vector<uint8_t>* lastExif = nullptr;
      for (const JpegMarker& m : ctx->inputMarkers) {
        if (m.code != 0xE1) continue;
        last = &m.payload;
        if (m.payload.size() >= 6 &&
            std::equal(kExifSignature, kExifSignature + 6, m.payload.begin()))
          lastExif = &m.payload;
      }
      if (lastExif || last) exif_ = lastExif ? *lastExif : *last;
      try {
        metadata_ = MetadataFromJpegSegments(ctx->inputMarkers);
      } catch (const std::bad_alloc&) {
        metadata_.Clear();  // the picture loads without what did not fit in memory
      }
      metadata_.sourceWidth = w;
      metadata_.sourceHeight = h;
    }
  }
  SetJpegDecodeScale(1, 1);
  SetLastLibraryError(result);
  return result;
}

unsigned CImageFile::LoadFromSource(ImageSource* source, ImageFormat format) {
  if (!BeginLibraryCall()) return kErrNoMemory;
  image_.Clear();
  firstComment_.clear();
  exif_.clear();
  metadata_.Clear();
  upright_ = false;
  truncated_ = false;
  fullWidth_ = fullHeight_ = 0;
  format_ = format;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return kErrBadHandle;
  }
  const FormatRow* row = FindFormat(format);
  if (!row || !row->decode) {
    // GIF, PAX and unknown content have no decoder: say so rather than report success.
    SetLastLibraryError(kErrBadParam);
    return kErrBadParam;
  }
  if (format == kFormatJpeg) {
    // JPEG loads keep the comment, the EXIF block and the density, and decode previews scaled.
    try {
      return LoadJpeg(source);
    } catch (...) {  // copying the comment or EXIF block ran out of memory
      image_.Clear();
      SetLastLibraryError(kErrNoMemory);
      return kErrNoMemory;
    }
  }
  LibraryContext* ctx = CurrentContext();
  if (ctx) {
    ctx->decoded = {};
    // A RAW for a preview (or a run that shrinks it) may be decoded at half size.
    const bool fit = rawFitWidth_ > 0 && rawFitHeight_ > 0;
    ctx->rawTargetWidth = fit ? rawFitWidth_ : previewWidth_;
    ctx->rawTargetHeight = fit ? rawFitHeight_ : previewHeight_;
    ctx->rawTargetPercent = rawFitPercent_;
  }
  int w = 0, h = 0;
  uint8_t* pixels = row->decode(source, 24, &w, &h);
  if (ctx) {
    ctx->rawTargetWidth = ctx->rawTargetHeight = ctx->rawTargetPercent = 0;
    // Taken, not copied, so the thread's context does not hold a picture's metadata for long.
    DecodedMetadata found = std::move(ctx->decoded);
    ctx->decoded = {};
    if (pixels) {
      exif_ = std::move(found.exif);
      metadata_.icc = std::move(found.icc);
      metadata_.xmp = std::move(found.xmp);
      upright_ = found.upright;
      fullWidth_ = found.fullWidth;
      fullHeight_ = found.fullHeight;
    }
  }
  if (!pixels) return GetLastLibraryError();
  AdoptBuffer(image_, pixels, w, h);
  ReadMetadata(source, format);
  SetLastLibraryError(kErrNone);
  return kErrNone;
}

void CImageFile::ReadMetadata(ImageSource* source, ImageFormat format) {
  try {
    const FormatRow* row = FindFormat(format);
    if (row && row->readMetadata) metadata_ = row->readMetadata(source);
  } catch (const std::bad_alloc&) {
    metadata_.Clear();  // the picture loads without what did not fit in memory
  }
  metadata_.sourceWidth = image_.width();
  metadata_.sourceHeight = image_.height();
}

unsigned CImageFile::SetPixels(const uint8_t* pixels, int width, int height) {
  if (!BeginLibraryCall()) return kErrNoMemory;
  if (!pixels) {
    image_.Clear();
    SetLastLibraryError(kErrNoMemory);
    return kErrNoMemory;
  }
  Image copy;
  if (!copy.Allocate(width, height)) {
    SetLastLibraryError(kErrNoMemory);
    return kErrNoMemory;
  }
  std::memcpy(copy.pixels(), pixels, copy.byteSize());
  image_ = std::move(copy);
  return kErrNone;
}

unsigned CImageFile::Save(const char* path, ImageFormat format) {
  if (!BeginLibraryCall()) return kErrNoMemory;
  if (format == kFormatGif || format == kFormatPax || format == kFormatUnknown) return kErrNone;
  const FormatRow* row = FindFormat(format);
  if (!path || image_.empty() || !row || !row->encode) {
    SetLastLibraryError(kErrBadParam);
    return kErrBadParam;
  }
  ImageDest* dest = OpenDestFile(path);
  if (!dest) return GetLastLibraryError();
  EncodeOptions options;
  options.jpegQuality = jpegQuality_;
  options.jpegFullChroma = enhancedSubsampling_;
  options.jpegDensity = &density_;
  options.metadata = &metadata_;
  options.quality = encodeQuality_;
  options.exifBlock = exif_;
  options.iccProfile = metadata_.icc;
  options.xmpPacket = metadata_.xmp;
  const bool ok = row->encode(dest, image_.pixels(), image_.width(), image_.height(), options);
  unsigned result = ok ? kErrNone : GetLastLibraryError();
  if (!ok && result == kErrNone) result = kErrBadParam;
  // A failed encoding leaves nothing under path.
  if (result != kErrNone) MarkDestFailed(dest);
  if (!CloseDest(dest) && result == kErrNone) result = GetLastLibraryError();
  SetLastLibraryError(result);
  return result;
}

uint8_t* CImageFile::LockPixels() {
  ++lockCount_;
  return image_.pixels();
}

void CImageFile::UnlockPixels() {
  if (lockCount_ > 0) --lockCount_;
}

}  // namespace orv
