// What of the page's kept picture no longer matches the page: a few rectangles, fixed in
// number so that noting a change never allocates. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

// Right and bottom exclusive, in client coordinates.
struct PageRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool Empty() const { return left >= right || top >= bottom; }
  bool Contains(const PageRect& other) const {
    return left <= other.left && top <= other.top && right >= other.right && bottom >= other.bottom;
  }
  bool Contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};
using DamageRect = PageRect;

class DamageList {
 public:
  // Enough for a record that changes every value of a view, each its own rectangle.
  static constexpr size_t kCapacity = 32;

  // An empty rectangle, or one inside another already noted, adds nothing; a rectangle
  // replaces those inside it. When the list is full, everything becomes one bounding box.
  void Add(const DamageRect& rect);
  // Everything, whatever the client's size.
  void AddAll();
  void Clear() { count_ = 0; }

  bool Empty() const { return count_ == 0; }
  size_t size() const { return count_; }
  const DamageRect* begin() const { return rects_; }
  const DamageRect* end() const { return rects_ + count_; }

 private:
  DamageRect rects_[kCapacity];
  size_t count_ = 0;
};

// The part of `rect` inside `bounds`; empty when they do not meet.
DamageRect Intersect(const DamageRect& rect, const DamageRect& bounds);
// The smallest rectangle holding both; an empty one adds nothing.
DamageRect Bounds(const DamageRect& a, const DamageRect& b);
