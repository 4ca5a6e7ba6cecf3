#include "page/page_keyboard.h"

#include "page/mobile_info_wnd.h"
#include "util/scoped_gdi.h"

namespace {

constexpr int kButtonFocusInset = 3;  // where a standard push button draws its focus

bool KeyDown(int key) { return GetKeyState(key) < 0; }

// Tab or Shift+Tab is moving the focus, not Ctrl+Tab or a switch to another application.
bool TabPressed() { return KeyDown(VK_TAB) && !KeyDown(VK_CONTROL) && !KeyDown(VK_MENU); }

// The window whose dialog manager moves the focus between the page and its neighbours: the
// page's parent, or above it while that is a control parent inside another window.
HWND DialogOf(HWND page) {
  HWND dialog = GetParent(page);
  while (dialog != nullptr && (GetWindowLongW(dialog, GWL_STYLE) & WS_CHILD) != 0 &&
         (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0) {
    HWND above = GetParent(dialog);
    if (above == nullptr) break;
    dialog = above;
  }
  return dialog;
}

// Whether the dialog manager has another control to give the focus to in that direction.
bool HasOtherTabStop(HWND page, bool backwards) {
  HWND dialog = DialogOf(page);
  if (dialog == nullptr) return false;
  HWND next = GetNextDlgTabItem(dialog, page, backwards ? TRUE : FALSE);
  return next != nullptr && next != page;
}

}  // namespace

RECT FocusRectOf(const FocusElement& element, const DisplayScale& scale) {
  RECT rect = element.rect;
  const int inset = scale.Px(kButtonFocusInset);
  if (element.role == ROLE_SYSTEM_PUSHBUTTON) InflateRect(&rect, -inset, -inset);
  return rect;
}

LRESULT CPageKeyboard::OnGetDlgCode(const MSG* message) {
  // With nothing to visit the host's dialog keeps every key; Ctrl+Tab it always keeps, and
  // Tab past the last element (Shift+Tab before the first) goes on to the dialog's next
  // control, as in a composite control. Only with nowhere else to go does the page wrap.
  const FocusList order = FocusOrder(page_);
  if (order.empty()) return 0;
  LRESULT code = DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (message != nullptr && message->message == WM_KEYDOWN) {
    if (message->wParam == VK_TAB) {
      const bool backwards = KeyDown(VK_SHIFT);
      const UINT edge = (backwards ? order.front() : order.back()).commandId;
      if (KeyDown(VK_CONTROL) || (focused_ == edge && HasOtherTabStop(page_.Hwnd(), backwards))) {
        code &= ~DLGC_WANTTAB;
      }
    }
    // Enter presses the focused element here, not the dialog's default button.
    if (message->wParam == VK_RETURN && focused_ != 0) code |= DLGC_WANTMESSAGE;
  }
  return code;
}

bool CPageKeyboard::OnKeyDown(WPARAM key, LPARAM flags) {
  const bool repeated = (flags & (1 << 30)) != 0;
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
}

bool CPageKeyboard::MoveFocus(int step) {
  const FocusList order = FocusOrder(page_);
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
  SetFocused(order[next].commandId, FocusOrder(page_));
  return true;
}

bool CPageKeyboard::Activate() {
  if (focused_ == 0 || FocusOrder(page_).Find(focused_) == nullptr) return false;
  // Exactly the notification the control's click sends.
  SendMessageW(page_.Hwnd(), WM_COMMAND, MAKEWPARAM(focused_, 0), 0);
  return true;
}

void CPageKeyboard::SetFocused(UINT commandId, const FocusList& elements) {
  if (commandId == focused_) return;
  InvalidateFocus(elements);
  focused_ = commandId;
  InvalidateFocus(elements);
  if (hasFocus_) NotifyWinEvent(EVENT_OBJECT_FOCUS, page_.Hwnd(), OBJID_CLIENT, elements.ChildIdOf(focused_));
}

bool CPageKeyboard::TakeFocus(UINT commandId) {
  const FocusList elements = FocusOrder(page_);
  if (elements.Find(commandId) == nullptr) return false;
  if (GetFocus() != page_.Hwnd()) SetFocus(page_.Hwnd());
  // The window that lost the focus, or a hook told of it, may have destroyed the page.
  if (page_.Hwnd() == nullptr) return false;
  SetFocused(commandId, elements);
  return true;
}

void CPageKeyboard::ShowCues() {
  if (cuesShown_) return;
  cuesShown_ = true;
  // The element that keeps the focus gets its rectangle now, not at the next move.
  if (hasFocus_) InvalidateFocusAlways(FocusOrder(page_));
  // As the dialog manager does at a Tab: the host's windows show their cues too.
  SendMessageW(page_.Hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void CPageKeyboard::InvalidateFocus(const FocusList& elements) const {
  if (!cuesShown_ || !hasFocus_) return;
  InvalidateFocusAlways(elements);
}

void CPageKeyboard::InvalidateFocusAlways(const FocusList& elements) const {
  const FocusElement* element = elements.Find(focused_);
  if (element == nullptr) return;
  const RECT rect = FocusRectOf(*element, page_.Scale());
  page_.InvalidateArea(&rect);
}

void CPageKeyboard::OnFocusChanged(bool gained) {
  if (gained == hasFocus_) return;
  const FocusList elements = FocusOrder(page_);
  hasFocus_ = gained;
  // Entered by Tab, the page starts at its first element; by Shift+Tab, at its last. A
  // click or SetFocus keeps the element it had.
  if (gained && TabPressed() && !elements.empty()) {
    focused_ = (KeyDown(VK_SHIFT) ? elements.back() : elements.front()).commandId;
    ShowCues();
    if (page_.Hwnd() == nullptr) return;
  }
  if (cuesShown_) InvalidateFocusAlways(elements);
  if (gained && elements.Find(focused_) != nullptr) {
    NotifyWinEvent(EVENT_OBJECT_FOCUS, page_.Hwnd(), OBJID_CLIENT, elements.ChildIdOf(focused_));
  }
}

void CPageKeyboard::OnUpdateUiState(WPARAM wParam) {
  if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0) return;
  const WORD action = LOWORD(wParam);
  if (action != UIS_SET && action != UIS_CLEAR) return;
  const bool shown = action == UIS_CLEAR;
  if (shown == cuesShown_) return;
  cuesShown_ = shown;
  if (hasFocus_) InvalidateFocusAlways(FocusOrder(page_));
}

LRESULT CPageKeyboard::QueryUiState() const {
  const LRESULT system = DefWindowProcW(page_.Hwnd(), WM_QUERYUISTATE, 0, 0);
  return (system & ~static_cast<LRESULT>(UISF_HIDEFOCUS)) | (cuesShown_ ? 0 : UISF_HIDEFOCUS);
}

void CPageKeyboard::OnLButtonDown(LPARAM point) {
  HWND hwnd = page_.Hwnd();
  if (GetFocus() != hwnd) SetFocus(hwnd);
  if (page_.Hwnd() != hwnd) return;
  const POINT at = {static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point))};
  const FocusList elements = FocusOrder(page_);
  for (const FocusElement& element : elements) {
    if (PtInRect(&element.rect, at)) {
      SetFocused(element.commandId, elements);
      break;
    }
  }
}

