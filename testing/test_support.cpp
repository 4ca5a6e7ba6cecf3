#include "testing/test_support.h"

#include <cstring>

namespace {

const wchar_t kParentClass[] = L"PageTestParent";

ATOM RegisterParentClass() {
  static ATOM atom = [] {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kParentClass;
    return RegisterClassExW(&wc);
  }();
  return atom;
}

}  // namespace

void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (;;) {
    PumpPending();
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

TestParent::TestParent(int clientWidth, int clientHeight, bool visible) {
  RegisterParentClass();
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  RECT frame = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kParentClass, L"page test", style, 0, 0, frame.right - frame.left,
                          frame.bottom - frame.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (visible && hwnd_ != nullptr) {
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
  }
}

TestParent::~TestParent() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  PumpPending();
}

int TestParent::ChildCount() const {
  int count = 0;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    ++count;
  }
  return count;
}

RecordingWindow::RecordingWindow(const wchar_t* className) : className_(className) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &RecordingWindow::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className_.c_str();
  RegisterClassExW(&wc);
  hwnd_ = CreateWindowExW(0, className_.c_str(), nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
}

RecordingWindow::~RecordingWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  UnregisterClassW(className_.c_str(), GetModuleHandleW(nullptr));
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self != nullptr && message == WM_COPYDATA) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    const auto* bytes = static_cast<const uint8_t*>(data->lpData);
    self->copies_.push_back({wParam, data->dwData, std::vector<uint8_t>(bytes, bytes + data->cbData)});
    if (self->react_) self->react_();
    return TRUE;
  }
  if (self != nullptr && message >= WM_USER) {
    MSG record = {};
    record.hwnd = hwnd;
    record.message = message;
    record.wParam = wParam;
    record.lParam = lParam;
    self->received_.push_back(record);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

GuardedPayload::GuardedPayload(size_t bytes) : size_(bytes) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const size_t page = system.dwPageSize;
  const size_t committed = (bytes + page - 1) / page * page + page;  // at least one page
  reserved_ = committed + page;
  base_ = VirtualAlloc(nullptr, reserved_, MEM_RESERVE, PAGE_NOACCESS);
  if (base_ == nullptr) return;
  VirtualAlloc(base_, committed, MEM_COMMIT, PAGE_READWRITE);
  auto* end = static_cast<unsigned char*>(base_) + committed;  // the guard page starts here
  data_ = end - bytes;
  std::memset(data_, 0x5A, bytes);
}

GuardedPayload::~GuardedPayload() {
  if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
}

PhoneInfo MakeRecord(int32_t state) {
  PhoneInfo record = EmptyPhoneInfo();
  record.state = state;
  return record;
}

PhoneInfo MakeRecord(PageState state) { return MakeRecord(static_cast<int32_t>(state)); }

PhoneInfo SampleRecord(PageState state) {
  PhoneInfo record = MakeRecord(state);
  SetFieldText(record.brand, u"ABC");
  SetFieldText(record.model, u"X1");
  record.appCount = 12;
  record.pictureCount = 345;
  record.batteryPercent = 57;
  record.phoneTotalBytes = 8ull << 30;
  record.phoneFreeBytes = 3ull << 30;
  record.cardTotalBytes = 16ull << 30;
  record.cardFreeBytes = 12ull << 30;
  return record;
}

LRESULT SendPayload(HWND page, const void* data, DWORD bytes) {
  COPYDATASTRUCT copy = {};
  copy.dwData = 0;
  copy.cbData = bytes;
  copy.lpData = const_cast<void*>(data);
  return SendMessageW(page, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy));
}

LRESULT SendRecord(HWND page, const PhoneInfo& record) { return SendPayload(page, &record, sizeof record); }
