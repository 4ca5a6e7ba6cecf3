#include "bench/bench_cases.h"

#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "bench/bench_images.h"
#include "imaging/blend_paths.h"
#include "imaging/image_view.h"

namespace {

constexpr int kPageWidth = 800;
constexpr int kPageHeight = 570;
constexpr int kMixWidth = 742;  // the information background's size
constexpr int kMixHeight = 526;
constexpr int kTileCount = 8;
constexpr int kCardEdge = 18;  // the information card's three-slice edges
constexpr int kCardWidth = 700;

// A surface that looks at the box's pixels inside a larger bottom-up target surface, the way
// DrawAt's read-back buffer holds exactly the paint box.
Surface24 SubSurface(const Surface24& target, const PaintBox& box) {
  Surface24 sub;
  sub.width = box.Width();
  sub.height = box.Height();
  sub.stride = target.stride;
  sub.bits = target.bits + static_cast<size_t>(target.height - box.bottom) * target.stride + box.left * 3;
  return sub;
}

// DrawAt's choice of kernel, into a surface that stands for the whole target.
void DrawKernel(const ImageView& view, int x, int y, int cx, int cy, Surface24& target, BlendPath path) {
  if (cx < 0) cx = view.width;
  if (cy < 0) cy = view.height;
  const PaintBox clip{0, 0, target.width, target.height};
  const PaintBox box = ComputePaintBox(clip, x, y, cx, cy);
  if (box.Width() <= 0 || box.Height() <= 0) return;
  Surface24 sub = SubSurface(target, box);
  if (NeedsBlending(view)) {
    BlendImageUsing(path, view, x, y, cx, cy, box, sub);
  } else {
    ResampleOpaqueUsing(path, view, x, y, cx, cy, box, sub);
  }
}

struct PixmanImage {
  pixman_image_t* image = nullptr;
  PixmanImage() = default;
  explicit PixmanImage(pixman_image_t* made) : image(made) {}
  PixmanImage(PixmanImage&& other) noexcept : image(other.image) { other.image = nullptr; }
  PixmanImage& operator=(PixmanImage&& other) noexcept {
    std::swap(image, other.image);
    return *this;
  }
  ~PixmanImage() {
    if (image != nullptr) pixman_image_unref(image);
  }
};

PixmanImage Bits(pixman_format_code_t format, int width, int height, void* data, int stride) {
  return PixmanImage(pixman_image_create_bits(format, width, height, static_cast<uint32_t*>(data), stride));
}

void SetNearestScale(pixman_image_t* image, double sx, double sy) {
  pixman_transform_t transform;
  pixman_transform_init_scale(&transform, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
  pixman_image_set_transform(image, &transform);
  pixman_image_set_filter(image, PIXMAN_FILTER_NEAREST, nullptr, 0);
}

void Over(pixman_image_t* src, pixman_image_t* dst, int srcX, int dstX, int width, int height) {
  pixman_image_composite32(PIXMAN_OP_OVER, src, nullptr, dst, srcX, 0, 0, 0, dstX, 0, width, height);
}

// The default path first, then the others this build and processor have.
std::vector<BlendPath> OtherPaths(bool withDefault) {
  std::vector<BlendPath> paths;
  if (withDefault) paths.push_back(DefaultBlendPath());
  for (const BlendPath path : {BlendPath::Ssse3, BlendPath::Sse2, BlendPath::Portable}) {
    if (HasBlendPath(path) && path != DefaultBlendPath()) paths.push_back(path);
  }
  return paths;
}

std::string Prefix(BlendPath path) {
  return path == DefaultBlendPath() ? "ours." : std::string("ours-") + BlendPathName(path) + ".";
}

}  // namespace

struct BenchFixture::State {
  BenchImage mix, partial, phone, background, card;
  std::vector<BenchImage> tiles;

  // Our targets: 24-bit, bottom-up, the page's size; every case draws at its top-left.
  BenchSurface page{kPageWidth, kPageHeight};
  BenchSurface copySource{kPageWidth, kPageHeight};

