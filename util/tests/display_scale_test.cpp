#include "util/display_scale.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayScaleTest, LengthsRoundHalfUpAndPicturesComeFromTheLargestSetNotAbove) {
  struct Case {
    int dpi;
    int logical;
    int scaled;
    int artSet;
  };
  const Case cases[] = {
      {96, 799, 799, 100}, {96, -4, -4, 100},    {120, 19, 24, 125}, {144, 19, 29, 150}, {144, -1, -1, 150},
      {144, -3, -4, 150},  {144, 543, 815, 150}, {168, 6, 11, 175},  {192, -4, -8, 200}, {216, 122, 275, 200},
      {110, 12, 14, 100},  {143, 10, 15, 125},   {240, 19, 48, 200}, {48, 19, 19, 100},  {5000, 1, 10, 200},
  };
  for (const Case& c : cases) {
    const DisplayScale scale = DisplayScale::ForDpi(c.dpi);
    EXPECT_EQ(scale.Px(c.logical), c.scaled) << c.dpi << " dpi, " << c.logical;
    EXPECT_EQ(scale.ArtSet(), c.artSet) << c.dpi << " dpi";
  }
  // Every logical coordinate stays as it is at 96 DPI.
  const DisplayScale logical;
  for (int v = -2000; v <= 2000; ++v) ASSERT_EQ(logical.Px(v), v);
}

TEST(DisplayScaleTest, APicturesLengthFollowsFromItsSet) {
  EXPECT_EQ(DisplayScale::ForDpi(144).FromArtSet(29, 150), 29);    // the set's own scale
  EXPECT_EQ(DisplayScale::ForDpi(240).FromArtSet(732, 200), 915);  // 366 at 250 percent
  EXPECT_EQ(DisplayScale::ForDpi(216).FromArtSet(37, 200), 42);    // 41.625 rounds up
  EXPECT_EQ(DisplayScale::ForDpi(110).FromArtSet(52, 100), 60);    // 59.58
}

}  // namespace
