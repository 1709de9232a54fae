// Resize by cubic B-spline (single precision, 4 x 4 source pixels per output
// pixel) and Scale, which fits a resized picture back into the same size.
//
// The weights R(k - dy) depend only on the output row and R(dx - m) only on the
// output column, so both are computed once per row and per column; each weight
// product, each term and each sum is still formed in single precision in the
// same order as a direct evaluation, so the bytes are the same.
#include "Q7310RGB/bitmap/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "Q7310RGB/bitmap/operations.h"

namespace q7310::rgb {
namespace {

// Lanes: bytes 0, 1, 2 of a pixel and one unused.
typedef float Vec4 __attribute__((vector_size(16)));

struct ColumnTaps {
  std::array<int32_t, 4> columns;  // clamped source columns for m = -1..2
  std::array<float, 4> weights;    // R(dx - m)
};

// Source rows converted to float lanes, one slot per row index modulo 4: the
// rows an output row needs always lie within four consecutive indices.
class RowCache {
 public:
  RowCache(const RgbBitmap& source) : source_(source), rows_(4 * size_t(source.width)) {}

  const Vec4* row(int32_t y) {
    const int slot = y & 3;
    if (held_[slot] != y) {
      const uint8_t* p = rowOf(source_, y);
      Vec4* out = rows_.data() + size_t(slot) * size_t(source_.width);
      for (int32_t x = 0; x < source_.width; ++x, p += 3) out[x] = Vec4{float(p[0]), float(p[1]), float(p[2]), 0.0f};
      held_[slot] = y;
    }
    return rows_.data() + size_t(slot) * size_t(source_.width);
  }

