// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "stages/StampStage.h"
#include "filters/TextDraw.h"
#include "filters/TextStamp.h"
#include "settings/Settings.h"

namespace orv {
namespace {

using Pixels = std::vector<uint8_t>;

StampValues Camera() {
  StampValues v;
  v.DateTime = "2002:05:14 09:07:33";
  v.ShutterText = "1/60";
  v.FNumberText = "2.8";
  v.IsoText = "100 ";
  v.DisplayModel = "Minolta DiMAGE 7";
  v.Flash = 1;
  return v;
}

TEST(StampText, DateFormats) {
  const std::string d = "2002:05:14 09:07:33";
  EXPECT_EQ(FormatStampDate(d, 0), d);
  EXPECT_EQ(FormatStampDate(d, 1), "14/05/2002");
  EXPECT_EQ(FormatStampDate(d, 2), "05/14/2002");
  EXPECT_EQ(FormatStampDate(d, 3), "14/05/2002  09:07");
  EXPECT_EQ(FormatStampDate(" \t" + d + "  ", 4), "05/14/2002  09:07");
  EXPECT_EQ(FormatStampDate("  2002:05:14  ", 1), "2002:05:14");  // short: only trimmed
  EXPECT_EQ(FormatStampDate("", 3), "");
  EXPECT_EQ(FormatStampDate("2002-05-14T09.07.33", 1), "14/05/2002");  // separators unread
}

TEST(StampText, TokensReplaceTheirFirstOccurrenceInOrder) {
  EXPECT_EQ(ExpandStampTokens("Taken %DATE% at %SPEED% F%FNUM%", Camera(), 1),
            "Taken 14/05/2002 at 1/60 F2.8");
  EXPECT_EQ(ExpandStampTokens("%ISO%and %ISO%", Camera(), 0), "100 and %ISO%");
  EXPECT_EQ(ExpandStampTokens("%MODEL% %FLASH% %PROGRAM%|", Camera(), 0),
            "Minolta DiMAGE 7 Flash Used |");
  StampValues v = Camera();
  v.Flash = 0;
  EXPECT_EQ(ExpandStampTokens("%FLASH%", v, 0), "No Flash");
  v.Flash = -1;
  EXPECT_EQ(ExpandStampTokens("[%FLASH%]", v, 0), "[]");
  // A value holding a later token's text is expanded by that later token.
  v.ShutterText = "%ISO%";
  EXPECT_EQ(ExpandStampTokens("%SPEED%", v, 0), "100 ");
  // Tokens are case-sensitive.
  EXPECT_EQ(ExpandStampTokens("%date%", v, 1), "%date%");
}

TEST(StampPlacement, CornersCentresAndBox) {
  StampStyle s;
  s.offsetX = 12;
  s.offsetY = 6;
  s.backType = kBack50;
  s.placement = kTopLeft;
  StampLayout l = PlaceStamp(640, 480, 100, 20, s);
  EXPECT_EQ(l.x, 12);
  EXPECT_EQ(l.y, 6);
  EXPECT_TRUE(l.box);
  EXPECT_EQ(l.left, 2);  // 12 - 20/2
  EXPECT_EQ(l.top, 4);   // 6 - 20/8
  EXPECT_EQ(l.right, 122);
  EXPECT_EQ(l.bottom, 28);
  EXPECT_EQ(l.boxWeight, 0.5);
  s.offsetX = 3;
  s.offsetY = 1;
  l = PlaceStamp(640, 480, 100, 20, s);
  EXPECT_EQ(l.left, 0);  // clamped at the picture's edge
  EXPECT_EQ(l.top, 0);

  s.offsetX = 12;
  s.offsetY = 6;
  const std::pair<int, std::pair<int, int>> want[] = {
      {kTopCenter, {270, 6}},   {kBottomCenter, {270, 454}}, {kTopRight, {528, 6}},
      {kBottomLeft, {12, 454}}, {kBottomRight, {528, 454}},  {17, {528, 454}}};
  for (auto [placement, xy] : want) {
    s.placement = placement;
    l = PlaceStamp(640, 480, 100, 20, s);
    EXPECT_EQ(l.x, xy.first) << placement;
    EXPECT_EQ(l.y, xy.second) << placement;
  }
  // A text wider than the picture is centred off both sides.
  s.placement = kTopCenter;
  EXPECT_EQ(PlaceStamp(100, 50, 300, 20, s).x, -100);
  s.backType = kBack25;
  EXPECT_EQ(PlaceStamp(100, 50, 30, 20, s).boxWeight, 0.25);
  s.backType = kBackOpaque;
  EXPECT_EQ(PlaceStamp(100, 50, 30, 20, s).boxWeight, 1.0);
  s.backType = kBackTransparent;
  EXPECT_FALSE(PlaceStamp(100, 50, 30, 20, s).box);
  // Extreme offsets from a profile do not overflow.
  s.placement = kBottomRight;
  s.offsetX = -2147483647 - 1;
  EXPECT_EQ(PlaceStamp(100, 50, 30, 20, s).x, 70 + 2147483648LL);
}

// Bounding box of the pixels that differ from the given colour.
struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int count = 0;
};
Ink FindInk(const Pixels& p, int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  Ink ink;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* q = &p[(size_t(y) * size_t(w) + size_t(x)) * 3];
      if (q[0] == r && q[1] == g && q[2] == b) continue;
      ++ink.count;
      ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
    }
  return ink;
}

