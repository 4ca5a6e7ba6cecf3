// A second process that sends the page forged WM_PROFILE_READY messages:
//   stress_forger.exe WINDOW COUNT SEED [ADDRESS...]
// WINDOW and ADDRESS in hex; the addresses are ones the stress knows in the page's process
// (freed records, live look-alikes, a finished worker's record). Exit 0 when every message
// was handled, 1 when some send timed out, 2 when the window went away, 3 on bad arguments.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "picture/download_thread.h"

namespace {

constexpr UINT kSendTimeoutMs = 30000;

uint64_t g_state = 0;

uint32_t Next32() {
  g_state ^= g_state >> 12;
  g_state ^= g_state << 25;
  g_state ^= g_state >> 27;
  return static_cast<uint32_t>((g_state * 0x2545F4914F6CDD1Dull) >> 32);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 3;
  const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::strtoul(argv[1], nullptr, 16)));
  const long count = std::strtol(argv[2], nullptr, 10);
  g_state = std::strtoull(argv[3], nullptr, 10) * 0x9E3779B97F4A7C15ull + 1;
  std::vector<WPARAM> known = {0, 0x41414141, 0xFFFFFFFF};
  for (int i = 4; i < argc; ++i) known.push_back(static_cast<WPARAM>(std::strtoul(argv[i], nullptr, 16)));
  // Addresses that are readable here are likely readable there too: same layout, same heap.
  std::vector<void*> ownHeap;
  for (int i = 0; i < 16; ++i) ownHeap.push_back(std::malloc(64 + Next32() % 4096));

  int timeouts = 0;
  for (long i = 0; i < count; ++i) {
    WPARAM wParam;
    const uint32_t pick = Next32() % 100;
    if (pick < 50) {
      wParam = known[Next32() % known.size()];
    } else if (pick < 70) {
      wParam = reinterpret_cast<WPARAM>(ownHeap[Next32() % ownHeap.size()]);
    } else if (pick < 80) {
      wParam = known[Next32() % known.size()] + (Next32() % 64) * 4;  // inside a known record
    } else {
      wParam = Next32();
    }
    const uint32_t lpick = Next32() % 10;
    const LPARAM lParam = lpick < 6    ? kDownloadJobProfileAndPicture
                          : lpick == 6 ? 0
                          : lpick == 7 ? 2
                          : lpick == 8 ? -1
                                       : static_cast<LPARAM>(Next32());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, WM_PROFILE_READY, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) {
      if (!IsWindow(window)) return 2;
      ++timeouts;
    }
  }
  for (void* block : ownHeap) std::free(block);
  return timeouts > 0 ? 1 : 0;
}
