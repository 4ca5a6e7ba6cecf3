#include "page/page_keyboard.h"

#include "util/scoped_gdi.h"

namespace {

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

LRESULT CPageKeyboard::OnGetDlgCode(const MSG* message) {
  // With nothing to visit the host's dialog keeps every key; Ctrl+Tab it always keeps, and
  // Tab past the last element (Shift+Tab before the first) goes on to the dialog's next
  // control, as in a composite control. Only with nowhere else to go does the page wrap.
  const PageModel& model = page_.Model();
  if (model.FocusCount() == 0) return 0;
  LRESULT code = DLGC_WANTTAB | DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (message != nullptr && message->message == WM_KEYDOWN) {
    if (message->wParam == VK_TAB) {
      const bool backwards = KeyDown(VK_SHIFT);
      const UINT edge = model.Focusable(backwards ? 0 : model.FocusCount() - 1).command;
      if (KeyDown(VK_CONTROL) || (focused_ == edge && HasOtherTabStop(Hwnd(), backwards))) {
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
  const UINT next = page_.Model().NextFocus(focused_, step);
  if (next == 0) return false;
  const CWindowImplBase::Watch watch(page_.Window());
  ShowCues();  // the host hears of the cues
  if (watch.Gone()) return true;
  SetFocused(next);
  return true;
}

bool CPageKeyboard::Activate() {
  if (page_.Model().Pressable(focused_) == nullptr) return false;
  // Exactly the notification the control's click sends.
  SendMessageW(Hwnd(), WM_COMMAND, MAKEWPARAM(focused_, 0), 0);
  return true;
}

void CPageKeyboard::SetFocused(UINT commandId) {
  if (commandId == focused_) return;
  InvalidateFocus();
  focused_ = commandId;
  InvalidateFocus();
  if (hasFocus_) NotifyWinEvent(EVENT_OBJECT_FOCUS, Hwnd(), OBJID_CLIENT, page_.Model().ChildIdOf(focused_));
}

bool CPageKeyboard::TakeFocus(UINT commandId) {
  if (page_.Model().Pressable(commandId) == nullptr) return false;
  const CWindowImplBase::Watch watch(page_.Window());
  if (GetFocus() != Hwnd()) SetFocus(Hwnd());
  if (watch.Gone()) return false;
  SetFocused(commandId);
  return true;
}

void CPageKeyboard::ShowCues() {
  if (cuesShown_) return;
  cuesShown_ = true;
  // The element that keeps the focus gets its rectangle now, not at the next move.
  if (hasFocus_) InvalidateFocusAlways();
  // As the dialog manager does at a Tab: the host's windows show their cues too.
  SendMessageW(Hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void CPageKeyboard::InvalidateFocus() {
  if (!cuesShown_ || !hasFocus_) return;
  InvalidateFocusAlways();
}

void CPageKeyboard::InvalidateFocusAlways() {
  const PageModel& model = page_.Model();
  const ViewElement* element = model.Pressable(focused_);
  if (element == nullptr) return;
  const RECT rect = ToRect(FocusRectOf(*element, model.Scale()));
  page_.InvalidateArea(&rect);
}

void CPageKeyboard::OnFocusChanged(bool gained) {
  if (gained == hasFocus_) return;
  hasFocus_ = gained;
  // Entered by Tab, the page starts at its first element; by Shift+Tab, at its last. A
  // click or SetFocus keeps the element it had.
  if (gained && TabPressed()) {
    const UINT first = page_.Model().NextFocus(0, KeyDown(VK_SHIFT) ? -1 : 1);
    if (first != 0) {
      focused_ = first;
      const CWindowImplBase::Watch watch(page_.Window());
      ShowCues();
      if (watch.Gone()) return;
    }
  }
  if (cuesShown_) InvalidateFocusAlways();
  if (gained && page_.Model().Pressable(focused_) != nullptr) {
    NotifyWinEvent(EVENT_OBJECT_FOCUS, Hwnd(), OBJID_CLIENT, page_.Model().ChildIdOf(focused_));
  }
}

void CPageKeyboard::OnUpdateUiState(WPARAM wParam) {
  if ((HIWORD(wParam) & UISF_HIDEFOCUS) == 0) return;
  const WORD action = LOWORD(wParam);
  if (action != UIS_SET && action != UIS_CLEAR) return;
  const bool shown = action == UIS_CLEAR;
  if (shown == cuesShown_) return;
  cuesShown_ = shown;
  if (hasFocus_) InvalidateFocusAlways();
}

LRESULT CPageKeyboard::QueryUiState() const {
  const LRESULT system = DefWindowProcW(Hwnd(), WM_QUERYUISTATE, 0, 0);
  return (system & ~static_cast<LRESULT>(UISF_HIDEFOCUS)) | (cuesShown_ ? 0 : UISF_HIDEFOCUS);
}

void CPageKeyboard::OnLButtonDown(LPARAM point) {
  const CWindowImplBase::Watch watch(page_.Window());
  if (GetFocus() != Hwnd()) SetFocus(Hwnd());
  if (watch.Gone()) return;
  const ViewElement* element =
      page_.Model().PressableAt(static_cast<short>(LOWORD(point)), static_cast<short>(HIWORD(point)));
  if (element != nullptr) SetFocused(element->command);
}

bool CPageKeyboard::OnViewChanged() {
  const PageModel& model = page_.Model();
  const bool focusable = model.FocusCount() != 0;
  const bool stillShown = model.Pressable(focused_) != nullptr;
  // The dialog manager's Tab stops at the page only while it has something to focus.
  if (HWND hwnd = Hwnd()) {
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    if (((style & WS_TABSTOP) != 0) != focusable) SetWindowLongW(hwnd, GWL_STYLE, style ^ WS_TABSTOP);
  }
  if (focused_ == 0 || stillShown) return false;
  // The whole page is repainted for the new view, the old rectangle with it.
  focused_ = 0;
  return true;
}

void CPageKeyboard::AnnounceFocus() {
  if (hasFocus_) NotifyWinEvent(EVENT_OBJECT_FOCUS, Hwnd(), OBJID_CLIENT, page_.Model().ChildIdOf(focused_));
}

void CPageKeyboard::DrawFocus(HDC dc) {
  if (!cuesShown_ || !hasFocus_ || focused_ == 0) return;
  const PageModel& model = page_.Model();
  const ViewElement* element = model.Pressable(focused_);
  if (element == nullptr) return;
  // The dotted pattern takes the context's colours: black on white inverts cleanly.
  ScopedSaveDC saved(dc);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
  const RECT rect = ToRect(FocusRectOf(*element, model.Scale()));
  DrawFocusRect(dc, &rect);
}
