// Unsharp mask: a separable Gaussian blur (rows, then columns) in double
// precision, then source + amount x (source - blur) where the difference
// reaches the threshold.
//
// A position whose taps all fall inside its line takes the plain sum of
// entry x byte over the taps, in tap order; one near an end takes the sum over
// the taps inside divided by their entries' sum. The products entry x byte are
// formed as they come (a vector multiply gives the very value a table of
// products would hold), so the loops run on vectors with the same sums.
//
// The page is streamed once: row y + n/2 is blurred along the row into a ring
// of the last n row-blurred rows, then row y is blurred down the column from
// that ring and sharpened in place. A row is sharpened only after every row
// blur that reads it has run.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define Q7310RGB_X86 1
#endif

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/bitmap/pixel_math.h"
#include "Q7310RGB/bitmap/unsharp.h"

namespace q7310::rgb {
namespace {

typedef double Vec2d __attribute__((vector_size(16)));
typedef double Vec4d __attribute__((vector_size(32)));
typedef int32_t Vec2i __attribute__((vector_size(8)));
typedef int32_t Vec4i __attribute__((vector_size(16)));

constexpr int64_t kLongestKernel = int64_t{1} << 20;

inline uint8_t roundToByte(double v) { return truncToByte(v + 0.5); }

// out[e] = round(sum over t of k[t] x taps[t][e]) for e in [0, count), each
// lane adding its terms in tap order exactly as the scalar loop does; with
// Divide, the sum is divided by `weight` before rounding (the rule near the
// ends of a line). Vectors stay inside this inlined body: passing wide ones
// between functions would tie the calling convention to the instruction set.
template <typename V, typename I, int Lanes, bool Divide>
__attribute__((always_inline)) inline void convolveWith(const double* const* taps, const double* k, int n,
                                                        double weight, size_t count, uint8_t* out) {
  constexpr int kGroup = 4 * Lanes;
  size_t e = 0;
  for (; e + kGroup <= count; e += kGroup) {
    V a0 = {}, a1 = {}, a2 = {}, a3 = {};
    for (int t = 0; t < n; ++t) {
      const double* src = taps[t] + e;
      const double kt = k[t];
      V v0, v1, v2, v3;
      std::memcpy(&v0, src, sizeof(V));
      std::memcpy(&v1, src + Lanes, sizeof(V));
      std::memcpy(&v2, src + 2 * Lanes, sizeof(V));
      std::memcpy(&v3, src + 3 * Lanes, sizeof(V));
      a0 += kt * v0;
      a1 += kt * v1;
      a2 += kt * v2;
      a3 += kt * v3;
    }
    if constexpr (Divide) {
      a0 /= weight;
      a1 /= weight;
      a2 /= weight;
      a3 /= weight;
    }
    const I r0 = __builtin_convertvector(a0 + 0.5, I);
    const I r1 = __builtin_convertvector(a1 + 0.5, I);
    const I r2 = __builtin_convertvector(a2 + 0.5, I);
    const I r3 = __builtin_convertvector(a3 + 0.5, I);
    for (int i = 0; i < Lanes; ++i) {
      out[e + i] = static_cast<uint8_t>(r0[i]);
      out[e + Lanes + i] = static_cast<uint8_t>(r1[i]);
      out[e + 2 * Lanes + i] = static_cast<uint8_t>(r2[i]);
      out[e + 3 * Lanes + i] = static_cast<uint8_t>(r3[i]);
    }
  }
  for (; e < count; ++e) {
    double sum = 0.0;
    for (int t = 0; t < n; ++t) sum += k[t] * taps[t][e];
    out[e] = roundToByte(Divide ? sum / weight : sum);
  }
}

void convolveNarrow(const double* const* taps, const double* k, int n, double weight, size_t count, uint8_t* out) {
  if (weight == 0.0) {
    convolveWith<Vec2d, Vec2i, 2, false>(taps, k, n, 0.0, count, out);
  } else {
    convolveWith<Vec2d, Vec2i, 2, true>(taps, k, n, weight, count, out);
  }
}
void widenNarrow(const uint8_t* in, double* out, size_t count) {
  for (size_t i = 0; i < count; ++i) out[i] = in[i];
}

#ifdef Q7310RGB_X86
// Same sums on four-lane registers. No fused multiply-add: it would round once
// instead of twice and change the bytes.
__attribute__((target("avx2"))) void convolveWide(const double* const* taps, const double* k, int n, double weight,
                                                  size_t count, uint8_t* out) {
  if (weight == 0.0) {
    convolveWith<Vec4d, Vec4i, 4, false>(taps, k, n, 0.0, count, out);
  } else {
    convolveWith<Vec4d, Vec4i, 4, true>(taps, k, n, weight, count, out);
  }
}
__attribute__((target("avx2"))) void widenWide(const uint8_t* in, double* out, size_t count) {
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    int64_t bytes;
    std::memcpy(&bytes, in + i, sizeof bytes);
    const __m256i ints = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(bytes));
    _mm256_storeu_pd(out + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(ints)));
    _mm256_storeu_pd(out + i + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(ints, 1)));
  }
  for (; i < count; ++i) out[i] = in[i];
}
bool hasWideVectors() {
  __builtin_cpu_init();  // may run before the runtime's own start-up code
  return __builtin_cpu_supports("avx2");
}
bool gWideVectors = hasWideVectors();
#else
bool gWideVectors = false;
#endif

