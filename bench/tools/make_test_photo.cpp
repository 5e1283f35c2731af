// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a photo-like JPEG of the given size (smooth gradients, edges and sensor-like noise) for
// the whole-command comparisons in bench/. Usage: orv_make_photo OUT.jpg [WIDTH HEIGHT [QUALITY]]
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <random>

#include "imageio/Image.h"
#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: orv_make_photo OUT.jpg [WIDTH HEIGHT [QUALITY]]\n", stderr);
    return 2;
  }
  int w = argc > 3 ? std::atoi(argv[2]) : 6000;
  int h = argc > 3 ? std::atoi(argv[3]) : 4000;
  int q = argc > 4 ? std::atoi(argv[4]) : 92;
  orv::Image img;
  if (!img.Allocate(w, h)) return 1;
  std::mt19937 rng(42);
  std::normal_distribution<double> noise(0.0, 4.0);
  uint8_t* p = img.pixels();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double sky = y < h / 3 ? 1.0 : 0.0;
      double r = 60 + 120.0 * x / w + 40 * sky + noise(rng);
      double g = 80 + 100.0 * y / h + ((x / 97 + y / 89) % 2) * 25 + noise(rng);
      double b = 70 + 150 * sky + 30.0 * (x + y) / (w + h) + noise(rng);
      *p++ = uint8_t(std::clamp(int(r), 0, 255));
      *p++ = uint8_t(std::clamp(int(g), 0, 255));
      *p++ = uint8_t(std::clamp(int(b), 0, 255));
    }
  }
  orv::ImageDest* dest = orv::OpenDestFile(argv[1]);
  if (!dest) return 1;
  orv::JpegEncodeOptions o;
  o.quality = q;
  uint64_t n = orv::WriteJpeg(dest, img.pixels(), w, h, o);
  return orv::CloseDest(dest) && n > 0 ? 0 : 1;
}
