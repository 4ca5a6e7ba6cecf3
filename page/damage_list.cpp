#include "page/damage_list.h"

#include <algorithm>
#include <limits>

namespace {

int64_t Area(const DamageRect& rect) {
  return rect.Empty() ? 0 : int64_t{rect.right - rect.left} * (rect.bottom - rect.top);
}

// Each rectangle costs a pass over the page's elements: neighbours whose box is not much
// larger than the two, such as the counts along a row of tiles, are cheaper as one.
bool WorthMerging(const DamageRect& a, const DamageRect& b) { return Area(Bounds(a, b)) <= 2 * (Area(a) + Area(b)); }

}  // namespace

void DamageList::Add(const DamageRect& rect) {
  if (rect.Empty()) return;
  DamageRect adding = rect;
  // A merged box may cover or neighbour others in turn.
  for (bool grew = true; grew;) {
    grew = false;
    size_t kept = 0;
    for (size_t i = 0; i < count_; ++i) {
      const DamageRect noted = rects_[i];
      if (noted.Contains(adding)) {
        // What `adding` took in lies inside it too.
        for (size_t j = i; j < count_; ++j) rects_[kept++] = rects_[j];
        count_ = kept;
        return;
      }
      if (adding.Contains(noted)) continue;
      if (WorthMerging(noted, adding)) {
        adding = Bounds(noted, adding);
        grew = true;
        continue;
      }
      rects_[kept++] = noted;
    }
    count_ = kept;
  }
  if (count_ < kCapacity) {
    rects_[count_++] = adding;
    return;
  }
  // Full: one box over all of them repaints more, but misses nothing.
  DamageRect box = adding;
  for (const DamageRect& r : *this) box = Bounds(box, r);
  rects_[0] = box;
  count_ = 1;
}

void DamageList::AddAll() {
  constexpr int32_t low = std::numeric_limits<int32_t>::min();
  constexpr int32_t high = std::numeric_limits<int32_t>::max();
  rects_[0] = DamageRect{low, low, high, high};
  count_ = 1;
}

DamageRect Intersect(const DamageRect& rect, const DamageRect& bounds) {
  DamageRect part = {std::max(rect.left, bounds.left), std::max(rect.top, bounds.top),
                     std::min(rect.right, bounds.right), std::min(rect.bottom, bounds.bottom)};
  return part.Empty() ? DamageRect{} : part;
}

DamageRect Bounds(const DamageRect& a, const DamageRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
