// Area and line drawing: Paint, path fills (alternate and winding), strokes,
// LineTo and gradient fills, all cut to the clip box.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/engine.h"
#include "platform/gdi/raster.h"
#include "platform/os/errors.h"

namespace q7310::gdi {
namespace detail {

void fillPolygons(const SurfObj* dst, const RectL& clip, const std::vector<std::vector<PointD>>& figures,
                  uint32_t fillMode, Bgr color, uint8_t rop3) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  double minY = 1e300, maxY = -1e300;
  for (const auto& fig : figures) {
    for (size_t i = 0; i < fig.size(); ++i) {
      const PointD& a = fig[i];
      const PointD& b = fig[(i + 1) % fig.size()];
      if (a.y == b.y) continue;
      edges.push_back(Edge{a.x, a.y, b.x, b.y, b.y > a.y ? 1 : -1});
      minY = std::min({minY, a.y, b.y});
      maxY = std::max({maxY, a.y, b.y});
    }
  }
  if (edges.empty()) return;
  const int32_t yStart = std::max<int32_t>(clip.top, static_cast<int32_t>(std::max(-1e9, std::floor(minY))));
  const int32_t yEnd = std::min<int32_t>(clip.bottom, static_cast<int32_t>(std::min(1e9, std::ceil(maxY))));
  struct Crossing {
    double x;
    int dir;
  };
  std::vector<Crossing> xs;
  auto emit = [&](int32_t y, double xa, double xb) {
    // Pixels whose centre lies in [xa, xb).
    const double first = std::ceil(xa - 0.5), last = std::ceil(xb - 0.5);
    const int32_t x0 = static_cast<int32_t>(std::clamp(first, double(clip.left), double(clip.right)));
    const int32_t x1 = static_cast<int32_t>(std::clamp(last, double(clip.left), double(clip.right)));
    paintSpan(dst, y, x0, x1, color, rop3);
  };
  for (int32_t y = yStart; y < yEnd; ++y) {
    const double yc = y + 0.5;
    xs.clear();
    for (const Edge& e : edges) {
      const double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
      if (yc < lo || yc >= hi) continue;
      xs.push_back(Crossing{e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir});
    }
    std::sort(xs.begin(), xs.end(), [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    if (fillMode == kFpWindingMode) {
      int winding = 0;
      double start = 0;
      for (const Crossing& c : xs) {
        const int before = winding;
        winding += c.dir;
        if (before == 0 && winding != 0) start = c.x;
        if (before != 0 && winding == 0) emit(y, start, c.x);
      }
    } else {
      for (size_t i = 0; i + 1 < xs.size(); i += 2) emit(y, xs[i].x, xs[i + 1].x);
    }
  }
}

void drawThinLine(const SurfObj* dst, const RectL& clip, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Bgr color,
                  uint8_t rop3) {
  int64_t x = x1, y = y1;
  const int64_t dx = std::llabs(int64_t{x2} - x1), dy = -std::llabs(int64_t{y2} - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int64_t err = dx + dy;
  while (x != x2 || y != y2) {
    if (x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom) {
      paintSpan(dst, static_cast<int32_t>(y), static_cast<int32_t>(x), static_cast<int32_t>(x) + 1, color, rop3);
    }
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace detail

namespace {

using detail::Bgr;
using detail::PointD;

bool invalid() {
  os::setLastError(os::kErrorInvalidParameter);
  return false;
}

bool validPath(const PathObj* path) { return path != nullptr; }

void fillPath(SurfObj* dst, const PathObj& path, const RectL& clip, Bgr color, uint8_t rop3, uint32_t options) {
  std::vector<std::vector<PointD>> figures;
  for (const auto& fig : path.figures) {
    if (fig.points.size() < 3) continue;
    auto& out = figures.emplace_back();
    for (const PointL& p : fig.points) out.push_back(PointD{double(p.x), double(p.y)});
  }
  detail::fillPolygons(dst, clip, figures, options == kFpWindingMode ? kFpWindingMode : kFpAlternateMode, color,
                       rop3);
}

void strokePath(SurfObj* dst, const PathObj& path, const RectL& clip, Bgr color, uint8_t rop3, int32_t width) {
  if (width <= 1) {
    for (const auto& fig : path.figures) {
      const size_t n = fig.points.size();
      for (size_t i = 0; i + 1 < n; ++i) {
        detail::drawThinLine(dst, clip, fig.points[i].x, fig.points[i].y, fig.points[i + 1].x, fig.points[i + 1].y,
                             color, rop3);
      }
      if (fig.closed && n > 1) {
        detail::drawThinLine(dst, clip, fig.points[n - 1].x, fig.points[n - 1].y, fig.points[0].x, fig.points[0].y,
                             color, rop3);
      }
    }
    return;
  }
  // A wide pen: one quad per segment and a square at every vertex, all wound
  // the same way and filled together, so overlaps are painted once.
  const double h = width / 2.0;
  std::vector<std::vector<PointD>> shapes;
  auto square = [&](const PointL& p) {
    const double cx = p.x + 0.5, cy = p.y + 0.5;
    shapes.push_back({{cx - h, cy + h}, {cx + h, cy + h}, {cx + h, cy - h}, {cx - h, cy - h}});
  };
  auto segment = [&](const PointL& a, const PointL& b) {
    const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    if (len == 0) return;
    const double nx = -dy / len * h, ny = dx / len * h;
    const double ax = a.x + 0.5, ay = a.y + 0.5, bx = b.x + 0.5, by = b.y + 0.5;
    shapes.push_back({{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}});
  };
  for (const auto& fig : path.figures) {
    const size_t n = fig.points.size();
    for (size_t i = 0; i < n; ++i) {
      square(fig.points[i]);
      if (i + 1 < n) segment(fig.points[i], fig.points[i + 1]);
    }
    if (fig.closed && n > 2) segment(fig.points[n - 1], fig.points[0]);
  }
  detail::fillPolygons(dst, clip, shapes, kFpWindingMode, color, rop3);
}

}  // namespace

bool engPaint(SurfObj* dst, ClipObj* clip, BrushObj* brush, const PointL*, uint32_t mix) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || brush == nullptr || !detail::mixToRop3(mix, &rop3)) return invalid();
  const RectL box = detail::clipBox(dst, clip);
  const Bgr color = detail::colorToBgr(brush->iSolidColor);
  for (int32_t y = box.top; y < box.bottom; ++y) detail::paintSpan(dst, y, box.left, box.right, color, rop3);
  return true;
}

bool engFillPath(SurfObj* dst, PathObj* path, ClipObj* clip, BrushObj* brush, const PointL*, uint32_t mix,
                 uint32_t options) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || !validPath(path) || brush == nullptr || !detail::mixToRop3(mix, &rop3)) {
    return invalid();
  }
  fillPath(dst, *path, detail::clipBox(dst, clip), detail::colorToBgr(brush->iSolidColor), rop3, options);
  return true;
}

bool engStrokePath(SurfObj* dst, PathObj* path, ClipObj* clip, void*, BrushObj* brush, const PointL*,
                   LineAttrs* line, uint32_t mix) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || !validPath(path) || brush == nullptr || !detail::mixToRop3(mix, &rop3)) {
    return invalid();
  }
  strokePath(dst, *path, detail::clipBox(dst, clip), detail::colorToBgr(brush->iSolidColor), rop3,
             line != nullptr ? line->width : 1);
  return true;
}

