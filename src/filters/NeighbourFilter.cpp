#include "filters/NeighbourFilter.h"

#include <algorithm>
#include <cstring>

#include "filters/FilterArgs.h"
#include "filters/NeighbourRows.h"

namespace orv {

bool NeighbourFilter(const uint8_t* src, uint8_t* dst, int width, int height, int strength,
                     int kind, const ProgressHook* progress) {
  size_t bytes = 0;
  if (!PictureArgs(src, width, height, bytes) || !dst || src == dst) return false;
  if (kind != kNeighbourSharpen && kind != kNeighbourSoften && kind != kNeighbourMedian)
    return false;
  int a = std::clamp(strength, 0, 100);
  double s = kind == kNeighbourSharpen ? 0.005 * a : 0.01 * a;
  const size_t stride = size_t(width) * 3;
  for (int y = 0; y < height; ++y) {
    if (kind != kNeighbourMedian && a == 0) {
      // s = 0: the centre exactly, for sharpen and soften alike.
      std::memcpy(dst + size_t(y) * stride, src + size_t(y) * stride, stride);
    } else {
      NeighbourRows(src, dst, width, height, y, y + 1, kind, s);
    }
    if (!ProgressContinues(progress, int((int64_t(y) + 1) * 100 / height))) return false;
  }
  return true;
}

}  // namespace orv
