// Block transfers: BitBlt with raster operations, CopyBits, the stretches
// (nearest sampling, and a quality resampler for HALFTONE), parallelogram
// blits, constant-alpha blending and color-keyed transfers.
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "platform/gdi/engine.h"
#include "platform/gdi/raster.h"
#include "platform/os/errors.h"

namespace q7310::gdi {
namespace {

using detail::Bgr;
using detail::intersect;
using detail::isEmpty;
using detail::ordered;
using detail::pixelAt;

bool invalid() {
  os::setLastError(os::kErrorInvalidParameter);
  return false;
}

// Splits a rop4 into its one raster operation; a rop4 whose two halves differ
// needs a mask, which 24-bit-only surfaces do not offer.
bool singleRop(uint32_t rop4, uint8_t* rop3) {
  uint8_t fg = static_cast<uint8_t>(rop4 & 0xFF);
  uint8_t bg = static_cast<uint8_t>((rop4 >> 8) & 0xFF);
  if (fg != bg) return false;
  *rop3 = fg;
  return true;
}

// Stores one finished row of pixels (blue, green, red) into [x0, x1) of row y.
using RowStore = std::function<void(int32_t y, int32_t x0, int32_t x1, const uint8_t* row)>;

RowStore ropStore(const SurfObj* dst, uint8_t rop3, Bgr pattern) {
  return [dst, rop3, pattern](int32_t y, int32_t x0, int32_t x1, const uint8_t* row) {
    uint8_t* d = pixelAt(dst, x0, y);
    const size_t bytes = static_cast<size_t>(x1 - x0) * 3;
    if (rop3 == 0xCC) {
      std::memmove(d, row, bytes);
      return;
    }
    for (size_t i = 0; i < bytes; i += 3) {
      d[i] = detail::applyRop3(rop3, pattern.b, row[i], d[i]);
      d[i + 1] = detail::applyRop3(rop3, pattern.g, row[i + 1], d[i + 1]);
      d[i + 2] = detail::applyRop3(rop3, pattern.r, row[i + 2], d[i + 2]);
    }
  };
}

// Source taps of one destination index along one axis: source indexes
// first, first + 1, ... (relative to the source rectangle) with weights.
struct Taps {
  int32_t first = 0;
  std::vector<float> weights;
};

// Area average when shrinking; linear interpolation between pixel centres
// when enlarging (equal sizes give the identity).
std::vector<Taps> axisTaps(int32_t srcLen, int32_t dstLen) {
  std::vector<Taps> taps(static_cast<size_t>(dstLen));
  const double scale = static_cast<double>(srcLen) / dstLen;
  for (int32_t i = 0; i < dstLen; ++i) {
    Taps& t = taps[static_cast<size_t>(i)];
    if (srcLen > dstLen) {
      const double start = i * scale, end = (i + 1) * scale;
      const int32_t j0 = static_cast<int32_t>(std::floor(start));
      const int32_t j1 = std::min(srcLen, static_cast<int32_t>(std::ceil(end)));
      t.first = j0;
      for (int32_t j = j0; j < j1; ++j) {
        const double overlap = std::min(end, j + 1.0) - std::max(start, static_cast<double>(j));
        t.weights.push_back(static_cast<float>(overlap / scale));
      }
    } else {
      double u = (i + 0.5) * scale - 0.5;
      u = std::clamp(u, 0.0, static_cast<double>(srcLen - 1));
      const int32_t j0 = static_cast<int32_t>(std::floor(u));
      const double f = u - j0;
      t.first = j0;
      if (j0 + 1 < srcLen && f > 0) {
        t.weights = {static_cast<float>(1 - f), static_cast<float>(f)};
      } else {
        t.weights = {1.0f};
      }
    }
  }
  return taps;
}

struct Mapping {
  RectL dst;      // ordered destination rectangle
  RectL src;      // ordered source rectangle
  RectL visible;  // destination pixels to draw
  bool mirrorX = false;
  bool mirrorY = false;
  // Index along the source-increasing direction of destination column x / row y.
  int32_t colIndex(int32_t x) const { return mirrorX ? dst.right - 1 - x : x - dst.left; }
  int32_t rowIndex(int32_t y) const { return mirrorY ? dst.bottom - 1 - y : y - dst.top; }
};

bool makeMapping(const SurfObj* dst, const ClipObj* clip, const RectL& dstRect, const RectL& srcRect,
                 Mapping* m) {
  m->mirrorX = (dstRect.right < dstRect.left) != (srcRect.right < srcRect.left);
  m->mirrorY = (dstRect.bottom < dstRect.top) != (srcRect.bottom < srcRect.top);
  m->dst = ordered(dstRect);
  m->src = ordered(srcRect);
  m->visible = intersect(m->dst, detail::clipBox(dst, clip));
  return !isEmpty(m->dst) && !isEmpty(m->src) && !isEmpty(m->visible);
}

// Source pixel reads are clamped into the source surface, so a source
// rectangle that reaches past it repeats the edge instead of reading outside.
const uint8_t* srcPixel(const SurfObj* src, int32_t x, int32_t y) {
  x = std::clamp(x, 0, src->sizlBitmap.cx - 1);
  y = std::clamp(y, 0, src->sizlBitmap.cy - 1);
  return pixelAt(src, x, y);
}

void stretchNearest(const SurfObj* src, const Mapping& m, const RowStore& store) {
  const int64_t w = m.dst.width(), h = m.dst.height(), sw = m.src.width(), sh = m.src.height();
  const int32_t vw = m.visible.width();
  std::vector<int32_t> cols(static_cast<size_t>(vw));
  for (int32_t x = m.visible.left; x < m.visible.right; ++x) {
    const int64_t i = m.colIndex(x);
    cols[static_cast<size_t>(x - m.visible.left)] = m.src.left + static_cast<int32_t>((2 * i + 1) * sw / (2 * w));
  }
  std::vector<uint8_t> row(static_cast<size_t>(vw) * 3);
  for (int32_t y = m.visible.top; y < m.visible.bottom; ++y) {
    const int64_t j = m.rowIndex(y);
    const int32_t sy = m.src.top + static_cast<int32_t>((2 * j + 1) * sh / (2 * h));
    for (int32_t k = 0; k < vw; ++k) std::memcpy(&row[static_cast<size_t>(k) * 3], srcPixel(src, cols[k], sy), 3);
    store(y, m.visible.left, m.visible.right, row.data());
  }
}

void stretchQuality(const SurfObj* src, const Mapping& m, const RowStore& store) {
  const std::vector<Taps> colTaps = axisTaps(m.src.width(), m.dst.width());
  const std::vector<Taps> rowTaps = axisTaps(m.src.height(), m.dst.height());
  const int32_t vw = m.visible.width();
  // Every visible column's taps as byte offsets into a source row (kept on
  // the source surface) and weights, laid out once for all rows.
  struct Tap {
    size_t offset;
    float weight;
  };
  std::vector<Tap> taps;
  std::vector<size_t> firstTap(static_cast<size_t>(vw) + 1);
  for (int32_t k = 0; k < vw; ++k) {
    firstTap[static_cast<size_t>(k)] = taps.size();
    const Taps& t = colTaps[static_cast<size_t>(m.colIndex(m.visible.left + k))];
    for (size_t n = 0; n < t.weights.size(); ++n) {
      const int32_t x = std::clamp(m.src.left + t.first + static_cast<int32_t>(n), 0, src->sizlBitmap.cx - 1);
      taps.push_back(Tap{static_cast<size_t>(x) * 3, t.weights[n]});
    }
  }
  firstTap[static_cast<size_t>(vw)] = taps.size();
  // Horizontally resampled source rows, kept while later rows still need them.
  std::map<int32_t, std::vector<float>> cache;
  auto horizontal = [&](int32_t srcRow) -> const std::vector<float>& {
    auto it = cache.find(srcRow);
    if (it != cache.end()) return it->second;
    std::vector<float>& out = cache[srcRow];
    out.resize(static_cast<size_t>(vw) * 3);
    const uint8_t* row = srcPixel(src, 0, m.src.top + srcRow);
    for (size_t k = 0; k < static_cast<size_t>(vw); ++k) {
      float b = 0, g = 0, r = 0;
      for (size_t n = firstTap[k]; n < firstTap[k + 1]; ++n) {
        const uint8_t* p = row + taps[n].offset;
        b += taps[n].weight * p[0];
        g += taps[n].weight * p[1];
        r += taps[n].weight * p[2];
      }
      out[k * 3] = b;
      out[k * 3 + 1] = g;
      out[k * 3 + 2] = r;
    }
    return out;
  };
  std::vector<float> acc(static_cast<size_t>(vw) * 3);
  std::vector<uint8_t> row(static_cast<size_t>(vw) * 3);
  // Rows go in the order their source rows increase, so the cache only drops
  // rows from its front.
  const int32_t count = m.visible.height();
  for (int32_t n = 0; n < count; ++n) {
    const int32_t y = m.mirrorY ? m.visible.bottom - 1 - n : m.visible.top + n;
    const Taps& t = rowTaps[static_cast<size_t>(m.rowIndex(y))];
    while (!cache.empty() && cache.begin()->first < t.first) cache.erase(cache.begin());
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (size_t k = 0; k < t.weights.size(); ++k) {
      const std::vector<float>& line = horizontal(t.first + static_cast<int32_t>(k));
      const float weight = t.weights[k];
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += weight * line[i];
    }
    for (size_t i = 0; i < acc.size(); ++i) {
      const float v = acc[i] + 0.5f;
      row[i] = static_cast<uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : static_cast<int>(v));
    }
    store(y, m.visible.left, m.visible.right, row.data());
  }
}

bool stretch(SurfObj* dst, SurfObj* src, ClipObj* clip, const RectL* dstRect, const RectL* srcRect, uint32_t mode,
             const RowStore& store) {
  Mapping m;
  if (!makeMapping(dst, clip, *dstRect, *srcRect, &m)) return true;
  // A stretch within one surface reads from a copy of the rows it needs, so
  // it never reads pixels it has already written.
  std::vector<uint8_t> copy;
  SurfObj snapshot;
  if (src->pvBits == dst->pvBits) {
    const int32_t top = std::clamp(m.src.top, 0, src->sizlBitmap.cy - 1);
    const int32_t bottom = std::clamp(m.src.bottom, top + 1, src->sizlBitmap.cy);
    const size_t rowBytes = static_cast<size_t>(src->sizlBitmap.cx) * 3;
    copy.resize(rowBytes * static_cast<size_t>(bottom - top));
    for (int32_t y = top; y < bottom; ++y) {
      std::memcpy(&copy[rowBytes * static_cast<size_t>(y - top)], pixelAt(src, 0, y), rowBytes);
    }
    snapshot = *src;
    snapshot.sizlBitmap.cy = bottom - top;
    snapshot.lDelta = static_cast<int32_t>(rowBytes);
    snapshot.pvBits = snapshot.pvScan0 = copy.data();
    m.src.top -= top;
    m.src.bottom -= top;
    src = &snapshot;
  }
  if (mode == kHalftone) {
    stretchQuality(src, m, store);
  } else {
    stretchNearest(src, m, store);
  }
  return true;
}

bool checkStretchArgs(SurfObj* dst, SurfObj* src, const RectL* dstRect, const RectL* srcRect, uint32_t mode) {
  return detail::usableSurface(dst) && detail::usableSurface(src) && dstRect != nullptr && srcRect != nullptr &&
         mode >= kBlackOnWhite && mode <= kHalftone;
}

// Paints the destination rectangle with a raster operation that reads no source.
void fillRect(SurfObj* dst, const RectL& area, Bgr pattern, uint8_t rop3) {
  for (int32_t y = area.top; y < area.bottom; ++y) detail::paintSpan(dst, y, area.left, area.right, pattern, rop3);
}

}  // namespace

