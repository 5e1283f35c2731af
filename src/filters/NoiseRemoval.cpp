// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "filters/NoiseRemoval.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filters/FilterArgs.h"
#include "filters/NoiseRemovalVector.h"
#include "platform/CheckedMath.h"
#include "platform/LargeBuffer.h"
#include "platform/RowBands.h"

namespace orv {
namespace {

// Each channel lives in a plane with a one-pixel border of zeros, so the neighbour reads of the
// row steps (NoiseRemovalVector.h) need no edge tests. A sub-pass is two half-passes: plane -> work,
// then work -> plane.

// A plane's rows are a whole number of cache lines apart, the bytes after a row's right border
// unused, and the planes are placed so that every row's first interior pixel starts a line: the
// row steps' full-width stores then never straddle two lines, which some processors take at half
// speed (with rows width + 2 bytes apart, nearly every store did).
constexpr size_t kLine = 64;
size_t PlaneStride(int width) { return (size_t(width) + 2 + kLine - 1) / kLine * kLine; }
// The room a block of planes needs beyond their bytes, and where in it they start: one byte
// before a line, so that a row's interior (one byte in) starts on one.
constexpr size_t kPlaneSlack = kLine;
uint8_t* FirstPlane(uint8_t* block) {
  return block + ((kLine - 1 - uintptr_t(block) % kLine) % kLine);
}

// The 32 half-passes one plane goes through: four directions (vertical, horizontal, diagonal
// down-right, diagonal down-left), each with the sub-passes (+d raise), (-d raise), (-d lower),
// (+d lower), each made of a plane -> work and a work -> plane half-pass.
constexpr int kDirections = 4;
constexpr int kStages = kDirections * 8;

struct Stage {
  ptrdiff_t offset;
  bool raise;
  bool toWork;  // plane -> work (first half) or work -> plane (second half)
};

void BuildStages(ptrdiff_t stride, Stage stages[kStages]) {
  const ptrdiff_t dirs[kDirections] = {stride, 1, stride + 1, stride - 1};
  const int signs[4] = {+1, -1, -1, +1};
  const bool raises[4] = {true, true, false, false};
  int s = 0;
  for (ptrdiff_t d : dirs) {
    for (int k = 0; k < 4; ++k) {
      stages[s++] = {signs[k] * d, raises[k], true};
      stages[s++] = {signs[k] * d, raises[k], false};
    }
  }
}

// Runs the 32 half-passes over one plane as a wavefront: at step y, stage s works on row
// y - s. Every half-pass reads only the rows next to the one it writes, and reads a buffer the
// previous stage has already written there while the next stage has not yet overwritten it, so
// the result equals 32 full passes one after the other while the rows in flight stay in cache.
void ProcessPlane(uint8_t* plane, uint8_t* work, int width, int height, const Stage* stages) {
  const size_t stride = PlaneStride(width);
  for (int step = 1; step <= height + kStages - 1; ++step) {
    for (int s = 0; s < kStages; ++s) {
      int row = step - s;
      if (row < 1 || row > height) continue;
      const Stage& st = stages[s];
      size_t at = size_t(row) * stride + 1;
      uint8_t* out = st.toWork ? work + at : plane + at;
      const uint8_t* in = st.toWork ? plane + at : work + at;
      const SpeckleStep rule =
          st.toWork ? (st.raise ? SpeckleStep::kRaiseToward : SpeckleStep::kLowerToward)
                    : (st.raise ? SpeckleStep::kRaiseBetween : SpeckleStep::kLowerBetween);
      SpeckleRow(rule, out, in, st.offset, width);
    }
  }
}

// Clears the zero border of a padded plane of `rows` interior rows of `width` pixels.
void ClearBorder(uint8_t* base, size_t stride, int width, int rows) {
  std::memset(base, 0, stride);
  std::memset(base + size_t(rows + 1) * stride, 0, stride);
  for (int y = 1; y <= rows; ++y) {
    base[size_t(y) * stride] = 0;
    base[size_t(y) * stride + size_t(width) + 1] = 0;
  }
}

// Picture rows [from, to) split into the interiors of the padded planes, starting at their
// first interior row.
void SplitRows(const uint8_t* pixels, int width, int from, int to, uint8_t* const (&plane)[3]) {
  const size_t stride = PlaneStride(width);
  for (int y = from; y < to; ++y) {
    const size_t at = size_t(y - from + 1) * stride + 1;
    uint8_t* const row[3] = {plane[0] + at, plane[1] + at, plane[2] + at};
    SplitChannels(pixels + size_t(y) * size_t(width) * 3, size_t(width), row);
  }
}

// The planes' interior rows [first, first + rows) joined into picture rows [to, to + rows).
void JoinRows(const uint8_t* const (&plane)[3], int width, int first, int rows, uint8_t* pixels,
              int to) {
  const size_t stride = PlaneStride(width);
  for (int r = 0; r < rows; ++r) {
    const size_t at = size_t(first + r + 1) * stride + 1;
    const uint8_t* const row[3] = {plane[0] + at, plane[1] + at, plane[2] + at};
    JoinChannels(row, size_t(width), pixels + size_t(to + r) * size_t(width) * 3);
  }
}

// A half-pass reads only the rows next to the one it writes, so after the 32 half-passes a row
// depends on the rows up to 32 away. A band works on its rows with that many more on each side
// (fewer at the picture's edges) in planes of its own: the wrong zeros beyond them reach no
// farther in than those extra rows, and the band's own rows come out exact.
constexpr int kSpeckleReach = kStages;
// The fewest rows a band takes: the extra rows on each side cost a quarter of a band this tall.
constexpr int kSpeckleBandRows = 256;

// One band's planes: three channels and the work plane, each of its rows plus the reach.
// Marked for huge pages, as large buffers are (4 KiB page faults cost more than the split into
// the planes), but deleted rather than kept for reuse: their size changes with the cut.
struct SpeckleBand {
  std::unique_ptr<uint8_t[]> buffer;
  int first = 0;  // the picture row of the planes' first interior row
  int rows = 0;
};

bool SpeckleRemoveInBands(uint8_t* pixels, int width, int height, const RowBandCut& cut) {
  const size_t stride = PlaneStride(width);
  Stage stages[kStages];
  BuildStages(ptrdiff_t(stride), stages);
  std::vector<SpeckleBand> bands(size_t(cut.count));
  std::atomic<bool> failed{false};
  // Every band reads the pixels it needs before any band writes one.
  RunRowBands(cut, [&](int k, int from, int to) {
    SpeckleBand& b = bands[size_t(k)];
    b.first = std::max(0, from - kSpeckleReach);
    b.rows = std::min(height, to + kSpeckleReach) - b.first;
    const size_t padded = size_t(b.rows + 2) * stride;
    b.buffer.reset(NewLargeBuffer(padded * 4 + kPlaneSlack));
    if (!b.buffer) {
      failed = true;
      return;
    }
    uint8_t* const first = FirstPlane(b.buffer.get());
    for (int p = 0; p < 4; ++p) ClearBorder(first + size_t(p) * padded, stride, width, b.rows);
    uint8_t* const plane[3] = {first, first + padded, first + 2 * padded};
    SplitRows(pixels, width, b.first, b.first + b.rows, plane);
    for (int c = 0; c < 3; ++c) ProcessPlane(plane[c], first + 3 * padded, width, b.rows, stages);
  });
  if (failed) return false;
  RunRowBands(cut, [&](int k, int from, int to) {
    const SpeckleBand& b = bands[size_t(k)];
    const size_t padded = size_t(b.rows + 2) * stride;
    const uint8_t* const first = FirstPlane(b.buffer.get());
    const uint8_t* const plane[3] = {first, first + padded, first + 2 * padded};
    JoinRows(plane, width, from - b.first, to - from, pixels, from);
  });
  return true;
}

}  // namespace

bool SpeckleRemove(uint8_t* pixels, int width, int height, const ProgressHook* progress) {
  size_t bytes = 0;
  if (!PictureArgs(pixels, width, height, bytes)) return false;
  // The bordered plane within the picture cap, then its bytes with the rows padded to lines.
  size_t bordered = 0, padded = 0, block = 0;
  if (!PictureBytes(int64_t(width) + 2, int64_t(height) + 2, 1, bordered) ||
      !CheckedMul(PlaneStride(width), size_t(height) + 2, padded) ||
      !CheckedMul(padded, size_t(4), block) || block > SIZE_MAX - kPlaneSlack)
    return false;
  // Bands when threads are free and no hook is there to ask between the steps (the caller's,
  // asked on its thread).
  if (!progress) {
    const RowBandCut cut = CutRowBands(0, height, kSpeckleBandRows);
    if (cut.count > 1) return SpeckleRemoveInBands(pixels, width, height, cut);
  }
  const size_t stride = PlaneStride(width);
  // Three channel planes and the work plane, all with the zero border.
  // Released for reuse: the next pass over the same picture takes the same planes.
  LargeBufferPtr buffer = MakeLargeBuffer(block + kPlaneSlack);
  if (!buffer) return false;
  uint8_t* const first = FirstPlane(buffer.get());
  // Only the borders need clearing: the split writes every plane's interior, and every
  // half-pass writes the work plane's interior before reading it.
  for (int b = 0; b < 4; ++b) ClearBorder(first + size_t(b) * padded, stride, width, height);
  uint8_t* plane[3] = {first, first + padded, first + 2 * padded};
  uint8_t* work = first + 3 * padded;
  SplitRows(pixels, width, 0, height, plane);
  int step = 1;
  if (!ProgressContinues(progress, step * 100 / 14)) return false;

  Stage stages[kStages];
  BuildStages(ptrdiff_t(stride), stages);
  // The channels never read one another, so each runs its four directions in one wavefront.
  // The work plane's interior is written before it is read in every sub-pass and its border
  // is never written, so it needs no clearing between planes.
  for (int c = 0; c < 3; ++c) {
    ProcessPlane(plane[c], work, width, height, stages);
    for (int d = 0; d < kDirections; ++d) {
      if (!ProgressContinues(progress, ++step * 100 / 14)) return false;
    }
  }

  // The last step is asked before the pixels change, so a stop request always leaves them as
  // they were.
  if (!ProgressContinues(progress, 100)) return false;
  const uint8_t* const joined[3] = {plane[0], plane[1], plane[2]};
  JoinRows(joined, width, 0, height, pixels, 0);
  return true;
}

}  // namespace orv