bool CPageKeyboard::OnViewChanged() {
  const FocusList order = FocusOrder(page_);
  const bool focusable = !order.empty();
  const bool stillShown = order.Find(focused_) != nullptr;
  // The dialog manager's Tab stops at the page only while it has something to focus.
  if (HWND hwnd = page_.Hwnd()) {
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    if (((style & WS_TABSTOP) != 0) != focusable) SetWindowLongW(hwnd, GWL_STYLE, style ^ WS_TABSTOP);
  }
  if (focused_ == 0 || stillShown) return false;
  // The whole page is repainted for the new view, the old rectangle with it.
  focused_ = 0;
  return true;
}

void CPageKeyboard::AnnounceFocus() {
  if (hasFocus_) NotifyWinEvent(EVENT_OBJECT_FOCUS, page_.Hwnd(), OBJID_CLIENT, FocusOrder(page_).ChildIdOf(focused_));
}

void CPageKeyboard::DrawFocus(HDC dc) {
  if (!cuesShown_ || !hasFocus_ || focused_ == 0) return;
  const FocusList elements = FocusOrder(page_);
  const FocusElement* element = elements.Find(focused_);
  if (element == nullptr) return;
  // The dotted pattern takes the context's colours: black on white inverts cleanly.
  ScopedSaveDC saved(dc);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
  const RECT rect = FocusRectOf(*element, page_.Scale());
  DrawFocusRect(dc, &rect);
}
