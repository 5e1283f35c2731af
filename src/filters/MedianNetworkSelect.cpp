// MedianNetwork::Select, compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/MedianNetworkSelect.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>

#include "filters/KernelPath.h"
#include "filters/MedianSelect.h"

#ifndef ORV_MEDIAN_NETWORK_SELECT_REFERENCE
#define ORV_MEDIAN_NETWORK_SELECT_REFERENCE
namespace orv::median_reference {

constexpr int kLanes = MedianNetwork::kLanes;

inline void Select(const MedianNetwork::Op* ops, int count, uint8_t* rows) {
  for (int c = 0; c < count; ++c) {
    const MedianNetwork::Op& op = ops[c];
    uint8_t* a = rows + op.lo * kLanes;
    uint8_t* b = rows + op.hi * kLanes;
    for (int j = 0; j < kLanes; ++j) {
      const uint8_t lo = std::min(a[j], b[j]), hi = std::max(a[j], b[j]);
      if (op.keepLo) a[j] = lo;
      if (op.keepHi) b[j] = hi;
    }
  }
}

}  // namespace orv::median_reference
#endif

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if ORV_FALLBACK_TARGET
void SelectV(const MedianNetwork::Op* ops, int count, uint8_t* rows) {
  median_reference::Select(ops, count, rows);
}
#else
// The lanes of a row in vectors of at most a row's width; each vector runs the whole network.
void SelectV(const MedianNetwork::Op* ops, int count, uint8_t* HWY_RESTRICT rows) {
  constexpr int kLanes = MedianNetwork::kLanes;
  const hn::CappedTag<uint8_t, kLanes> d;
  const int N = int(hn::Lanes(d));
  for (int part = 0; part < kLanes; part += N) {
    for (int c = 0; c < count; ++c) {
      const MedianNetwork::Op& op = ops[c];
      uint8_t* a = rows + op.lo * kLanes + part;
      uint8_t* b = rows + op.hi * kLanes + part;
      const auto x = hn::LoadU(d, a), y = hn::LoadU(d, b);
      if (op.keepLo) hn::StoreU(hn::Min(x, y), d, a);
      if (op.keepHi) hn::StoreU(hn::Max(x, y), d, b);
    }
  }
}
#endif

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(SelectV);

void MedianNetwork::Select(uint8_t* rows) const {
  if (ReferenceKernelsForced()) return median_reference::Select(ops_, opCount_, rows);
  HWY_DYNAMIC_DISPATCH(SelectV)(ops_, opCount_, rows);
}

}  // namespace orv
#endif
