#include "imaging/smooth_resample.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;
// Premultiplied channels hold colour * alpha and alpha * 255: exact, and on one scale, so a
// pixel of full alpha divides back to its own colour.
constexpr int32_t kFull = 255 * 255;
constexpr int kChannels = 4;  // blue, green, red, alpha
constexpr int kCubicTaps = 4;

template <typename T>
std::unique_ptr<T[]> Allocate(uint64_t count) {
  if (count == 0 || count > SIZE_MAX / sizeof(T)) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
}

double CatmullRom(double x) {
  x = std::fabs(x);
  if (x < 1.0) return (1.5 * x - 2.5) * x * x + 1.0;
  if (x < 2.0) return ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0;
  return 0.0;
}

// Per target index along one axis: the source indices it reads (first, count) and their
// weights. The weights are whole multiples of 2^-14 that sum to exactly one, so flat areas
// and full alpha stay exact in single precision.
class AxisWeights {
 public:
  bool Build(int source, int target) {
    const double scale = static_cast<double>(source) / target;
    const int taps = target == source ? 1 : target > source ? kCubicTaps : static_cast<int>(std::ceil(scale)) + 1;
    taps_ = taps;
    // Narrower pictures keep fewer taps at their edges.
    fixedTaps_ = taps == 1 || source >= taps;
    first_ = Allocate<int>(static_cast<uint64_t>(target));
    count_ = Allocate<int>(static_cast<uint64_t>(target));
    weights_ = Allocate<float>(static_cast<uint64_t>(target) * static_cast<uint64_t>(taps));
    std::unique_ptr<double[]> w = Allocate<double>(static_cast<uint64_t>(taps));
    if (!first_ || !count_ || !weights_ || !w) return false;
    for (int i = 0; i < target; ++i) {
      std::fill(w.get(), w.get() + taps, 0.0);
      int first = i;
      int last = i;
      if (target < source) {
        // The target pixel's exact footprint; partly covered source pixels count by their share.
        const double start = static_cast<double>(i) * source / target;
        const double end = std::min(static_cast<double>(i + 1) * source / target, static_cast<double>(source));
        first = static_cast<int>(std::floor(start));
        last = std::min(static_cast<int>(std::ceil(end)), source) - 1;
        for (int j = first; j <= last; ++j) {
          w[j - first] = std::max(0.0, std::min(j + 1.0, end) - std::max(static_cast<double>(j), start)) / scale;
        }
      } else if (target > source) {
        // Pixel centres line up; taps beyond the picture take its edge pixel.
        const double centre = (i + 0.5) * scale - 0.5;
        const int base = static_cast<int>(std::floor(centre));
        first = std::max(base - 1, 0);
        last = std::min(base + 2, source - 1);
        for (int j = -1; j <= 2; ++j) {
          const int index = std::min(std::max(base + j, first), last);
          w[index - first] += CatmullRom(j - (centre - base));
        }
      } else {
        w[0] = 1.0;
      }
      Store(i, w.get(), last - first + 1, first, source);
    }
    return true;
  }
  int Taps() const { return taps_; }
  // Every index reads Taps() source indices.
  bool FixedTaps() const { return fixedTaps_; }
  int First(int i) const { return first_[i]; }
  int Count(int i) const { return count_[i]; }
  const float* Weights(int i) const { return weights_.get() + static_cast<size_t>(i) * static_cast<size_t>(taps_); }

 private:
  void Store(int i, const double* w, int count, int first, int source) {
    float* out = weights_.get() + static_cast<size_t>(i) * static_cast<size_t>(taps_);
    int32_t sum = 0;
    int largest = 0;
    for (int k = 0; k < count; ++k) {
      const int32_t n = static_cast<int32_t>(std::lround(w[k] * kWeightOne));
      out[k] = static_cast<float>(n);
      sum += n;
      if (out[k] > out[largest]) largest = k;
    }
    out[largest] += static_cast<float>(kWeightOne - sum);
    for (int k = 0; k < count; ++k) out[k] /= kWeightOne;
    // Every index reads all taps, the ones past its own with weight 0, so the sums run a
    // fixed length; moved back from the far edge when the picture is wide enough.
    if (count < taps_ && source >= taps_) {
      const int shifted = std::min(first, source - taps_);
      const int by = first - shifted;
      for (int k = taps_ - 1; k >= 0; --k) out[k] = k >= by && k - by < count ? out[k - by] : 0.0f;
      first = shifted;
      count = taps_;
    }
    first_[i] = first;
    count_[i] = count;
  }