  // pixman's: premultiplied sources, 32- and 24-bit destinations over their own buffers.
  std::vector<std::vector<uint32_t>> premultiplied;
  std::vector<uint32_t> x888 = std::vector<uint32_t>(static_cast<size_t>(kPageWidth) * kPageHeight, 0xFFF4F6F8);
  std::vector<uint8_t> r888 = std::vector<uint8_t>(static_cast<size_t>(Stride24(kPageWidth)) * kPageHeight, 0xF0);
  std::vector<PixmanImage> keep;

  pixman_image_t* Source(const BenchImage& image, pixman_format_code_t format = PIXMAN_a8r8g8b8) {
    premultiplied.push_back(Premultiplied(image.View()));
    keep.push_back(Bits(format, image.Width(), image.Height(), premultiplied.back().data(), image.Width() * 4));
    return keep.back().image;
  }
  pixman_image_t* Crop(pixman_image_t* whole, int left, int width) {
    const int stride = pixman_image_get_stride(whole);
    keep.push_back(Bits(pixman_image_get_format(whole), width, pixman_image_get_height(whole),
                        pixman_image_get_data(whole) + left, stride));
    return keep.back().image;
  }
  pixman_image_t* DestinationX888(int width, int height) {
    keep.push_back(Bits(PIXMAN_x8r8g8b8, width, height, x888.data(), kPageWidth * 4));
    return keep.back().image;
  }
  pixman_image_t* Destination0888(int width, int height) {
    keep.push_back(Bits(PIXMAN_r8g8b8, width, height, r888.data(), Stride24(kPageWidth)));
    return keep.back().image;
  }
};

BenchFixture::BenchFixture(const std::string& pngDir) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.mix = RealisticMix(kMixWidth, kMixHeight);
  s.partial = AllPartial(kMixWidth, kMixHeight);
  s.phone = PageImage(pngDir, 102, 204, 373, false);
  s.background = PageImage(pngDir, 143, kMixWidth, kMixHeight, true);
  s.card = PageImage(pngDir, 112, 60, 337, false);
  for (int id = 130; id < 130 + kTileCount; ++id) s.tiles.push_back(PageImage(pngDir, id, 52, 52, false));
  s.premultiplied.reserve(64);  // the pixman images point into these vectors
  s.keep.reserve(64);

  auto add = [&](std::string name, int64_t pixels, std::function<void()> run) {
    cases_.push_back(BenchCase{std::move(name), pixels, std::move(run)});
  };
  Surface24& page = s.page.surface;
  const int64_t mixPixels = int64_t{kMixWidth} * kMixHeight;
  const int64_t pagePixels = int64_t{kPageWidth} * kPageHeight;
  const int64_t phonePixels = int64_t{s.phone.Width()} * s.phone.Height();
  const int64_t tilePixels = int64_t{s.tiles[0].Width()} * s.tiles[0].Height() * kTileCount;
  const int64_t cardPixels = int64_t{kCardWidth} * s.card.Height();

  // Ours, through each row-kernel path the build has.
  for (const BlendPath path : OtherPaths(true)) {
    const std::string p = Prefix(path);
    add(p + "natural.mix742", mixPixels, [&s, &page, path] { DrawKernel(s.mix.View(), 0, 0, -1, -1, page, path); });
    add(p + "natural.partial742", mixPixels,
        [&s, &page, path] { DrawKernel(s.partial.View(), 0, 0, -1, -1, page, path); });
    add(p + "natural.phone", phonePixels, [&s, &page, path] { DrawKernel(s.phone.View(), 0, 0, -1, -1, page, path); });
    add(p + "natural.tiles", tilePixels, [&s, &page, path] {
      for (int i = 0; i < kTileCount; ++i) DrawKernel(s.tiles[i].View(), i * 60, 0, -1, -1, page, path);
    });
    add(p + "nearest.mix742to800", pagePixels,
        [&s, &page, path] { DrawKernel(s.mix.View(), 0, 0, kPageWidth, kPageHeight, page, path); });
    add(p + "nearest.partial742to800", pagePixels,
        [&s, &page, path] { DrawKernel(s.partial.View(), 0, 0, kPageWidth, kPageHeight, page, path); });
    add(p + "threeslice.card", cardPixels, [&s, &page, path] {
      // As the page's three-slice draw: three crops made anew, each drawn.
      CxImage& card = *s.card.image;
      const int w = s.card.Width(), h = s.card.Height();
      CxImage left, middle, right;
      card.CropInto(0, 0, kCardEdge, h, &left);
      card.CropInto(kCardEdge, 0, w - kCardEdge, h, &middle);
      card.CropInto(w - kCardEdge, 0, w, h, &right);
      DrawKernel(left.View(), 0, 0, -1, -1, page, path);
      DrawKernel(middle.View(), kCardEdge, 0, kCardWidth - 2 * kCardEdge, h, page, path);
      DrawKernel(right.View(), kCardWidth - kCardEdge, 0, -1, -1, page, path);
    });
    add(p + "opaque.background", pagePixels,
        [&s, &page, path] { DrawKernel(s.background.View(), 0, 0, kPageWidth, kPageHeight, page, path); });
  }

