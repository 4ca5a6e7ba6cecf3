#include "bench/bench_cases.h"

#include <pixman.h>

#include <cstdio>
#include <sstream>
#include <type_traits>

#include "bench/bench_images.h"
#include "imaging/blend_paths.h"
#include "imaging/image_view.h"

namespace {

constexpr int kPageWidth = 800;
constexpr int kPageHeight = 570;
constexpr int kBackgroundWidth = 742;  // the information background, stretched over the page
constexpr int kBackgroundHeight = 526;
constexpr int kTileCount = 8;
constexpr int kTileStep = 60;
constexpr int kCardEdge = 18;  // the information card's three-slice edges and width
constexpr int kCardWidth = 700;
constexpr int kBandEdge = 70;  // the top band's, across the page

// The pictures drawn at their own size, with their stand-ins' sizes.
struct Natural {
  const char* key;
  const char* label;
  int id, width, height;
};
constexpr Natural kNaturals[] = {
    {"phone", "phone 204x373 (102)", 102, 204, 373},
    {"idle-heading", "idle heading 232x23 (120)", 120, 232, 23},
    {"steps", "connection steps 659x103 (122)", 122, 659, 103},
    {"computer", "computer 116x106 (138)", 138, 116, 106},
    {"small-phone", "small phone 65x106 (109)", 109, 65, 106},
    {"connecting-heading", "connecting heading 160x23 (139)", 139, 160, 23},
};

template <class Surface>
constexpr int PixelBytes() {
  return std::is_same_v<Surface, Surface32> ? 4 : 3;
}

// A surface that looks at the box's pixels inside a larger bottom-up target surface, as
// DrawAt hands the kernels the page buffer's own rows.
template <class Surface>
Surface SubSurface(const Surface& target, const PaintBox& box) {
  Surface sub;
  sub.width = box.Width();
  sub.height = box.Height();
  sub.stride = target.stride;
  sub.bits = target.bits + static_cast<size_t>(target.height - box.bottom) * target.stride +
             static_cast<size_t>(box.left) * PixelBytes<Surface>();
  return sub;
}

// DrawAt's choice of kernel, into a surface that stands for the whole target.
template <class Surface>
void DrawKernel(const ImageView& view, int x, int y, int cx, int cy, Surface& target, BlendPath path) {
  if (cx < 0) cx = view.width;
  if (cy < 0) cy = view.height;
  const PaintBox clip{0, 0, target.width, target.height};
  const PaintBox box = ComputePaintBox(clip, x, y, cx, cy);
  if (box.Width() <= 0 || box.Height() <= 0) return;
  Surface sub = SubSurface(target, box);
  if (NeedsBlending(view)) {
    BlendImageUsing(path, view, x, y, cx, cy, box, sub);
  } else {
    ResampleOpaqueUsing(path, view, x, y, cx, cy, box, sub);
  }
}

// A three-slice picture cut into its pieces once, as the page keeps them.
struct Slices {
  CxImage left, middle, right;
  int edge = 0;
  Slices(CxImage& image, int edgeWidth) : edge(edgeWidth) {
    const int w = static_cast<int>(image.Width()), h = static_cast<int>(image.Height());
    image.CropInto(0, 0, edge, h, &left);
    image.CropInto(edge, 0, w - edge, h, &middle);
    image.CropInto(w - edge, 0, w, h, &right);
  }
};

// As the page's three-slice draw: the edges at their own size, the middle stretched between.
template <class Surface>
void DrawThreeSlice(const Slices& slices, int width, Surface& target, BlendPath path) {
  const int edge = slices.edge, h = static_cast<int>(slices.middle.Height());
  DrawKernel(slices.left.View(), 0, 0, -1, -1, target, path);
  DrawKernel(slices.middle.View(), edge, 0, width - 2 * edge, h, target, path);
  DrawKernel(slices.right.View(), width - edge, 0, -1, -1, target, path);
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

void Composite(pixman_op_t op, pixman_image_t* src, pixman_image_t* dst, int srcX, int dstX, int width, int height) {
  pixman_image_composite32(op, src, nullptr, dst, srcX, 0, 0, 0, dstX, 0, width, height);
}

// The default path first, then the others this build and processor have.
std::vector<BlendPath> Paths(bool withDefault) {
  std::vector<BlendPath> paths;
  if (withDefault) paths.push_back(DefaultBlendPath());
  for (const BlendPath path : {BlendPath::Ssse3, BlendPath::Sse2, BlendPath::Portable}) {
    if (HasBlendPath(path) && path != DefaultBlendPath()) paths.push_back(path);
  }
  return paths;
}

std::string Prefix(BlendPath path, int bits) {
  const std::string ours = "ours" + std::to_string(bits);
  return path == DefaultBlendPath() ? ours + "." : ours + "-" + BlendPathName(path) + ".";
}

}  // namespace

struct BenchFixture::State {
  std::vector<BenchImage> naturals;
  std::vector<BenchImage> tiles;
  BenchImage card, band, background;
  std::unique_ptr<Slices> cardSlices, bandSlices;