bool engStrokeAndFillPath(SurfObj* dst, PathObj* path, ClipObj* clip, void*, BrushObj* strokeBrush,
                          LineAttrs* line, BrushObj* fillBrush, const PointL*, uint32_t mix, uint32_t options) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || !validPath(path) || strokeBrush == nullptr || fillBrush == nullptr ||
      !detail::mixToRop3(mix, &rop3)) {
    return invalid();
  }
  const RectL box = detail::clipBox(dst, clip);
  fillPath(dst, *path, box, detail::colorToBgr(fillBrush->iSolidColor), rop3, options);
  strokePath(dst, *path, box, detail::colorToBgr(strokeBrush->iSolidColor), rop3, line != nullptr ? line->width : 1);
  return true;
}

bool engLineTo(SurfObj* dst, ClipObj* clip, BrushObj* brush, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
               const RectL*, uint32_t mix) {
  uint8_t rop3 = 0;
  if (!detail::usableSurface(dst) || brush == nullptr || !detail::mixToRop3(mix, &rop3)) return invalid();
  detail::drawThinLine(dst, detail::clipBox(dst, clip), x1, y1, x2, y2, detail::colorToBgr(brush->iSolidColor),
                       rop3);
  return true;
}

namespace {

uint8_t channel(int64_t from, int64_t to, int64_t pos, int64_t span) {
  return static_cast<uint8_t>((from + (to - from) * pos / span) >> 8);
}

void gradientRect(SurfObj* dst, const RectL& box, const TriVertex& a, const TriVertex& b, bool horizontal) {
  const RectL r = detail::ordered(RectL{a.x, a.y, b.x, b.y});
  const RectL area = detail::intersect(r, box);
  if (detail::isEmpty(area)) return;
  // The color runs from the vertex nearer the start edge to the other one.
  const bool aFirst = horizontal ? a.x <= b.x : a.y <= b.y;
  const TriVertex& c0 = aFirst ? a : b;
  const TriVertex& c1 = aFirst ? b : a;
  const int64_t span = horizontal ? r.width() : r.height();
  for (int32_t y = area.top; y < area.bottom; ++y) {
    uint8_t* p = detail::pixelAt(dst, area.left, y);
    for (int32_t x = area.left; x < area.right; ++x, p += 3) {
      const int64_t pos = horizontal ? x - r.left : y - r.top;
      p[0] = channel(c0.blue, c1.blue, pos, span);
      p[1] = channel(c0.green, c1.green, pos, span);
      p[2] = channel(c0.red, c1.red, pos, span);
    }
  }
}

void gradientTriangle(SurfObj* dst, const RectL& box, const TriVertex& a, const TriVertex& b, const TriVertex& c) {
  const double det = double(b.x - a.x) * (c.y - a.y) - double(c.x - a.x) * (b.y - a.y);
  if (det == 0) return;
  const RectL bounds{std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}), std::max({a.x, b.x, c.x}),
                     std::max({a.y, b.y, c.y})};
  const RectL area = detail::intersect(bounds, box);
  for (int32_t y = area.top; y < area.bottom; ++y) {
    for (int32_t x = area.left; x < area.right; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double wb = ((px - a.x) * (c.y - a.y) - (c.x - a.x) * (py - a.y)) / det;
      const double wc = ((b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y)) / det;
      const double wa = 1 - wb - wc;
      if (wa < 0 || wb < 0 || wc < 0) continue;
      uint8_t* p = detail::pixelAt(dst, x, y);
      auto mixChannel = [&](uint16_t ca, uint16_t cb, uint16_t cc) {
        return static_cast<uint8_t>(std::clamp(std::lround(wa * ca + wb * cb + wc * cc), 0L, 65535L) >> 8);
      };
      p[0] = mixChannel(a.blue, b.blue, c.blue);
      p[1] = mixChannel(a.green, b.green, c.green);
      p[2] = mixChannel(a.red, b.red, c.red);
    }
  }
}

}  // namespace

