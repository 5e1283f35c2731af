// The metadata step before every JPEG encoding of a processed picture: the source's EXIF block as
// APP1 (when kept), the sampling choice, and the "sRGB Matched" comment on colour-matched output.
// It sets all three every time, so nothing of one photograph reaches the next one's output.
#pragma once

#include <cstdint>
#include <vector>

namespace orv {

inline constexpr char kSrgbMatchedComment[] = "sRGB Matched";

struct JpegMetadata {
  const std::vector<uint8_t>* exifBlock = nullptr;  // the source's APP1 payload (may be empty)
  bool keepExif = false;                            // Size.KeepEXIF
  bool fullChroma = false;                          // Quality.Subsampling: factors 1 everywhere
  bool colorMatched = false;
};

// Prepares the thread's JPEG options for the next WriteJpeg.
void PrepareJpegMetadata(const JpegMetadata& meta);

}  // namespace orv
