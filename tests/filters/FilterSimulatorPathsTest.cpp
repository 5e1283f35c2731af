// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The vector path of the filter simulator against the scalar reference.
#include <gtest/gtest.h>

#include <string>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/FilterSimulator.h"

namespace orv::test {
namespace {

TEST(FilterSimulatorPaths, EveryOptionIsIdenticalOnEveryPath) {
  // Every colour on a grid of step 5 (both ends of each channel included): every luma, hence
  // every highlight row, and the table ends.
  Pixels grid;
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 5)
      for (int b = 0; b < 256; b += 5)
        grid.insert(grid.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
  struct Options {
    const char* filter;
    int strength, keep, mono;
  };
  const Options options[] = {{"#25 Filter", 255, 1, 0},
                             {"#25 Filter", 255, 0, 0},
                             {"#47 Filter", 140, 1, 0},
                             {"#2A Filter", 255, 1, 1},
                             {"#58 Filter", 77, 0, 1}};
  for (const Options& o : options) {
    const std::string what = std::string(o.filter) + " strength " + std::to_string(o.strength) +
                             (o.keep ? " keeping highlights" : "") + (o.mono ? " in grey" : "");
    ExpectSameOnEveryPath(what + ", colour grid", [&] {
      Pixels p = grid;
      EXPECT_TRUE(
          SimulateFilter(p.data(), int(p.size() / 3), 1, o.filter, o.strength, o.keep, o.mono));
      return p;
    });
    // Odd sizes for the last pixels of a vector.
    unsigned seed = 70;
    for (const auto& size : KernelTestSizes()) {
      // Named copies: the lambda below captures them (clang 14 cannot capture bindings).
      const int w = size.first, h = size.second;
      const Pixels src = Random(w, h, seed++);
      ExpectSameOnEveryPath(what + ", " + std::to_string(w) + "x" + std::to_string(h), [&] {
        Pixels p = src;
        EXPECT_TRUE(SimulateFilter(p.data(), w, h, o.filter, o.strength, o.keep, o.mono));
        return p;
      });
    }
  }
}

}  // namespace
}  // namespace orv::test
