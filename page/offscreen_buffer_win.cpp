#include "page/offscreen_buffer.h"

namespace {

// A bottom-up 24-bit DIB section: the pictures blend straight into its memory (DrawAt), and
// its colours are exact whatever the screen's depth.
HBITMAP CreateSurface(HDC target, const RECT& area) {
  HBITMAP section = CreateBottomUpSection(target, area.right - area.left, area.bottom - area.top, 24);
  // Without one (say, an odd target), a compatible bitmap still paints, only slower.
  return section != nullptr ? section : CreateCompatibleBitmap(target, area.right - area.left, area.bottom - area.top);
}

}  // namespace

COffscreenBuffer::COffscreenBuffer(HDC target, const RECT& area)
    : target_(target),
      area_(area),
      memoryDc_(target),
      bitmap_(CreateSurface(target, area)),
      selection_(memoryDc_.Get(), bitmap_.Get()) {
  if (memoryDc_.Get() != nullptr) SetViewportOrgEx(memoryDc_.Get(), -area.left, -area.top, nullptr);
}

COffscreenBuffer::~COffscreenBuffer() {
  if (memoryDc_.Get() == nullptr || !bitmap_) return;
  BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top, memoryDc_.Get(),
         area_.left, area_.top, SRCCOPY);
}
