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
};

// 0, or the image layer's error code (the photo is then empty).
unsigned LoadPhoto(const std::string& path, LoadedPhoto& photo);

}  // namespace orv
