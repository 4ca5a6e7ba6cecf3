#include "testing/window_dpi.h"

namespace {

template <typename Function>
Function User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                           : nullptr;
}

}  // namespace

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

void BecomePerMonitorDpiAware() {
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  static const auto set = User32Function<SetContext>("SetProcessDpiAwarenessContext");
  if (set != nullptr) set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

int WindowDpi(HWND window) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto get = User32Function<GetDpi>("GetDpiForWindow");
  const int dpi = get != nullptr ? static_cast<int>(get(window)) : 0;
  return dpi > 0 ? dpi : ScreenDpi();
}

void AdjustFrameForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
  using Adjust = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjust = User32Function<Adjust>("AdjustWindowRectExForDpi");
  if (adjust == nullptr || !adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
}

LOGFONTW GuiFontForDpi(int dpi) {
  // The stock font is made for the system DPI.
  LOGFONTW font = {};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = MulDiv(font.lfHeight, dpi, ScreenDpi());
  return font;
}

LOGFONTW MessageFontForDpi(int dpi) {
  using Parameters = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  static const auto parameters = User32Function<Parameters>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (parameters != nullptr &&
      parameters(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi))) {
    return metrics.lfMessageFont;
  }
  // Without the call, the font is the system DPI's: scaled from there.
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return GuiFontForDpi(dpi);
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, ScreenDpi());
  return metrics.lfMessageFont;
}
