// The page's drawing under Wine, in one process: DrawAt against GdiAlphaBlend on the same
// picture and target, full-page paints of each state against a block copy of the page, a
// repaint of the Reconnect button against a full paint, and CreatePage start-up. Cases are
// sampled in turn, so a busy machine slows them alike; each figure is a median.
//
//   page_win_bench [--json=FILE] [--samples=N]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_images.h"
#include "imaging/blend_paths.h"
#include "imaging/draw_base.h"
#include "imaging/ximage.h"
#include "testing/dib_canvas.h"
#include "testing/page_module.h"
#include "testing/test_support.h"

namespace {

constexpr int kPageWidth = 800;
constexpr int kPageHeight = 570;
constexpr RECT kReconnectButton = {340, 382, 462, 430};

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
  Case(std::string caseName, std::function<void()> body, std::function<void()> before, int64_t pixelCount)
      : name(std::move(caseName)), run(std::move(body)), setUp(std::move(before)), pixels(pixelCount) {}
  std::string name;
  std::function<void()> run;
  std::function<void()> setUp;  // before each sample, not timed
  int64_t pixels = 0;
  int iterations = 1;
  std::vector<double> samples;  // seconds per run
  double Median() const {
    std::vector<double> sorted = samples;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[sorted.size() / 2];
  }
};

