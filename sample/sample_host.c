/* A host of MobileInfoPage.dll in C89: it links the import library, so the loader maps the
   DLL from beside the program (a host that loads it later finds the same four exports with
   GetProcAddress, by the names and pointer types in mobile_info_page.h). It shows the page in
   its main window, sends it one record as the phone service would, follows its links and
   tears it down in the order the page needs.

     sample_host          the page in a window until the window is closed
     sample_host --once   the same, hidden, for half a second; Tab and Enter press the first
                          linked tile so that one link arrives; exit code 0 when all went well */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "mobile_info_page.h"
#include "phone_info.h"

#define PAGE_WIDTH 800 /* what the page's layout needs at 96 DPI */
#define PAGE_HEIGHT 570
#define ONCE_TIMER 1
#define ONCE_MILLISECONDS 500

static HWND page;
static int linksHandled;

static void CopyText(wchar_t* field, size_t capacity, const wchar_t* text) { lstrcpynW(field, text, (int)capacity); }

static PhoneInfoUInt64 Gibibytes(unsigned count) { return (PhoneInfoUInt64)count << 30; }

/* The record the phone service sends for a connected phone; what it leaves zero, the page
   never reads. */
static void MakeRecord(PhoneInfo* record) {
  ZeroMemory(record, sizeof(*record));
  record->size = kPhoneInfoSize;
  record->state = kPageStateConnected;
  record->appCount = 42;
  record->musicCount = 128;
  record->videoCount = 12;
  record->pictureCount = 640;
  record->novelCount = 3;
  record->contactCount = 256;
  record->smsCount = 1024;
  record->phoneTotalBytes = Gibibytes(16);
  record->phoneFreeBytes = Gibibytes(5);
  record->cardTotalBytes = Gibibytes(32);
  record->cardFreeBytes = Gibibytes(20);
  record->batteryPercent = 80;
  CopyText(record->brand, sizeof(record->brand) / sizeof(wchar_t), L"Fennick");
  CopyText(record->model, sizeof(record->model) / sizeof(wchar_t), L"Fennick F2");
}

static const char* LinkedPage(const wchar_t* link) {
  if (lstrcmpW(link, kApplicationsPageLink) == 0) return "applications";
  if (lstrcmpW(link, kGamesPageLink) == 0) return "games";
  if (lstrcmpW(link, kMusicPageLink) == 0) return "music";
  if (lstrcmpW(link, kNovelsPageLink) == 0) return "novels";
  return NULL;
}

/* A link is UTF-16 with its NUL. A real host switches to that page here; it may destroy the
   page or call UnInitPage right in this handler. */
static LRESULT OnLink(const COPYDATASTRUCT* data) {
  const wchar_t* text = (const wchar_t*)data->lpData;
  const size_t length = data->cbData / sizeof(wchar_t);
  const char* name;
  if (text == NULL || length == 0 || text[length - 1] != L'\0') return FALSE;
  name = LinkedPage(text);
  if (name == NULL) return FALSE;
  printf("link: the %s page\n", name);
  ++linksHandled;
  return TRUE;
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA:
      return OnLink((const COPYDATASTRUCT*)lParam);
    case WM_SIZE:
      /* The page does not follow its parent by itself. */
      if (page != NULL) MoveWindow(page, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_SETFOCUS:
      if (page != NULL) SetFocus(page);
      return 0;
    case WM_TIMER:
      if (wParam == ONCE_TIMER) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      /* The page, a child, goes with this window; UnInitPage follows once the loop ends. */
      page = NULL;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

/* The main window carries the class the page sends its links to. */
static HWND CreateMainWindow(HINSTANCE instance) {
  WNDCLASSW windowClass;
  RECT frame = {0, 0, PAGE_WIDTH, PAGE_HEIGHT};
  const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  ZeroMemory(&windowClass, sizeof(windowClass));
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.lpszClassName = kHostMainWindowClass;
  if (RegisterClassW(&windowClass) == 0) return NULL;
  AdjustWindowRect(&frame, style, FALSE);
  return CreateWindowExW(0, kHostMainWindowClass, L"Sample host", style, CW_USEDEFAULT, CW_USEDEFAULT,
                         frame.right - frame.left, frame.bottom - frame.top, NULL, NULL, instance, NULL);
}

static int Fail(const char* what) {
  printf("failed: %s (error %lu)\n", what, (unsigned long)GetLastError());
  return 1;
}

int main(int argc, char** argv) {
  const int once = argc > 1 && strcmp(argv[1], "--once") == 0;
  HWND mainWindow;
  PhoneInfo record;
  COPYDATASTRUCT data;
  MSG message;

  if (IsSupported() != 1) return Fail("IsSupported");
  mainWindow = CreateMainWindow(GetModuleHandleW(NULL));
  if (mainWindow == NULL) return Fail("the main window");
  if (!InitPage()) return Fail("InitPage");
  page = CreatePage(mainWindow);
  if (page == NULL) {
    DestroyWindow(mainWindow);
    UnInitPage();
    return Fail("CreatePage");
  }
  printf("page window created\n");

  /* The phone service sends records with SendMessage; this handle is what it needs. */
  MakeRecord(&record);
  data.dwData = 0;
  data.cbData = sizeof(record);
  data.lpData = &record;
  if (SendMessageW(page, WM_COPYDATA, (WPARAM)mainWindow, (LPARAM)&data) != 1) {
    DestroyWindow(mainWindow);
    UnInitPage();
    return Fail("the page did not take the record");
  }
  printf("the page took the record\n");

  if (once) {
    PostMessageW(page, WM_KEYDOWN, VK_TAB, 0);
    PostMessageW(page, WM_KEYDOWN, VK_RETURN, 0);
    SetTimer(mainWindow, ONCE_TIMER, ONCE_MILLISECONDS, NULL);
  } else {
    ShowWindow(mainWindow, SW_SHOWNORMAL);
  }
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  /* Only once the window is gone. */
  UnInitPage();
  printf("page closed\n");
  return once && linksHandled != 1 ? Fail("no link from the page") : 0;
}