  std::unique_ptr<int[]> first_;
  std::unique_ptr<int[]> count_;
  std::unique_ptr<float[]> weights_;
  int taps_ = 0;
  bool fixedTaps_ = false;
};

// A source row as premultiplied channels, with the drawing's own rules for what is transparent.
class PremultipliedRows {
 public:
  explicit PremultipliedRows(const ImageView& image) : image_(image) {
    const int count = image.palette ? std::min(std::max(image.paletteCount, 0), 256) : 0;
    for (int i = 0; i < 256; ++i) {
      // Entries past the palette read as all zero, their alpha byte too.
      const uint8_t* e = i < count ? image.palette + 4 * i : kBlack;
      colour_[i] = e[0] | static_cast<uint32_t>(e[1]) << 8 | static_cast<uint32_t>(e[2]) << 16;
      byIndex_[i] = static_cast<uint16_t>(image.alphaPaletteEnabled ? e[3] + 1u : 256u);
      if (i == image.transparencyIndex) byIndex_[i] = 0;
    }
    keyed_ = image.bitsPerPixel == 24 && image.transparencyIndex >= 0 && image.transparencyColor[3] == 0;
    key_ = image.transparencyColor[0] | static_cast<uint32_t>(image.transparencyColor[1]) << 8 |
           static_cast<uint32_t>(image.transparencyColor[2]) << 16;
  }

  void Read(int sy, float* out) const {
    const uint8_t* row = image_.bits + static_cast<size_t>(sy) * static_cast<size_t>(image_.stride);
    const uint8_t* plane = image_.alpha ? image_.alpha + static_cast<size_t>(sy) * image_.width : nullptr;
    for (int x = 0; x < image_.width; ++x) {
      uint32_t bgr;
      uint32_t a = plane ? plane[x] : 255u;
      if (image_.bitsPerPixel == 24) {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        bgr = p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
        if (keyed_ && bgr == key_) a = 0;
      } else {
        const unsigned index = IndexAt(row, x);
        bgr = colour_[index];
        a = (a * byIndex_[index]) >> 8;
      }
      float* o = out + kChannels * static_cast<size_t>(x);
      o[0] = static_cast<float>((bgr & 0xFF) * a);
      o[1] = static_cast<float>((bgr >> 8 & 0xFF) * a);
      o[2] = static_cast<float>((bgr >> 16 & 0xFF) * a);
      o[3] = static_cast<float>(a * 255);
    }
  }

 private:
  static constexpr uint8_t kBlack[4] = {0, 0, 0, 0};

  unsigned IndexAt(const uint8_t* row, int x) const {
    switch (image_.bitsPerPixel) {
      case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
      case 4:
        return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
      default:
        return row[x];
    }
  }

  const ImageView& image_;
  uint32_t colour_[256];
  uint16_t byIndex_[256];
  bool keyed_ = false;
  uint32_t key_ = 0;
};

// Cubic overshoot is cut off between the passes and at the end.
float Clamped(float v) { return std::min(std::max(v, 0.0f), static_cast<float>(kFull)); }

// One pixel of a row across: four channels, so the compiler keeps them in one register.
template <int Taps>
void ResampleRowFixed(const float* in, const AxisWeights& axis, int width, float* out) {
  for (int x = 0; x < width; ++x) {
    const float* w = axis.Weights(x);
    const float* p = in + kChannels * static_cast<size_t>(axis.First(x));
    float sum[kChannels] = {0, 0, 0, 0};
    for (int k = 0; k < Taps; ++k) {
      for (int c = 0; c < kChannels; ++c) sum[c] += w[k] * p[kChannels * k + c];
    }
    for (int c = 0; c < kChannels; ++c) out[kChannels * static_cast<size_t>(x) + c] = Clamped(sum[c]);
  }
}

void ResampleRow(const float* in, const AxisWeights& axis, int width, float* out) {
  if (axis.FixedTaps() && axis.Taps() == kCubicTaps) return ResampleRowFixed<kCubicTaps>(in, axis, width, out);
  if (axis.FixedTaps() && axis.Taps() == 1) return ResampleRowFixed<1>(in, axis, width, out);
  for (int x = 0; x < width; ++x) {
    const float* w = axis.Weights(x);
    const float* p = in + kChannels * static_cast<size_t>(axis.First(x));
    float sum[kChannels] = {0, 0, 0, 0};
    for (int k = 0; k < axis.Count(x); ++k, p += kChannels) {
      for (int c = 0; c < kChannels; ++c) sum[c] += w[k] * p[c];
    }
    for (int c = 0; c < kChannels; ++c) out[kChannels * static_cast<size_t>(x) + c] = Clamped(sum[c]);
  }
}