bool engBitBlt(SurfObj* dst, SurfObj* src, SurfObj*, ClipObj* clip, XlateObj*, const RectL* dstRect,
               const PointL* srcPoint, const PointL*, BrushObj* brush, const PointL*, uint32_t rop4) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || dstRect == nullptr || !singleRop(rop4, &rop3)) return invalid();
  const bool needSource = detail::ropUsesSource(rop3);
  const bool needPattern = detail::ropUsesPattern(rop3);
  if (needSource && (!detail::usableSurface(src) || srcPoint == nullptr)) return invalid();
  if (needPattern && brush == nullptr) return invalid();
  const Bgr pattern = needPattern ? detail::colorToBgr(brush->iSolidColor) : Bgr{};
  const RectL target = ordered(*dstRect);
  RectL area = intersect(target, detail::clipBox(dst, clip));
  if (!needSource) {
    if (!isEmpty(area)) fillRect(dst, area, pattern, rop3);
    return true;
  }
  // Only destination pixels whose source pixel lies on the source surface.
  const int32_t dx = srcPoint->x - target.left, dy = srcPoint->y - target.top;
  area = intersect(area, RectL{-dx, -dy, src->sizlBitmap.cx - dx, src->sizlBitmap.cy - dy});
  if (isEmpty(area)) return true;
  const size_t rowBytes = static_cast<size_t>(area.width()) * 3;
  RowStore store = ropStore(dst, rop3, pattern);
  // A blit within one surface reads every source row before it writes.
  std::vector<uint8_t> copy;
  const bool sameBits = src->pvBits == dst->pvBits;
  if (sameBits) {
    copy.resize(rowBytes * static_cast<size_t>(area.height()));
    for (int32_t y = area.top; y < area.bottom; ++y) {
      std::memcpy(&copy[rowBytes * static_cast<size_t>(y - area.top)], pixelAt(src, area.left + dx, y + dy),
                  rowBytes);
    }
  }
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const uint8_t* row = sameBits ? &copy[rowBytes * static_cast<size_t>(y - area.top)]
                                  : pixelAt(src, area.left + dx, y + dy);
    store(y, area.left, area.right, row);
  }
  return true;
}

