// Another process that sends the page a WM_PROFILE_READY of its own making:
//   picture_forger.exe WINDOW-IN-HEX WPARAM-IN-DECIMAL
#include <windows.h>

#include <cstdlib>

#include "picture/download_thread.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoul(argv[1], nullptr, 16)));
  const WPARAM forged = static_cast<WPARAM>(std::strtoul(argv[2], nullptr, 10));
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, WM_PROFILE_READY, forged, kDownloadJobProfileAndPicture, SMTO_NORMAL, 20000,
                           &result)) {
    return 1;
  }
  return 0;
}
