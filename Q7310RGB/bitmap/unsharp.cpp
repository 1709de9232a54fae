// Unsharp mask: a separable Gaussian blur (rows, then columns) in double
// precision, then source + amount x (source - blur) where the difference
// reaches the threshold.
//
// A position whose taps all fall inside its line takes the plain sum of
// entry x byte over the taps, in tap order; one near an end takes the sum over
// the taps inside divided by their entries' sum. The products entry x byte are
// formed as they come (a vector multiply gives the very value a table of
// products would hold), so the inner loops run on vectors with the same sums.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/bitmap/pixel_math.h"
#include "Q7310RGB/bitmap/unsharp.h"

namespace q7310::rgb {
namespace {

typedef double Vec4d __attribute__((vector_size(32)));
typedef int32_t Vec4i __attribute__((vector_size(16)));

constexpr int64_t kLongestKernel = int64_t{1} << 20;
// Bytes of a column block in the column pass: its window of rows stays in cache.
constexpr size_t kColumnBlock = 256;

// Vectors pass by reference: a 32-byte vector by value would change the
// calling convention between builds with and without wide registers.
inline void accumulate(Vec4d& sum, double k, const double* p) {
  Vec4d v;
  std::memcpy(&v, p, sizeof v);
  sum += k * v;
}

inline void store4(uint8_t* out, const Vec4d& sum) {
  const Vec4i r = __builtin_convertvector(sum + 0.5, Vec4i);
  out[0] = static_cast<uint8_t>(r[0]);
  out[1] = static_cast<uint8_t>(r[1]);
  out[2] = static_cast<uint8_t>(r[2]);
  out[3] = static_cast<uint8_t>(r[3]);
}

inline uint8_t roundToByte(double v) { return truncToByte(v + 0.5); }

// out[e] = round(sum over t of k[t] x taps[t][e]) for e in [0, count): the
// positions whose taps all lie inside the line.
void convolveInner(const double* const* taps, const double* k, int n, size_t count, uint8_t* out) {
  size_t e = 0;
  for (; e + 16 <= count; e += 16) {
    Vec4d a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, a3 = a0;
    for (int t = 0; t < n; ++t) {
      const double* src = taps[t] + e;
      const double kt = k[t];
      accumulate(a0, kt, src);
      accumulate(a1, kt, src + 4);
      accumulate(a2, kt, src + 8);
      accumulate(a3, kt, src + 12);
    }
    store4(out + e, a0);
    store4(out + e + 4, a1);
    store4(out + e + 8, a2);
    store4(out + e + 12, a3);
  }
  for (; e + 4 <= count; e += 4) {
    Vec4d a = {0, 0, 0, 0};
    for (int t = 0; t < n; ++t) accumulate(a, k[t], taps[t] + e);
    store4(out + e, a);
  }
  for (; e < count; ++e) {
    double sum = 0.0;
    for (int t = 0; t < n; ++t) sum += k[t] * taps[t][e];
    out[e] = roundToByte(sum);
  }
}

// Position p of a line of `length` values `step` elements apart, taking only
// the taps inside the line and dividing by their entries' sum.
template <typename T>
uint8_t convolveEdge(const T* line, ptrdiff_t step, int64_t length, int64_t p, const double* k, int n) {
  const int half = n / 2;
  double sum = 0.0;
  double weight = 0.0;
  for (int t = 0; t < n; ++t) {
    const int64_t q = p + t - half;
    if (q < 0 || q >= length) continue;
    sum += k[t] * double(line[q * step]);
    weight += k[t];
  }
  return roundToByte(sum / weight);
}

struct Work {
  std::vector<uint8_t> rowBlurred;  // height x width x 3, rows packed
  std::vector<double> line;         // one row as doubles
  std::vector<double> window;       // n rows of one column block as doubles
  std::vector<const double*> taps;
  std::vector<uint8_t> sharpen;     // [source][blurred] -> result
};

void blurRows(const RgbBitmap& bitmap, const std::vector<double>& k, Work& work) {
  const int n = static_cast<int>(k.size());
  const int64_t half = n / 2;
  const int64_t width = bitmap.width;
  const size_t rowBytes = size_t(width) * 3;
  const bool inner = width >= n;
  for (int32_t y = 0; y < bitmap.height; ++y) {
    const uint8_t* row = rowOf(bitmap, y);
    uint8_t* out = work.rowBlurred.data() + size_t(y) * rowBytes;
    if (!inner) {
      for (int64_t x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) out[3 * x + c] = convolveEdge(row + c, 3, width, x, k.data(), n);
      continue;
    }
    for (size_t i = 0; i < rowBytes; ++i) work.line[i] = row[i];
    for (int t = 0; t < n; ++t) work.taps[t] = work.line.data() + 3 * t;
    convolveInner(work.taps.data(), k.data(), n, size_t(width - 2 * half) * 3, out + 3 * half);
    for (int64_t x = 0; x < half; ++x) {
      for (int c = 0; c < 3; ++c) {
        out[3 * x + c] = convolveEdge(row + c, 3, width, x, k.data(), n);
        const int64_t z = width - 1 - x;
        out[3 * z + c] = convolveEdge(row + c, 3, width, z, k.data(), n);
      }
    }
  }
}

// Blurs the columns of the row-blurred picture block by block and writes the
// sharpened result into the bitmap.
void blurColumnsAndSharpen(RgbBitmap& bitmap, const std::vector<double>& k, Work& work) {
  const int n = static_cast<int>(k.size());
  const int64_t half = n / 2;
  const int64_t height = bitmap.height;
  const size_t rowBytes = size_t(bitmap.width) * 3;
  const uint8_t* blurred = work.rowBlurred.data();
  uint8_t column[kColumnBlock];

  auto finish = [&](int64_t y, size_t first, size_t count, const uint8_t* values) {
    uint8_t* row = rowOf(bitmap, int32_t(y)) + first;
    for (size_t i = 0; i < count; ++i) row[i] = work.sharpen[size_t(row[i]) * 256 + values[i]];
  };

  for (size_t first = 0; first < rowBytes; first += kColumnBlock) {
    const size_t count = std::min(kColumnBlock, rowBytes - first);
    auto edgeRow = [&](int64_t y) {
      for (size_t i = 0; i < count; ++i)
        column[i] = convolveEdge(blurred + first + i, ptrdiff_t(rowBytes), height, y, k.data(), n);
      finish(y, first, count, column);
    };
    if (height < n) {
      for (int64_t y = 0; y < height; ++y) edgeRow(y);
      continue;
    }
    for (int64_t y = 0; y < half; ++y) edgeRow(y);
    // Window slot s holds source row r with r % n == s.
    auto load = [&](int64_t r) {
      double* slot = work.window.data() + size_t(r % n) * kColumnBlock;
      const uint8_t* src = blurred + size_t(r) * rowBytes + first;
      for (size_t i = 0; i < count; ++i) slot[i] = src[i];
    };
    for (int64_t r = 0; r < n - 1; ++r) load(r);
    for (int64_t y = half; y < height - half; ++y) {
      load(y + half);
      for (int t = 0; t < n; ++t) work.taps[t] = work.window.data() + size_t((y - half + t) % n) * kColumnBlock;
      convolveInner(work.taps.data(), k.data(), n, count, column);
      finish(y, first, count, column);
    }
    for (int64_t y = height - half; y < height; ++y) edgeRow(y);
  }
}

}  // namespace

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
    const std::vector<double> k = unsharpKernel(radius);
    if (k.empty()) return false;
    const int n = static_cast<int>(k.size());
    Work work;
    const size_t rowBytes = size_t(bitmap.width) * 3;
    work.rowBlurred.resize(rowBytes * size_t(bitmap.height));
    work.line.resize(rowBytes);
    work.window.resize(size_t(n) * kColumnBlock);
    work.taps.resize(size_t(n));
    work.sharpen.resize(256 * 256);
    const double factor = amount / 100.0;
    for (int source = 0; source < 256; ++source) {
      for (int blurred = 0; blurred < 256; ++blurred) {
        int d = source - blurred;
        if (std::abs(2 * d) < threshold) d = 0;
        work.sharpen[size_t(source) * 256 + blurred] = truncToByte(factor * d + source);
      }
    }
    blurRows(bitmap, k, work);
    blurColumnsAndSharpen(bitmap, k, work);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace q7310::rgb