bool engCopyBits(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                 const PointL* srcPoint) {
  return engBitBlt(dst, src, nullptr, clip, xlate, dstRect, srcPoint, nullptr, nullptr, nullptr, kRopSrcCopy);
}

bool engStretchBlt(SurfObj* dst, SurfObj* src, SurfObj*, ClipObj* clip, XlateObj*, ColorAdjustment*,
                   const PointL*, const RectL* dstRect, const RectL* srcRect, const PointL*, uint32_t mode) {
  if (!checkStretchArgs(dst, src, dstRect, srcRect, mode)) return invalid();
  return stretch(dst, src, clip, dstRect, srcRect, mode, ropStore(dst, 0xCC, Bgr{}));
}

bool engStretchBltROP(SurfObj* dst, SurfObj* src, SurfObj*, ClipObj* clip, XlateObj*, ColorAdjustment*,
                      const PointL*, const RectL* dstRect, const RectL* srcRect, const PointL*, uint32_t mode,
                      BrushObj* brush, uint32_t rop4) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || dstRect == nullptr || !singleRop(rop4, &rop3)) return invalid();
  const bool needPattern = detail::ropUsesPattern(rop3);
  if (needPattern && brush == nullptr) return invalid();
  const Bgr pattern = needPattern ? detail::colorToBgr(brush->iSolidColor) : Bgr{};
  if (!detail::ropUsesSource(rop3)) {
    const RectL area = intersect(ordered(*dstRect), detail::clipBox(dst, clip));
    if (!isEmpty(area)) fillRect(dst, area, pattern, rop3);
    return true;
  }
  if (!checkStretchArgs(dst, src, dstRect, srcRect, mode)) return invalid();
  return stretch(dst, src, clip, dstRect, srcRect, mode, ropStore(dst, rop3, pattern));
}

