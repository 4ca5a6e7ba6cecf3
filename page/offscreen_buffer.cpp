#include "page/offscreen_buffer.h"

COffscreenBuffer::COffscreenBuffer(HDC target, const RECT& area)
    : target_(target),
      area_(area),
      memoryDc_(target),
      bitmap_(CreateCompatibleBitmap(target, area.right - area.left, area.bottom - area.top)),
      selection_(memoryDc_.Get(), bitmap_.Get()) {
  if (memoryDc_.Get() != nullptr) SetViewportOrgEx(memoryDc_.Get(), -area.left, -area.top, nullptr);
}

COffscreenBuffer::~COffscreenBuffer() {
  if (memoryDc_.Get() == nullptr || !bitmap_) return;
  BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
         memoryDc_.Get(), area_.left, area_.top, SRCCOPY);
}
