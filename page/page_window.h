// What the keyboard and the accessible object need of the page's window: the window itself,
// the model it presents, and a way to say what no longer matches on screen. They hold the page
// through this, so neither includes the window's own header.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "controls/window_impl.h"
#include "page/page_model.h"

class CPageKeyboard;

class IPageWindow {
 public:
  virtual CWindowImplBase& Window() = 0;
  // The model of what the window shows now; made again whenever what it is made from changed.
  virtual const PageModel& Model() = 0;
  virtual void InvalidateArea(const RECT* rect) = 0;
  virtual CPageKeyboard& Keyboard() = 0;

 protected:
  ~IPageWindow() = default;
};

inline RECT ToRect(const PageRect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// The model's words are UTF-16 code units, which the system's wide-character calls read.
inline const wchar_t* AsWide(const std::u16string& text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t is UTF-16 on Windows");
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
