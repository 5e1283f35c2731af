// The vector paths of the speckle filter (wider row kernels, shuffled channel splits) against the
// scalar reference.
#include <gtest/gtest.h>

#include <string>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/NoiseRemoval.h"

namespace orv::test {
namespace {

TEST(NoiseRemovalPaths, IdenticalOnEveryPath) {
  std::vector<std::pair<int, int>> sizes = KernelTestSizes();
  sizes.push_back({150, 40});  // more rows than the wavefront has stages
  unsigned seed = 70;
  for (const auto& size : sizes) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (int spread : {256, 5}) {
      Pixels src = Random(w, h, seed++, spread);
      ExpectSameOnEveryPath(
          std::to_string(w) + "x" + std::to_string(h) + " spread " + std::to_string(spread), [&] {
            Pixels p = src;
            EXPECT_TRUE(SpeckleRemove(p.data(), w, h));
            return p;
          });
    }
  }
}

}  // namespace
}  // namespace orv::test