// Runs the cases in turn, `samples` times, each sample at least about 20 ms long.
void Measure(std::vector<Case>& cases, int samples) {
  for (Case& c : cases) {
    if (c.setUp) c.setUp();
    c.run();  // warm
    const double start = Now();
    c.run();
    const double once = std::max(Now() - start, 1e-7);
    c.iterations = static_cast<int>(std::clamp(0.02 / once, 1.0, 100000.0));
  }
  for (int s = 0; s < samples; ++s) {
    for (Case& c : cases) {
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

// A picture from the module's own resources, else as the native benchmark finds it.
BenchImage Picture(HMODULE module, int id, int width, int height) {
  BenchImage image{std::make_unique<CxImage>(CXIMAGE_FORMAT_PNG), "module resource " + std::to_string(id)};
  if (module != nullptr && LoadPngResource(*image.image, id, module)) return image;
  return PageImage(DefaultPngDir(), id, width, height, false);
}

// The picture as GdiAlphaBlend takes it: premultiplied 32-bit, in a DIB section.
std::unique_ptr<DibCanvas> PremultipliedDib(const BenchImage& image) {
  auto dib = std::make_unique<DibCanvas>(image.Width(), image.Height());
  const std::vector<uint32_t> pixels = Premultiplied(image.View());
  GdiFlush();
  std::memcpy(dib->Bits(), pixels.data(), pixels.size() * 4);
  return dib;
}

void AlphaBlendInto(HDC target, const DibCanvas& source, int width, int height, int cx, int cy) {
  const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(target, 0, 0, cx, cy, source.Dc(), 0, 0, width, height, blend);
}

BITMAPINFO Header24(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// DrawAt's first step on its own: the target's pixels into a fresh 24-bit DIB section.
void ReadBack(HDC target, int width, int height) {
  BITMAPINFO info = Header24(width, height);
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(target);
  HBITMAP section = CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, section);
  BitBlt(memory, 0, 0, width, height, target, 0, 0, SRCCOPY);
  GdiFlush();
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::string jsonPath;
  int samples = 9;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--json=", 7) == 0) jsonPath = argv[i] + 7;
    if (std::strncmp(argv[i], "--samples=", 10) == 0) samples = std::max(1, std::atoi(argv[i] + 10));
  }

  PageModule module(ModuleBesideProgram());
  if (!module.Loaded()) {
    std::fprintf(stderr, "MobileInfoPage.dll not loaded\n");
    return 1;
  }
  std::printf("blend path %s\n", BlendPathName(DefaultBlendPath()));

  // Blends: the same picture onto the same target, our way and the platform's: a 32-bit
  // section, where DrawAt reads back and copies, and the page's own kind of surface.
  const BenchImage mix = RealisticMix(742, 526);
  const BenchImage phone = Picture(module.Handle(), 102, 204, 373);
  const std::unique_ptr<DibCanvas> mixPre = PremultipliedDib(mix);
  const std::unique_ptr<DibCanvas> phonePre = PremultipliedDib(phone);
  DibCanvas target(kPageWidth, kPageHeight), copySource(kPageWidth, kPageHeight);
  target.Fill(0xFFF4F6F8);
  // The kind of surface the page paints into, into whose memory DrawAt blends directly.
  DibCanvas surface(kPageWidth, kPageHeight, DibLayout::BottomUp24, 0xFFFFFF);
  copySource.Fill(0xFF808080);
  const int64_t mixPixels = int64_t{742} * 526, pagePixels = int64_t{kPageWidth} * kPageHeight;
  const int64_t phonePixels = int64_t{phone.Width()} * phone.Height();
  const int pw = phone.Width(), ph = phone.Height();
  BenchSurface mixBuffer(742, 526), pageBuffer(kPageWidth, kPageHeight);
  const PaintBox mixBox{0, 0, 742, 526}, pageBox{0, 0, kPageWidth, kPageHeight};
  const BITMAPINFO mixInfo = Header24(742, 526);
  std::vector<Case> blends = {
      {"DrawAt mix 742x526", [&] { mix.image->DrawAt(target.Dc(), 0, 0); }, nullptr, mixPixels},
      {"GdiAlphaBlend mix 742x526", [&] { AlphaBlendInto(target.Dc(), *mixPre, 742, 526, 742, 526); }, nullptr,
       mixPixels},
      {"DrawAt mix to 800x570", [&] { mix.image->DrawAt(target.Dc(), 0, 0, kPageWidth, kPageHeight); }, nullptr,
       pagePixels},
      {"GdiAlphaBlend mix to 800x570", [&] { AlphaBlendInto(target.Dc(), *mixPre, 742, 526, kPageWidth, kPageHeight); },
       nullptr, pagePixels},
      {"DrawAt phone", [&] { phone.image->DrawAt(target.Dc(), 0, 0); }, nullptr, phonePixels},
      {"DrawAt mix, page surface", [&] { mix.image->DrawAt(surface.Dc(), 0, 0); }, nullptr, mixPixels},
      {"GdiAlphaBlend mix, page surface", [&] { AlphaBlendInto(surface.Dc(), *mixPre, 742, 526, 742, 526); }, nullptr,
       mixPixels},
      {"DrawAt mix to 800x570, page surface", [&] { mix.image->DrawAt(surface.Dc(), 0, 0, kPageWidth, kPageHeight); },
       nullptr, pagePixels},
      {"GdiAlphaBlend mix to 800x570, page surface",
       [&] { AlphaBlendInto(surface.Dc(), *mixPre, 742, 526, kPageWidth, kPageHeight); }, nullptr, pagePixels},
      {"DrawAt phone, page surface", [&] { phone.image->DrawAt(surface.Dc(), 0, 0); }, nullptr, phonePixels},
      {"GdiAlphaBlend phone, page surface", [&] { AlphaBlendInto(surface.Dc(), *phonePre, pw, ph, pw, ph); }, nullptr,
       phonePixels},
      {"GdiAlphaBlend phone", [&] { AlphaBlendInto(target.Dc(), *phonePre, pw, ph, pw, ph); }, nullptr, phonePixels},
      // What DrawAt is made of: the kernel, the read-back into a 24-bit DIB section, the copy back.
      {"  kernel: BlendImage mix", [&] { BlendImage(mix.View(), 0, 0, 742, 526, mixBox, mixBuffer.surface); }, nullptr,
       mixPixels},
      {"  kernel: BlendImage mix to 800x570",
       [&] { BlendImage(mix.View(), 0, 0, kPageWidth, kPageHeight, pageBox, pageBuffer.surface); }, nullptr,
       pagePixels},
      {"  read-back: DIB section + BitBlt", [&] { ReadBack(target.Dc(), 742, 526); }, nullptr, mixPixels},
      {"  copy back: SetDIBitsToDevice",
       [&] {
         SetDIBitsToDevice(target.Dc(), 0, 0, 742, 526, 0, 0, 0, 526, mixBuffer.bytes.data(), &mixInfo, DIB_RGB_COLORS);
       },
       nullptr, mixPixels},
      {"BitBlt 800x570", [&] { BitBlt(target.Dc(), 0, 0, kPageWidth, kPageHeight, copySource.Dc(), 0, 0, SRCCOPY); },
       nullptr, pagePixels},
  };
  Measure(blends, samples);

  // Page paints, through the real module driven by records as the phone service sends them.
  std::vector<Case> paints;
  {
    TestParent parent(kPageWidth, kPageHeight, true);
    if (!module.InitPage()) return 1;
    HWND page = module.CreatePage(parent.Hwnd());
    if (page == nullptr) return 1;
    UpdateWindow(page);
    DibCanvas canvas(kPageWidth, kPageHeight);
    auto showState = [page](PageState state) {
      return [page, state] {
        SendRecord(page, MakeRecord(state));
        PumpPending();
      };
    };
    const struct {
      const char* name;
      PageState state;
    } states[] = {{"no phone", PageState::NoPhone},
                  {"connected", PageState::Connected},
                  {"connecting", PageState::Connecting},
                  {"connect failed", PageState::ConnectFailed},
                  {"guard missing", PageState::GuardMissing}};
    for (const auto& s : states) {
      paints.emplace_back(
          std::string("paint ") + s.name,
          [&canvas, page] { SendMessageW(page, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT); },
          showState(s.state), pagePixels);
    }
    paints.emplace_back(
        "BitBlt of the page",
        [&] { BitBlt(canvas.Dc(), 0, 0, kPageWidth, kPageHeight, copySource.Dc(), 0, 0, SRCCOPY); }, nullptr,
        pagePixels);
    // A hovered button invalidates its own rectangle; WM_PAINT then repaints only that.
    paints.emplace_back(
        "repaint Reconnect button",
        [page] {
          InvalidateRect(page, &kReconnectButton, FALSE);
          UpdateWindow(page);
        },
        showState(PageState::ConnectFailed), 122 * 48);
    paints.emplace_back(
        "repaint whole page",
        [page] {
          InvalidateRect(page, nullptr, FALSE);
          UpdateWindow(page);
        },
        showState(PageState::ConnectFailed), pagePixels);
    Measure(paints, samples);
    module.UnInitPage();
    PumpPending();
  }

  // Start-up: the page object, its window, every picture decoded, fonts and controls.
  std::vector<Case> startUp;
  {
    TestParent parent(kPageWidth, kPageHeight, false);
    startUp.emplace_back(
        "CreatePage start-up",
        [&] {
          module.InitPage();
          HWND page = module.CreatePage(parent.Hwnd());
          if (page != nullptr) DestroyWindow(page);
          module.UnInitPage();
          PumpPending();
        },
        nullptr, 0);
    Measure(startUp, samples);
  }

  // The report.
  std::vector<Case> all;
  for (auto* group : {&blends, &paints, &startUp}) all.insert(all.end(), group->begin(), group->end());
  std::printf("\n%-32s %12s %10s\n", "case (median of samples)", "us per run", "ns/px");
  for (const Case& c : all) {
    const double us = c.Median() * 1e6;
    std::printf("%-32s %12.1f %10s\n", c.name.c_str(), us,
                c.pixels ? Format("%.2f", us * 1000.0 / static_cast<double>(c.pixels)).c_str() : "-");
  }
  struct Ratio {
    const char* what;
    const char* ours;
    const char* other;
    double target;  // ours / other at most this; 0: none
  };
  const Ratio ratios[] = {
      {"DrawAt / GdiAlphaBlend, mix", "DrawAt mix 742x526", "GdiAlphaBlend mix 742x526", 1.0 / 30},
      {"DrawAt / GdiAlphaBlend, stretched mix", "DrawAt mix to 800x570", "GdiAlphaBlend mix to 800x570", 1.0 / 30},
      {"DrawAt / GdiAlphaBlend, phone", "DrawAt phone", "GdiAlphaBlend phone", 1.0 / 30},
      {"DrawAt / GdiAlphaBlend, mix, page surface", "DrawAt mix, page surface", "GdiAlphaBlend mix, page surface",
       1.0 / 30},
      {"DrawAt / GdiAlphaBlend, stretched, page surface", "DrawAt mix to 800x570, page surface",
       "GdiAlphaBlend mix to 800x570, page surface", 1.0 / 30},
      {"DrawAt / GdiAlphaBlend, phone, page surface", "DrawAt phone, page surface", "GdiAlphaBlend phone, page surface",
       1.0 / 30},
      {"kernel / GdiAlphaBlend, mix", "  kernel: BlendImage mix", "GdiAlphaBlend mix 742x526", 1.0 / 30},
      {"kernel / GdiAlphaBlend, stretched mix", "  kernel: BlendImage mix to 800x570", "GdiAlphaBlend mix to 800x570",
       1.0 / 30},
      {"paint no phone / BitBlt", "paint no phone", "BitBlt of the page", 0},
      {"paint connected / BitBlt", "paint connected", "BitBlt of the page", 0},
      {"paint connecting / BitBlt", "paint connecting", "BitBlt of the page", 0},
      {"paint connect failed / BitBlt", "paint connect failed", "BitBlt of the page", 0},
      {"paint guard missing / BitBlt", "paint guard missing", "BitBlt of the page", 0},
      {"button repaint / whole repaint", "repaint Reconnect button", "repaint whole page", 0.10},
  };
  std::printf("\n%-40s %10s %10s  %s\n", "ratio", "ours/other", "other/ours", "target");
  std::string json =
      "{\n  \"blend_path\": \"" + std::string(BlendPathName(DefaultBlendPath())) + "\",\n  \"cases\": {\n";
  for (size_t i = 0; i < all.size(); ++i) {
    json +=
        "    \"" + all[i].name + "\": " + Format("%.3f", all[i].Median() * 1e6) + (i + 1 < all.size() ? ",\n" : "\n");
  }
  json += "  },\n  \"ratios\": {\n";
  for (size_t i = 0; i < std::size(ratios); ++i) {
    const Ratio& r = ratios[i];
    const Case* a = Find(all, r.ours);
    const Case* b = Find(all, r.other);
    const double value = a && b && b->Median() > 0 ? a->Median() / b->Median() : -1;
    std::string verdict = "-";
    if (r.target > 0) verdict = value >= 0 && value <= r.target ? "met" : "MISSED";
    std::printf("%-40s %10.4f %10.3g  %s\n", r.what, value, value > 0 ? 1 / value : 0.0,
                r.target > 0 ? (Format("<= %.4f ", r.target) + verdict).c_str() : "");
    json +=
        "    \"" + std::string(r.what) + "\": " + Format("%.5f", value) + (i + 1 < std::size(ratios) ? ",\n" : "\n");
  }
  json += "  }\n}\n";
  if (!jsonPath.empty()) {
    if (FILE* file = std::fopen(jsonPath.c_str(), "w")) {
      std::fputs(json.c_str(), file);
      std::fclose(file);
    }
  }
  return 0;
}