  // Our targets, bottom-up, the page's size; every case draws at its top-left.
  BenchSurface32 page32{kPageWidth, kPageHeight};
  BenchSurface page24{kPageWidth, kPageHeight};

  // pixman's: premultiplied sources over x8r8g8b8, the page's size.
  std::vector<std::vector<uint32_t>> premultiplied;
  std::vector<uint32_t> x888 = std::vector<uint32_t>(static_cast<size_t>(kPageWidth) * kPageHeight, 0xFFF4F6F8);
  std::vector<PixmanImage> keep;
  pixman_image_t* page = nullptr;

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
};

BenchFixture::BenchFixture(const std::string& pngDir) : state_(std::make_unique<State>()) {
  State& s = *state_;
  for (const Natural& n : kNaturals) s.naturals.push_back(PageImage(pngDir, n.id, n.width, n.height, false));
  for (int id = 130; id < 130 + kTileCount; ++id) s.tiles.push_back(PageImage(pngDir, id, 52, 52, false));
  s.card = PageImage(pngDir, 112, 60, 337, false);
  s.band = PageImage(pngDir, 144, 147, 50, false);
  s.background = PageImage(pngDir, 143, kBackgroundWidth, kBackgroundHeight, true);
  s.cardSlices = std::make_unique<Slices>(*s.card.image, kCardEdge);
  s.bandSlices = std::make_unique<Slices>(*s.band.image, kBandEdge);
  s.premultiplied.reserve(64);  // the pixman images point into these vectors
  s.keep.reserve(64);
  s.keep.push_back(Bits(PIXMAN_x8r8g8b8, kPageWidth, kPageHeight, s.x888.data(), kPageWidth * 4));
  s.page = s.keep.back().image;

  auto add = [&](std::string name, int64_t pixels, std::function<void()> run) {
    cases_.push_back(BenchCase{std::move(name), pixels, std::move(run)});
  };
  auto area = [](const BenchImage& image) { return int64_t{image.Width()} * image.Height(); };
  const int64_t tilePixels = area(s.tiles[0]) * kTileCount;
  const int64_t cardPixels = int64_t{kCardWidth} * s.card.Height();
  const int64_t bandPixels = int64_t{kPageWidth} * s.band.Height();
  const int64_t pagePixels = int64_t{kPageWidth} * kPageHeight;

  // Ours, into the 32-bit buffer through every path, and into a 24-bit one by the default path.
  auto ours = [&](auto& target, BlendPath path, int bits) {
    const std::string p = Prefix(path, bits);
    auto* t = &target;
    add(p + "tiles", tilePixels, [&s, t, path] {
      for (int i = 0; i < kTileCount; ++i) DrawKernel(s.tiles[i].View(), i * kTileStep, 0, -1, -1, *t, path);
    });
    for (size_t i = 0; i < s.naturals.size(); ++i) {
      const BenchImage* image = &s.naturals[i];
      add(p + kNaturals[i].key, area(*image), [image, t, path] { DrawKernel(image->View(), 0, 0, -1, -1, *t, path); });
    }
    add(p + "card", cardPixels, [&s, t, path] { DrawThreeSlice(*s.cardSlices, kCardWidth, *t, path); });
    add(p + "band", bandPixels, [&s, t, path] { DrawThreeSlice(*s.bandSlices, kPageWidth, *t, path); });
    add(p + "background", pagePixels,
        [&s, t, path] { DrawKernel(s.background.View(), 0, 0, kPageWidth, kPageHeight, *t, path); });
  };
  for (const BlendPath path : Paths(true)) ours(s.page32.surface, path, 32);
  ours(s.page24.surface, DefaultBlendPath(), 24);

  // pixman: OVER of premultiplied a8r8g8b8 onto x8r8g8b8; the opaque pictures by SRC.
  pixman_image_t* page = s.page;
  std::vector<pixman_image_t*> tiles;
  for (const BenchImage& tile : s.tiles) tiles.push_back(s.Source(tile));
  const int tw = s.tiles[0].Width(), th = s.tiles[0].Height();
  add("pixman.tiles", tilePixels, [=] {
    for (int i = 0; i < kTileCount; ++i) Composite(PIXMAN_OP_OVER, tiles[i], page, 0, i * kTileStep, tw, th);
  });
  for (size_t i = 0; i < s.naturals.size(); ++i) {
    pixman_image_t* image = s.Source(s.naturals[i]);
    const int w = s.naturals[i].Width(), h = s.naturals[i].Height();
    add(std::string("pixman.") + kNaturals[i].key, area(s.naturals[i]),
        [=] { Composite(PIXMAN_OP_OVER, image, page, 0, 0, w, h); });
  }
  auto threeSlice = [&](const char* name, const BenchImage& image, int edge, int width, pixman_op_t op,
                        pixman_format_code_t format) {
    pixman_image_t* whole = s.Source(image, format);
    const int w = image.Width(), h = image.Height(), stretched = width - 2 * edge;
    pixman_image_t* middle = s.Crop(s.Source(image, format), edge, w - 2 * edge);
    SetNearestScale(middle, double(w - 2 * edge) / stretched, 1.0);
    add(name, int64_t{width} * h, [=] {
      Composite(op, whole, page, 0, 0, edge, h);
      Composite(op, middle, page, 0, edge, stretched, h);
      Composite(op, whole, page, w - edge, width - edge, edge, h);
    });
  };
  threeSlice("pixman.card", s.card, kCardEdge, kCardWidth, PIXMAN_OP_OVER, PIXMAN_a8r8g8b8);
  threeSlice("pixman.band", s.band, kBandEdge, kPageWidth, PIXMAN_OP_SRC, PIXMAN_x8r8g8b8);
  pixman_image_t* background = s.Source(s.background, PIXMAN_x8r8g8b8);
  SetNearestScale(background, double{kBackgroundWidth} / kPageWidth, double{kBackgroundHeight} / kPageHeight);
  add("pixman.background", pagePixels,
      [=] { Composite(PIXMAN_OP_SRC, background, page, 0, 0, kPageWidth, kPageHeight); });
}

BenchFixture::~BenchFixture() = default;

std::vector<BenchRow> BenchFixture::Rows() {
  std::vector<BenchRow> rows = {{"natural blend, 8 icons 52x52 (130-137)", "tiles", "tiles", 1.0}};
  for (const Natural& n : kNaturals) rows.push_back({std::string("natural blend, ") + n.label, n.key, n.key, 0.7});
  rows.push_back({"three-slice, card 60x337 to 700x337 (112)", "card", "card", 0.7});
  rows.push_back({"three-slice, top band 147x50 to 800x50 (144), opaque", "band", "band", 0.7});
  rows.push_back({"opaque stretch, background 742x526 to 800x570 (143)", "background", "background", 1.0});
  const size_t count = rows.size();
  for (BenchRow& row : rows) {
    row.ours = Prefix(DefaultBlendPath(), 32) + row.ours;
    row.pixman = "pixman." + row.pixman;
  }
  // The 24-bit buffer as it was, and the other paths, to show what each gives.
  for (size_t i = 0; i < count; ++i) {
    BenchRow row = rows[i];
    row.label = "24-bit: " + row.label;
    row.ours = Prefix(DefaultBlendPath(), 24) + row.ours.substr(Prefix(DefaultBlendPath(), 32).size());
    row.atMost = 0;
    rows.push_back(row);
  }
  for (const BlendPath path : Paths(false)) {
    for (size_t i = 0; i < count; ++i) {
      BenchRow row = rows[i];
      row.label = std::string(BlendPathName(path)) + ": " + row.label;
      row.ours = Prefix(path, 32) + row.ours.substr(Prefix(DefaultBlendPath(), 32).size());
      row.atMost = 0;
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
  for (size_t i = 0; i < state_->naturals.size(); ++i) line(kNaturals[i].key, state_->naturals[i]);
  line("card", state_->card);
  line("band", state_->band);
  line("background", state_->background);
  for (const BenchImage& tile : state_->tiles) line("icon", tile);
  return out.str();
}
