// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Loading one photo for a run: the picture, its camera summary and the metadata the output
// carries. The one-at-a-time run and the batch workers load through here alike.
#pragma once

#include <cstdint>
#include <string>

#include "exif/CameraSummary.h"
#include "imageio/Image.h"
#include "imageio/PhotoMetadata.h"

namespace orv {

struct LoadedPhoto {
  Image picture;
  CameraSummary camera;
  PhotoMetadata metadata;
  int64_t fileSize = 0;  // the source file's size, which the size search of Quality.Type 2 aims at
  // The upright size the file holds; larger than the picture for a RAW decoded at half size.
  int fullWidth = 0, fullHeight = 0;
};

// The box a run fits its photos into when that shrinks them (Size.Type 2), else 0 x 0, or the
// percent it scales them to (Size.Type 1, 50 or less), else 0. A camera RAW whose fitted size is
// half its own or less is decoded at half size: the demosaicing, most of a RAW's decoding time,
// is left out, and the resize stage fits it into the same box or scales its full size by the
// same percent. Previews pass the box they show the photo in.
struct FitBox {
  int width = 0, height = 0;
  int percent = 0;
};
class Settings;
FitBox RunFitBox(const Settings& settings);

// 0, or the image layer's error code (the photo is then empty). `fit`: see RunFitBox.
unsigned LoadPhoto(const std::string& path, LoadedPhoto& photo, FitBox fit = {});

}  // namespace orv
