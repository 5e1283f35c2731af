// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Encoding a processed picture for its output: the output type (from the settings and the
// source alone), the options each encoder gets in its call, and the encoding itself, which
// reads only the picture and its metadata and logs nothing, so that it can run on a batch worker
// into memory while the name is decided later.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/OutputMetadata.h"
#include "engine/SaveContext.h"
#include "imageio/ImageFormat.h"
#include "imageio/Jpeg.h"

namespace orv {

struct ImageDest;

struct OutputType {
  const FormatRow* row = nullptr;  // JPEG, PNG or BMP by Output.FileType or the source's name
  ImageFormat sourceFormat = kFormatUnknown;  // otherwise the source's own format; 0 unknown
};
OutputType ChooseOutputType(const Settings& s, const std::string& sourcePath);

// The quality settings a profile may hold outside the pages' ranges, held to them, with a red
// line for each (empty when none was out of range).
Settings HoldQualityRanges(const Settings& settings, std::vector<std::string>* lines);

// What the output carries of its source's metadata, for the picture as it is now.
OutputMetadata OutputMetadataFor(const SaveContext& ctx);
// The JPEG encoder's options for an output at `quality`, carrying `segments`.
JpegEncodeOptions JpegOutputOptions(const SaveContext& ctx, const JpegOutputSegments& segments,
                                    int quality);
// The HEIF encoders' options: the quality, the EXIF record and XMP (when kept), the profile.
EncodeOptions HeifOutputOptions(const SaveContext& ctx, int quality);

struct EncodedOutput {
  bool ok = false;
  int64_t result = 0;  // what the saved line shows: the JPEG size, 1, or the layer's code
  unsigned code = 0;   // a source-format encoding's error code
  int quality = -1;    // the JPEG or HEIF quality written
  bool qualitySearched = false;  // the quality came from the size search: logged when placed
};
// Encodes into dest (left open). ctx.settings should be held to their ranges first
// (HoldQualityRanges).
EncodedOutput EncodeOutput(const SaveContext& ctx, const OutputType& type, ImageDest* dest);

}  // namespace orv
