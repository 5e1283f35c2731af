// The vector paths of the Minolta colour matching against the scalar reference.
#include <gtest/gtest.h>

#include <string>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/MinoltaMatcher.h"

namespace orv::test {
namespace {

TEST(MinoltaPaths, MatchingIsIdenticalOnEveryPath) {
  // Every colour on a grid of step 3 (both ends of each channel included), with the saturated
  // colours whose matrix rows fall below 0 and clamp, then odd sizes of random pixels for the
  // tails.
  Pixels grid;
  for (int r = 0; r < 256; r += 3)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 3) grid.insert(grid.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
  ExpectSameOnEveryPath("colour grid", [&] {
    Pixels p = grid;
    EXPECT_TRUE(MatchMinoltaColors(p.data(), int(p.size() / 3), 1));
    return p;
  });
  unsigned seed = 40;
  for (const auto& size : KernelTestSizes()) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    Pixels src = Random(w, h, seed++);
    ExpectSameOnEveryPath(std::to_string(w) + "x" + std::to_string(h), [&] {
      Pixels p = src;
      EXPECT_TRUE(MatchMinoltaColors(p.data(), w, h));
      return p;
    });
  }
}

}  // namespace
}  // namespace orv::test
