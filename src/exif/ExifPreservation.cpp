#include "exif/ExifPreservation.h"

#include "imageio/Jpeg.h"
#include "imageio/LibraryContext.h"

namespace orv {

void PrepareJpegMetadata(const JpegMetadata& meta) {
  ClearJpegOutputMarkers();
  if (meta.keepExif && meta.exifBlock && !meta.exifBlock->empty()) {
    // A block that does not fit one segment cannot have come from one; it is left out.
    AddJpegOutputMarker(meta.exifBlock->data(), meta.exifBlock->size(), 0xE1);
  }
  if (meta.fullChroma) {
    // One factor for every component the library can hold.
    int ones[LibraryContext::kComponentCount];
    for (int& f : ones) f = 1;
    SetJpegSampling(ones, ones);
  } else {
    SetJpegSampling(nullptr, nullptr);
  }
  ClearJpegOutputComments();
  if (meta.colorMatched) AddJpegOutputComment(kSrgbMatchedComment);
}

}  // namespace orv
