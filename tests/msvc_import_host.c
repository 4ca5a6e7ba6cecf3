/* A host built as Visual Studio builds one (MSVC ABI, linked through MobileInfoPage.lib), here
   with clang and lld-link and no C runtime. MinGW's windows.h does not parse in MSVC mode, so
   the few system calls are declared here; the record comes from the kit's phone_info.h.
   Exit code 0 when the page was made, took a record and went away again. */
#include "phone_info.h"

typedef void* Handle;

typedef struct CopyDataStruct {
  unsigned long dwData;
  unsigned long cbData;
  void* lpData;
} CopyDataStruct;

#define IMPORTED __declspec(dllimport)
#define COPY_DATA_MESSAGE 0x004A
#define POPUP_STYLE 0x80000000ul

IMPORTED int __cdecl IsSupported(void);
IMPORTED int __cdecl InitPage(void);
IMPORTED Handle __cdecl CreatePage(Handle parent);
IMPORTED void __cdecl UnInitPage(void);

IMPORTED Handle __stdcall CreateWindowExW(unsigned long exStyle, const wchar_t* className, const wchar_t* title,
                                          unsigned long style, int x, int y, int width, int height, Handle parent,
                                          Handle menu, Handle instance, void* parameter);
IMPORTED long __stdcall SendMessageW(Handle window, unsigned message, unsigned wParam, long lParam);
IMPORTED int __stdcall DestroyWindow(Handle window);
IMPORTED void __stdcall ExitProcess(unsigned code);

/* Static: a record on the stack would need the runtime's stack probe. */
static PhoneInfo record;

static unsigned Run(void) {
  Handle container;
  Handle page;
  CopyDataStruct data;
  if (IsSupported() != 1) return 1;
  container = CreateWindowExW(0, L"Static", L"", POPUP_STYLE, 0, 0, 800, 570, 0, 0, 0, 0);
  if (container == 0) return 2;
  if (!InitPage()) return 3;
  page = CreatePage(container);
  if (page == 0) return 4;
  record.size = kPhoneInfoSize;
  record.state = kPageStateConnected;
  record.appCount = 1;
  data.dwData = 0;
  data.cbData = sizeof(record);
  data.lpData = &record;
  if (SendMessageW(page, COPY_DATA_MESSAGE, (unsigned)container, (long)&data) != 1) return 5;
  DestroyWindow(container);
  UnInitPage();
  return 0;
}

void __cdecl mainCRTStartup(void) { ExitProcess(Run()); }
