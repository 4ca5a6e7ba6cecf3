#include "page/damage_list.h"

#include <algorithm>
#include <limits>

void DamageList::Add(const DamageRect& rect) {
  if (rect.Empty()) return;
  size_t kept = 0;
  for (size_t i = 0; i < count_; ++i) {
    if (rects_[i].Contains(rect)) return;
    if (!rect.Contains(rects_[i])) rects_[kept++] = rects_[i];
  }
  count_ = kept;
  if (count_ < kCapacity) {
    rects_[count_++] = rect;
    return;
  }
  // Full: one box over all of them repaints more, but misses nothing.
  DamageRect box = rect;
  for (const DamageRect& r : *this) {
    box.left = std::min(box.left, r.left);
    box.top = std::min(box.top, r.top);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
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
