// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/QualitySearch.h"

#include <algorithm>

#include "engine/OutputEncode.h"
#include "engine/ProgressDialog.h"
#include "imageio/ImageIo.h"
#include "imageio/MemoryDest.h"

namespace orv {

int SearchQuality(const SaveContext& ctx, int64_t target, int minQuality,
                  const std::function<int64_t(int)>& measure) {
  int lo = std::min(minQuality, 99);
  int hi = std::min(ctx.settings.Quality.CQ, 99);
  if (lo >= hi) return lo;
  const int low = lo, high = hi;
  // Each level halves the range, so at most seven test encodings for qualities 0..99.
  while (hi > lo + 1) {
    int mid = lo + (hi - lo) / 2;
    int64_t size = measure(mid);
    if (ctx.progress) ctx.progress->SetStageText("Test Quality: " + std::to_string(mid));
    if (size == target) {
      lo = mid;
      break;
    }
    if (size < target)
      lo = mid;
    else
      hi = mid;
  }
  return std::max(std::clamp(lo, low, high), minQuality);
}

int64_t MeasureJpegSize(const SaveContext& ctx, const JpegOutputSegments& segments, int quality) {
  ImageDest* dest = OpenDestCounter();
  if (!dest) return 0;
  const Image& p = ctx.picture;
  uint64_t size =
      WriteJpeg(dest, p.pixels(), p.width(), p.height(), JpegOutputOptions(ctx, segments, quality));
  CloseDest(dest);
  return int64_t(size);
}

int64_t MeasureJpegSize(const SaveContext& ctx, int quality) {
  return MeasureJpegSize(ctx, BuildJpegSegments(OutputMetadataFor(ctx), ctx.colorMatched),
                         quality);
}

int FindJpegQuality(const SaveContext& ctx, int64_t target, int minQuality) {
  const JpegOutputSegments segments = BuildJpegSegments(OutputMetadataFor(ctx), ctx.colorMatched);
  return SearchQuality(ctx, target, minQuality,
                       [&](int q) { return MeasureJpegSize(ctx, segments, q); });
}

int64_t MeasureEncodedSize(const SaveContext& ctx, ImageFormat format, int quality) {
  const FormatRow* row = FindFormat(format);
  if (!row || !row->encode) return 0;
  ImageDest* dest = OpenDestCounter();
  if (!dest) return 0;
  const Image& p = ctx.picture;
  bool ok = row->encode(dest, p.pixels(), p.width(), p.height(), HeifOutputOptions(ctx, quality));
  int64_t size = ok ? DestSize(dest) : 0;
  CloseDest(dest);
  return size;
}

int FindEncoderQuality(const SaveContext& ctx, ImageFormat format, int64_t target,
                       int minQuality) {
  return SearchQuality(ctx, target, minQuality,
                       [&](int q) { return MeasureEncodedSize(ctx, format, q); });
}

}  // namespace orv
