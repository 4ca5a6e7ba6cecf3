// The real page module as the stresses drive it: loaded from a folder of the run's own (so
// its picture cache is private), its page made and torn down through the exports, watched
// from outside its window procedure, and printed into pixels to compare.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "page/phone_info.h"
#include "testing/dib_canvas.h"
#include "testing/page_module.h"
#include "testing/test_support.h"

// The run's folder beside the program, holding the copy of the module and its cache.
const std::wstring& StressFolder();
std::wstring StressCacheFolder();
// The run's copy of the module.
std::wstring StressModulePath();
// Copies the module from beside the program into the run's folder; false when it is missing.
bool PrepareStressFolder();
void RemoveStressFolder();

// What reached the page window, seen from a subclass in front of the module's procedure.
struct PageTap {
  LONG profileReady = 0;  // WM_PROFILE_READY messages, genuine or not
  LONG paints = 0;
  LONG reconnects = 0;                   // WM_COMMAND from the Reconnect button
  std::vector<WPARAM> profileAddresses;  // wParam of every WM_PROFILE_READY seen
};

// InitPage and CreatePage on construction, the host's teardown on Close.
class StressPage {
 public:
  StressPage(PageModule& module, HWND parent);
  ~StressPage();
  StressPage(const StressPage&) = delete;
  StressPage& operator=(const StressPage&) = delete;

  HWND Hwnd() const { return hwnd_; }
  PageTap& Tap() { return tap_; }
  // The host destroys the window, then the page object; or, as a careless host might, only
  // calls UnInitPage.
  void Close(bool destroyWindowFirst = true);

 private:
  static LRESULT CALLBACK Subclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
  PageModule& module_;
  HWND hwnd_ = nullptr;
  bool subclassed_ = false;
  PageTap tap_;
};

// The page's client area printed through WM_PRINTCLIENT into a 32-bit DIB section.
class PagePrinter {
 public:
  PagePrinter(int width, int height);
  PagePrinter(const PagePrinter&) = delete;
  PagePrinter& operator=(const PagePrinter&) = delete;
  // The pixels are valid until the next print.
  const std::vector<uint32_t>& Print(HWND page);
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_;
  int height_;
  DibCanvas canvas_;
  std::vector<uint32_t> pixels_;
};

int DifferentPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b);
// A print saved as a .bmp in the run's folder, for a failure report; returns its path.
std::wstring SavePrint(const std::vector<uint32_t>& pixels, int width, int height, const std::wstring& name);

// The page's layout reaches 798 x 569; the parent is a little larger.
constexpr int kHostWidth = 820;
constexpr int kHostHeight = 600;

// A record the way the phone service fills it for a connected phone.
PhoneInfo PhoneRecord(int32_t state, std::u16string_view model);
// Where the module looks up models, for this process.
void SetLookupBase(const std::wstring& base);
// Nobody listens here, so lookups fail at once without leaving the machine.
extern const wchar_t kRefusingLookupBase[];

// Pictures in the cache that the stand-in serves must be the stand-in's, byte for byte.
struct CacheState {
  int pictures = 0;
  int damaged = 0;
  int temporaries = 0;  // downloads cut off by the process or a failure, left behind
  std::string damagedNames;
};
CacheState CheckCache();

// Dispatches messages until `done` holds or `timeoutMs` passed; false on the timeout.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20, QS_ALLINPUT);
    PumpPending();
  }
  return true;
}
