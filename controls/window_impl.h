// A small window-object framework: a C++ object bound to its window at WM_NCCREATE through
// lpCreateParams, found again through GWLP_USERDATA, and asked first about every message.
// Window classes are registered once per process under a module-wide lock and unregistered
// when the module unloads.
#pragma once

#include <windows.h>

// What a window class looks like; the framework supplies the procedure, instance and name.
struct WindowClassInfo {
  const wchar_t* namePrefix;  // the generated name is prefix + ":" + the module's address
  UINT style;
  int backgroundColorIndex;  // a COLOR_* index; the brush is that colour + 1
  const wchar_t* cursor;     // a predefined IDC_* cursor
};

// Process-wide state of the framework: the module's instance, the thread that loaded it, the
// classes it registered.
class CWindowModule {
 public:
  static void Init(HINSTANCE instance);
  static void Term();

  static HINSTANCE Instance();
  static DWORD MainThreadId();

  // The class's name, registered on first use. Null when registration failed.
  static const wchar_t* EnsureClass(const WindowClassInfo& info);
};

// The lifetime rule. Any call out of the page's code may re-enter it and destroy the page:
// the host's window, a hook in this thread or a screen reader runs inside these calls, and may
// destroy the page's window or its parent, or call UnInitPage:
//   - SendMessage to another window: the link to the host's main window (WM_COPYDATA);
//   - SendMessage to the page itself: a control's or the keyboard's WM_COMMAND,
//     WM_CHANGEUISTATE, which goes on to the host's windows;
//   - SetFocus (WM_KILLFOCUS to the window losing it, WH_CBT hooks), SetCapture and
//     ReleaseCapture (WM_CAPTURECHANGED);
//   - NotifyWinEvent (in-context WinEvent hooks);
//   - calls into the page's accessible object, which come from outside any message.
// So: the object outlives every message of its window that is running (DestroyWithWindow
// defers its deletion until the outermost returns; KeepAlive does the same for calls that do
// not come through the window procedure), the control host defers changes to its list until
// its outermost walk ends, and code that goes on after such a call first asks a Watch taken
// before it whether the window is still there.
class CWindowImplBase {
 public:
  CWindowImplBase() = default;
  CWindowImplBase(const CWindowImplBase&) = delete;
  CWindowImplBase& operator=(const CWindowImplBase&) = delete;
  virtual ~CWindowImplBase();

  HWND Hwnd() const { return hwnd_; }

  // Returns TRUE and sets `result` when the message was handled; FALSE passes it on.
  virtual BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                    DWORD mapId) = 0;

  // Called after the window's last message (WM_NCDESTROY), when the object is unbound. An
  // object deleted through DestroyWithWindow must not delete itself here.
  virtual void OnFinalMessage(HWND) {}

  // Destroys the object's window and deletes the object. Code that the window calls out to
  // may do this while one of its messages is still being handled further up the stack: then
  // the window goes at once and the object when the outermost of those messages returns.
  static void DestroyWithWindow(CWindowImplBase* object);

  // Taken before a call out: Gone() afterwards when that call destroyed the window (an object
  // makes one window in its life, so a window that is gone stays gone).
  class Watch {
   public:
    explicit Watch(const CWindowImplBase& object) : object_(object), hwnd_(object.Hwnd()) {}
    bool Gone() const { return hwnd_ == nullptr || object_.Hwnd() != hwnd_; }

   private:
    const CWindowImplBase& object_;
    HWND hwnd_;
  };

  // Holds off DestroyWithWindow's deletion of the object for its scope, for calls into the
  // object that do not come through its window procedure.
  class KeepAlive {
   public:
    explicit KeepAlive(CWindowImplBase& object) : object_(object) { ++object_.busy_; }
    ~KeepAlive();
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

   private:
    CWindowImplBase& object_;
  };

 protected:
  HWND CreateWindowOfClass(const WindowClassInfo& info, HWND parent, DWORD style, DWORD exStyle);
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  friend class CWindowModule;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  int busy_ = 0;  // messages and KeepAlive scopes running now
  bool deletePending_ = false;
};
