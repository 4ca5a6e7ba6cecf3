// The page's picture kept between paints: the last composed frame in a 32-bit DIB section the
// size of the client area, the views' backdrops made once per size, and what of the frame no
// longer matches the page. A paint recomposes only that, and copies the frame to the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "page/damage_list.h"
#include "util/scoped_gdi.h"

// A bottom-up 32-bit BI_RGB DIB section selected into its own memory context.
class CKeptSurface {
 public:
  CKeptSurface() = default;
  CKeptSurface(const CKeptSurface&) = delete;
  CKeptSurface& operator=(const CKeptSurface&) = delete;

  // Keeps the surface when it has this size already, else makes a new one, whose pixels are
  // undefined (`made`). False when none could be made; then there is none.
  bool Fit(int width, int height, bool& made);
  void Release() { section_.reset(); }

  HDC Dc() const { return section_ ? section_->dc.Get() : nullptr; }
  int Width() const { return section_ ? section_->width : 0; }
  int Height() const { return section_ ? section_->height : 0; }

 private:
  struct Section {
    Section(int width, int height);
    int width;
    int height;
    // Teardown in reverse: the bitmap is selected out, then deleted, then the context.
    ScopedMemoryDC dc;
    ScopedBitmap bitmap;
    ScopedSelect selection;
  };
  std::optional<Section> section_;
};

// The two backdrops: the status views share theirs, and so do the information views.
enum class BackdropKind { Status = 0, Information = 1 };

class CPageFrame {
 public:
  CPageFrame();
  CPageFrame(const CPageFrame&) = delete;
  CPageFrame& operator=(const CPageFrame&) = delete;

  void Damage(const RECT& rect) { damage_.Add({rect.left, rect.top, rect.right, rect.bottom}); }
  void DamageAll() { damage_.AddAll(); }

  // The frame for a client of `width` x `height`; a new one is damaged whole. False when
  // there is none: a 0-sized client, or no memory for it.
  bool Fit(int width, int height);
  // Lets go of every surface not of this size, so that memory follows the client down as
  // well as up; what is needed again is made at the next paint.
  void ReleaseOtherSizes(int width, int height);
  // Whether every surface kept now is of this size.
  bool KeepsOnly(int width, int height) const;
  HDC Dc() const { return frame_.Dc(); }

  // Calls compose(rect) for each damaged rectangle inside the client, with the frame clipped
  // to it; afterwards the frame is the page. What is damaged meanwhile waits for the next.
  template <typename Compose>
  void Recompose(Compose compose);

  // Copies `area` of the frame to the same place in `target`.
  void CopyTo(HDC target, const RECT& area) const;

  // The backdrop of `kind` at the frame's size, drawn by draw(dc) when it is new or when the
  // pictures it shows have moved on from `stamp`. Null when it cannot be made. For a
  // whole-frame composition (`whole`) it is not made either, and the caller draws in place:
  // a page that starts and never changes pays for no second surface. One kind is kept at a
  // time, so the page holds at most two surfaces of its size.
  template <typename Draw>
  const CKeptSurface* Backdrop(BackdropKind kind, uint64_t stamp, bool whole, Draw draw);

  // Copies `rect` of a backdrop into the frame's context `dc`.
  static void CopyBackdrop(HDC dc, const CKeptSurface& backdrop, const RECT& rect);

  void Release();

 private:
  static constexpr int kBackdropKinds = 2;

  CKeptSurface frame_;
  CKeptSurface backdrops_[kBackdropKinds];
  uint64_t backdropStamps_[kBackdropKinds] = {};
  DamageList damage_;
  // Made once, so that clipping to each rectangle makes no GDI object.
  ScopedGdiObject<HRGN> clip_;
};

template <typename Compose>
void CPageFrame::Recompose(Compose compose) {
  const HDC dc = frame_.Dc();
  if (dc == nullptr) return;
  if (damage_.Empty()) return;
  const DamageList damaged = damage_;
  damage_.Clear();
  const DamageRect client = {0, 0, frame_.Width(), frame_.Height()};
  if (!clip_) {
    // Without a region to clip with, the whole frame is drawn once.
    if (!damaged.Empty()) compose(RECT{client.left, client.top, client.right, client.bottom});
    return;
  }
  for (const DamageRect& rect : damaged) {
    const DamageRect part = Intersect(rect, client);
    if (part.Empty()) continue;
    SetRectRgn(clip_.Get(), part.left, part.top, part.right, part.bottom);
    SelectClipRgn(dc, clip_.Get());
    compose(RECT{part.left, part.top, part.right, part.bottom});
  }
  SelectClipRgn(dc, nullptr);
}

template <typename Draw>
const CKeptSurface* CPageFrame::Backdrop(BackdropKind kind, uint64_t stamp, bool whole, Draw draw) {
  const int index = static_cast<int>(kind);
  CKeptSurface& backdrop = backdrops_[index];
  const bool current = backdrop.Dc() != nullptr && backdrop.Width() == frame_.Width() &&
                       backdrop.Height() == frame_.Height() && backdropStamps_[index] == stamp;
  if (!current && whole) return nullptr;
  for (int other = 0; other < kBackdropKinds; ++other) {
    if (other != index) backdrops_[other].Release();
  }
  bool made = false;
  if (!backdrop.Fit(frame_.Width(), frame_.Height(), made)) return nullptr;
  if (made || backdropStamps_[index] != stamp) {
    draw(backdrop.Dc());
    backdropStamps_[index] = stamp;
  }
  return &backdrop;
}
