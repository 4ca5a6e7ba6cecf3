#include "tools/harness/mouse_input.h"

namespace {

// Absolute input is in 1/65536 of the primary screen; rounding up makes the system's
// conversion back land on the intended pixel.
LONG Normalize(LONG coordinate, int extent) {
  if (extent <= 0) return 0;
  return static_cast<LONG>((static_cast<long long>(coordinate) * 65536 + extent - 1) / extent);
}

}  // namespace

bool SendClickInput(POINT screen) {
  const LONG x = Normalize(screen.x, GetSystemMetrics(SM_CXSCREEN));
  const LONG y = Normalize(screen.y, GetSystemMetrics(SM_CYSCREEN));
  INPUT inputs[3] = {};
  const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = x;
    inputs[i].mi.dy = y;
    inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  }
  return SendInput(3, inputs, sizeof(INPUT)) == 3;
}

bool PostClickMessages(HWND window, POINT client) {
  const LPARAM where = MAKELPARAM(client.x, client.y);
  return PostMessageW(window, WM_MOUSEMOVE, 0, where) && PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where) &&
         PostMessageW(window, WM_LBUTTONUP, 0, where);
}
