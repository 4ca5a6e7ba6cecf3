// The page's drawing under Wine, in one process: DrawAt against GdiAlphaBlend on the page's own
// pictures and surfaces, then the real module's paints, repaints, start-up and record
// handling, each against a block copy of the same area measured in the same run. Given a
// second module (--baseline=DLL, an earlier build), every page case runs for both, so "after /
// before" ratios come from one run too. Cases are sampled in turn, so a busy machine slows them
// alike; each figure is a median of wall time.
//
// Wine's share of a paint is measured on a window of the bench's own that does the least the
// same message asks for (copies a record and repaints a tile, or repaints the hovered button,
// by one BitBlt); a page's own work is its case less that share: records that change one
// value in each view or every value of the connected one, and the hover. Cold start is timed
// in fresh processes of this program, against a minimal page made the same way; memory is
// the committed bytes a page keeps, in client-sized surfaces. Every length follows the
// screen's DPI.
//
//   page_win_bench [--json=FILE] [--samples=N] [--baseline=DLL] [--cold-runs=N] [--no-blends]
//   page_win_bench --memory-only [--json=FILE] [--baseline=DLL]
//   page_win_bench --cold=page|minimal --cold-out=FILE [--cold-module=DLL]   (one cold start)

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_images.h"
#include "imaging/blend_paths.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "picture/picture_cache.h"  // the lookup service variable
#include "testing/dib_canvas.h"
#include "testing/lookup_stand_in.h"
#include "testing/page_module.h"
#include "testing/test_support.h"
#include "testing/text.h"

namespace {

// Lengths are the page's at 96 DPI, scaled to the screen's as the page scales its own.
int gDpi = 96;
int Scaled(int length) { return length * gDpi / 96; }
RECT Scaled(const RECT& r) { return {Scaled(r.left), Scaled(r.top), Scaled(r.right), Scaled(r.bottom)}; }
int PageWidth() { return Scaled(800); }
int PageHeight() { return Scaled(570); }
RECT PageRect() { return {0, 0, PageWidth(), PageHeight()}; }
RECT ReconnectButton() { return Scaled(RECT{340, 382, 462, 430}); }
RECT FirstTile() { return Scaled(RECT{122, 197, 122 + 80, 197 + 90}); }
int64_t Area(const RECT& r) { return int64_t{r.right - r.left} * (r.bottom - r.top); }
const char16_t kModel[] = u"Ostrel 8X";
const char16_t kModelPicture[] = u"ostrel_8x.png";

double Now() {
  static const double period = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1.0 / static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * period;
}

struct Case {
  std::string name;
  std::function<void()> run;
  int64_t pixels = 0;
  std::function<void()> setUp;  // before each sample, not timed
  // The top-level window raised before each sample: the pages and the plain window share the
  // screen, and Wine paints a covered window more cheaply than a shown one.
  HWND raise = nullptr;
  // Runs once per sample and returns the seconds it measured itself (work around the timed
  // part that must not count, such as tearing a page down); null: `run` is timed whole.
  std::function<double()> timedRun;
  int iterations = 1;
  std::vector<double> samples;  // seconds per run
  double Median() const {
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[sorted.size() / 2];
  }
};

Case Timed(std::string name, std::function<void()> run, int64_t pixels = 0, std::function<void()> setUp = nullptr) {
  Case c;
  c.name = std::move(name);
  c.run = std::move(run);
  c.pixels = pixels;
  c.setUp = std::move(setUp);
  return c;
}

Case SelfTimed(std::string name, std::function<double()> run) {
  Case c;
  c.name = std::move(name);
  c.timedRun = std::move(run);
  return c;
}

// Runs the cases in turn, `samples` times, each sample at least about 20 ms long.
void Raise(HWND window) {
  if (window == nullptr) return;
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  PumpPending();
}

void Measure(std::vector<Case>& cases, int samples) {
  for (Case& c : cases) {
    if (c.timedRun) continue;
    Raise(c.raise);
    if (c.setUp) c.setUp();
    c.run();  // warm
    const double start = Now();
    c.run();
    const double once = std::max(Now() - start, 1e-7);
    c.iterations = static_cast<int>(std::clamp(0.02 / once, 1.0, 100000.0));
  }
  for (int s = 0; s < samples; ++s) {
    for (Case& c : cases) {
      if (c.timedRun) {
        double total = 0;
        const int runs = 5;
        for (int i = 0; i < runs; ++i) total += c.timedRun();
        c.samples.push_back(total / runs);
        continue;
      }
      Raise(c.raise);
      if (c.setUp) c.setUp();
      const double start = Now();
      for (int i = 0; i < c.iterations; ++i) c.run();
      c.samples.push_back((Now() - start) / c.iterations);
    }
  }
}

const Case* Find(const std::vector<Case>& cases, const std::string& name) {
  for (const Case& c : cases) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::string ReadUnixFile(const std::string& path) {
  std::string text;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, read);
    std::fclose(file);
  }
  return text;
}

