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
#include "platform/Metafile.h"

namespace orv {
namespace {

struct SourceCloser {
  void operator()(ImageSource* s) const { CloseSource(s); }
};
using SourcePtr = std::unique_ptr<ImageSource, SourceCloser>;

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
  if (!path) {
    SetLastLibraryError(kErrBadParam);
    return kErrBadParam;
  }
  ImageFormat format = kFormatUnknown;
  {
    SourcePtr probe(OpenSourceFile(path));
    if (probe) format = FormatFromContent(GuessSourceFormat(probe.get()));
  }
  if (format == kFormatUnknown) format = FormatFromExtension(path);
  if (format == kFormatWmf || format == kFormatEmf) {
    image_.Clear();
    firstComment_.clear();
    exif_.clear();
    metadata_.Clear();
    format_ = format;
    int w = 0, h = 0;
    uint8_t* pixels = RenderMetafile(path, &w, &h);
    if (!pixels) return GetLastLibraryError();
    AdoptBuffer(image_, pixels, w, h);
    SetLastLibraryError(kErrNone);
    return kErrNone;
  }
  SourcePtr source(OpenSourceFile(path));
  if (!source) {
    image_.Clear();
    return GetLastLibraryError();
  }
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
  truncated_ = false;
  format_ = format;
  if (!source) {
    SetLastLibraryError(kErrBadHandle);
    return kErrBadHandle;
  }
  using Decoder = uint8_t* (*)(ImageSource*, int, int*, int*);
  Decoder decode = nullptr;
  switch (format) {
    case kFormatJpeg:
      try {
        return LoadJpeg(source);
      } catch (...) {  // copying the comment or EXIF block ran out of memory
        image_.Clear();
        SetLastLibraryError(kErrNoMemory);
        return kErrNoMemory;
      }
    case kFormatPng:
      decode = ReadPng;
      break;
    case kFormatBmp:
      decode = ReadBmp;
      break;
    case kFormatPcx:
      decode = ReadPcx;
      break;
    case kFormatTiff: {
      TiffHeaderInfo info;
      if (!ReadTiffHeader(source, &info)) return GetLastLibraryError();
      decode = ReadTiff;
      break;
    }
    case kFormatTga:
      decode = ReadTga;
      break;
    case kFormatPsd:
      decode = ReadPsd;
      break;
    default:
      // GIF, PAX and unknown content have no decoder: say so rather than report success.
      SetLastLibraryError(kErrBadParam);
      return kErrBadParam;
  }
  int w = 0, h = 0;
  uint8_t* pixels = decode(source, 24, &w, &h);
  if (!pixels) return GetLastLibraryError();
  AdoptBuffer(image_, pixels, w, h);
  ReadMetadata(source, format);
  SetLastLibraryError(kErrNone);
  return kErrNone;
}

void CImageFile::ReadMetadata(ImageSource* source, ImageFormat format) {
  try {
    if (format == kFormatPng)
      metadata_ = ReadPngMetadata(source);
    else if (format == kFormatTiff)
      metadata_ = ReadTiffMetadata(source);
    else if (format == kFormatPsd)
      metadata_ = ReadPsdMetadata(source);
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
  if (!path || image_.empty()) {
    SetLastLibraryError(kErrBadParam);
    return kErrBadParam;
  }
  ImageDest* dest = OpenDestFile(path);
  if (!dest) return GetLastLibraryError();
  const uint8_t* p = image_.pixels();
  const int w = image_.width(), h = image_.height();
  bool ok = false;
  switch (format) {
    case kFormatJpeg: {
      SetJpegDctMethod(1);
      if (enhancedSubsampling_) {
        int ones[LibraryContext::kComponentCount];
        for (int& v : ones) v = 1;
        SetJpegSampling(ones, ones);
      } else {
        SetJpegSampling(nullptr, nullptr);
      }
      ok = WriteJpeg(dest, p, w, h, jpegQuality_, false, 24, &density_) != 0;
      break;
    }
    case kFormatPng:
      ok = WritePng(dest, p, w, h, w * 3, 8, 0, nullptr, 2, 0.0, 0, nullptr, &metadata_);
      break;
    case kFormatBmp:
      ok = WriteBmp(dest, p, w, h, 24, 16777216, nullptr);
      break;
    case kFormatPcx:
      ok = WritePcx(dest, p, w, h, 24);
      break;
    case kFormatTiff:
      ok = WriteTiff(dest, p, w, h, 24, &metadata_);
      break;
    case kFormatTga:
      ok = WriteTga(dest, p, w, h, 24);
      break;
    case kFormatWmf:
      ok = WriteWmf(dest, p, w, h, 24);
      break;
    case kFormatEmf:
      ok = WriteEmf(dest, p, w, h, 24);
      break;
    case kFormatPsd:
      ok = WritePsd(dest, p, w, h, 24);
      break;
    default:
      break;
  }
  unsigned result = ok ? kErrNone : GetLastLibraryError();
  if (!ok) MarkDestFailed(dest);
  if (!CloseDest(dest) && ok) result = GetLastLibraryError();
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
