#include "tools/harness/phone_service.h"

#include <algorithm>
#include <cstdio>

#include "page/page_protocol.h"
#include "testing/window_dpi.h"
#include "util/display_scale.h"

namespace {

constexpr UINT_PTR kAnswerTimer = 1;
constexpr UINT kStateId = 100;
constexpr UINT kSendId = 101;
constexpr UINT kAnswerId = 102;
constexpr UINT kAnswerDelayId = 103;
constexpr UINT kNotesId = 104;
constexpr UINT kFirstFieldId = 200;
// The page replies before it does any work; a page that does not is stuck.
constexpr UINT kSendTimeoutMs = 5000;
constexpr int kMaxNotes = 500;

const wchar_t* const kStateLabels[] = {L"0 no phone",       L"1 connected",           L"2 connecting",
                                       L"3 connect failed", L"4 reconnect requested", L"5 guard missing"};

const wchar_t* AsWide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::wstring Widen(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

}  // namespace

CPhoneService::~CPhoneService() { Stop(); }

bool CPhoneService::Start(int x, int y, int width, int height) {
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ready == nullptr) return false;
  thread_ = std::thread([=] { Run(x, y, width, height, ready); });
  WaitForSingleObject(ready, INFINITE);
  CloseHandle(ready);
  if (hwndShared_.load() == nullptr) {
    thread_.join();
    return false;
  }
  return true;
}

void CPhoneService::Stop() {
  page_.store(nullptr);
  if (!thread_.joinable()) return;
  if (HWND window = hwndShared_.load()) PostMessageW(window, WM_CLOSE, 0, 0);
  thread_.join();
}

void CPhoneService::Run(int x, int y, int width, int height, HANDLE ready) {
  startTicks_ = GetTickCount();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kPhoneServiceClass;
  RegisterClassExW(&wc);
  HWND window = CreateWindowExW(0, kPhoneServiceClass, L"Phone service (harness)",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, x, y, width,
                                height, nullptr, nullptr, instance, this);
  if (window != nullptr) CreatePanel();
  hwndShared_.store(window);
  SetEvent(ready);
  if (window == nullptr) return;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
  hwndShared_.store(nullptr);
}

void CPhoneService::CreatePanel() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, UINT id) {
    return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  };
  labels_[0] = child(L"STATIC", L"State", SS_CENTERIMAGE, 0, 0);
  state_ = child(L"COMBOBOX", nullptr, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, kStateId);
  for (const wchar_t* text : kStateLabels) SendMessageW(state_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  SendMessageW(state_, CB_SETCURSEL, static_cast<WPARAM>(PageState::Connected), 0);
  for (size_t i = 0; i < kRecordFieldCount; ++i) {
    labels_[i + 1] = child(L"STATIC", Widen(kRecordFields[i].label).c_str(), SS_CENTERIMAGE, 0, 0);
    fields_[i] = child(L"EDIT", AsWide(form_.Get(i)), ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                       static_cast<UINT>(kFirstFieldId + i));
  }
  send_ = child(L"BUTTON", L"Send record", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, kSendId);
  answer_ = child(L"BUTTON", L"Answer install requests after", BS_AUTOCHECKBOX | WS_TABSTOP, 0, kAnswerId);
  SendMessageW(answer_, BM_SETCHECK, BST_CHECKED, 0);
  answerDelay_ = child(L"EDIT", L"1500", ES_NUMBER | WS_TABSTOP, WS_EX_CLIENTEDGE, kAnswerDelayId);
  answerNote_ = child(L"STATIC", L"ms: Connected", SS_CENTERIMAGE, 0, 0);
  notes_ = child(L"LISTBOX", nullptr, WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, WS_EX_CLIENTEDGE,
                 kNotesId);
  Layout(WindowDpi(hwnd_));
}

// Edges are pixels at 96 DPI, scaled; right and bottom edges that reach the window's follow
// its client area.
void CPhoneService::Layout(int dpi) {
  const DisplayScale scale = DisplayScale::ForDpi(dpi);
  LOGFONTW logical = MessageFontForDpi(dpi);
  HFONT font = CreateFontIndirectW(&logical);
  RECT client;
  GetClientRect(hwnd_, &client);
  const int right = client.right - scale.Px(6);
  auto place = [&](HWND control, int left, int top, int rightEdge, int bottomEdge) {
    MoveWindow(control, left, top, std::max(0, rightEdge - left), std::max(0, bottomEdge - top), TRUE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  };
  // A row at y, from x to x + width (to the right edge when width is 0), 20 high unless told.
  auto row = [&](HWND control, int x, int y, int width, int height = 20) {
    place(control, scale.Px(x), scale.Px(y), width != 0 ? scale.Px(x + width) : right, scale.Px(y + height));
  };
  const int labelWidth = 72;
  const int editLeft = 6 + labelWidth + 4;
  const int rowHeight = 24;
  int y = 6;
  row(labels_[0], 6, y, labelWidth);
  row(state_, editLeft, y, 0, 200);
  y += rowHeight;
  for (size_t i = 0; i < kRecordFieldCount; ++i) {
    row(labels_[i + 1], 6, y, labelWidth);
    row(fields_[i], editLeft, y, 0);
    y += rowHeight;
  }
  y += 4;
  row(send_, 6, y, 0, 26);
  y += 32;
  row(answer_, 6, y, 0);
  y += 22;
  row(answerDelay_, 22, y, 60);
  row(answerNote_, 88, y, 0);
  y += 28;
  place(notes_, scale.Px(6), scale.Px(y), right, client.bottom - scale.Px(6));
  SendMessageW(notes_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(scale.Px(600)), 0);
  // The old font goes once no child uses it.
  if (font_ != nullptr) DeleteObject(font_);
  font_ = font;
}

LRESULT CALLBACK CPhoneService::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<CPhoneService*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<CPhoneService*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->Handle(message, wParam, lParam);
}