 private:
  const RgbBitmap& source_;
  std::vector<Vec4> rows_;
  std::array<int32_t, 4> held_{-1, -1, -1, -1};
};

inline uint8_t sumToByte(float sum) {
  // The weights are positive and sum to 1, so the sum stays within 0..255;
  // keep the conversion defined whatever happens.
  if (!(sum > 0.0f)) return 0;
  if (sum >= 255.0f) return 255;
  return static_cast<uint8_t>(static_cast<int>(sum));
}

inline void storePixel(uint8_t* out, const Vec4& sum) {
  out[0] = sumToByte(sum[0]);
  out[1] = sumToByte(sum[1]);
  out[2] = sumToByte(sum[2]);
}

}  // namespace

float bSpline(float x) {
  if (x > 2.0f) return 0.0f;
  auto cube = [](float t) {
    const float p = t > 0.0f ? t : 0.0f;
    return p * p * p;
  };
  return (cube(x + 2.0f) - 4.0f * cube(x + 1.0f) + 6.0f * cube(x) - 4.0f * cube(x - 1.0f)) / 6.0f;
}

void resampleRegion(const RgbBitmap& source, int32_t width, int32_t height, int32_t firstRow, int32_t firstColumn,
                    RgbBitmap& target, int32_t targetRow, int32_t targetColumn, int32_t rows, int32_t columns) {
  const float ratioX = float(source.width) / float(width);
  const float ratioY = float(source.height) / float(height);

  std::vector<ColumnTaps> taps(static_cast<size_t>(columns));
  for (int32_t c = 0; c < columns; ++c) {
    const float x = ratioX * float(firstColumn + c) - 0.5f;
    const float fx = std::floor(x);
    const auto x0 = static_cast<int32_t>(fx);
    const float dx = x - fx;
    for (int m = -1; m <= 2; ++m) {
      taps[c].columns[m + 1] = std::clamp(x0 + m, 0, source.width - 1);
      taps[c].weights[m + 1] = bSpline(dx - float(m));
    }
  }

  RowCache cache(source);
  for (int32_t r = 0; r < rows; ++r) {
    const float y = ratioY * float(firstRow + r) - 0.5f;
    const float fy = std::floor(y);
    const auto y0 = static_cast<int32_t>(fy);
    const float dy = y - fy;
    std::array<const Vec4*, 4> sourceRows;
    std::array<float, 4> rowWeights;
    for (int k = -1; k <= 2; ++k) {
      rowWeights[k + 1] = bSpline(float(k) - dy);
      sourceRows[k + 1] = cache.row(std::clamp(y0 + k, 0, source.height - 1));
    }
    uint8_t* out = rowOf(target, targetRow + r) + 3 * size_t(targetColumn);
    // Four output pixels at a time: four independent chains of additions for
    // the processor to overlap; each pixel still adds its 16 terms in order.
    int32_t c = 0;
    for (; c + 4 <= columns; c += 4, out += 12) {
      const ColumnTaps* t = &taps[c];
      Vec4 s0 = {}, s1 = {}, s2 = {}, s3 = {};
      for (int k = 0; k < 4; ++k) {
        const Vec4* src = sourceRows[k];
        const float wk = rowWeights[k];
        for (int m = 0; m < 4; ++m) {
          s0 += src[t[0].columns[m]] * (wk * t[0].weights[m]);
          s1 += src[t[1].columns[m]] * (wk * t[1].weights[m]);
          s2 += src[t[2].columns[m]] * (wk * t[2].weights[m]);
          s3 += src[t[3].columns[m]] * (wk * t[3].weights[m]);
        }
      }
      storePixel(out, s0);
      storePixel(out + 3, s1);
      storePixel(out + 6, s2);
      storePixel(out + 9, s3);
    }
    for (; c < columns; ++c, out += 3) {
      const ColumnTaps& t = taps[c];
      Vec4 sum = {};
      for (int k = 0; k < 4; ++k) {
        const Vec4* src = sourceRows[k];
        const float wk = rowWeights[k];
        for (int m = 0; m < 4; ++m) sum += src[t.columns[m]] * (wk * t.weights[m]);
      }
      storePixel(out, sum);
    }
  }
}

bool resizeFits(int32_t width, int32_t height) {
  return width >= 1 && height >= 1 && int64_t{width} * 3 + 4 <= std::numeric_limits<int32_t>::max();
}

BitmapPtr resize(const RgbBitmap& bitmap, int32_t width, int32_t height) {
  if (checkGeometry(&bitmap) != Geometry::Usable || !resizeFits(width, height)) return nullptr;
  BitmapPtr result = allocateBitmap(width, height, libraryStride(width), true);
  if (!result) return nullptr;
  resampleRegion(bitmap, width, height, 0, 0, *result, 0, 0, height, width);
  return result;
}

bool scale(RgbBitmap& bitmap, int32_t percent) {
  const Geometry geometry = checkGeometry(&bitmap);
  if (geometry == Geometry::Invalid || percent < 0) return false;
  if (geometry == Geometry::Empty || percent == 100) return true;
  const int64_t newWidth = int64_t{percent} * bitmap.width / 100;
  const int64_t newHeight = int64_t{percent} * bitmap.height / 100;
  if (newWidth == bitmap.width && newHeight == bitmap.height) return true;
  if (newWidth > std::numeric_limits<int32_t>::max() / 4 || newHeight > std::numeric_limits<int32_t>::max())
    return false;

  // Only the part of the resized picture that ends up in the bitmap is
  // computed, straight into place, from a copy of the original. The resampler
  // takes its memory before it writes, so a failure leaves the bitmap as it was.
  try {
    BitmapPtr source = duplicateBitmap(bitmap);
    if (!source) return false;
    const auto w = static_cast<int32_t>(newWidth);
    const auto h = static_cast<int32_t>(newHeight);
    if (percent > 100) {
      resampleRegion(*source, w, h, (h - bitmap.height) / 2, (w - bitmap.width) / 2, bitmap, 0, 0, bitmap.height,
                     bitmap.width);
      return true;
    }
    // The smaller picture centred, then white around it.
    const int32_t top = (bitmap.height - h) / 2;
    const int32_t left = (bitmap.width - w) / 2;
    if (w > 0 && h > 0) resampleRegion(*source, w, h, 0, 0, bitmap, top, left, h, w);
    const size_t rowBytes = size_t(bitmap.width) * 3;
    for (int32_t y = 0; y < bitmap.height; ++y) {
      uint8_t* row = rowOf(bitmap, y);
      if (w == 0 || h == 0 || y < top || y >= top + h) {
        std::memset(row, 0xFF, rowBytes);
      } else {
        std::memset(row, 0xFF, size_t(left) * 3);
        std::memset(row + size_t(left + w) * 3, 0xFF, rowBytes - size_t(left + w) * 3);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace q7310::rgb