FontDescription Font(int height) {
  FontDescription f;
  f.face = "Arial";
  f.height = height;
  return f;
}

TEST(TextDraw, MeasureAndDrawInTheMeasuredBox) {
  int w = 0, h = 0;
  ASSERT_TRUE(MeasureText("Hello", Font(48), w, h));
  EXPECT_EQ(h, 48);
  EXPECT_GT(w, 48);
  EXPECT_LT(w, 48 * 5);
  int w0 = -1, h0 = -1;
  EXPECT_TRUE(MeasureText("", Font(48), w0, h0));
  EXPECT_EQ(w0, 0);
  EXPECT_EQ(h0, 0);

  Pixels p(200 * 40 * 3, 0);
  ASSERT_TRUE(DrawTextSmooth(p.data(), 200, 40, "Hello", Font(48), 3, 10, 5, 0x0000FF));
  const Ink ink = FindInk(p, 200, 40, 0, 0, 0);
  EXPECT_GT(ink.count, 50);
  EXPECT_GE(ink.left, 10);
  EXPECT_LT(ink.right, 10 + w / 3 + 1);
  EXPECT_GE(ink.top, 5);
  EXPECT_LT(ink.bottom, 5 + 16);
  // Red text: only the red channel receives ink, and the strongest is full red.
  int maxRed = 0;
  for (size_t i = 0; i < p.size(); i += 3) {
    EXPECT_EQ(p[i + 1], 0);
    EXPECT_EQ(p[i + 2], 0);
    maxRed = std::max<int>(maxRed, p[i]);
  }
  EXPECT_EQ(maxRed, 255);
}

TEST(TextDraw, ClipsAtEveryEdgeAndRejectsBadArguments) {
  Pixels p(30 * 10 * 3, 0);
  for (auto [x, y] : {std::pair{-20, -8}, std::pair{25, 6}, std::pair{-1000, 0}}) {
    EXPECT_TRUE(DrawTextSmooth(p.data(), 30, 10, "WWWW", Font(48), 3, x, y, 0xFFFFFF));
  }
  EXPECT_FALSE(DrawTextSmooth(nullptr, 30, 10, "W", Font(48), 3, 0, 0, 0xFFFFFF));
  EXPECT_FALSE(DrawTextSmooth(p.data(), 0, 10, "W", Font(48), 3, 0, 0, 0xFFFFFF));
  EXPECT_FALSE(DrawTextSmooth(p.data(), 30, 10, "W", Font(48), 0, 0, 0, 0xFFFFFF));
  EXPECT_FALSE(DrawTextSmooth(p.data(), 30, 10, "W", Font(0), 3, 0, 0, 0xFFFFFF));
  // Malformed UTF-8 is drawn as replacement glyphs, not read past its end.
  EXPECT_TRUE(DrawTextSmooth(p.data(), 30, 10, "\xE2\x82", Font(48), 3, 0, 0, 0xFFFFFF));
}

TEST(TextDraw, UnderlineAndBoldWidenTheInk) {
  FontDescription plain = Font(48), under = Font(48), bold = Font(48);
  under.underline = true;
  bold.weight = 700;
  Pixels a(120 * 30 * 3, 0), b = a;
  ASSERT_TRUE(DrawTextSmooth(a.data(), 120, 30, "ii", plain, 3, 2, 2, 0xFFFFFF));
  ASSERT_TRUE(DrawTextSmooth(b.data(), 120, 30, "ii", under, 3, 2, 2, 0xFFFFFF));
  const Ink ia = FindInk(a, 120, 30, 0, 0, 0), ib = FindInk(b, 120, 30, 0, 0, 0);
  EXPECT_GT(ib.count, ia.count);
  EXPECT_GT(ib.bottom, ia.bottom);  // the line sits below the baseline
  int wp = 0, wb = 0, h = 0;
  ASSERT_TRUE(MeasureText("Hello", plain, wp, h));
  ASSERT_TRUE(MeasureText("Hello", bold, wb, h));
  EXPECT_GT(wb, wp);
}