using ConvolveFn = void (*)(const double* const*, const double*, int, double, size_t, uint8_t*);
using WidenFn = void (*)(const uint8_t*, double*, size_t);

// Byte p of a row of `pixels` pixels near its ends: the taps inside the row
// only, divided by their entries' sum.
uint8_t rowEdge(const uint8_t* row, int64_t pixels, int64_t p, int c, const double* k, int n) {
  const int64_t half = n / 2;
  // Only the taps inside the row, in tap order.
  const int64_t first = std::max<int64_t>(0, half - p);
  const int64_t last = std::min<int64_t>(n - 1, pixels - 1 - p + half);
  double sum = 0.0;
  double weight = 0.0;
  for (int64_t t = first; t <= last; ++t) {
    sum += k[t] * double(row[3 * (p + t - half) + c]);
    weight += k[t];
  }
  return roundToByte(sum / weight);
}

class Sharpener {
 public:
  Sharpener(RgbBitmap& bitmap, std::vector<double> kernel, int32_t amount, int32_t threshold)
      : bitmap_(bitmap),
        k_(std::move(kernel)),
        n_(static_cast<int>(k_.size())),
        half_(n_ / 2),
        rowBytes_(size_t(bitmap.width) * 3),
        line_(rowBytes_),
        rowBlurred_(rowBytes_),
        blurred_(rowBytes_),
        ringRows_(std::min<int64_t>(n_, bitmap.height)),
        ring_(size_t(ringRows_) * rowBytes_),
        taps_(size_t(n_)),
        table_(256 * 256) {
#ifdef Q7310RGB_X86
    if (gWideVectors) {
      convolve_ = convolveWide;
      widen_ = widenWide;
    }
#endif
    const double factor = amount / 100.0;
    for (int source = 0; source < 256; ++source) {
      for (int blurred = 0; blurred < 256; ++blurred) {
        int d = source - blurred;
        if (std::abs(2 * d) < threshold) d = 0;
        table_[size_t(source) * 256 + blurred] = truncToByte(factor * d + source);
      }
    }
  }

  void run() {
    const int64_t height = bitmap_.height;
    int64_t next = 0;  // the next row to blur along the row
    for (int64_t y = 0; y < height; ++y) {
      for (; next <= std::min(height - 1, y + half_); ++next) blurRow(next);
      blurColumn(y);
      uint8_t* row = rowOf(bitmap_, int32_t(y));
      for (size_t i = 0; i < rowBytes_; ++i) row[i] = table_[size_t(row[i]) * 256 + blurred_[i]];
    }
  }

 private:
  // The ring holds the last n row-blurred rows (all rows when there are fewer).
  double* ringRow(int64_t y) { return ring_.data() + size_t(y % ringRows_) * rowBytes_; }

