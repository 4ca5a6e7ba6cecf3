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

TEST(DamageListTest, KeepsWhatIsNotCoveredAndBecomesOneBoxWhenFull) {
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
      {"full: one bounding box",
       {{0, 0, 1, 1},
        {2, 0, 3, 1},
        {4, 0, 5, 1},
        {6, 0, 7, 1},
        {8, 0, 9, 1},
        {10, 0, 11, 1},
        {12, 0, 13, 1},
        {14, 0, 15, 1},
        {0, 20, 1, 21}},
       {{0, 0, 15, 21}}},
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