// The rows a target row reads, weighted and summed in one pass over them.
void SumRows(const float* w, const float* const* in, int taps, float* __restrict sums, size_t count) {
  if (taps == kCubicTaps) {
    const float* __restrict r0 = in[0];
    const float* __restrict r1 = in[1];
    const float* __restrict r2 = in[2];
    const float* __restrict r3 = in[3];
    for (size_t i = 0; i < count; ++i) sums[i] = w[0] * r0[i] + w[1] * r1[i] + w[2] * r2[i] + w[3] * r3[i];
    return;
  }
  const float* __restrict r0 = in[0];
  for (size_t i = 0; i < count; ++i) sums[i] = w[0] * r0[i];
  for (int k = 1; k < taps; ++k) {
    const float* __restrict r = in[k];
    for (size_t i = 0; i < count; ++i) sums[i] += w[k] * r[i];
  }
}

// Back from premultiplied channels: colour * alpha over alpha. At full alpha the factor is
// 1/255 and gives the colour back exactly.
void StoreRow(const float* sums, int width, uint8_t* bgr, uint8_t* alpha) {
  constexpr float kToByte = 1.0f / 255.0f;
  for (int x = 0; x < width; ++x, sums += kChannels, bgr += 3) {
    const float a = Clamped(sums[3]);
    if (alpha != nullptr) alpha[x] = static_cast<uint8_t>(a * kToByte + 0.5f);
    const float toColour = a >= kFull - 0.5f ? kToByte : a >= 0.5f ? 255.0f / a : 0.0f;
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<uint8_t>(std::min(Clamped(sums[c]), a) * toColour + 0.5f);
  }
}

bool Usable(const ImageView& image, const SmoothTarget& target) {
  if (image.bits == nullptr || image.width <= 0 || image.height <= 0) return false;
  const int bpp = image.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return false;
  if (image.stride < (static_cast<int64_t>(image.width) * bpp + 31) / 32 * 4) return false;
  if (target.bits == nullptr || target.width <= 0 || target.height <= 0) return false;
  return target.stride >= (static_cast<int64_t>(target.width) * 24 + 31) / 32 * 4;
}

}  // namespace

bool SmoothResample(const ImageView& image, const SmoothTarget& target) {
  if (!Usable(image, target)) return false;
  AxisWeights columns;
  AxisWeights rows;
  if (!columns.Build(image.width, target.width) || !rows.Build(image.height, target.height)) return false;

  // Rows resampled across, kept in a ring as deep as the vertical filter: each is made once.
  const int depth = rows.Taps();
  const uint64_t across = static_cast<uint64_t>(target.width) * kChannels;
  std::unique_ptr<float[]> source = Allocate<float>(static_cast<uint64_t>(image.width) * kChannels);
  std::unique_ptr<float[]> ring = Allocate<float>(across * static_cast<uint64_t>(depth));
  std::unique_ptr<int[]> held = Allocate<int>(static_cast<uint64_t>(depth));
  std::unique_ptr<const float*[]> inputs = Allocate<const float*>(static_cast<uint64_t>(depth));
  std::unique_ptr<float[]> sums = Allocate<float>(across);
  if (!source || !ring || !held || !inputs || !sums) return false;
  std::fill(held.get(), held.get() + depth, -1);
  const PremultipliedRows reader(image);
  auto rowAcross = [&](int sy) {
    float* slot = ring.get() + static_cast<size_t>(sy % depth) * across;
    if (held[sy % depth] != sy) {
      reader.Read(sy, source.get());
      ResampleRow(source.get(), columns, target.width, slot);
      held[sy % depth] = sy;
    }
    return static_cast<const float*>(slot);
  };

  // Rows bottom-up on both sides; the filters are symmetric, so that order maps as top-down.
  const size_t count = static_cast<size_t>(across);
  for (int y = 0; y < target.height; ++y) {
    for (int k = 0; k < rows.Count(y); ++k) inputs[k] = rowAcross(rows.First(y) + k);
    SumRows(rows.Weights(y), inputs.get(), rows.Count(y), sums.get(), count);
    uint8_t* alpha = target.alpha ? target.alpha + static_cast<size_t>(y) * static_cast<size_t>(target.width) : nullptr;
    StoreRow(sums.get(), target.width, target.bits + static_cast<size_t>(y) * static_cast<size_t>(target.stride),
             alpha);
  }
  return true;
}
