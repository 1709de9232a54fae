#include "tools/icc/shipped_profiles.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "outside/printer/dye_model.h"

namespace q7310::tools::icc {

namespace {

using M3 = std::array<std::array<double, 3>, 3>;
using V3 = std::array<double, 3>;

V3 mul(const M3& m, const V3& v) {
  return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
          m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

M3 mul(const M3& a, const M3& b) {
  M3 r{};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
    }
  }
  return r;
}

M3 inverse(const M3& m) {
  double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  M3 r;
  r[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
  r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
  r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
  r[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
  r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
  r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
  r[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
  r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
  r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
  return r;
}

V3 xyzOfChromaticity(double x, double y) { return {x / y, 1.0, (1.0 - x - y) / y}; }

// The sRGB primaries (columns red, green, blue) as XYZ, adapted from D65 to
// D50 with the Bradford transform.
M3 srgbD50Colorants() {
  const V3 white65 = xyzOfChromaticity(0.3127, 0.3290);
  const V3 prim[3] = {xyzOfChromaticity(0.64, 0.33), xyzOfChromaticity(0.30, 0.60), xyzOfChromaticity(0.15, 0.06)};
  M3 p;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) p[r][c] = prim[c][r];
  }
  V3 scale = mul(inverse(p), white65);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) p[r][c] *= scale[c];
  }
  const M3 bradford = {{{0.8951, 0.2664, -0.1614}, {-0.7502, 1.7135, 0.0367}, {0.0389, -0.0685, 1.0296}}};
  V3 src = mul(bradford, white65), dst = mul(bradford, V3{0.9642, 1.0, 0.8249});
  M3 gain{};
  for (int i = 0; i < 3; ++i) gain[i][i] = dst[i] / src[i];
  return mul(mul(inverse(bradford), mul(gain, bradford)), p);
}

void addMatrix(Profile& p, const M3& m) {
  const uint32_t tags[3] = {sig("rXYZ"), sig("gXYZ"), sig("bXYZ")};
  for (int c = 0; c < 3; ++c) p.add(tags[c], xyzTag(m[0][c], m[1][c], m[2][c]));
}

void addCommon(Profile& p, const std::string& description, const V3& white) {
  p.add(sig("desc"), descriptionTag(description));
  p.add(sig("cprt"), textTag("Copyright Veltrano. Made by the Q7310 profile maker."));
  p.add(sig("wtpt"), xyzTag(white[0], white[1], white[2]));
}

uint16_t to16(double v, double scale) { return uint16_t(std::clamp(std::lround(v * scale), 0L, 65535L)); }

// Lab in the 16-bit encoding of version 2 lut16 tables.
std::array<uint16_t, 3> encodeLab16(const V3& lab) {
  return {to16(lab[0], 652.8), to16(lab[1] + 128.0, 256.0), to16(lab[2] + 128.0, 256.0)};
}

Lut identityLut(unsigned grid) {
  Lut lut;
  lut.grid = grid;
  lut.inputTables.assign(3, identityTable(256));
  lut.outputTables.assign(3, identityTable(256));
  return lut;
}

Bytes printerA2B(unsigned grid) {
  Lut lut = identityLut(grid);
  for (unsigned r = 0; r < grid; ++r) {
    for (unsigned g = 0; g < grid; ++g) {
      for (unsigned b = 0; b < grid; ++b) {
        auto at = [&](unsigned n) { return n * 255.0 / (grid - 1); };
        auto lab = encodeLab16(printer::labFromRgb({at(r), at(g), at(b)}));
        lut.clut.insert(lut.clut.end(), lab.begin(), lab.end());
      }
    }
  }
  return lut16Tag(lut);
}

// Intent 0 compresses lightness onto the print's range and softens chroma;
// 1 clips; 2 lifts chroma before clipping.
Bytes printerB2A(unsigned grid, int intent) {
  Lut lut = identityLut(grid);
  const double black = printer::labFromRgb({0, 0, 0})[0];
  printer::Triple previous{255, 255, 255};
  for (unsigned l = 0; l < grid; ++l) {
    for (unsigned a = 0; a < grid; ++a) {
      for (unsigned b = 0; b < grid; ++b) {
        auto node = [&](unsigned n) { return n * 65535.0 / (grid - 1); };
        V3 lab = {node(l) / 652.8, node(a) / 256.0 - 128.0, node(b) / 256.0 - 128.0};
        if (intent == 0) {
          lab[0] = black + std::clamp(lab[0], 0.0, 100.0) * (100.0 - black) / 100.0;
          lab[1] *= 0.9;
          lab[2] *= 0.9;
        } else if (intent == 2) {
          lab[1] *= 1.15;
          lab[2] *= 1.15;
        }
        printer::Triple rgb = printer::rgbFromLab(lab, b == 0 ? printer::rgbFromLab(lab) : previous);
        previous = rgb;
        for (double v : rgb) lut.clut.push_back(to16(v / 255.0, 65535.0));
      }
    }
  }
  return lut16Tag(lut);
}

}  // namespace

Bytes srgbProfile() {
  Profile p;
  p.deviceClass = sig("mntr");
  addCommon(p, "sRGB IEC61966-2-1 black scaled", {0.9642, 1.0, 0.8249});
  addMatrix(p, srgbD50Colorants());
  std::vector<uint16_t> curve(1024);
  for (size_t i = 0; i < curve.size(); ++i) {
    double x = double(i) / double(curve.size() - 1);
    double y = x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    curve[i] = to16(y, 65535.0);
  }
  Bytes trc = curveTag(curve);
  for (uint32_t t : {sig("rTRC"), sig("gTRC"), sig("bTRC")}) p.add(t, trc);
  return write(p);
}

Bytes gammaInputProfile(const std::string& description, double gamma) {
  Profile p;
  p.deviceClass = sig("scnr");
  addCommon(p, description, {0.9642, 1.0, 0.8249});
  addMatrix(p, srgbD50Colorants());
  Bytes trc = gammaTag(gamma);
  for (uint32_t t : {sig("rTRC"), sig("gTRC"), sig("bTRC")}) p.add(t, trc);
  return write(p);
}

Bytes printerProfile(const std::string& description, unsigned a2bGrid, unsigned b2aGrid) {
  Profile p;
  p.deviceClass = sig("prtr");
  p.pcs = sig("Lab ");
  addCommon(p, description, printer::paperXyz());
  Bytes a2b = printerA2B(a2bGrid);
  for (uint32_t t : {sig("A2B0"), sig("A2B1"), sig("A2B2")}) p.add(t, a2b);
  p.add(sig("B2A0"), printerB2A(b2aGrid, 0));
  p.add(sig("B2A1"), printerB2A(b2aGrid, 1));
  p.add(sig("B2A2"), printerB2A(b2aGrid, 2));
  return write(p);
}

std::vector<ShippedProfile> shippedProfiles() {
  return {
      {"sRGB_IEC61966-2-1_black_scaled.ICC", srgbProfile()},
      {"DPX-Q7310-0.ICC", printerProfile("Veltrano DPX-Q7310", 33, 17)},
      {"A17D50.ICC", gammaInputProfile("Q5150 input, gamma 1.7, D50", 1.7)},
      {"Q51502.ICC", printerProfile("Q5150 output", 17, 17)},
  };
}

}  // namespace q7310::tools::icc
