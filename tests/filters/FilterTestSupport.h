// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Small synthetic pictures for the filter tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace orv::test {

using Pixels = std::vector<uint8_t>;

inline Pixels Uniform(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  Pixels p(size_t(width) * size_t(height) * 3);
  for (size_t i = 0; i < p.size(); i += 3) {
    p[i] = r;
    p[i + 1] = g;
    p[i + 2] = b;
  }
  return p;
}

inline Pixels Grey(int width, int height, uint8_t v) {
  return Uniform(width, height, v, v, v);
}

// Noise around a mid level with some outliers, so every branch of a filter is reached.
inline Pixels Random(int width, int height, unsigned seed, int spread = 256) {
  Pixels p(size_t(width) * size_t(height) * 3);
  std::mt19937 rng(seed);
  for (auto& v : p) {
    int base = spread >= 256 ? int(rng() % 256) : 128 - spread / 2 + int(rng() % unsigned(spread));
    v = uint8_t(rng() % 50 == 0 ? (rng() % 2 ? 255 : 0) : base);
  }
  return p;
}

inline uint8_t& At(Pixels& p, int width, int x, int y, int c) {
  return p[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(c)];
}

}  // namespace orv::test
