// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// CImageFile: the program's loaded-image object. It recognises a file's format (content first,
// then extension), decodes it to 24-bit RGB, keeps the first JPEG comment and the EXIF block (the
// payload of the last APP1 segment, or the EXIF a HEIF decoder found, in the same form) with the
// colour profile and XMP such decoders find, and saves pixels in a chosen format. Operations return 0 or
// the layer's error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/Image.h"
#include "imageio/ImageFormat.h"
#include "imageio/Jpeg.h"
#include "imageio/PhotoMetadata.h"

namespace orv {

struct ImageSource;

class CImageFile {
 public:
  CImageFile() = default;
  CImageFile(const CImageFile&) = delete;
  CImageFile& operator=(const CImageFile&) = delete;

  // Recognises and decodes the file; metafiles are rendered. 0 or the error code. GIF, PAX and
  // unrecognised files load no pixels and give 5 ("bad user param": no decoder for the format).
  unsigned Load(const char* path);
  // Decodes from an open source by format; the held image is released first.
  unsigned LoadFromSource(ImageSource* source, ImageFormat format);
  // Replaces the held image by a copy; 1 when memory is short or no pixels are given (the held
  // image is then released).
  unsigned SetPixels(const uint8_t* pixels, int width, int height);
  // Encodes the held image into path by format; 0 or the error code. A failed save leaves no file
  // under path.
  unsigned Save(const char* path, ImageFormat format);

  // Pixel access: each LockPixels raises the lock count, UnlockPixels lowers it.
  uint8_t* LockPixels();
  void UnlockPixels();
  int lockCount() const { return lockCount_; }

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }
  const Image& image() const { return image_; }
  // Moves the held pixels out (no copy); the object is empty afterwards.
  Image TakeImage() { return std::move(image_); }
  ImageFormat format() const { return format_; }

  void SetPreviewSize(int width, int height) { previewWidth_ = width, previewHeight_ = height; }
  // The box a run fits the picture into: a camera RAW that fits at half its size or less is
  // decoded at half size (other formats decode as they are).
  void SetRawFitBox(int width, int height) { rawFitWidth_ = width, rawFitHeight_ = height; }
  // The percent a run scales the picture to: a camera RAW scaled to 50 % or less is decoded at
  // half size too.
  void SetRawFitPercent(int percent) { rawFitPercent_ = percent; }
  // The upright size the file holds: larger than the picture when a RAW was decoded at half size.
  int fullWidth() const { return fullWidth_ > 0 ? fullWidth_ : image_.width(); }
  int fullHeight() const { return fullHeight_ > 0 ? fullHeight_ : image_.height(); }
  void SetJpegQuality(int quality) { jpegQuality_ = quality; }
  int jpegQuality() const { return jpegQuality_; }
  void SetEnhancedSubsampling(bool on) { enhancedSubsampling_ = on; }
  void SetJpegDensity(const JpegDensity& density) { density_ = density; }
  const JpegDensity& jpegDensity() const { return density_; }

  const std::string& firstComment() const { return firstComment_; }
  const std::vector<uint8_t>& exifBlock() const { return exif_; }
  // The colour profile, XMP and IPTC read with the pixels; Save writes what the format holds.
  const PhotoMetadata& metadata() const { return metadata_; }
  // Hands the metadata over (a colour profile can run to megabytes), leaving none.
  PhotoMetadata TakeMetadata() { return std::move(metadata_); }
  const std::vector<uint8_t>& iccProfile() const { return metadata_.icc; }
  const std::vector<uint8_t>& xmpPacket() const { return metadata_.xmp; }
  // True when the decoder applied the file's own rotation and mirroring (HEIF), so that an EXIF
  // Orientation tag no longer describes the pixels.
  bool pixelsUpright() const { return upright_; }
  // The quality and metadata Save gives encoders that take them (HEIC, AVIF); a load replaces
  // the metadata with the file's.
  void SetEncodeQuality(int quality) { encodeQuality_ = quality; }
  void SetMetadata(std::vector<uint8_t> exif, std::vector<uint8_t> icc, std::vector<uint8_t> xmp) {
    exif_ = std::move(exif), metadata_.icc = std::move(icc), metadata_.xmp = std::move(xmp);
  }
  // True when the last JPEG load met the end of the file early (rows were filled in by the
  // decoder); the load still succeeds.
  bool truncated() const { return truncated_; }

 private:
  unsigned LoadJpeg(ImageSource* source);
  // Fills metadata_ for a decoded non-JPEG source; never fails the load.
  void ReadMetadata(ImageSource* source, ImageFormat format);

  Image image_;
  ImageFormat format_ = kFormatUnknown;
  int lockCount_ = 0;
  int previewWidth_ = 0, previewHeight_ = 0;
  int rawFitWidth_ = 0, rawFitHeight_ = 0, rawFitPercent_ = 0;
  int fullWidth_ = 0, fullHeight_ = 0;
  int jpegQuality_ = 75;
  bool enhancedSubsampling_ = false;
  JpegDensity density_{};
  std::string firstComment_;
  std::vector<uint8_t> exif_;
  PhotoMetadata metadata_;
  bool upright_ = false;
  int encodeQuality_ = 50;
  bool truncated_ = false;
};

}  // namespace orv
