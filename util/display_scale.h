// The page is laid out in logical pixels, pixels at 96 DPI; on a screen of another DPI every
// length is multiplied by DPI / 96. Platform-free.
#pragma once

namespace display_scale {

inline constexpr int kLogicalDpi = 96;
// A DPI outside these bounds (a window that reports none, a hostile value) is taken as the
// nearest bound, so no size ever overflows.
inline constexpr int kMinimumDpi = 96;
inline constexpr int kMaximumDpi = 960;

// The picture sets built into the module, in percent. Set p holds every picture at its
// 100 percent size scaled to p by the rule below (a strip of frames: each frame scaled).
inline constexpr int kArtSets[] = {100, 125, 150, 175, 200};

}  // namespace display_scale

class DisplayScale {
 public:
  constexpr DisplayScale() = default;
  // Clamped to the bounds above.
  static DisplayScale ForDpi(int dpi);

  int Dpi() const { return dpi_; }
  bool IsLogical() const { return dpi_ == display_scale::kLogicalDpi; }

  // The one rounding rule: a logical coordinate v becomes floor(v * DPI / 96 + 1/2), half
  // rounding up also below zero. Edges are scaled, never sizes: a box's size is the distance
  // between its scaled edges, so boxes that touch at 100 percent touch at every scale and
  // nothing drifts against the pictures, which are scaled by the same rule.
  int Px(int v) const;

  template <class Point>
  Point PxPoint(const Point& p) const {
    Point scaled = p;
    scaled.x = Px(static_cast<int>(p.x));
    scaled.y = Px(static_cast<int>(p.y));
    return scaled;
  }

  template <class Rect>
  Rect PxRect(const Rect& r) const {
    Rect scaled = r;
    scaled.left = Px(static_cast<int>(r.left));
    scaled.top = Px(static_cast<int>(r.top));
    scaled.right = Px(static_cast<int>(r.right));
    scaled.bottom = Px(static_cast<int>(r.bottom));
    return scaled;
  }

  // The picture set drawn at this scale: the largest set not above it (100 below 100 percent).
  int ArtSet() const;
  // A length of a picture in set `set` at this scale: the set's own length when the set is this
  // scale's, otherwise scaled by the same rule from the set's DPI.
  int FromArtSet(int length, int set) const;

  bool operator==(const DisplayScale& other) const { return dpi_ == other.dpi_; }
  bool operator!=(const DisplayScale& other) const { return dpi_ != other.dpi_; }

 private:
  explicit constexpr DisplayScale(int dpi) : dpi_(dpi) {}
  int dpi_ = display_scale::kLogicalDpi;
};
