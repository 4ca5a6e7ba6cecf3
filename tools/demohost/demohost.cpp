// A small host for the page module: a main window with an 800 x 570 container, the module
// loaded through its four exports, and a picture of the page as it shows on screen.
//
//   demohost.exe MODULE.dll OUT.png

#include <windows.h>

#include <cstdio>

#include "module/page_exports.h"
#include "tools/demohost/png_file.h"

namespace {

constexpr int kContainerWidth = 800;
constexpr int kContainerHeight = 570;

template <typename Proc>
Proc ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  MSG msg;
  for (;;) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= milliseconds) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
  }
}

HWND CreateHostWindows(HWND* container) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"PageDemoHost";
  RegisterClassExW(&wc);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT frame = {0, 0, kContainerWidth, kContainerHeight};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND main = CreateWindowExW(0, wc.lpszClassName, L"Page demo host", style, 0, 0,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              wc.hInstance, nullptr);
  if (main == nullptr) return nullptr;
  *container = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               kContainerWidth, kContainerHeight, main, nullptr, wc.hInstance, nullptr);
  return main;
}

bool CaptureWindow(HWND window, const wchar_t* path) {
  RECT client;
  GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return false;
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  HDC screen = GetDC(window);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  ReleaseDC(window, screen);
  GdiFlush();
  const bool saved = SavePng(path, static_cast<const uint32_t*>(bits), width, height);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  return saved;
}

int Fail(const char* what) {
  std::fprintf(stderr, "demohost: %s (error %lu)\n", what, GetLastError());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: demohost MODULE.dll OUT.png\n");
    return 2;
  }
  HMODULE module = LoadLibraryW(argv[1]);
  if (module == nullptr) return Fail("cannot load the module");
  auto isSupported = ExportOf<IsSupportedProc>(module, "IsSupported");
  auto initPage = ExportOf<InitPageProc>(module, "InitPage");
  auto createPage = ExportOf<CreatePageProc>(module, "CreatePage");
  auto unInitPage = ExportOf<UnInitPageProc>(module, "UnInitPage");
  if (!isSupported || !initPage || !createPage || !unInitPage) return Fail("the module lacks an export");
  if (isSupported() != 1) return Fail("the module says it cannot be used");

  HWND container = nullptr;
  HWND main = CreateHostWindows(&container);
  if (main == nullptr || container == nullptr) return Fail("cannot create the host window");
  if (!initPage()) return Fail("InitPage failed");
  HWND page = createPage(container);
  if (page == nullptr) return Fail("CreatePage failed");

  ShowWindow(main, SW_SHOW);
  UpdateWindow(main);
  PumpFor(300);
  const bool saved = CaptureWindow(page, argv[2]);

  DestroyWindow(main);
  unInitPage();
  PumpFor(50);
  FreeLibrary(module);
  if (!saved) return Fail("cannot write the picture");
  std::printf("demohost: page captured\n");
  return 0;
}
