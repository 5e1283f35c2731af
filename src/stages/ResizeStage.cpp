// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "stages/ResizeStage.h"

#include <cstdio>
#include <limits>

#include "filters/ResizeImage.h"
#include "platform/CheckedMath.h"
#include "settings/SettingValues.h"

namespace orv {
namespace {

std::string Format(const char* format, int a, int b, int c) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

ResizeStagePlan Ignored(std::string text) {
  ResizeStagePlan plan;
  plan.logText = std::move(text);
  plan.warning = true;
  return plan;
}

// A target side from a real size: truncated, at least 1; false when it does not fit an int.
bool TargetSide(double v, int& out) {
  if (!(v < double(std::numeric_limits<int>::max()))) return false;
  out = v < 1.0 ? 1 : int(v);
  return true;
}

}  // namespace

ResizeStagePlan DeriveResizeStage(const SizeGroup& size, int width, int height, int fullWidth,
                                  int fullHeight) {
  if (size.Type <= size_type::kOriginal || width <= 0 || height <= 0) return {};
  int w2 = 0, h2 = 0;
  if (size.Type == size_type::kPercent) {
    if (size.Percent <= 0)
      return Ignored(Format("Size setting ignored: %d perc gives no picture; size kept (%d x %d)",
                            size.Percent, width, height));
    const double f = size.Percent / 100.0;
    const bool fromFull = fullWidth > 0 && fullHeight > 0;
    if (!TargetSide((fromFull ? fullWidth : width) * f, w2) ||
        !TargetSide((fromFull ? fullHeight : height) * f, h2))
      return Ignored(Format("Size setting ignored: %d perc is too large; size kept (%d x %d)",
                            size.Percent, width, height));
  } else if (size.Type == size_type::kBox) {
    if (size.Width <= 0 || size.Height <= 0) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "Size setting ignored: fit inside %d x %d gives no picture; size kept (%d x %d)",
                    size.Width, size.Height, width, height);
      return Ignored(text);
    }
    const int bw = size.Width > 1 ? size.Width : 1;
    const int bh = size.Height > 1 ? size.Height : 1;
    if (bw >= width && bh >= height) return {};  // never enlarged
    const double rx = double(width) / bw, ry = double(height) / bh;
    const double r = rx >= ry ? rx : ry;
    // r >= 1 here, so the target never exceeds the picture.
    TargetSide(width / r, w2);
    TargetSide(height / r, h2);
  } else {
    return Ignored(Format("Size setting ignored: unknown size type %d; size kept (%d x %d)",
                          size.Type, width, height));
  }
  if (w2 == width && h2 == height) return {};
  size_t bytes = 0;
  if (!PictureBytes(w2, h2, 3, bytes))
    return Ignored(Format("Size setting ignored: %d perc is too large; size kept (%d x %d)",
                          size.Percent, width, height));
  ResizeStagePlan plan;
  plan.resize = true;
  plan.width = w2;
  plan.height = h2;
  plan.filter = size.Filter;
  plan.logText = Format("Size: %d perc = (%d x %d)", size.Percent, w2, h2);
  return plan;
}


StageOutcome RunResizeStage(StageContext& ctx) {
  Image& p = ctx.picture;
  ResizeStagePlan plan =
      DeriveResizeStage(ctx.settings.Size, p.width(), p.height(), ctx.fullWidth, ctx.fullHeight);
  if (plan.warning) {
    // A size setting that cannot be honoured is worth knowing whatever the log's detail.
    ctx.services.ProblemLine(plan.logText);
    return StageOutcome::kDone;
  }
  if (!plan.resize || (plan.width == p.width() && plan.height == p.height()))
    return StageOutcome::kDone;
  Image resized;
  if (!resized.Allocate(plan.width, plan.height) ||
      !ResizeImage(p.pixels(), p.width(), p.height(), resized.pixels(), plan.width, plan.height,
                   plan.filter)) {
    ctx.Check(false, "the picture keeps its size");
    return StageOutcome::kDone;
  }
  p = std::move(resized);
  // The old-size spare buffer goes; the next stage that needs a copy allocates it at the new size.
  ctx.spare.Clear();
  ctx.StageLine(plan.logText);
  return StageOutcome::kDone;
}

}  // namespace orv
