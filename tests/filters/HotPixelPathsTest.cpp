// The vector path of the hot-pixel filter against the scalar reference.
#include <gtest/gtest.h>

#include <string>

#include "FilterTestSupport.h"
#include "KernelPathSupport.h"
#include "filters/ImageFilters.h"

namespace orv::test {
namespace {

TEST(HotPixelPaths, IdenticalOnEveryPathForEveryWindowAndStrength) {
  std::vector<std::pair<int, int>> sizes = KernelTestSizes();
  sizes.push_back({70, 12});   // one AVX-512 block plus a shifted one
  sizes.push_back({200, 10});  // several blocks
  unsigned seed = 11;
  for (const auto& size : sizes) {
    // Named copies: the lambdas below capture them (clang 14 cannot capture bindings).
    const int w = size.first, h = size.second;
    for (int wi : {3, 4, 5, 7, 9}) {
      for (int nt : {255, 128, 1}) {
        const int spread = seed % 2 ? 256 : 40;
        Pixels src = Random(w, h, seed++, spread);
        Pixels start = Random(w, h, seed++);  // dst need not equal src
        ExpectSameOnEveryPath(std::to_string(w) + "x" + std::to_string(h) + " window " +
                                  std::to_string(wi) + " nt " + std::to_string(nt),
                              [&] {
                                Pixels dst = start;
                                EXPECT_TRUE(CImageFilters().RemoveHotPixels(dst.data(), w, h,
                                                                            src.data(), nt, wi));
                                return dst;
                              });
      }
    }
  }
}

TEST(HotPixelPaths, SharedBufferGivesTheSameBytesOnEveryPath) {
  // src and dst may be one buffer: every pixel reads its own source value before it is written.
  Pixels src = Random(131, 17, 5);
  ExpectSameOnEveryPath("in place", [&] {
    Pixels p = src;
    EXPECT_TRUE(CImageFilters().RemoveHotPixels(p.data(), 131, 17, p.data(), 200, 5));
    return p;
  });
  // The stage runs the filter in place: that must give the bytes of a call reading a copy.
  for (KernelTarget path : SupportedKernelPaths()) {
    ScopedKernelTarget force(path);
    Pixels inPlace = src, fromCopy = src;
    EXPECT_TRUE(CImageFilters().RemoveHotPixels(inPlace.data(), 131, 17, inPlace.data(), 200, 5));
    EXPECT_TRUE(CImageFilters().RemoveHotPixels(fromCopy.data(), 131, 17, src.data(), 200, 5));
    EXPECT_TRUE(inPlace == fromCopy) << "on the " << KernelTargetName(path) << " path";
  }
}

}  // namespace
}  // namespace orv::test