  // pixman: OVER of premultiplied a8r8g8b8 onto x8r8g8b8 and onto r8g8b8.
  for (const bool x888 : {true, false}) {
    const std::string p = x888 ? "pixman.x888." : "pixman.0888.";
    auto dst = [&s, x888](int w, int h) { return x888 ? s.DestinationX888(w, h) : s.Destination0888(w, h); };
    pixman_image_t* mixDst = dst(kMixWidth, kMixHeight);
    pixman_image_t* pageDst = dst(kPageWidth, kPageHeight);
    pixman_image_t* mix = s.Source(s.mix);
    pixman_image_t* partial = s.Source(s.partial);
    add(p + "natural.mix742", mixPixels, [=] { Over(mix, mixDst, 0, 0, kMixWidth, kMixHeight); });
    add(p + "natural.partial742", mixPixels, [=] { Over(partial, mixDst, 0, 0, kMixWidth, kMixHeight); });
    pixman_image_t* phone = s.Source(s.phone);
    const int pw = s.phone.Width(), ph = s.phone.Height();
    add(p + "natural.phone", phonePixels, [=] { Over(phone, pageDst, 0, 0, pw, ph); });
    std::vector<pixman_image_t*> tiles;
    for (const BenchImage& tile : s.tiles) tiles.push_back(s.Source(tile));
    const int tw = s.tiles[0].Width(), th = s.tiles[0].Height();
    add(p + "natural.tiles", tilePixels, [=] {
      for (int i = 0; i < kTileCount; ++i) Over(tiles[i], pageDst, 0, i * 60, tw, th);
    });
    pixman_image_t* mixScaled = s.Source(s.mix);
    SetNearestScale(mixScaled, double{kMixWidth} / kPageWidth, double{kMixHeight} / kPageHeight);
    pixman_image_t* partialScaled = s.Source(s.partial);
    SetNearestScale(partialScaled, double{kMixWidth} / kPageWidth, double{kMixHeight} / kPageHeight);
    add(p + "nearest.mix742to800", pagePixels, [=] { Over(mixScaled, pageDst, 0, 0, kPageWidth, kPageHeight); });
    add(p + "nearest.partial742to800", pagePixels,
        [=] { Over(partialScaled, pageDst, 0, 0, kPageWidth, kPageHeight); });
    pixman_image_t* card = s.Source(s.card);
    pixman_image_t* cardMiddle = s.Crop(s.Source(s.card), kCardEdge, s.card.Width() - 2 * kCardEdge);
    const int cw = s.card.Width(), chh = s.card.Height(), stretched = kCardWidth - 2 * kCardEdge;
    SetNearestScale(cardMiddle, double(cw - 2 * kCardEdge) / stretched, 1.0);
    add(p + "threeslice.card", cardPixels, [=] {
      Over(card, pageDst, 0, 0, kCardEdge, chh);
      Over(cardMiddle, pageDst, 0, kCardEdge, stretched, chh);
      Over(card, pageDst, cw - kCardEdge, kCardWidth - kCardEdge, kCardEdge, chh);
    });
    if (x888) {
      pixman_image_t* background = s.Source(s.background, PIXMAN_x8r8g8b8);
      SetNearestScale(background, double{kMixWidth} / kPageWidth, double{kMixHeight} / kPageHeight);
      add(p + "nearest-src.background", pagePixels, [=] {
        pixman_image_composite32(PIXMAN_OP_SRC, background, nullptr, pageDst, 0, 0, 0, 0, 0, 0, kPageWidth,
                                 kPageHeight);
      });
    }
  }

