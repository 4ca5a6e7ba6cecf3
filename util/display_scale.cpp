#include "util/display_scale.h"

#include <cstdint>

namespace {

// floor((v * numerator) / denominator + 1/2) in integers, for any sign of v.
int ScaleRounded(int v, int numerator, int denominator) {
  const int64_t twice = 2 * int64_t{v} * numerator + denominator;
  const int64_t divisor = 2 * int64_t{denominator};
  int64_t quotient = twice / divisor;
  if (twice % divisor != 0 && twice < 0) --quotient;  // division truncates; the rule floors
  return static_cast<int>(quotient);
}

}  // namespace

DisplayScale DisplayScale::ForDpi(int dpi) {
  if (dpi < display_scale::kMinimumDpi) dpi = display_scale::kMinimumDpi;
  if (dpi > display_scale::kMaximumDpi) dpi = display_scale::kMaximumDpi;
  return DisplayScale(dpi);
}

int DisplayScale::Px(int v) const { return ScaleRounded(v, dpi_, display_scale::kLogicalDpi); }

int DisplayScale::ArtSet() const {
  int chosen = display_scale::kArtSets[0];
  for (int set : display_scale::kArtSets) {
    if (set * display_scale::kLogicalDpi <= dpi_ * 100) chosen = set;
  }
  return chosen;
}

int DisplayScale::FromArtSet(int length, int set) const {
  const int setDpi100 = set * display_scale::kLogicalDpi;  // the set's DPI, times 100
  if (setDpi100 == dpi_ * 100) return length;
  return ScaleRounded(length, dpi_ * 100, setDpi100);
}
