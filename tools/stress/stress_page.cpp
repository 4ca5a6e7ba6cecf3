#include "tools/stress/stress_page.h"

#include <commctrl.h>

#include <cstdio>

#include "picture/download_thread.h"
#include "testing/lookup_stand_in.h"
#include "testing/program_files.h"
#include "tools/stress/stress_support.h"

const wchar_t kRefusingLookupBase[] = L"http://127.0.0.1:1";

namespace {

const wchar_t kModuleName[] = L"MobileInfoPage.dll";
constexpr UINT_PTR kTapId = 0x57E5;
constexpr UINT kReconnectButtonId = 222;
const char* const kStandInPictures[] = {
    "brisa_mini.png", "fennick_f2.png", "ostrel_8x.png", "quorle_q5.png", "tallow_t9_pro.png",
};

std::u16string Utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

const std::wstring& StressFolder() {
  static const std::wstring folder = ProgramFolder() + L"\\stress_work\\" + std::to_wstring(GetCurrentProcessId());
  return folder;
}

std::wstring StressCacheFolder() { return StressFolder() + L"\\MobileImage"; }

bool PrepareStressFolder() {
  CreateDirectoryW((ProgramFolder() + L"\\stress_work").c_str(), nullptr);
  RemoveFolderTree(StressFolder());
  CreateDirectoryW(StressFolder().c_str(), nullptr);
  return CopyFileW(ModuleBesideProgram().c_str(), StressModulePath().c_str(), FALSE) != FALSE;
}

void RemoveStressFolder() {
  RemoveFolderTree(StressFolder());
  RemoveDirectoryW((ProgramFolder() + L"\\stress_work").c_str());
}

std::wstring StressModulePath() { return StressFolder() + L"\\" + kModuleName; }

StressPage::StressPage(PageModule& module, HWND parent) : module_(module) {
  if (!module_.Loaded() || !module_.InitPage()) return;
  hwnd_ = module_.CreatePage(parent);
  if (hwnd_ != nullptr) {
    subclassed_ = SetWindowSubclass(hwnd_, Subclass, kTapId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  }
}

StressPage::~StressPage() { Close(); }

void StressPage::Close(bool destroyWindowFirst) {
  if (!module_.Loaded()) return;
  if (destroyWindowFirst && hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  module_.UnInitPage();
  hwnd_ = nullptr;
}

LRESULT CALLBACK StressPage::Subclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
  PageTap& tap = reinterpret_cast<StressPage*>(self)->tap_;
  switch (message) {
    case WM_PROFILE_READY:
      ++tap.profileReady;
      tap.profileAddresses.push_back(wParam);
      break;
    case WM_PAINT:
      ++tap.paints;
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kReconnectButtonId && HIWORD(wParam) == 0) ++tap.reconnects;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, Subclass, kTapId);
      reinterpret_cast<StressPage*>(self)->subclassed_ = false;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

PagePrinter::PagePrinter(int width, int height) : width_(width), height_(height), canvas_(width, height) {
  pixels_.resize(static_cast<size_t>(width) * height);
}

const std::vector<uint32_t>& PagePrinter::Print(HWND page) {
  const size_t count = pixels_.size();
  GdiFlush();
  // Magenta shows wherever the page left its target unpainted.
  uint32_t* bits = canvas_.Bits();
  for (size_t i = 0; i < count; ++i) bits[i] = 0x00FF00FF;
  SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas_.Dc()), PRF_CLIENT);
  GdiFlush();
  for (size_t i = 0; i < count; ++i) pixels_[i] = bits[i] & 0x00FFFFFF;
  return pixels_;
}

int DifferentPixels(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return static_cast<int>(a.size() > b.size() ? a.size() : b.size());
  int count = 0;
  for (size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
  return count;
}

std::wstring SavePrint(const std::vector<uint32_t>& pixels, int width, int height, const std::wstring& name) {
  // Kept beside the run's folder, which is removed at the end.
  const std::wstring path = ProgramFolder() + L"\\stress_" + name + L".bmp";
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const DWORD bytes = static_cast<DWORD>(pixels.size() * sizeof(uint32_t));
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + bytes;
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return L"";
  fwrite(&file, sizeof file, 1, out);
  fwrite(&header, sizeof header, 1, out);
  fwrite(pixels.data(), 1, bytes, out);
  fclose(out);
  return path;
}

PhoneInfo PhoneRecord(int32_t state, std::u16string_view model) {
  PhoneInfo record = EmptyPhoneInfo();
  record.state = state;
  record.musicCount = 128;
  record.videoCount = 12;
  record.pictureCount = 2048;
  record.novelCount = 7;
  record.appCount = 64;
  record.contactCount = 311;
  record.smsCount = 1999;
  record.phoneTotalBytes = 16ull << 30;
  record.phoneFreeBytes = 5ull << 30;
  record.cardTotalBytes = 32ull << 30;
  record.cardFreeBytes = 30ull << 30;
  record.batteryPercent = 76;
  SetFieldText(record.brand, u"Stress");
  SetFieldText(record.model, model);
  return record;
}

void SetLookupBase(const std::wstring& base) { SetEnvironmentVariableW(L"MOBILEINFOPAGE_LOOKUP_BASE", base.c_str()); }

CacheState CheckCache() {
  CacheState state;
  const std::u16string cache = Utf16(StressCacheFolder());
  for (const std::u16string& name : Sandbox::List(cache)) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, u".tmp") == 0) ++state.temporaries;
  }
  for (const char* picture : kStandInPictures) {
    const std::string name(picture);
    const std::u16string path = cache + u"\\" + std::u16string(name.begin(), name.end());
    if (!FileExists(path)) continue;
    ++state.pictures;
    const std::string served = ReadSource(("tools/lookup_service/data/pictures/" + name).c_str());
    if (served.empty() || ReadAll(path) != served) {
      ++state.damaged;
      state.damagedNames += name + " ";
    }
  }
  return state;
}