  // Row y blurred along the row, as doubles into the ring.
  void blurRow(int64_t y) {
    const uint8_t* row = rowOf(bitmap_, int32_t(y));
    const int64_t pixels = bitmap_.width;
    uint8_t* out = rowBlurred_.data();
    if (pixels < n_) {
      for (int64_t x = 0; x < pixels; ++x)
        for (int c = 0; c < 3; ++c) out[3 * x + c] = rowEdge(row, pixels, x, c, k_.data(), n_);
    } else {
      widen_(row, line_.data(), rowBytes_);
      for (int t = 0; t < n_; ++t) taps_[t] = line_.data() + 3 * t;
      convolve_(taps_.data(), k_.data(), n_, 0.0, size_t(pixels - 2 * half_) * 3, out + 3 * half_);
      for (int64_t x = 0; x < half_; ++x) {
        for (int c = 0; c < 3; ++c) {
          out[3 * x + c] = rowEdge(row, pixels, x, c, k_.data(), n_);
          const int64_t z = pixels - 1 - x;
          out[3 * z + c] = rowEdge(row, pixels, z, c, k_.data(), n_);
        }
      }
    }
    widen_(out, ringRow(y), rowBytes_);
  }

  // Row y of the column blur into blurred_. Near the top and bottom (or when
  // the columns are shorter than the kernel) only the taps inside count, and
  // they are the same for the whole row.
  void blurColumn(int64_t y) {
    const int64_t height = bitmap_.height;
    const bool inner = height >= n_ && y >= half_ && y < height - half_;
    int first = 0;
    int last = n_ - 1;
    if (!inner) {
      first = int(std::max<int64_t>(0, half_ - y));
      last = int(std::min<int64_t>(n_ - 1, height - 1 - y + half_));
    }
    double weight = 0.0;
    for (int t = first; t <= last; ++t) {
      taps_[t - first] = ringRow(y - half_ + t);
      if (!inner) weight += k_[t];
    }
    convolve_(taps_.data(), k_.data() + first, last - first + 1, weight, rowBytes_, blurred_.data());
  }

  RgbBitmap& bitmap_;
  const std::vector<double> k_;
  const int n_;
  const int64_t half_;
  const size_t rowBytes_;
  std::vector<double> line_;
  std::vector<uint8_t> rowBlurred_;
  std::vector<uint8_t> blurred_;
  const int64_t ringRows_;
  std::vector<double> ring_;
  std::vector<const double*> taps_;
  std::vector<uint8_t> table_;  // [source][blurred] -> result
  ConvolveFn convolve_ = convolveNarrow;
  WidenFn widen_ = widenNarrow;
};

}  // namespace

bool useWideVectors(bool wide) {
  const bool previous = gWideVectors;
#ifdef Q7310RGB_X86
  gWideVectors = wide && hasWideVectors();
#else
  (void)wide;
#endif
  return previous;
}

std::vector<double> unsharpKernel(int32_t radius) {
  const double sd = std::fabs(double(radius)) + 1.0;
  const double reach = 2.0 * sd;
  const double length = std::ceil(reach - 0.5) * 2.0 + 1.0;
  if (length > double(kLongestKernel)) return {};
  const int n = length < 1.0 ? 1 : static_cast<int>(length);
  std::vector<double> k(static_cast<size_t>(n));
  const int half = n / 2;
  const double twoVariance = 2.0 * sd * sd;
  for (int i = half + 1; i < n; ++i) {
    const double x0 = double(i - half) - 0.5;
    double sum = 0.0;
    for (int j = 1; j <= 50; ++j) {
      const double x = x0 + 0.02 * j;
      if (x <= reach) sum += std::exp(-(x * x) / twoVariance);
    }
    k[i] = sum / 50.0;
  }
  for (int i = 0; i < half; ++i) k[i] = k[n - 1 - i];
  double middle = 0.0;
  for (int j = 0; j <= 50; ++j) {
    const double x = 0.5 - 0.02 * j;
    middle += std::exp(-(x * x) / twoVariance);
  }
  k[half] = middle / 51.0;
  double total = 0.0;
  for (double v : k) total += v;
  for (double& v : k) v /= total;
  return k;
}

bool unsharpMask(RgbBitmap& bitmap, int32_t amount, int32_t radius, int32_t threshold) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry != Geometry::Usable) return geometry == Geometry::Empty;
  try {
    std::vector<double> k = unsharpKernel(radius);
    if (k.empty()) return false;
    Sharpener sharpener(bitmap, std::move(k), amount, threshold);
    sharpener.run();
  } catch (const std::bad_alloc&) {
    return false;  // nothing has been written yet: all memory is taken up front
  }
  return true;
}

}  // namespace q7310::rgb
