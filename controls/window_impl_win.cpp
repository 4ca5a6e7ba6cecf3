#include "controls/window_impl.h"

#include <cwchar>

namespace {

struct RegisteredClass {
  const WindowClassInfo* info;
  ATOM atom;
  wchar_t name[96];
};

constexpr int kMaxClasses = 8;

struct ModuleState {
  HINSTANCE instance = nullptr;
  DWORD mainThreadId = 0;
  bool lockReady = false;
  CRITICAL_SECTION lock;
  RegisteredClass classes[kMaxClasses];
  int classCount = 0;
};

ModuleState g_module;

class LockGuard {
 public:
  explicit LockGuard(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
  ~LockGuard() { LeaveCriticalSection(&lock_); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  CRITICAL_SECTION& lock_;
};

}  // namespace

void CWindowModule::Init(HINSTANCE instance) {
  g_module.instance = instance;
  g_module.mainThreadId = GetCurrentThreadId();
  g_module.classCount = 0;
  InitializeCriticalSection(&g_module.lock);
  g_module.lockReady = true;
}

void CWindowModule::Term() {
  if (!g_module.lockReady) return;
  {
    LockGuard guard(g_module.lock);
    for (int i = g_module.classCount - 1; i >= 0; --i) {
      UnregisterClassW(MAKEINTATOM(g_module.classes[i].atom), g_module.instance);
    }
    g_module.classCount = 0;
  }
  g_module.lockReady = false;
  DeleteCriticalSection(&g_module.lock);
}

HINSTANCE CWindowModule::Instance() { return g_module.instance; }

DWORD CWindowModule::MainThreadId() { return g_module.mainThreadId; }

const wchar_t* CWindowModule::EnsureClass(const WindowClassInfo& info) {
  if (!g_module.lockReady) return nullptr;
  LockGuard guard(g_module.lock);
  for (int i = 0; i < g_module.classCount; ++i) {
    if (g_module.classes[i].info == &info) return g_module.classes[i].name;
  }
  if (g_module.classCount == kMaxClasses) return nullptr;

  RegisteredClass& entry = g_module.classes[g_module.classCount];
  // The module's own address keeps the name unique even with two copies of the module loaded.
  swprintf(entry.name, sizeof entry.name / sizeof entry.name[0], L"%ls:%p", info.namePrefix,
           static_cast<void*>(g_module.instance));

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = info.style;
  wc.lpfnWndProc = &CWindowImplBase::WindowProc;
  wc.hInstance = g_module.instance;
  wc.hCursor = LoadCursorW(nullptr, info.cursor);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(info.backgroundColorIndex + 1));
  wc.lpszClassName = entry.name;
  entry.atom = RegisterClassExW(&wc);
  if (entry.atom == 0) return nullptr;
  entry.info = &info;
  ++g_module.classCount;
  return entry.name;
}

CWindowImplBase::~CWindowImplBase() {
  // A window that outlives its object must not reach freed memory: unbind it, so the rest
  // of its messages get the default processing.
  if (hwnd_ != nullptr && IsWindow(hwnd_)) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

HWND CWindowImplBase::CreateWindowOfClass(const WindowClassInfo& info, HWND parent, DWORD style, DWORD exStyle) {
  if (hwnd_ != nullptr) return nullptr;
  const wchar_t* className = CWindowModule::EnsureClass(info);
  if (className == nullptr) return nullptr;
  return CreateWindowExW(exStyle, className, nullptr, style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         parent, nullptr, CWindowModule::Instance(), this);
}

LRESULT CWindowImplBase::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void CWindowImplBase::DestroyWithWindow(CWindowImplBase* object) {
  if (object == nullptr) return;
  KeepAlive alive(*object);
  object->deletePending_ = true;
  if (object->hwnd_ != nullptr) DestroyWindow(object->hwnd_);
}

CWindowImplBase::KeepAlive::~KeepAlive() {
  if (--object_.busy_ == 0 && object_.deletePending_) delete &object_;
}

LRESULT CWindowImplBase::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ProcessWindowMessage(hwnd_, message, wParam, lParam, result, 0)) return result;
  // Destroyed while the message was handled: nothing is left for the default procedure.
  if (hwnd_ == nullptr) return 0;
  return DefaultProc(message, wParam, lParam);
}

LRESULT CALLBACK CWindowImplBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CWindowImplBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr && message == WM_NCCREATE) {
    self = static_cast<CWindowImplBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);

  const KeepAlive alive(*self);
  LRESULT result;
  try {
    result = self->Route(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind into the host's message loop.
    result = DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->OnFinalMessage(hwnd);
  }
  return result;
}
