// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The size search of Quality.Type 1 and 2: the highest quality whose encoding, metadata
// included, stays below a number of bytes, found by bisection over real test encodings into a
// counting destination (nothing is stored).
#pragma once

#include <cstdint>
#include <functional>

#include "engine/OutputMetadata.h"
#include "engine/SaveContext.h"
#include "imageio/ImageFormat.h"

namespace orv {

// The highest quality in minQuality..min(Quality.CQ, 99) for which measure(quality) stays below
// target, by bisection (at most seven test encodings); minQuality is accepted without a test.
int SearchQuality(const SaveContext& ctx, int64_t target, int minQuality,
                  const std::function<int64_t(int)>& measure);

// The JPEG output's size at quality q with the segments it will carry.
int64_t MeasureJpegSize(const SaveContext& ctx, const JpegOutputSegments& segments, int quality);
// The same with the segments built from ctx.
int64_t MeasureJpegSize(const SaveContext& ctx, int quality);
int FindJpegQuality(const SaveContext& ctx, int64_t target, int minQuality);

// The same measure and search for a format's table encoder that takes a quality (HEIC, AVIF).
int64_t MeasureEncodedSize(const SaveContext& ctx, ImageFormat format, int quality);
int FindEncoderQuality(const SaveContext& ctx, ImageFormat format, int64_t target,
                       int minQuality);

}  // namespace orv