TEST(RenderStamp, OpaqueBoxTakesTheBackgroundColourExactly) {
  const int W = 160, H = 60;
  Pixels p(size_t(W) * H * 3, 77);
  StampStyle s;
  s.fontName = "Arial";
  s.fontSize = 16;
  s.placement = kTopLeft;
  s.offsetX = 12;
  s.offsetY = 6;
  s.backType = kBackOpaque;
  s.bkColor = 0x302010;  // R 0x10, G 0x20, B 0x30
  s.textColor = 0xFFFFFF;
  ASSERT_TRUE(RenderStamp(p.data(), W, H, "Ab", s));
  int w3 = 0, h3 = 0;
  ASSERT_TRUE(MeasureText("Ab", Font(48), w3, h3));
  const StampLayout l = PlaceStamp(W, H, w3 / 3, h3 / 3, s);
  EXPECT_EQ(l.top, 4);   // 6 - 16/8
  EXPECT_EQ(l.left, 4);  // 12 - 16/2
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const uint8_t* q = &p[(size_t(y) * W + size_t(x)) * 3];
      const bool inBox = x >= l.left && x < l.right && y >= l.top && y < l.bottom;
      if (!inBox) {
        ASSERT_TRUE(q[0] == 77 && q[1] == 77 && q[2] == 77) << x << "," << y;
      } else if (x < l.x || y < l.y) {  // margin of the box: no text there
        ASSERT_TRUE(q[0] == 0x10 && q[1] == 0x20 && q[2] == 0x30) << x << "," << y;
      }
    }
  // The text itself lies in the box: some white-ish ink.
  const Ink ink = FindInk(p, W, H, 0x10, 0x20, 0x30);
  EXPECT_GT(ink.count, 100);
}

TEST(RenderStamp, QuarterBoxBlendsAndSmallSizesDrawAsEight) {
  const int W = 120, H = 40;
  StampStyle s;
  s.fontName = "Arial";
  s.placement = kBottomRight;
  s.offsetX = 4;
  s.offsetY = 2;
  s.backType = kBack25;
  s.bkColor = 0x0000FF;
  Pixels a(size_t(W) * H * 3, 100), b = a;
  s.fontSize = 5;
  ASSERT_TRUE(RenderStamp(a.data(), W, H, "x", s));
  s.fontSize = 8;
  ASSERT_TRUE(RenderStamp(b.data(), W, H, "x", s));
  EXPECT_EQ(a, b);
  // The box's top left corner is margin, away from the glyph:
  // trunc(255 x 0.25 + 100 x 0.75) = 138 and trunc(100 x 0.75) = 75.
  int w3 = 0, h3 = 0;
  ASSERT_TRUE(MeasureText("x", Font(24), w3, h3));
  const StampLayout l = PlaceStamp(W, H, w3 / 3, h3 / 3, s);
  const uint8_t* q = &a[(size_t(l.top) * W + size_t(l.left)) * 3];
  EXPECT_EQ(q[0], 138);
  EXPECT_EQ(q[1], 75);
  EXPECT_EQ(q[2], 75);
  EXPECT_EQ(StampFontSize(-3), 8);
  EXPECT_EQ(StampFontSize(0), 8);
  EXPECT_EQ(StampFontSize(9), 9);
}

TEST(StampStage, DerivesTextAndStyleOnlyForRuns) {
  TextGroup t = Settings().Text;
  t.Enabled = 1;
  t.String = "F%FNUM% %DATE%";
  t.DateType = 2;
  t.FontName = "Arial";
  t.TextColor = 0x12345678;  // only the low three bytes are a colour
  StampStagePlan p = DeriveStampStage(t, Camera(), false);
  EXPECT_TRUE(p.run);
  EXPECT_EQ(p.text, "F2.8 05/14/2002");
  EXPECT_EQ(p.style.textColor, 0x345678u);
  EXPECT_EQ(p.style.placement, t.Placement);
  EXPECT_FALSE(DeriveStampStage(t, Camera(), true).run);
  t.Enabled = 2;
  EXPECT_FALSE(DeriveStampStage(t, Camera(), false).run);
}

}  // namespace
}  // namespace orv
