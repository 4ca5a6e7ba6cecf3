#include "controls/control_tooltip.h"

#include <commctrl.h>

#include "controls/window_impl.h"

HWND CreateControlTooltip(HWND owner) {
  return CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         owner, nullptr, CWindowModule::Instance(), nullptr);
}

void RelayToTooltip(HWND tooltip, HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
  if (tooltip == nullptr || !IsWindow(tooltip)) return;
  MSG record = {};
  record.hwnd = owner;
  record.message = message;
  record.wParam = wParam;
  record.lParam = lParam;
  SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&record));
}

void DestroyControlTooltip(HWND& tooltip) {
  if (tooltip != nullptr && IsWindow(tooltip)) DestroyWindow(tooltip);
  tooltip = nullptr;
}
