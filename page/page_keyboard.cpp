#include "page/page_keyboard.h"

#include "page/mobile_info_wnd.h"
#include "util/scoped_gdi.h"

namespace {

constexpr int kButtonFocusInset = 3;  // where a standard push button draws its focus

bool KeyDown(int key) { return GetKeyState(key) < 0; }

const PageElement* Find(const std::vector<PageElement>& elements, UINT commandId) {
  if (commandId == 0) return nullptr;
  for (const PageElement& element : elements) {
    if (element.commandId == commandId) return &element;
  }
  return nullptr;
}

}  // namespace

std::vector<PageElement> FocusOrder(CMobileInfoWnd& page) {
  std::vector<PageElement> order;
  for (PageElement& element : PageElements(page)) {
    if (element.commandId != 0) order.push_back(std::move(element));
  }
  return order;
}

RECT FocusRectOf(const PageElement& element) {
  RECT rect = element.rect;
  if (element.role == ROLE_SYSTEM_PUSHBUTTON) InflateRect(&rect, -kButtonFocusInset, -kButtonFocusInset);
  return rect;
}

LRESULT CPageKeyboard::OnGetDlgCode(const MSG* message) {
  // With nothing to visit the host's dialog keeps every key; Ctrl+Tab it always keeps, so
  // the page never traps the focus inside a host dialog.
  try {
    if (FocusOrder(page_).empty()) return 0;
  } catch (...) {
    return 0;
  }
  LRESULT code = DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (message != nullptr && message->message == WM_KEYDOWN) {
    if (message->wParam == VK_TAB && KeyDown(VK_CONTROL)) code &= ~DLGC_WANTTAB;
    // Enter presses the focused element here, not the dialog's default button.
    if (message->wParam == VK_RETURN && focused_ != 0) code |= DLGC_WANTMESSAGE;
  }
  return code;
}

bool CPageKeyboard::OnKeyDown(WPARAM key, LPARAM flags) {
  const bool repeated = (flags & (1 << 30)) != 0;
  try {
    switch (key) {
      case VK_TAB:
        if (KeyDown(VK_CONTROL) || KeyDown(VK_MENU)) return false;
        return MoveFocus(KeyDown(VK_SHIFT) ? -1 : 1);
      case VK_RIGHT:
      case VK_DOWN:
        return MoveFocus(1);
      case VK_LEFT:
      case VK_UP:
        return MoveFocus(-1);
      case VK_RETURN:
      case VK_SPACE:
        // A held key presses once, as a held mouse button clicks once.
        if (repeated) return focused_ != 0;
        return Activate();
      default:
        return false;
    }
  } catch (...) {
    return true;
  }
}

bool CPageKeyboard::MoveFocus(int step) {
  const std::vector<PageElement> order = FocusOrder(page_);
  if (order.empty()) return false;
  const int count = static_cast<int>(order.size());
  int at = -1;
  for (int i = 0; i < count; ++i) {
    if (order[i].commandId == focused_) at = i;
  }
  const int next = at < 0 ? (step > 0 ? 0 : count - 1) : (at + step + count) % count;
  ShowCues();
  // The host hears of the cues, and may have destroyed the page meanwhile.
  if (page_.Hwnd() == nullptr) return true;
  SetFocused(order[next].commandId, PageElements(page_));
  return true;
}

bool CPageKeyboard::Activate() {
  if (focused_ == 0 || Find(FocusOrder(page_), focused_) == nullptr) return false;
  // Exactly the notification the control's click sends.
  SendMessageW(page_.Hwnd(), WM_COMMAND, MAKEWPARAM(focused_, 0), 0);
  return true;
}

void CPageKeyboard::SetFocused(UINT commandId, const std::vector<PageElement>& elements) {
  if (commandId == focused_) return;
  InvalidateFocus(elements);
  focused_ = commandId;
  InvalidateFocus(elements);
  if (hasFocus_) NotifyWinEvent(EVENT_OBJECT_FOCUS, page_.Hwnd(), OBJID_CLIENT, ChildIdOf(elements, focused_));
}