// Minor and major faults of a Unix process as the kernel counts them (fields 10 and 12 of
// its stat); -1 when unreadable.
long long FaultsOf(const std::string& procFolder) {
  const std::string text = ReadUnixFile(procFolder + "\\stat");
  // The fields after the command name, which ends at the last ')'; state is field 3.
  const size_t close = text.rfind(')');
  unsigned long minor = 0, major = 0;
  if (close == std::string::npos ||
      std::sscanf(text.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %lu %*u %lu", &minor, &major) != 2) {
    return -1;
  }
  return static_cast<long long>(minor) + static_cast<long long>(major);
}

// The Unix process this program runs in (Wine's /proc/self, through its Z: drive, is the
// wineserver's): of those whose command line names this program, the one whose faults grow
// by about a page for every page of fresh memory this program touches. Empty if none.
std::string OwnProcFolder() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const char* base = std::strrchr(self, '\\');
  const std::string name = base != nullptr ? base + 1 : self;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA("Z:\\proc\\*", &found);
  if (find == INVALID_HANDLE_VALUE) return "";
  std::string folder;
  do {
    if (found.cFileName[0] < '1' || found.cFileName[0] > '9') continue;
    const std::string candidate = std::string("Z:\\proc\\") + found.cFileName;
    if (ReadUnixFile(candidate + "\\cmdline").find(name) == std::string::npos) continue;
    const long long before = FaultsOf(candidate);
    const size_t pages = 1024;
    void* fresh = VirtualAlloc(nullptr, pages * 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (fresh == nullptr) break;
    for (size_t i = 0; i < pages; ++i) static_cast<volatile char*>(fresh)[i * 4096] = 1;
    VirtualFree(fresh, 0, MEM_RELEASE);
    if (before >= 0 && FaultsOf(candidate) - before >= static_cast<long long>(pages) / 2) {
      folder = candidate;
      break;
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return folder;
}

// Faults of this process; Wine leaves the Windows counter at 0.
DWORD PageFaults() {
  static const std::string folder = OwnProcFolder();
  if (!folder.empty()) {
    const long long faults = FaultsOf(folder);
    if (faults >= 0) return static_cast<DWORD>(faults);
  }
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PageFaultCount;
}

// A picture from the module's own resources, else as the native benchmark finds it.
BenchImage Picture(HMODULE module, int id, int width, int height) {
  BenchImage image{std::make_unique<CxImage>(CXIMAGE_FORMAT_PNG), "module resource " + std::to_string(id)};
  if (module != nullptr && LoadPngResource(*image.image, id, module, DisplayScale())) return image;
  return PageImage(DefaultPngDir(), id, width, height, false);
}

// A DIB section of the given depth and row order in its own memory context.
class Section {
 public:
  Section(int width, int height, int bits, bool bottomUp) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = bottomUp ? height : -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    previous_ = SelectObject(dc_, bitmap_);
    const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    std::memset(bits_, 0xE8, stride * height);
  }
  ~Section() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Section(const Section&) = delete;
  Section& operator=(const Section&) = delete;
  HDC Dc() const { return dc_; }
  void* Bits() const { return bits_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

// The picture as GdiAlphaBlend takes it: premultiplied 32-bit, top-down.
std::unique_ptr<Section> PremultipliedSection(const BenchImage& image) {
  auto section = std::make_unique<Section>(image.Width(), image.Height(), 32, false);
  const std::vector<uint32_t> pixels = Premultiplied(image.View());
  GdiFlush();
  std::memcpy(section->Bits(), pixels.data(), pixels.size() * 4);
  return section;
}

void AlphaBlendInto(HDC target, int x, int y, const Section& source) {
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(target, x, y, source.Width(), source.Height(), source.Dc(), 0, 0, source.Width(), source.Height(),
                blend);
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The same model with every value different from the record before.
PhoneInfo ConnectedRecord(int variant) {
  PhoneInfo record = MakeRecord(PageState::Connected);
  SetFieldText(record.brand, variant ? u"Ostrel" : u"OSTREL");
  SetFieldText(record.model, kModel);
  const int32_t base = variant ? 1000 : 20;
  record.appCount = base + 1;
  record.pictureCount = base + 2;
  record.musicCount = base + 3;
  record.videoCount = base + 4;
  record.novelCount = base + 5;
  record.contactCount = base + 6;
  record.smsCount = base + 7;
  record.phoneTotalBytes = variant ? 8000000000ull : 16000000000ull;
  record.phoneFreeBytes = variant ? 3000000000ull : 9000000000ull;
  record.cardTotalBytes = variant ? 32000000000ull : 64000000000ull;
  record.cardFreeBytes = variant ? 1000000000ull : 50000000000ull;
  record.batteryPercent = variant ? 30 : 90;
  return record;
}

// The record a view is shown with.
PhoneInfo UsualRecord(PageState state) {
  return state == PageState::Connected ? ConnectedRecord(0) : MakeRecord(state);
}

// The view's record with one count changed: `variant` 0 and 1 differ from each other, and from
// the usual record, in that count alone.
PhoneInfo OneValueChanged(PageState state, int variant) {
  PhoneInfo record = UsualRecord(state);
  record.appCount = variant ? 21 : 22;
  return record;
}

// Waits for the connected model's picture in the cache beside `module`: the lookup after a
// connected record, so that it does not land in a measurement.
void WaitForModelPicture(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  std::u16string folder(reinterpret_cast<const char16_t*>(path));
  folder = folder.substr(0, folder.find_last_of(u'\\')) + u"\\MobileImage";
  const std::u16string picture = folder + u"\\" + kModelPicture;
  for (int i = 0; i < 200 && !FileExists(picture); ++i) PumpFor(50);
  PumpFor(500);
}

// One module's page in a visible parent of the page's size, its model's profile and picture
// already in the cache beside the module (fetched once from the lookup stand-in).
class BenchPage {
 public:
  BenchPage(const std::wstring& path, const char* label) : label_(label), module_(path) {}
  bool Open() {
    if (!module_.Loaded()) return false;
    parent_ = std::make_unique<TestParent>(PageWidth(), PageHeight(), true);
    if (!module_.InitPage()) return false;
    page_ = module_.CreatePage(parent_->Hwnd());
    if (page_ == nullptr) return false;
    UpdateWindow(page_);
    return true;
  }
  // Connects the model and waits for its picture in the cache.
  void FetchModel() {
    SendRecord(page_, ConnectedRecord(0));
    WaitForModelPicture(module_.Handle());
  }
  void Close() {
    if (page_ != nullptr) module_.UnInitPage();
    page_ = nullptr;
    parent_.reset();
    PumpPending();
  }
  std::string Name(const std::string& what) const { return label_ + what; }
  PageModule& Module() { return module_; }
  HWND Page() const { return page_; }
  HWND Parent() const { return parent_->Hwnd(); }

 private:
  std::string label_;
  PageModule module_;
  std::unique_ptr<TestParent> parent_;
  HWND page_ = nullptr;
};

// A connected record after one without the model looks the model up again (from the cache):
// its profile and picture are waited for, so that they do not land in a measurement.
void Show(HWND page, PageState state) {
  SendRecord(page, UsualRecord(state));
  UpdateWindow(page);
  if (state == PageState::Connected) {
    PumpFor(400);
  } else {
    PumpPending();
  }
}

void Repaint(HWND page, const RECT* area) {
  InvalidateRect(page, area, FALSE);
  UpdateWindow(page);
}

void Copy(HWND window, const Section& source, const RECT& area) {
  HDC dc = GetDC(window);
  BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source.Dc(), area.left, area.top,
         SRCCOPY);
  ReleaseDC(window, dc);
}

// A child window of the page's size that does the least a page must: paints by copying a
// bitmap, as the page does when nothing changed; takes a record by copying it and repainting
// a tile; repaints the Reconnect button's rectangle when the mouse goes in or out of it. What
// each costs is Wine's share of the page's. Without a bitmap of the caller's it makes one of
// its client size when created, as a minimal page would.
class PlainWindow {
 public:
  PlainWindow(HWND parent, const Section* picture) : picture_(picture) {
    static const ATOM atom = [] {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"PageBenchPlainWindow";
      return RegisterClassW(&wc);
    }();
    (void)atom;
    hwnd_ = CreateWindowExW(0, L"PageBenchPlainWindow", L"", WS_CHILD | WS_VISIBLE, 0, 0, PageWidth(), PageHeight(),
                            parent, nullptr, GetModuleHandleW(nullptr), this);
    UpdateWindow(hwnd_);
  }
  ~PlainWindow() { DestroyWindow(hwnd_); }
  PlainWindow(const PlainWindow&) = delete;
  PlainWindow& operator=(const PlainWindow&) = delete;
  HWND Hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<PlainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
      case WM_CREATE:
        if (self->picture_ == nullptr) {
          RECT client;
          GetClientRect(hwnd, &client);
          self->own_ = std::make_unique<Section>(client.right, client.bottom, 32, true);
          self->picture_ = self->own_.get();
        }
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        const RECT& r = paint.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, self->picture_->Dc(), r.left, r.top, SRCCOPY);
        EndPaint(hwnd, &paint);
        return 0;
      }
      case WM_COPYDATA: {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::memcpy(&self->record_, copy->lpData, std::min<size_t>(copy->cbData, sizeof self->record_));
        const RECT tile = FirstTile();
        InvalidateRect(hwnd, &tile, FALSE);
        return 1;
      }
      case WM_MOUSEMOVE: {
        const RECT button = ReconnectButton();
        const POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        const bool inside = PtInRect(&button, at) != FALSE;
        if (inside != self->inButton_) InvalidateRect(hwnd, &button, FALSE);
        self->inButton_ = inside;
        return 0;
      }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  const Section* picture_;
  std::unique_ptr<Section> own_;
  PhoneInfo record_ = {};
  bool inButton_ = false;
  HWND hwnd_ = nullptr;
};

struct StateCase {
  const char* name;
  PageState state;
};
constexpr StateCase kStates[] = {{"no phone", PageState::NoPhone},
                                 {"connected", PageState::Connected},
                                 {"connecting", PageState::Connecting},
                                 {"connect failed", PageState::ConnectFailed},
                                 {"guard missing", PageState::GuardMissing}};

// Page faults per paint after the first few, whole-page repaints and recompositions.
struct Faults {
  std::string name;
  double perPaint;
};

std::vector<Faults> CountFaults(BenchPage& bench) {
  std::vector<Faults> out;
  HWND page = bench.Page();
  for (const StateCase& s : kStates) {
    Show(page, s.state);
    for (int i = 0; i < 3; ++i) Repaint(page, nullptr);
    const int paints = 50;
    DWORD before = PageFaults();
    for (int i = 0; i < paints; ++i) Repaint(page, nullptr);
    out.push_back({bench.Name("faults per full paint, " + std::string(s.name)),
                   static_cast<double>(PageFaults() - before) / paints});
    const PhoneInfo record = UsualRecord(s.state);
    before = PageFaults();
    for (int i = 0; i < paints; ++i) {
      SendRecord(page, record);
      UpdateWindow(page);
    }
    out.push_back({bench.Name("faults per record + paint, " + std::string(s.name)),
                   static_cast<double>(PageFaults() - before) / paints});
  }
  return out;
}

// Records sent to `window` in turn, each followed by its paint.
Case RecordCase(const std::string& name, HWND window, std::vector<PhoneInfo> records,
                std::function<void()> setUp = nullptr) {
  auto next = std::make_shared<size_t>(0);
  return Timed(
      name,
      [window, records = std::move(records), next] {
        SendRecord(window, records[*next]);
        *next = (*next + 1) % records.size();
        UpdateWindow(window);
      },
      0, std::move(setUp));
}

// The mouse goes in and out of the Reconnect button: each run one repaint of the button.
// The same without the paint (its update region dropped) tells the mouse handling apart.
void AddHoverCases(const std::string& prefix, HWND window, std::function<void()> setUp, std::vector<Case>& cases) {
  const LPARAM in = MAKELPARAM(Scaled(400), Scaled(400)), out = MAKELPARAM(Scaled(20), Scaled(20));
  for (const bool paint : {true, false}) {
    auto inside = std::make_shared<bool>(false);
    cases.push_back(Timed(
        prefix + (paint ? "hover, mouse and repaint" : "hover, mouse only"),
        [window, inside, paint, in, out] {
          *inside = !*inside;
          SendMessageW(window, WM_MOUSEMOVE, 0, *inside ? in : out);
          if (paint) {
            UpdateWindow(window);
          } else {
            ValidateRect(window, nullptr);
          }
        },
        0, setUp));
  }
}

// Paints of one module's page: a repaint of the unchanged page, the page recomposed after a
// record of its state, records that change one value of each view or every value of the
// connected one, the hovered Reconnect button, a record of the same model with every value
// changed.
void AddPageCases(BenchPage& bench, std::vector<Case>& cases) {
  HWND page = bench.Page();
  for (const StateCase& s : kStates) {
    const PageState state = s.state;
    // Painted once after the record: what follows repaints an unchanged page.
    auto show = [page, state] {
      Show(page, state);
      Repaint(page, nullptr);
    };
    cases.push_back(Timed(
        bench.Name("full paint, " + std::string(s.name)), [page] { Repaint(page, nullptr); }, 0, show));
    cases.push_back(RecordCase(bench.Name("record + paint, " + std::string(s.name)), page, {UsualRecord(state)}));
  }
  for (const StateCase& s : kStates) {
    const PageState state = s.state;
    cases.push_back(RecordCase(bench.Name("record + paint, one value, " + std::string(s.name)), page,
                               {OneValueChanged(state, 0), OneValueChanged(state, 1)},
                               [page, state] { Show(page, state); }));
  }
  cases.push_back(RecordCase(bench.Name("record + paint, every value, connected"), page,
                             {ConnectedRecord(1), ConnectedRecord(0)}, [page] { Show(page, PageState::Connected); }));
  AddHoverCases(
      bench.Name(""), page, [page] { Show(page, PageState::ConnectFailed); }, cases);
  // The same rectangle repainted with nothing changed: what any WM_PAINT costs under Wine.
  const RECT button = ReconnectButton();
  cases.push_back(Timed(
      bench.Name("repaint of the button, unchanged"), [page, button] { Repaint(page, &button); }, 0,
      [page] { Show(page, PageState::ConnectFailed); }));
  // Records of the connected model: other cases' records without a model drop its profile,
  // so it is shown and its profile read from the cache again first.
  auto variant = std::make_shared<int>(0);
  cases.push_back(Timed(
      bench.Name("record, every value changed"),
      [page, variant] {
        *variant ^= 1;
        SendRecord(page, ConnectedRecord(*variant));
      },
      0, [page] { Show(page, PageState::Connected); }));
}

// Start-up as a host sees it: InitPage, CreatePage and the first paint of the idle view; the
// teardown is not counted. `part` picks what is timed: 0 all, 1 InitPage + CreatePage, 2 the
// first paint.
Case StartUpCase(PageModule& module, HWND parent, const std::string& name, int part) {
  return SelfTimed(name, [&module, parent, part] {
    const double start = Now();
    module.InitPage();
    HWND page = module.CreatePage(parent);
    const double created = Now();
    if (page != nullptr) UpdateWindow(page);
    const double painted = Now();
    module.UnInitPage();
    PumpPending();
    return part == 1 ? created - start : part == 2 ? painted - created : painted - start;
  });
}

struct Ratio {
  std::string what;
  std::string ours;
  std::string other;
  double target;  // ours / other at most this; 0: none
};

// A page's own work: its case less Wine's share of the same work, against a yardstick.
struct OwnWork {
  std::string ours;
  std::string share;
  std::string yardstick;
  double target;  // own work / yardstick at most this
};

// --- cold start: one fresh process of this program for each figure -----------------------

// In a fresh process: its parent made and the module loaded first, untimed; then InitPage,
// CreatePage and the first paint of the idle view, or the same for a minimal page (its class
// registered in the timed part, as InitPage's page registers its own). Writes the
// microseconds to `out`, or nothing when the page could not be made.
int ColdChild(const std::string& what, const std::wstring& modulePath, const std::string& out) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  TestParent parent(PageWidth(), PageHeight(), true);
  PumpPending();
  double us;
  if (what == "minimal") {
    const double start = Now();
    auto page = std::make_unique<PlainWindow>(parent.Hwnd(), nullptr);
    us = (Now() - start) * 1e6;
  } else {
    PageModule module(modulePath.empty() ? ModuleBesideProgram() : modulePath);
    if (!module.Loaded()) return 1;
    const double start = Now();
    HWND page = module.InitPage() ? module.CreatePage(parent.Hwnd()) : nullptr;
    if (page == nullptr) return 1;
    UpdateWindow(page);
    us = (Now() - start) * 1e6;
    module.UnInitPage();
  }
  if (FILE* file = std::fopen(out.c_str(), "w")) {
    std::fprintf(file, "%.1f\n", us);
    std::fclose(file);
  }
  return 0;
}

struct ColdStart {
  std::string name;
  std::wstring what;    // --cold=
  std::wstring module;  // --cold-module=, empty for the one beside this program
  std::vector<double> us;
};

// Runs this program again with `arguments` and --cold-out=<a file>, and returns what that
// process wrote there; empty when it wrote nothing.
std::string RunSelf(const std::wstring& arguments) {
  wchar_t self[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  GetTempPathW(MAX_PATH, temp);
  const std::wstring out = temp + (L"page_bench_child_" + std::to_wstring(GetCurrentProcessId()) + L".txt");
  DeleteFileW(out.c_str());
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments + L" \"--cold-out=" + out + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return "";
  }
  // A child stuck past its figure (Wine's exit can hang) is ended; what it wrote counts.
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string text;
  if (FILE* file = _wfopen(out.c_str(), L"r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) text += buffer;
    std::fclose(file);
  }
  DeleteFileW(out.c_str());
  return text;
}

std::wstring ModuleArgument(const std::wstring& module) {
  return module.empty() ? L"" : L" \"--cold-module=" + module + L"\"";
}

// Runs `runs` processes of each, in turn; a process that writes nothing adds no figure.
void RunColdStarts(std::vector<ColdStart>& colds, int runs) {
  for (int i = 0; i < runs; ++i) {
    for (ColdStart& c : colds) {
      double us = 0;
      const std::string text = RunSelf(L"--cold=" + c.what + ModuleArgument(c.module));
      if (std::sscanf(text.c_str(), "%lf", &us) == 1) c.us.push_back(us);
    }
  }
}

// --- memory ------------------------------------------------------------------------------

// Committed bytes of the process's own memory, private and mapped (images left out).
struct Committed {
  int64_t all = 0;
  int64_t priv = 0;
};

// Also the allocations of `surfaceBytes` committed, give or take the rounding to pages: a DIB
// section is one allocation of its own, so these count the client-sized surfaces kept (heap
// segments, also large, are of other sizes).
Committed CommittedNow(int64_t surfaceBytes = 0, int* surfaces = nullptr) {
  Committed c;
  MEMORY_BASIC_INFORMATION m;
  uintptr_t at = 0;
  const void* base = nullptr;
  int64_t inAllocation = 0;
  int large = 0;
  const auto endAllocation = [&] {
    if (surfaceBytes > 0 && inAllocation >= surfaceBytes && inAllocation < surfaceBytes + 65536) ++large;
    inAllocation = 0;
  };
  while (VirtualQuery(reinterpret_cast<const void*>(at), &m, sizeof m) == sizeof m) {
    if (m.AllocationBase != base) {
      endAllocation();
      base = m.AllocationBase;
    }
    if (m.State == MEM_COMMIT && (m.Type == MEM_PRIVATE || m.Type == MEM_MAPPED)) {
      c.all += static_cast<int64_t>(m.RegionSize);
      if (m.Type == MEM_PRIVATE) c.priv += static_cast<int64_t>(m.RegionSize);
      inAllocation += static_cast<int64_t>(m.RegionSize);
    }
    const uintptr_t next = reinterpret_cast<uintptr_t>(m.BaseAddress) + m.RegionSize;
    if (next <= at) break;
    at = next;
  }
  endAllocation();
  if (surfaces != nullptr) *surfaces = large;
  return c;
}

// What a page keeps beyond the bytes before it was made: the most at any step and at the end.
struct Memory {
  std::string name;
  bool measured = false;
  int width = 0, height = 0;  // the client it got
  Committed before, most, end;
  int surfacesBefore = 0;
  int surfaces = 0;  // the most client-sized allocations the page kept at once
  int64_t SurfaceBytes() const { return int64_t{4} * PageWidth() * PageHeight(); }
  void Start() { before = CommittedNow(SurfaceBytes(), &surfacesBefore); }
  void Sample() {
    int large = 0;
    const Committed now = CommittedNow(SurfaceBytes(), &large);
    end = {now.all - before.all, now.priv - before.priv};
    most = {std::max(most.all, end.all), std::max(most.priv, end.priv)};
    surfaces = std::max(surfaces, large - surfacesBefore);
    measured = true;
  }
  void ClientOf(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
  }
};

// A fresh page shown in every view in turn, as in use: the connected one twice with a value
// changed, so that partial repaints happen too, then idle and connected again, and repaints.
Memory PageMemory(PageModule& module, const std::string& name) {
  Memory m;
  m.name = name;
  TestParent parent(PageWidth(), PageHeight(), true);
  PumpPending();
  m.Start();
  HWND page = module.InitPage() ? module.CreatePage(parent.Hwnd()) : nullptr;
  if (page == nullptr) return m;
  UpdateWindow(page);
  m.Sample();
  for (const StateCase& s : kStates) {
    Show(page, s.state);
    if (s.state == PageState::Connected) {
      WaitForModelPicture(module.Handle());
      m.Sample();
      SendRecord(page, OneValueChanged(s.state, 0));
      UpdateWindow(page);
    }
    m.Sample();
  }
  Show(page, PageState::NoPhone);
  m.Sample();
  Show(page, PageState::Connected);
  m.Sample();
  for (int i = 0; i < 3; ++i) Repaint(page, nullptr);
  m.Sample();
  m.ClientOf(page);
  module.UnInitPage();
  PumpPending();
  return m;
}

// The same for a window that keeps one client-sized section and nothing else.
Memory MinimalMemory() {
  Memory m;
  m.name = "minimal page (one section)";
  TestParent parent(PageWidth(), PageHeight(), true);
  PumpPending();
  m.Start();
  PlainWindow window(parent.Hwnd(), nullptr);
  m.Sample();
  for (int i = 0; i < 3; ++i) Repaint(window.Hwnd(), nullptr);
  m.Sample();
  m.ClientOf(window.Hwnd());
  return m;
}

// In a fresh process, so that no page before it has paid the process's first costs or left
// freed heap to reuse: "page" (the module at `modulePath`) or "minimal". Writes the figures
// to `out`.
int MemoryChild(const std::string& what, const std::wstring& modulePath, const std::string& out) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  Memory m;
  if (what == "minimal") {
    m = MinimalMemory();
  } else {
    PageModule module(modulePath.empty() ? ModuleBesideProgram() : modulePath);
    if (!module.Loaded()) return 1;
    m = PageMemory(module, what);
  }
  if (!m.measured) return 1;
  if (FILE* file = std::fopen(out.c_str(), "w")) {
    std::fprintf(file, "%d %d %lld %lld %lld %lld %d\n", m.width, m.height, static_cast<long long>(m.most.all),
                 static_cast<long long>(m.most.priv), static_cast<long long>(m.end.all),
                 static_cast<long long>(m.end.priv), m.surfaces);
    std::fclose(file);
  }
  return 0;
}

Memory MemoryOf(const std::string& name, const std::wstring& what, const std::wstring& module) {
  Memory m;
  m.name = name;
  long long mostAll = 0, mostPriv = 0, endAll = 0, endPriv = 0;
  const std::string text = RunSelf(L"--memory=" + what + ModuleArgument(module));
  if (std::sscanf(text.c_str(), "%d %d %lld %lld %lld %lld %d", &m.width, &m.height, &mostAll, &mostPriv, &endAll,
                  &endPriv, &m.surfaces) == 7) {
    m.most = {mostAll, mostPriv};
    m.end = {endAll, endPriv};
    m.measured = true;
  }
  return m;
}

// --- the report --------------------------------------------------------------------------

double MedianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

// Microseconds of a case; -1 when there is none.
double UsOf(const std::vector<Case>& cases, const std::string& name) {
  const Case* c = Find(cases, name);
  return c != nullptr && !c->samples.empty() ? c->Median() * 1e6 : -1;
}

std::string Verdict(double value, double target) {
  if (value < -1e8) return "missing";
  return Format("<= %.4g ", target) + (value <= target ? "met" : "MISSED");
}

// One object of the JSON report: "name": number, ...
std::string JsonObject(const char* key, const std::vector<std::pair<std::string, double>>& values, const char* format) {
  std::string json = "  \"" + std::string(key) + "\": {\n";
  for (size_t i = 0; i < values.size(); ++i) {
    json +=
        "    \"" + values[i].first + "\": " + Format(format, values[i].second) + (i + 1 < values.size() ? ",\n" : "\n");
  }
  return json + "  }";
}

void WriteFile(const std::string& path, const std::string& text) {
  if (path.empty()) return;
  if (FILE* file = std::fopen(path.c_str(), "w")) {
    std::fputs(text.c_str(), file);
    std::fclose(file);
  }
}

// Bytes and client-sized surfaces a page keeps, beside a minimal page's (the last).
std::string ReportMemory(const std::vector<Memory>& memory) {
  std::vector<std::pair<std::string, double>> json;
  std::printf("\nmemory a page keeps: committed bytes (private + mapped) after its steps, less before InitPage\n");
  std::printf("(each in a fresh process; \"sections\": the most client-sized allocations kept at once)\n");
  std::printf("%-28s %11s %12s %8s %12s %8s %12s %8s\n", "", "client", "most", "surfaces", "at the end", "surfaces",
              "private most", "sections");
  const Memory& minimal = memory.back();
  for (const Memory& m : memory) {
    if (!m.measured) {
      std::printf("%-28s not measured (no page)\n", m.name.c_str());
      continue;
    }
    const double surface = 4.0 * m.width * m.height;
    std::printf("%-28s %11s %12lld %8.2f %12lld %8.2f %12lld %8d\n", m.name.c_str(),
                (std::to_string(m.width) + " x " + std::to_string(m.height)).c_str(),
                static_cast<long long>(m.most.all), m.most.all / surface, static_cast<long long>(m.end.all),
                m.end.all / surface, static_cast<long long>(m.most.priv), m.surfaces);
    json.push_back({m.name + ": client-sized sections", static_cast<double>(m.surfaces)});
    json.push_back({m.name + ": most bytes", static_cast<double>(m.most.all)});
    json.push_back({m.name + ": bytes at the end", static_cast<double>(m.end.all)});
    json.push_back({m.name + ": most surfaces", m.most.all / surface});
    if (&m == &minimal || !minimal.measured) continue;
    const double beyondMost = (m.most.all - minimal.most.all) / surface;
    const double beyondEnd = (m.end.all - minimal.end.all) / surface;
    std::printf("%-28s %11s %12s %8.2f %12s %8.2f\n", "  beyond a minimal page's", "", "", beyondMost, "", beyondEnd);
    json.push_back({m.name + ": most surfaces beyond a minimal page", beyondMost});
  }
  return JsonObject("memory", json, "%.2f");
}

}  // namespace