  // memcpy of the same destination area, in our 24-bit layout.
  auto copy = [&](std::string name, int width, int height, int times) {
    const size_t bytes = static_cast<size_t>(Stride24(width)) * height;
    add("memcpy." + name, int64_t{width} * height * times, [&s, bytes, times] {
      // Separate places, as the draws are: copies to one place could be merged away.
      for (int i = 0; i < times; ++i) std::memcpy(s.page.bytes.data() + i * bytes, s.copySource.bytes.data(), bytes);
    });
  };
  copy("742x526", kMixWidth, kMixHeight, 1);
  copy("800x570", kPageWidth, kPageHeight, 1);
  copy("phone", s.phone.Width(), s.phone.Height(), 1);
  copy("tiles", s.tiles[0].Width(), s.tiles[0].Height(), kTileCount);
  copy("card", kCardWidth, s.card.Height(), 1);
}

BenchFixture::~BenchFixture() = default;

std::vector<BenchRow> BenchFixture::Rows() {
  std::vector<BenchRow> rows = {
      {"natural blend, 742x526 mix 70/20/10", "ours.natural.mix742", "pixman.x888.natural.mix742",
       "pixman.0888.natural.mix742", "memcpy.742x526"},
      {"natural blend, 742x526 all partial", "ours.natural.partial742", "pixman.x888.natural.partial742",
       "pixman.0888.natural.partial742", "memcpy.742x526"},
      {"natural blend, phone 204x373", "ours.natural.phone", "pixman.x888.natural.phone", "pixman.0888.natural.phone",
       "memcpy.phone"},
      {"natural blend, 8 icons 52x52", "ours.natural.tiles", "pixman.x888.natural.tiles", "pixman.0888.natural.tiles",
       "memcpy.tiles"},
      {"nearest blend, mix 742x526 to 800x570", "ours.nearest.mix742to800", "pixman.x888.nearest.mix742to800",
       "pixman.0888.nearest.mix742to800", "memcpy.800x570"},
      {"nearest blend, partial 742x526 to 800x570", "ours.nearest.partial742to800",
       "pixman.x888.nearest.partial742to800", "pixman.0888.nearest.partial742to800", "memcpy.800x570"},
      {"opaque stretch, palette 742x526 to 800x570", "ours.opaque.background", "pixman.x888.nearest-src.background", "",
       "memcpy.800x570"},
      {"three-slice, card 60x337 to 700x337", "ours.threeslice.card", "pixman.x888.threeslice.card",
       "pixman.0888.threeslice.card", "memcpy.card"},
  };
  // The other paths beside the default one, to show what each step gives.
  const size_t count = rows.size();
  for (const BlendPath path : OtherPaths(false)) {
    for (size_t i = 0; i < count; ++i) {
      BenchRow row = rows[i];
      row.label = std::string(BlendPathName(path)) + ": " + row.label;
      row.ours.replace(0, 5, Prefix(path));
      rows.push_back(row);
    }
  }
  return rows;
}

std::string BenchFixture::Describe() const {
  std::ostringstream out;
  auto line = [&out](const char* what, const BenchImage& image) {
    const AlphaShares shares = SharesOf(image.View());
    out << "  " << what << ": " << image.Width() << "x" << image.Height() << ", " << image.View().bitsPerPixel
        << " bits, " << image.origin;
    if (image.View().alpha != nullptr) {
      char text[96];
      std::snprintf(text, sizeof text, "; alpha %.0f%% opaque, %.0f%% clear, %.0f%% partial", shares.opaque,
                    shares.clear, shares.partial);
      out << text;
    }
    out << "\n";
  };
  line("mix", state_->mix);
  line("partial", state_->partial);
  line("phone", state_->phone);
  line("background", state_->background);
  line("card", state_->card);
  for (const BenchImage& tile : state_->tiles) line("icon", tile);
  return out.str();
}