bool CPageKeyboard::TakeFocus(UINT commandId) {
  try {
    const std::vector<PageElement> elements = PageElements(page_);
    if (Find(elements, commandId) == nullptr) return false;
    if (GetFocus() != page_.Hwnd()) SetFocus(page_.Hwnd());
    // The window that lost the focus, or a hook told of it, may have destroyed the page.
    if (page_.Hwnd() == nullptr) return false;
    SetFocused(commandId, elements);
    return true;
  } catch (...) {
    return false;
  }
}

void CPageKeyboard::ShowCues() {
  if (cuesShown_) return;
  cuesShown_ = true;
  // As the dialog manager does at a Tab: the host's windows show their cues too.
  SendMessageW(page_.Hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void CPageKeyboard::InvalidateFocus(const std::vector<PageElement>& elements) const {
  if (!cuesShown_ || !hasFocus_) return;
  InvalidateFocusAlways(elements);
}

void CPageKeyboard::InvalidateFocusAlways(const std::vector<PageElement>& elements) const {
  const PageElement* element = Find(elements, focused_);
  if (element == nullptr) return;
  RECT rect = FocusRectOf(*element);
  InvalidateRect(page_.Hwnd(), &rect, FALSE);
}

void CPageKeyboard::OnFocusChanged(bool gained) {
  if (gained == hasFocus_) return;
  try {
    const std::vector<PageElement> elements = PageElements(page_);
    hasFocus_ = gained;
    if (cuesShown_) InvalidateFocusAlways(elements);
    if (gained && Find(elements, focused_) != nullptr) {
      NotifyWinEvent(EVENT_OBJECT_FOCUS, page_.Hwnd(), OBJID_CLIENT, ChildIdOf(elements, focused_));
    }
  } catch (...) {
    hasFocus_ = gained;
  }
}

void CPageKeyboard::OnUpdateUiState(WPARAM wParam) {
  if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0) return;
  const WORD action = LOWORD(wParam);
  if (action != UIS_SET && action != UIS_CLEAR) return;
  const bool shown = action == UIS_CLEAR;
  if (shown == cuesShown_) return;
  cuesShown_ = shown;
  try {
    if (hasFocus_) InvalidateFocusAlways(PageElements(page_));
  } catch (...) {
  }
}

LRESULT CPageKeyboard::QueryUiState() const {
  const LRESULT system = DefWindowProcW(page_.Hwnd(), WM_QUERYUISTATE, 0, 0);
  return (system & ~static_cast<LRESULT>(UISF_HIDEFOCUS)) | (cuesShown_ ? 0 : UISF_HIDEFOCUS);
}

void CPageKeyboard::OnLButtonDown(LPARAM point) {
  HWND hwnd = page_.Hwnd();
  if (GetFocus() != hwnd) SetFocus(hwnd);
  if (page_.Hwnd() != hwnd) return;
  try {
    const POINT at = {static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
    const std::vector<PageElement> elements = PageElements(page_);
    for (const PageElement& element : elements) {
      if (element.commandId != 0 && PtInRect(&element.rect, at)) {
        SetFocused(element.commandId, elements);
        break;
      }
    }
  } catch (...) {
  }
}

void CPageKeyboard::OnViewChanged() {
  if (focused_ == 0) return;
  try {
    if (Find(FocusOrder(page_), focused_) != nullptr) return;
  } catch (...) {
  }
  // The whole page is repainted for the new view, the old rectangle with it.
  focused_ = 0;
  if (hasFocus_) NotifyWinEvent(EVENT_OBJECT_FOCUS, page_.Hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

void CPageKeyboard::DrawFocus(HDC dc) {
  if (!cuesShown_ || !hasFocus_ || focused_ == 0) return;
  try {
    const std::vector<PageElement> elements = PageElements(page_);
    const PageElement* element = Find(elements, focused_);
    if (element == nullptr) return;
    // The dotted pattern takes the context's colours: black on white inverts cleanly.
    ScopedSaveDC saved(dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
    const RECT rect = FocusRectOf(*element);
    DrawFocusRect(dc, &rect);
  } catch (...) {
  }
}
