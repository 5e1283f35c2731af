#include "filters/MedianSelect.h"

#include <algorithm>
#include <utility>


namespace orv {

uint8_t MedianSelect(uint8_t* a, int count) {
  if (!a || count < 1) return 0;
  int k = (count - 1) / 2;
  int lo = 0, hi = count - 1;
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    uint8_t x = a[lo], y = a[mid], z = a[hi];
    uint8_t pivot = std::max(std::min(x, y), std::min(std::max(x, y), z));
    int i = lo, j = hi;
    // Hoare partition: the pivot value lies in [lo, hi], so both scans stop inside the range.
    while (i <= j) {
      while (a[i] < pivot) ++i;
      while (a[j] > pivot) --j;
      if (i <= j) std::swap(a[i++], a[j--]);
    }
    if (k <= j) {
      hi = j;
    } else if (k >= i) {
      lo = i;
    } else {
      break;  // between j and i every element equals the pivot
    }
  }
  return a[k];
}

MedianNetwork::MedianNetwork(int n) : n_(n) {
  // Batcher's odd-even merge sort for n wires, then every comparator that cannot influence the
  // middle wire is dropped, walking backwards from it. Outputs no later step reads are not
  // computed at all.
  struct Cmp {
    int a, b;
  };
  Cmp all[2048];
  int total = 0;
  for (int p = 1; p < n; p *= 2) {
    for (int k = p; k >= 1; k /= 2) {
      for (int j = k % p; j <= n - 1 - k; j += 2 * k) {
        for (int i = 0; i <= std::min(k - 1, n - j - k - 1); ++i) {
          if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) all[total++] = {i + j, i + j + k};
        }
      }
    }
  }
  bool needed[kMaxInputs] = {};
  needed[(n - 1) / 2] = true;
  Op kept[kMaxOps];
  int count = 0;
  for (int c = total - 1; c >= 0; --c) {
    bool lo = needed[all[c].a], hi = needed[all[c].b];
    if (!lo && !hi) continue;
    kept[count++] = {uint8_t(all[c].a), uint8_t(all[c].b), lo, hi};
    needed[all[c].a] = needed[all[c].b] = true;
  }
  opCount_ = count;
  for (int c = 0; c < count; ++c) ops_[c] = kept[count - 1 - c];
}

const MedianNetwork* MedianNetwork::For(int n) {
  // Built once each on first use; the sizes the hot-pixel filter uses are the odd 3..9 windows.
  switch (n) {
    case 9: {
      static const MedianNetwork net(9);
      return &net;
    }
    case 25: {
      static const MedianNetwork net(25);
      return &net;
    }
    case 49: {
      static const MedianNetwork net(49);
      return &net;
    }
    case 81: {
      static const MedianNetwork net(81);
      return &net;
    }
    default:
      return nullptr;
  }
}

void MedianNetwork::Select(uint8_t* rows) const {
  for (int c = 0; c < opCount_; ++c) {
    const Op& op = ops_[c];
    uint8_t* a = rows + op.lo * kLanes;
    uint8_t* b = rows + op.hi * kLanes;
    for (int j = 0; j < kLanes; ++j) {
      const uint8_t lo = std::min(a[j], b[j]), hi = std::max(a[j], b[j]);
      if (op.keepLo) a[j] = lo;
      if (op.keepHi) b[j] = hi;
    }
  }
}

}  // namespace orv