LRESULT CPhoneService::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kInstallRequestMessage:
      OnInstallRequest(wParam, lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kAnswerTimer) {
        KillTimer(hwnd_, kAnswerTimer);
        Send(static_cast<int32_t>(PageState::Connected), true);
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kSendId && HIWORD(wParam) == BN_CLICKED) {
        const LRESULT selected = SendMessageW(state_, CB_GETCURSEL, 0, 0);
        Send(selected == CB_ERR ? 0 : static_cast<int32_t>(selected), false);
      }
      return 0;
    case kSendMessage:
      return Send(static_cast<int32_t>(wParam), false) ? 1 : 0;
    case kSetFieldMessage:
      return SetField(*reinterpret_cast<FieldEdit*>(lParam)) ? 1 : 0;
    case kAnswerMessage:
      SetAnswer(wParam != 0, static_cast<int>(lParam));
      return 1;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      Layout(LOWORD(wParam));
      return 0;
    }
    case WM_CLOSE:
      // A person closing the panel ends the harness; the harness itself closes it last.
      if (page_.load() != nullptr && host_ != nullptr) PostMessageW(host_, WM_CLOSE, 0, 0);
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kAnswerTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

std::u16string CPhoneService::TextOf(HWND control) const {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, text.data(), length + 1);
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), static_cast<size_t>(copied > 0 ? copied : 0));
}

bool CPhoneService::Send(int32_t state, bool answer) {
  // The panel is the record: what a person typed is what goes out.
  for (size_t i = 0; i < kRecordFieldCount; ++i) {
    std::string error;
    if (!form_.Set(kRecordFields[i].name, TextOf(fields_[i]), error)) {
      Note("not sent: " + error);
      return false;
    }
  }
  PhoneInfo record;
  std::string error;
  if (!form_.Build(state, record, error)) {
    Note("not sent: " + error);
    return false;
  }
  if (state >= 0 && state <= 5) SendMessageW(state_, CB_SETCURSEL, static_cast<WPARAM>(state), 0);

  Event event;
  event.kind = EventKind::RecordSent;
  event.state = state;
  event.answer = answer;
  HWND page = page_.load();
  DWORD_PTR reply = 0;
  if (page != nullptr && IsWindow(page)) {
    COPYDATASTRUCT data = {0, sizeof record, &record};
    event.delivered = SendMessageTimeoutW(page, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd_),
                                          reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, kSendTimeoutMs, &reply) != 0;
  } else {
    event.delivered = false;
  }
  event.reply = static_cast<int64_t>(reply);
  log_.Add(event);
  Note((answer ? "answered " : "sent ") + StateName(state) +
       (event.delivered ? ", reply " + std::to_string(reply) : ", no page took it"));
  return event.delivered;
}

bool CPhoneService::SetField(FieldEdit& edit) {
  if (!form_.Set(edit.name, edit.value, edit.error)) return false;
  const int field = FindRecordField(edit.name);
  SetWindowTextW(fields_[field], AsWide(edit.value));
  return true;
}

void CPhoneService::SetAnswer(bool on, int delayMs) {
  SendMessageW(answer_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  SetWindowTextW(answerDelay_, std::to_wstring(delayMs).c_str());
  if (!on) KillTimer(hwnd_, kAnswerTimer);
}

void CPhoneService::OnInstallRequest(WPARAM wParam, LPARAM lParam) {
  Event event;
  event.kind = EventKind::InstallRequest;
  event.wParam = wParam;
  event.lParam = lParam;
  log_.Add(event);
  const bool answering = SendMessageW(answer_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  const int delay = static_cast<int>(GetDlgItemInt(hwnd_, kAnswerDelayId, nullptr, FALSE));
  Note("install request 0x7001 (" + std::to_string(wParam) + ", " + std::to_string(lParam) + ")" +
       (answering ? ", answer in " + std::to_string(delay) + " ms" : ""));
  if (answering) SetTimer(hwnd_, kAnswerTimer, static_cast<UINT>(delay > 0 ? delay : 1), nullptr);
}

void CPhoneService::Note(const std::string& line) {
  const DWORD elapsed = GetTickCount() - startTicks_;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%5lu.%03lu s  ", static_cast<unsigned long>(elapsed / 1000),
                static_cast<unsigned long>(elapsed % 1000));
  const std::wstring text = Widen(stamp + line);
  if (SendMessageW(notes_, LB_GETCOUNT, 0, 0) >= kMaxNotes) SendMessageW(notes_, LB_DELETESTRING, 0, 0);
  const LRESULT index = SendMessageW(notes_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index >= 0) SendMessageW(notes_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}