bool engPlgBlt(SurfObj* dst, SurfObj* src, SurfObj*, ClipObj* clip, XlateObj*, ColorAdjustment*, const PointL*,
               const PointL* dstPoints, const RectL* srcRect, const PointL*, uint32_t mode) {
  if (!detail::usableSurface(dst) || !detail::usableSurface(src) || dstPoints == nullptr || srcRect == nullptr ||
      mode < kBlackOnWhite || mode > kHalftone) {
    return invalid();
  }
  const double ax = dstPoints[1].x - dstPoints[0].x, ay = dstPoints[1].y - dstPoints[0].y;
  const double bx = dstPoints[2].x - dstPoints[0].x, by = dstPoints[2].y - dstPoints[0].y;
  const double det = ax * by - ay * bx;
  const RectL s = ordered(*srcRect);
  if (det == 0 || isEmpty(s)) return true;
  const bool flipX = srcRect->right < srcRect->left, flipY = srcRect->bottom < srcRect->top;
  const double xs[4] = {double(dstPoints[0].x), double(dstPoints[1].x), double(dstPoints[2].x),
                        dstPoints[1].x + bx};
  const double ys[4] = {double(dstPoints[0].y), double(dstPoints[1].y), double(dstPoints[2].y),
                        dstPoints[1].y + by};
  const RectL bounds{static_cast<int32_t>(std::floor(*std::min_element(xs, xs + 4))),
                     static_cast<int32_t>(std::floor(*std::min_element(ys, ys + 4))),
                     static_cast<int32_t>(std::ceil(*std::max_element(xs, xs + 4))),
                     static_cast<int32_t>(std::ceil(*std::max_element(ys, ys + 4)))};
  const RectL area = intersect(bounds, detail::clipBox(dst, clip));
  for (int32_t y = area.top; y < area.bottom; ++y) {
    for (int32_t x = area.left; x < area.right; ++x) {
      const double dx = x + 0.5 - dstPoints[0].x, dy = y + 0.5 - dstPoints[0].y;
      double u = (dx * by - dy * bx) / det;
      double v = (ax * dy - ay * dx) / det;
      if (u < 0 || u >= 1 || v < 0 || v >= 1) continue;
      if (flipX) u = 1 - u;
      if (flipY) v = 1 - v;
      const double sx = s.left + u * s.width(), sy = s.top + v * s.height();
      uint8_t* d = pixelAt(dst, x, y);
      if (mode != kHalftone) {
        std::memcpy(d, srcPixel(src, static_cast<int32_t>(std::floor(sx)), static_cast<int32_t>(std::floor(sy))), 3);
        continue;
      }
      // Bilinear between the four nearest source pixel centres, kept inside
      // the source rectangle.
      const double fx = std::clamp(sx - 0.5, double(s.left), double(s.right - 1));
      const double fy = std::clamp(sy - 0.5, double(s.top), double(s.bottom - 1));
      const int32_t x0 = static_cast<int32_t>(std::floor(fx)), y0 = static_cast<int32_t>(std::floor(fy));
      const int32_t x1 = std::min(x0 + 1, s.right - 1), y1 = std::min(y0 + 1, s.bottom - 1);
      const double tx = fx - x0, ty = fy - y0;
      for (int c = 0; c < 3; ++c) {
        const double top = srcPixel(src, x0, y0)[c] * (1 - tx) + srcPixel(src, x1, y0)[c] * tx;
        const double bottom = srcPixel(src, x0, y1)[c] * (1 - tx) + srcPixel(src, x1, y1)[c] * tx;
        d[c] = static_cast<uint8_t>(std::clamp(std::lround(top * (1 - ty) + bottom * ty), 0L, 255L));
      }
    }
  }
  return true;
}