int main(int argc, char** argv) {
  std::string jsonPath, cold, coldOut, coldModule, memoryChild;
  std::wstring baselinePath;
  int samples = 9, coldRuns = 7;
  bool blends = true, memoryOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&arg](const char* flag) {
      const size_t n = std::strlen(flag);
      return arg.compare(0, n, flag) == 0 ? std::optional<std::string>(arg.substr(n)) : std::nullopt;
    };
    if (auto v = value("--json=")) jsonPath = *v;
    if (auto v = value("--samples=")) samples = std::max(1, std::atoi(v->c_str()));
    if (auto v = value("--baseline=")) baselinePath.assign(v->begin(), v->end());
    if (auto v = value("--cold-runs=")) coldRuns = std::max(0, std::atoi(v->c_str()));
    if (auto v = value("--cold=")) cold = *v;
    if (auto v = value("--cold-out=")) coldOut = *v;
    if (auto v = value("--cold-module=")) coldModule = *v;
    if (arg == "--no-blends") blends = false;
    if (arg == "--memory-only") memoryOnly = true;
    if (auto v = value("--memory=")) memoryChild = *v;
  }
  {
    HDC screen = GetDC(nullptr);
    gDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  if (!cold.empty()) return ColdChild(cold, std::wstring(coldModule.begin(), coldModule.end()), coldOut);
  if (!memoryChild.empty())
    return MemoryChild(memoryChild, std::wstring(coldModule.begin(), coldModule.end()), coldOut);

  std::vector<std::unique_ptr<BenchPage>> pages;
  pages.push_back(std::make_unique<BenchPage>(ModuleBesideProgram(), ""));
  if (!baselinePath.empty()) pages.push_back(std::make_unique<BenchPage>(baselinePath, "before: "));
  PageModule& module = pages[0]->Module();
  if (!module.Loaded()) {
    std::fprintf(stderr, "MobileInfoPage.dll not loaded\n");
    return 1;
  }
  std::printf("%d DPI, the page %d x %d\n", gDpi, PageWidth(), PageHeight());

  // The lookup stand-in supplies the connected model's profile and picture once; after that
  // every record of it is served from the cache beside each module.
  LookupStandIn service;
  if (service.Running()) {
    SetEnvironmentVariableW(kLookupServiceEnvironment, reinterpret_cast<const wchar_t*>(service.Base().c_str()));
  }

  std::vector<Memory> memory = {MemoryOf("page", L"page", L"")};
  if (!baselinePath.empty()) memory.push_back(MemoryOf("before: page", L"page", baselinePath));
  memory.push_back(MemoryOf("minimal page (one section)", L"minimal", L""));
  if (memoryOnly) {
    const std::string json = ReportMemory(memory);
    WriteFile(jsonPath, "{\n  \"dpi\": " + std::to_string(gDpi) + ",\n" + json + "\n}\n");
    return 0;
  }
  std::printf("blend path %s\n", BlendPathName(DefaultBlendPath()));

  // Blends: the page's own pictures onto the page's kind of surface (a bottom-up 32-bit
  // section), ours and the platform's; GdiAlphaBlend also onto a top-down one.
  struct Drawn {
    const char* name;
    int id, width, height;
  };
  const Drawn drawn[] = {
      {"phone", 102, 204, 373}, {"idle heading", 120, 0, 0}, {"connect steps", 122, 0, 0}, {"tile icon", 130, 52, 52}};
  const RECT pageRect = PageRect(), button = ReconnectButton();
  Section surface(PageWidth(), PageHeight(), 32, true), topDown(PageWidth(), PageHeight(), 32, false);
  Section source(PageWidth(), PageHeight(), 32, true);
  std::vector<BenchImage> images;
  std::vector<std::unique_ptr<Section>> premultiplied;
  std::vector<Case> blendCases;
  for (const Drawn& d : drawn) {
    if (!blends) break;
    images.push_back(Picture(module.Handle(), d.id, d.width, d.height));
    premultiplied.push_back(PremultipliedSection(images.back()));
  }
  for (size_t i = 0; i < images.size(); ++i) {
    const CxImage* image = images[i].image.get();
    const Section* pre = premultiplied[i].get();
    const int64_t pixels = int64_t{images[i].Width()} * images[i].Height();
    const std::string name = drawn[i].name;
    blendCases.push_back(Timed(
        "DrawAt " + name, [&surface, image] { image->DrawAt(surface.Dc(), 10, 10); }, pixels));
    blendCases.push_back(Timed(
        "GdiAlphaBlend " + name, [&surface, pre] { AlphaBlendInto(surface.Dc(), 10, 10, *pre); }, pixels));
    blendCases.push_back(Timed(
        "GdiAlphaBlend " + name + ", top-down", [&topDown, pre] { AlphaBlendInto(topDown.Dc(), 10, 10, *pre); },
        pixels));
  }
  if (blends) {
    blendCases.push_back(Timed(
        "BitBlt " + std::to_string(PageWidth()) + "x" + std::to_string(PageHeight()) + ", sections",
        [&] { BitBlt(surface.Dc(), 0, 0, PageWidth(), PageHeight(), source.Dc(), 0, 0, SRCCOPY); }, Area(pageRect)));
  }
  Measure(blendCases, samples);

  // The pages.
  std::vector<Case> paints;
  std::vector<Faults> faults;
  for (auto& bench : pages) {
    if (!bench->Open()) {
      std::fprintf(stderr, "%spage not created\n", bench->Name("").c_str());
      return 1;
    }
    bench->FetchModel();
  }
  TestParent plainParent(PageWidth(), PageHeight(), true);
  PlainWindow plain(plainParent.Hwnd(), &source);
  {
    const HWND window = pages[0]->Page();
    paints.push_back(Timed(
        "BitBlt of the page", [&source, window, pageRect] { Copy(window, source, pageRect); }, Area(pageRect)));
    paints.push_back(Timed(
        "BitBlt of the Reconnect button", [&source, window, button] { Copy(window, source, button); }, Area(button)));
    const HWND other = plain.Hwnd();
    paints.push_back(Timed("plain window: WM_PAINT of the page area", [other] { Repaint(other, nullptr); }));
    paints.push_back(Timed("plain window: WM_PAINT of the button area", [other, button] { Repaint(other, &button); }));
    paints.push_back(RecordCase("Wine's share: record + tile-sized paint", other, {ConnectedRecord(0)}));
    AddHoverCases("plain window: ", other, nullptr, paints);
    for (Case& c : paints) c.raise = c.name.rfind("BitBlt", 0) == 0 ? pages[0]->Parent() : plainParent.Hwnd();
  }
  for (auto& bench : pages) {
    const size_t first = paints.size();
    AddPageCases(*bench, paints);
    for (size_t i = first; i < paints.size(); ++i) paints[i].raise = bench->Parent();
  }
  Measure(paints, samples);
  // The repaint of a hovered button on its own: mouse and repaint, less the mouse alone.
  for (auto& bench : pages) {
    const Case* both = Find(paints, bench->Name("hover, mouse and repaint"));
    const Case* mouse = Find(paints, bench->Name("hover, mouse only"));
    if (both == nullptr || mouse == nullptr) continue;
    Case repaint = Timed(bench->Name("hover repaint"), nullptr);
    repaint.samples.push_back(std::max(both->Median() - mouse->Median(), 0.0));
    paints.push_back(std::move(repaint));
  }
  for (auto& bench : pages) {
    const std::vector<Faults> counted = CountFaults(*bench);
    faults.insert(faults.end(), counted.begin(), counted.end());
  }
  for (auto& bench : pages) bench->Close();

  // Start-up, each module in a parent of its own; then cold, in fresh processes.
  std::vector<Case> startUp;
  TestParent startParent(PageWidth(), PageHeight(), true);
  for (auto& bench : pages) {
    startUp.push_back(StartUpCase(bench->Module(), startParent.Hwnd(), bench->Name("start-up to first idle paint"), 0));
    startUp.push_back(StartUpCase(bench->Module(), startParent.Hwnd(), bench->Name("  InitPage + CreatePage"), 1));
    startUp.push_back(StartUpCase(bench->Module(), startParent.Hwnd(), bench->Name("  first idle paint"), 2));
  }
  Measure(startUp, samples);
  std::vector<ColdStart> colds = {{"page", L"page", L"", {}}};
  if (!baselinePath.empty()) colds.push_back({"before: page", L"page", baselinePath, {}});
  colds.push_back({"minimal page", L"minimal", L"", {}});
  RunColdStarts(colds, coldRuns);

  // The report.
  std::vector<Case> all;
  for (auto* group : {&blendCases, &paints, &startUp}) all.insert(all.end(), group->begin(), group->end());
  std::printf("\n%-52s %12s %10s\n", "case (median of samples)", "us per run", "ns/px");
  for (const Case& c : all) {
    const double us = c.Median() * 1e6;
    std::printf("%-52s %12.1f %10s\n", c.name.c_str(), us,
                c.pixels ? Format("%.2f", us * 1000.0 / static_cast<double>(c.pixels)).c_str() : "-");
  }
  std::printf("\n%-52s %12s\n", "page faults (after warm-up)", "per paint");
  for (const Faults& f : faults) std::printf("%-52s %12.1f\n", f.name.c_str(), f.perPaint);

  std::vector<Ratio> ratios;
  for (size_t i = 0; i < images.size(); ++i) {
    ratios.push_back({std::string("DrawAt / GdiAlphaBlend, ") + drawn[i].name, std::string("DrawAt ") + drawn[i].name,
                      std::string("GdiAlphaBlend ") + drawn[i].name, 0});
  }
  for (auto& bench : pages) {
    for (const StateCase& s : kStates) {
      ratios.push_back({bench->Name("full paint / BitBlt, ") + s.name, bench->Name("full paint, ") + s.name,
                        "BitBlt of the page", 5.0});
    }
    for (const StateCase& s : kStates) {
      ratios.push_back({bench->Name("record + paint / BitBlt, ") + s.name, bench->Name("record + paint, ") + s.name,
                        "BitBlt of the page", 0});
    }
    ratios.push_back({bench->Name("hover / full paint, failed"), bench->Name("hover repaint"),
                      bench->Name("full paint, connect failed"), 0.05});
    ratios.push_back({bench->Name("hover / recomposed failed page"), bench->Name("hover repaint"),
                      bench->Name("record + paint, connect failed"), 0.05});
    ratios.push_back({bench->Name("hover / BitBlt of the button"), bench->Name("hover repaint"),
                      "BitBlt of the Reconnect button", 3.0});
    ratios.push_back({bench->Name("hover / unchanged repaint of the button"), bench->Name("hover repaint"),
                      bench->Name("repaint of the button, unchanged"), 0});
    ratios.push_back({bench->Name("hover / plain window's WM_PAINT there"), bench->Name("hover repaint"),
                      "plain window: WM_PAINT of the button area", 0});
    for (const StateCase& s : kStates) {
      ratios.push_back({bench->Name("full paint / plain window's WM_PAINT, ") + s.name,
                        bench->Name("full paint, ") + s.name, "plain window: WM_PAINT of the page area", 0});
    }
  }
  if (pages.size() > 1) {
    ratios.push_back(
        {"start-up, after / before", "start-up to first idle paint", "before: start-up to first idle paint", 0.4});
    ratios.push_back(
        {"record, after / before", "record, every value changed", "before: record, every value changed", 0});
    for (const StateCase& s : kStates) {
      ratios.push_back({std::string("full paint, after / before, ") + s.name, std::string("full paint, ") + s.name,
                        std::string("before: full paint, ") + s.name, 0});
    }
  }
  std::printf("\n%-52s %10s %10s  %s\n", "ratio", "ours/other", "other/ours", "target");
  std::vector<std::pair<std::string, double>> ratioJson;
  for (const Ratio& r : ratios) {
    const Case* a = Find(all, r.ours);
    const Case* b = Find(all, r.other);
    const double value = a && b && b->Median() > 0 ? a->Median() / b->Median() : -1;
    std::string verdict = "-";
    if (r.target > 0) verdict = value >= 0 && value <= r.target ? "met" : "MISSED";
    std::printf("%-52s %10.4f %10.3g  %s\n", r.what.c_str(), value, value > 0 ? 1 / value : 0.0,
                r.target > 0 ? (Format("<= %.4g ", r.target) + verdict).c_str() : "");
    ratioJson.push_back({r.what, value});
  }

  // The pages' own work: each case less Wine's share of it.
  std::vector<OwnWork> own;
  for (auto& bench : pages) {
    for (const StateCase& s : kStates) {
      own.push_back({bench->Name("record + paint, one value, ") + s.name, "Wine's share: record + tile-sized paint",
                     "BitBlt of the page", 1.0});
    }
    own.push_back({bench->Name("record + paint, every value, connected"), "Wine's share: record + tile-sized paint",
                   "BitBlt of the page", 4.0});
    own.push_back({bench->Name("hover, mouse and repaint"), "plain window: hover, mouse and repaint",
                   "BitBlt of the Reconnect button", 5.0});
  }
  std::printf("\n%-52s %10s %10s %10s  %s\n", "own work (case - Wine's share) / yardstick", "own us", "share us",
              "ratio", "target");
  std::vector<std::pair<std::string, double>> ownJson;
  for (const OwnWork& o : own) {
    const double ours = UsOf(all, o.ours), share = UsOf(all, o.share), yardstick = UsOf(all, o.yardstick);
    const bool known = ours >= 0 && share >= 0 && yardstick > 0;
    const double value = known ? (ours - share) / yardstick : -1e9;
    std::printf("%-52s %10.1f %10.1f %10.3f  %s\n", o.ours.c_str(), ours - share, share, value,
                Verdict(value, o.target).c_str());
    ownJson.push_back({o.ours, value});
  }
  std::printf(
      "(yardsticks: record cases against \"BitBlt of the page\" %.1f us, the hover against \"BitBlt of the "
      "Reconnect button\" %.1f us)\n",
      UsOf(all, "BitBlt of the page"), UsOf(all, "BitBlt of the Reconnect button"));

  // Start-up: cold against a minimal page, each in fresh processes; warm against 3 ms.
  std::printf("\n%-52s %10s %10s %10s  %s\n", "start-up to first idle paint (us)", "median", "min", "max", "target");
  std::vector<std::pair<std::string, double>> startJson;
  const double minimal = MedianOf(colds.back().us);
  for (const ColdStart& c : colds) {
    const std::string name = "cold: " + c.name + " (" + std::to_string(c.us.size()) + " processes)";
    if (c.us.empty()) {
      std::printf("%-52s %10s\n", name.c_str(), "missing");
      continue;
    }
    std::printf("%-52s %10.0f %10.0f %10.0f\n", name.c_str(), MedianOf(c.us),
                *std::min_element(c.us.begin(), c.us.end()), *std::max_element(c.us.begin(), c.us.end()));
    startJson.push_back({"cold: " + c.name, MedianOf(c.us)});
  }
  for (const ColdStart& c : colds) {
    if (c.what == L"minimal") continue;
    const double value = !c.us.empty() && minimal > 0 ? MedianOf(c.us) / minimal : -1e9;
    std::printf("%-52s %10.3f %10s %10s  %s\n", ("cold: " + c.name + " / minimal page").c_str(), value, "", "",
                Verdict(value, 1.25).c_str());
    startJson.push_back({"cold: " + c.name + " / minimal page", value});
  }
  for (auto& bench : pages) {
    const double warm = UsOf(all, bench->Name("start-up to first idle paint"));
    std::printf("%-52s %10.0f %10s %10s  %s\n", ("warm: " + bench->Name("page")).c_str(), warm, "", "",
                Verdict(warm >= 0 ? warm : -1e9, 3000).c_str());
    startJson.push_back({"warm: " + bench->Name("page"), warm});
  }

  const std::string memoryJson = ReportMemory(memory);

  std::vector<std::pair<std::string, double>> caseJson, faultJson;
  for (const Case& c : all) caseJson.push_back({c.name, c.Median() * 1e6});
  for (const Faults& f : faults) faultJson.push_back({f.name, f.perPaint});
  WriteFile(jsonPath, "{\n  \"blend_path\": \"" + std::string(BlendPathName(DefaultBlendPath())) +
                          "\",\n  \"dpi\": " + std::to_string(gDpi) + ",\n" + JsonObject("cases", caseJson, "%.3f") +
                          ",\n" + JsonObject("faults", faultJson, "%.2f") + ",\n" +
                          JsonObject("ratios", ratioJson, "%.5f") + ",\n" + JsonObject("own_work", ownJson, "%.5f") +
                          ",\n" + JsonObject("start_up", startJson, "%.1f") + ",\n" + memoryJson + "\n}\n");
  return 0;
}
