// Auto balance in one pass (FindBalanceLevels, BalanceInPlace) against the two-pass reference
// the stage used before: AutoLevels on a copy, then Blend of the copy into the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "filters/FilterTestSupport.h"
#include "filters/ImageFilters.h"

namespace orv {
namespace {

using test::Pixels;

Pixels Reference(Pixels picture, int w, int h, double alpha, int& low, int& high) {
  CImageFilters f;
  Pixels copy = picture;
  EXPECT_TRUE(f.AutoLevels(copy.data(), w, h, 5, 250));
  EXPECT_TRUE(f.Blend(picture.data(), w, h, copy.data(), w, h, alpha));
  low = f.LevelLow, high = f.LevelHigh;
  return picture;
}

Pixels OnePass(Pixels picture, int w, int h, double alpha, int& low, int& high) {
  CImageFilters f;
  EXPECT_TRUE(f.FindBalanceLevels(picture.data(), w, h, 5, 250));
  EXPECT_TRUE(f.BalanceInPlace(picture.data(), w, h, alpha));
  low = f.LevelLow, high = f.LevelHigh;
  return picture;
}

TEST(BalancePaths, OnePassGivesTheBytesAndLevelsOfCopyAndBlend) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Size {
    int w, h;
  };
  unsigned seed = 1;
  for (Size s : {Size{1, 1}, Size{1, 7}, Size{5, 1}, Size{37, 23}, Size{64, 48}, Size{257, 3}}) {
    for (int spread : {256, 60, 4}) {
      Pixels picture = test::Random(s.w, s.h, seed++, spread);
      for (double alpha : {0.0, 1.0 / 255, 0.3, 0.843137, 0.99, 1.0, -2.0, 7.0, nan}) {
        SCOPED_TRACE(testing::Message() << s.w << "x" << s.h << " spread " << spread
                                        << " alpha " << alpha);
        int refLow = 0, refHigh = 0, low = 0, high = 0;
        Pixels expected = Reference(picture, s.w, s.h, alpha, refLow, refHigh);
        EXPECT_EQ(OnePass(picture, s.w, s.h, alpha, low, high), expected);
        EXPECT_EQ(low, refLow);
        EXPECT_EQ(high, refHigh);
      }
    }
  }
  // A flat picture has no range to stretch: the copy is mixed unmoved.
  Pixels flat = test::Grey(9, 9, 77);
  int a = 0, b = 0, c = 0, d = 0;
  EXPECT_EQ(OnePass(flat, 9, 9, 0.4, a, b), Reference(flat, 9, 9, 0.4, c, d));
}

TEST(BalancePaths, BadArgumentsFailAndLeaveThePicture) {
  CImageFilters f;
  EXPECT_FALSE(f.FindBalanceLevels(nullptr, 4, 4, 5, 250));
  EXPECT_FALSE(f.BalanceInPlace(nullptr, 4, 4, 0.5));
  Pixels p = test::Random(4, 4, 9);
  EXPECT_FALSE(f.BalanceInPlace(p.data(), -1, 4, 0.5));
  EXPECT_EQ(p, test::Random(4, 4, 9));
}

}  // namespace
}  // namespace orv