bool engAlphaBlend(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj*, const RectL* dstRect,
                   const RectL* srcRect, BlendObj* blend) {
  if (!checkStretchArgs(dst, src, dstRect, srcRect, kColorOnColor) || blend == nullptr) return invalid();
  const uint32_t a = blend->sourceConstantAlpha;
  return stretch(dst, src, clip, dstRect, srcRect, kColorOnColor,
                 [dst, a](int32_t y, int32_t x0, int32_t x1, const uint8_t* row) {
                   uint8_t* d = pixelAt(dst, x0, y);
                   const size_t bytes = static_cast<size_t>(x1 - x0) * 3;
                   for (size_t i = 0; i < bytes; ++i) {
                     d[i] = static_cast<uint8_t>((row[i] * a + d[i] * (255 - a) + 127) / 255);
                   }
                 });
}

bool engTransparentBlt(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj*, const RectL* dstRect,
                       const RectL* srcRect, uint32_t transparentColor, uint32_t) {
  if (!checkStretchArgs(dst, src, dstRect, srcRect, kColorOnColor)) return invalid();
  const Bgr key = detail::colorToBgr(transparentColor);
  return stretch(dst, src, clip, dstRect, srcRect, kColorOnColor,
                 [dst, key](int32_t y, int32_t x0, int32_t x1, const uint8_t* row) {
                   uint8_t* d = pixelAt(dst, x0, y);
                   for (int32_t k = 0; k < x1 - x0; ++k, row += 3, d += 3) {
                     if (row[0] == key.b && row[1] == key.g && row[2] == key.r) continue;
                     std::memcpy(d, row, 3);
                   }
                 });
}

}  // namespace q7310::gdi
