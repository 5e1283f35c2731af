// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Small pictures written to disk in any format the program saves, for end-to-end tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imageio/Image.h"
#include "imageio/ImageFile.h"
#include "imageio/ImageFormat.h"

namespace orv::test {

// A gradient with some texture, so JPEG sizes change with the quality.
inline Image GradientImage(int width, int height) {
  Image img;
  if (!img.Allocate(width, height)) return img;
  uint8_t* p = img.pixels();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      *p++ = uint8_t((x * 255) / (width > 1 ? width - 1 : 1));
      *p++ = uint8_t((y * 255) / (height > 1 ? height - 1 : 1));
      *p++ = uint8_t(((x * 7) ^ (y * 13)) & 0xff);
    }
  }
  return img;
}

// Writes the picture in the given format; true on success.
inline bool WritePicture(const std::string& path, const Image& img, ImageFormat format) {
  CImageFile file;
  if (file.SetPixels(img.pixels(), img.width(), img.height()) != 0) return false;
  return file.Save(path.c_str(), format) == 0;
}

inline bool WritePicture(const std::string& path, int width, int height, ImageFormat format) {
  return WritePicture(path, GradientImage(width, height), format);
}

}  // namespace orv::test
