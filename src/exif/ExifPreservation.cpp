#include "exif/ExifPreservation.h"

#include "imageio/Jpeg.h"

namespace orv {

void PrepareJpegMetadata(const JpegMetadata& meta) {
  ClearJpegOutputMarkers();
  if (meta.keepExif && meta.exifBlock && !meta.exifBlock->empty()) {
    // A block that does not fit one segment cannot have come from one; it is left out.
    AddJpegOutputMarker(meta.exifBlock->data(), meta.exifBlock->size(), 0xE1);
  }
  if (meta.fullChroma) {
    static const int kOnes[4] = {1, 1, 1, 1};
    SetJpegSampling(kOnes, kOnes);
  } else {
    SetJpegSampling(nullptr, nullptr);
  }
  ClearJpegOutputComments();
  if (meta.colorMatched) AddJpegOutputComment(kSrgbMatchedComment);
}

}  // namespace orv
