#include "app/test_chart.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace q7310::app {

namespace {

constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) {
  return uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16);  // 0x00BBGGRR
}

gdi::TriVertex vertex(int32_t x, int32_t y, uint32_t color) {
  gdi::TriVertex v;
  v.x = x;
  v.y = y;
  v.red = static_cast<uint16_t>((color & 0xFF) * 257);
  v.green = static_cast<uint16_t>(((color >> 8) & 0xFF) * 257);
  v.blue = static_cast<uint16_t>(((color >> 16) & 0xFF) * 257);
  return v;
}

bool gradient(gdi::PrinterDc& dc, const gdi::RectL& r, uint32_t from, uint32_t to, bool horizontal) {
  std::array<gdi::TriVertex, 2> v{vertex(r.left, r.top, from), vertex(r.right, r.bottom, to)};
  std::array<gdi::GradientRect, 1> rect{gdi::GradientRect{0, 1}};
  return dc.gradientFill(v, rect, horizontal ? gdi::kGradientFillRectH : gdi::kGradientFillRectV);
}

}  // namespace

bool drawTestChart(gdi::PrinterDc& dc, std::u16string_view caption) {
  const gdi::SizeL page = dc.pageSize();
  const int32_t w = page.cx;
  const int32_t h = page.cy;
  const int32_t margin = std::max(20, w / 30);
  const int32_t inner = w - 2 * margin;
  bool ok = true;
  int32_t y = margin;

  // Primary and secondary patches.
  const uint32_t patches[] = {rgb(255, 0, 0),   rgb(0, 255, 0),     rgb(0, 0, 255),   rgb(0, 255, 255),
                              rgb(255, 0, 255), rgb(255, 255, 0),   rgb(0, 0, 0),     rgb(255, 255, 255),
                              rgb(128, 128, 128), rgb(200, 120, 40), rgb(40, 90, 170), rgb(90, 160, 60)};
  const int32_t columns = 6;
  const int32_t patch = inner / columns;
  for (int i = 0; i < 12; ++i) {
    int32_t x = margin + (i % columns) * patch;
    int32_t top = y + (i / columns) * patch;
    ok &= dc.fillRect({x + 2, top + 2, x + patch - 2, top + patch - 2}, patches[i]);
  }
  y += 2 * patch + margin / 2;

  // Grey ramp in 16 steps and a smooth grey gradient below it.
  const int32_t band = std::max(24, h / 20);
  for (int i = 0; i < 16; ++i) {
    auto level = static_cast<uint8_t>(i * 17);
    int32_t x = margin + inner * i / 16;
    ok &= dc.fillRect({x, y, margin + inner * (i + 1) / 16, y + band}, rgb(level, level, level));
  }
  y += band;
  ok &= gradient(dc, {margin, y, margin + inner, y + band}, rgb(0, 0, 0), rgb(255, 255, 255), true);
  y += band + margin / 2;

  // Skin tones.
  const uint32_t skin[] = {rgb(255, 224, 196), rgb(241, 194, 167), rgb(224, 172, 138), rgb(198, 134, 103),
                           rgb(160, 102, 74),  rgb(112, 70, 52)};
  for (int i = 0; i < 6; ++i) {
    int32_t x = margin + inner * i / 6;
    ok &= dc.fillRect({x + 2, y, margin + inner * (i + 1) / 6 - 2, y + band}, skin[i]);
  }
  y += band + margin / 2;

  // Color gradients.
  ok &= gradient(dc, {margin, y, margin + inner / 2, y + band}, rgb(255, 0, 0), rgb(0, 0, 255), true);
  ok &= gradient(dc, {margin + inner / 2, y, margin + inner, y + band}, rgb(255, 255, 0), rgb(0, 160, 0), true);
  y += band + margin / 2;

  // Fine lines: one-pixel lines 1, 2 and 4 pixels apart.
  int32_t linesBottom = std::min(h - margin - band, y + band * 2);
  for (int group = 0; group < 3; ++group) {
    int32_t step = 1 << group;
    int32_t left = margin + inner * group / 3;
    int32_t right = margin + inner * (group + 1) / 3 - margin / 2;
    for (int32_t x = left; x < right; x += 2 * step) ok &= dc.drawLine({x, y}, {x, linesBottom}, rgb(0, 0, 0));
  }
  y = linesBottom + margin / 2;

  if (y + band <= h) ok &= dc.textOut({margin, y}, caption, band * 2 / 3, rgb(20, 20, 20));
  return ok;
}

}  // namespace q7310::app
