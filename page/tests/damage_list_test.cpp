#include <gtest/gtest.h>

#include <vector>

#include "page/damage_list.h"

namespace {

bool operator==(const DamageRect& a, const DamageRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::vector<DamageRect> Noted(const std::vector<DamageRect>& added) {
  DamageList list;
  for (const DamageRect& rect : added) list.Add(rect);
  return std::vector<DamageRect>(list.begin(), list.end());
}

// `count` one-pixel rectangles, each too far from the others to merge.
std::vector<DamageRect> Spread(size_t count) {
  std::vector<DamageRect> rects;
  for (int32_t i = 0; i < static_cast<int32_t>(count); ++i) rects.push_back({30 * i, 0, 30 * i + 1, 1});
  return rects;
}

TEST(DamageListTest, KeepsWhatIsNotCoveredMergesNeighboursAndBecomesOneBoxWhenFull) {
  const DamageRect a = {10, 10, 20, 20};
  const DamageRect inA = {12, 12, 14, 14};
  const DamageRect b = {30, 0, 40, 5};
  const struct {
    const char* name;
    std::vector<DamageRect> added;
    std::vector<DamageRect> noted;
  } cases[] = {
      {"empty ones add nothing", {{5, 5, 5, 9}, {7, 7, 3, 9}}, {}},
      {"inside one already noted", {a, inA}, {a}},
      {"around ones already noted", {inA, b, a}, {b, a}},
      {"neighbours merge, also in turn", {{0, 0, 10, 10}, {35, 0, 45, 10}, {15, 0, 25, 10}}, {{0, 0, 45, 10}}},
      {"far ones stay apart", {{0, 0, 10, 10}, {31, 0, 41, 10}}, {{0, 0, 10, 10}, {31, 0, 41, 10}}},
      {"full: one bounding box", Spread(DamageList::kCapacity + 1), {{0, 0, 30 * DamageList::kCapacity + 1, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<DamageRect> noted = Noted(c.added);
    ASSERT_EQ(noted.size(), c.noted.size());
    for (size_t i = 0; i < noted.size(); ++i) EXPECT_TRUE(noted[i] == c.noted[i]) << i;
  }

  // The whole page covers every rectangle, whatever the client's size.
  DamageList list;
  list.Add(a);
  list.AddAll();
  list.Add({-100000, 5, 100000, 6});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(Intersect(*list.begin(), {0, 0, 800, 570}) == (DamageRect{0, 0, 800, 570}));
  EXPECT_TRUE(Intersect({790, 560, 900, 600}, {0, 0, 800, 570}) == (DamageRect{790, 560, 800, 570}));
  EXPECT_TRUE(Intersect({900, 0, 950, 10}, {0, 0, 800, 570}).Empty());
}

}  // namespace
