// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Turning a band of three-byte pixels and putting lines back as columns with 16-byte vectors,
// compiled once per vector target through Highway's foreach_target.h.
#include "filters/VectorTarget.h"  // first: the targets to build

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "filters/BandTurnVector.cpp"
#include <hwy/cache_control.h>
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>

#include "filters/BandTurn.h"
#include "filters/BandTurnVector.h"
#include "filters/KernelPath.h"

HWY_BEFORE_NAMESPACE();
namespace orv::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if !ORV_FALLBACK_TARGET
// Pixels [x, x + 4) of rows [r, r + 4): `in` is pixel x of row r, `out` its slot in line x. Each
// row's four pixels are loaded as 16 bytes (the last four unused), spread to one pixel per
// 32-bit lane, and the 4 x 4 lanes are transposed, so that each vector holds one column's four
// pixels; packed back to 12 bytes, they go to their line. Where the line has room, the column
// is stored as 16 bytes, the spare four landing on the slots of the next two rows, written after
// it; otherwise (`exact`) as exactly 12.
HWY_INLINE void TurnBlock(const uint8_t* in, size_t rowBytes, uint8_t* out, size_t lineBytes,
                          bool exact) {
  const hn::Full128<uint8_t> d8;
  const hn::Full128<uint32_t> d32;
  const hn::Full128<uint64_t> d64;
  alignas(16) static constexpr uint8_t kSpread[16] = {0, 1, 2, 2, 3, 4,  5,  5,
                                                      6, 7, 8, 8, 9, 10, 11, 11};
  alignas(16) static constexpr uint8_t kPack[16] = {0,  1,  2,  4,  5,  6,  8,  9,
                                                    10, 12, 13, 14, 15, 15, 15, 15};
  const auto spread = hn::Load(d8, kSpread), pack = hn::Load(d8, kPack);
  auto row = [&](int i) {
    return hn::BitCast(d32, hn::TableLookupBytes(hn::LoadU(d8, in + size_t(i) * rowBytes), spread));
  };
  const auto r0 = row(0), r1 = row(1), r2 = row(2), r3 = row(3);
  // Lanes (row, pixel): t01 = (0,0) (1,0) (0,1) (1,1), t23 = (2,0) (3,0) (2,1) (3,1), ...
  const auto t01 = hn::BitCast(d64, hn::InterleaveLower(d32, r0, r1));
  const auto t23 = hn::BitCast(d64, hn::InterleaveLower(d32, r2, r3));
  const auto u01 = hn::BitCast(d64, hn::InterleaveUpper(d32, r0, r1));
  const auto u23 = hn::BitCast(d64, hn::InterleaveUpper(d32, r2, r3));
  // One column's vector to its line (no arrays: SVE vectors cannot be array elements).
  const auto put = [&](int j, hn::Vec<decltype(d64)> column) {
    const auto packed = hn::TableLookupBytes(hn::BitCast(d8, column), pack);
    uint8_t* to = out + size_t(j) * lineBytes;
    if (!exact) {
      hn::StoreU(packed, d8, to);
    } else {
      alignas(16) uint8_t bytes[16];
      hn::Store(packed, d8, bytes);
      std::memcpy(to, bytes, 12);
    }
  };
  put(0, hn::InterleaveLower(d64, t01, t23));
  put(1, hn::InterleaveUpper(d64, t01, t23));
  put(2, hn::InterleaveLower(d64, u01, u23));
  put(3, hn::InterleaveUpper(d64, u01, u23));
}
#endif

bool TurnRgbBandV(const uint8_t* first, int w, int rows, uint8_t* band) {
#if ORV_FALLBACK_TARGET
  (void)first;
  (void)w;
  (void)rows;
  (void)band;
  return false;
#else
  const size_t rowBytes = size_t(w) * 3, lineBytes = size_t(rows) * 3;
  // A block reads 16 bytes from its first pixel: pixels up to w - 6 start blocks that stay
  // inside the row.
  const int lastStart = w - 6;
  for (int t0 = 0; t0 < w; t0 += kTurnTile) {
    const int t1 = std::min(w, t0 + kTurnTile);
    const int blocks = lastStart >= t0 ? std::min(t1 - t0, lastStart - t0 + 1) / 4 : 0;
    const int xv = t0 + 4 * blocks;  // the first column the blocks leave
    int r = 0;
    for (; r + 4 <= rows; r += 4) {
      // The rows' parts of the next tile, fetched while this one moves (as in TurnBand).
      if (t1 < w)
        for (int i = 0; i < 4; ++i)
          for (int e = 0; e < kTurnTile * 3; e += 64)
            hwy::Prefetch(first + size_t(r + i) * rowBytes + size_t(t1) * 3 + size_t(e));
      const uint8_t* in = first + size_t(r) * rowBytes + size_t(t0) * 3;
      uint8_t* out = band + size_t(t0) * lineBytes + size_t(r) * 3;
      for (int x = t0; x < xv; x += 4, in += 12, out += 4 * lineBytes)
        TurnBlock(in, rowBytes, out, lineBytes, r + 6 > rows);
      for (int i = 0; i < 4; ++i) TurnRowPart<3>(first, w, rows, r + i, xv, t1, band);
    }
    for (; r < rows; ++r) TurnRowPart<3>(first, w, rows, r, t0, t1, band);
  }
  return true;
#endif
}

bool PutRgbColumnsV(const uint8_t* lines, size_t lineStride, int rows, uint8_t* out, size_t stride,
                    bool roomAfter) {
#if ORV_FALLBACK_TARGET
  (void)lines;
  (void)lineStride;
  (void)rows;
  (void)out;
  (void)stride;
  (void)roomAfter;
  return false;
#else
  // The lines play the rows of TurnBlock, and the output rows its lines.
  int r = 0;
  for (; r + 4 <= rows; r += 4)
    TurnBlock(lines + size_t(r) * 3, lineStride, out + size_t(r) * stride, stride, !roomAfter);
  for (; r < rows; ++r)
    for (int j = 0; j < 4; ++j)
      std::memcpy(out + size_t(r) * stride + size_t(j) * 3,
                  lines + size_t(j) * lineStride + size_t(r) * 3, 3);
  return true;
#endif
}

}  // namespace orv::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace orv {

HWY_EXPORT(TurnRgbBandV);
HWY_EXPORT(PutRgbColumnsV);

bool TurnRgbBandVector(const uint8_t* first, int w, int rows, uint8_t* band) {
  if (ReferenceKernelsForced()) return false;
  return HWY_DYNAMIC_DISPATCH(TurnRgbBandV)(first, w, rows, band);
}

bool PutRgbColumnsVector(const uint8_t* lines, size_t lineStride, int rows, uint8_t* out,
                         size_t stride, bool roomAfter) {
  if (ReferenceKernelsForced()) return false;
  return HWY_DYNAMIC_DISPATCH(PutRgbColumnsV)(lines, lineStride, rows, out, stride, roomAfter);
}

}  // namespace orv
#endif