bool engGradientFill(SurfObj* dst, ClipObj* clip, XlateObj*, const TriVertex* vertices, uint32_t vertexCount,
                     const void* mesh, uint32_t meshCount, const RectL*, const PointL*, uint32_t mode) {
  if (!detail::usableSurface(dst) || (vertexCount > 0 && vertices == nullptr) || (meshCount > 0 && mesh == nullptr) ||
      mode > kGradientFillTriangle) {
    return invalid();
  }
  // Every vertex index is checked before anything is drawn.
  if (mode == kGradientFillTriangle) {
    const auto* tris = static_cast<const GradientTriangle*>(mesh);
    for (uint32_t i = 0; i < meshCount; ++i) {
      if (tris[i].vertex1 >= vertexCount || tris[i].vertex2 >= vertexCount || tris[i].vertex3 >= vertexCount) {
        return invalid();
      }
    }
  } else {
    const auto* rects = static_cast<const GradientRect*>(mesh);
    for (uint32_t i = 0; i < meshCount; ++i) {
      if (rects[i].upperLeft >= vertexCount || rects[i].lowerRight >= vertexCount) return invalid();
    }
  }
  const RectL box = detail::clipBox(dst, clip);
  for (uint32_t i = 0; i < meshCount; ++i) {
    if (mode == kGradientFillTriangle) {
      const auto& t = static_cast<const GradientTriangle*>(mesh)[i];
      gradientTriangle(dst, box, vertices[t.vertex1], vertices[t.vertex2], vertices[t.vertex3]);
    } else {
      const auto& r = static_cast<const GradientRect*>(mesh)[i];
      gradientRect(dst, box, vertices[r.upperLeft], vertices[r.lowerRight], mode == kGradientFillRectH);
    }
  }
  return true;
}

}  // namespace q7310::gdi
