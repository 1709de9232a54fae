#include "Q5150FLT/cmm/color_world.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "Q5150FLT/cmm/lab.h"
#include "Q5150FLT/cmm/profile_grid.h"
#include "Q5150FLT/icc/profile_file.h"
#include "Q5150FLT/icc/tag_readers.h"

namespace q7310::flt::cmm {

namespace {

using icc::ByteTable;
using icc::signature;

std::atomic<int> allocationBudget{-1};

void* allocateBlock(size_t size) {
  int budget = allocationBudget.load();
  while (budget >= 0) {
    if (budget == 0) return nullptr;
    if (allocationBudget.compare_exchange_weak(budget, budget - 1)) break;
  }
  return std::calloc(1, size);
}

constexpr uint32_t kSourceTags[4] = {signature("A2B0"), signature("A2B1"), signature("A2B2"), signature("A2B1")};
constexpr uint32_t kDestinationTags[4] = {signature("B2A0"), signature("B2A1"), signature("B2A2"),
                                          signature("B2A1")};
constexpr uint32_t kColorantTags[3] = {signature("rXYZ"), signature("gXYZ"), signature("bXYZ")};
constexpr uint32_t kCurveTags[3] = {signature("rTRC"), signature("gTRC"), signature("bTRC")};

// Colorants and curves of a three-channel matrix profile.
struct MatrixProfile {
  Mat3 m;
  Vec3 white;
  std::vector<uint16_t> curves[3];
  ByteTable curve8[3];
};

std::optional<MatrixProfile> loadMatrixProfile(os::FileHandle file) {
  MatrixProfile p;
  for (int c = 0; c < 3; ++c) {
    auto colorant = icc::loadTag(file, kColorantTags[c]);
    auto xyz = colorant ? icc::readXyzTag(*colorant) : std::nullopt;
    auto curveTag = icc::loadTag(file, kCurveTags[c]);
    auto curve = curveTag ? icc::readCurveTag(*curveTag) : std::nullopt;
    if (!xyz || !curve) return std::nullopt;
    for (int row = 0; row < 3; ++row) p.m[row][c] = (*xyz)[row];
    p.curves[c] = std::move(*curve);
    p.curve8[c] = icc::curveTable8(p.curves[c]);
  }
  p.white = multiply(p.m, {1.0, 1.0, 1.0});
  if (!usableWhite(p.white)) return std::nullopt;
  return p;
}

// A table tag fit for its side: the source turns 3 or 4 device channels into
// the 3 PCS bytes, the destination the 3 PCS bytes into 3 or 4 channels.
std::optional<icc::LutTag> loadLut(os::FileHandle file, uint32_t tagSignature, bool source) {
  auto bytes = icc::loadTag(file, tagSignature);
  if (!bytes) return std::nullopt;
  auto lut = icc::readLutTag(*bytes);
  if (!lut) return std::nullopt;
  uint32_t device = source ? lut->inputChannels : lut->outputChannels;
  uint32_t pcs = source ? lut->outputChannels : lut->inputChannels;
  if (pcs != 3 || device < 3 || device > 4) return std::nullopt;
  return lut;
}

struct Source {
  std::optional<icc::LutTag> lut;
  std::optional<GridAxis> axis;
  std::optional<MatrixProfile> matrix;
  uint32_t channels() const { return lut ? lut->inputChannels : 3; }
  const ByteTable& curve(int c) const { return lut ? lut->inputTables[c] : matrix->curve8[c]; }

  std::array<uint8_t, 3> toPcs(const uint8_t* in) const {
    std::array<uint8_t, 3> pcs;
    if (lut) {
      uint8_t raw[3];
      interpolateProfileGrid(*lut, *axis, std::span(in, lut->inputChannels), raw);
      for (int c = 0; c < 3; ++c) pcs[c] = lut->outputTables[c][raw[c]];
      return pcs;
    }
    Vec3 xyz = multiply(matrix->m, {in[0] / 255.0, in[1] / 255.0, in[2] / 255.0});
    return encodeLab8(labFromXyz(xyz, matrix->white));
  }
};

struct Destination {
  std::optional<icc::LutTag> lut;
  std::optional<GridAxis> axis;
  std::optional<MatrixProfile> matrix;
  Mat3 inverse{};
  ByteTable outCurves[4];
  uint32_t channels() const { return lut ? lut->outputChannels : 3; }

  void fromPcs(const std::array<uint8_t, 3>& pcs, uint8_t* out) const {
    if (lut) {
      uint8_t in[3] = {lut->inputTables[0][pcs[0]], lut->inputTables[1][pcs[1]], lut->inputTables[2][pcs[2]]};
      interpolateProfileGrid(*lut, *axis, in, std::span(out, lut->outputChannels));
      return;
    }
    Vec3 rgb = multiply(inverse, xyzFromLab(decodeLab8(pcs), matrix->white));
    for (int c = 0; c < 3; ++c) {
      double v = std::clamp(255.0 * rgb[c], 0.0, 255.0);
      out[c] = std::isnan(v) ? 0 : static_cast<uint8_t>(v);
    }
  }
};

std::optional<Source> loadSource(os::FileHandle file, uint32_t intent) {
  Source s;
  s.lut = loadLut(file, kSourceTags[intent], true);
  if (s.lut) s.axis.emplace(s.lut->gridPoints);
  if (!s.lut) {
    s.matrix = loadMatrixProfile(file);
    if (!s.matrix) return std::nullopt;
  }
  return s;
}

std::optional<Destination> loadDestination(os::FileHandle file, uint32_t intent) {
  Destination d;
  d.lut = loadLut(file, kDestinationTags[intent], false);
  if (d.lut) {
    d.axis.emplace(d.lut->gridPoints);
    for (uint32_t c = 0; c < d.lut->outputChannels; ++c) d.outCurves[c] = d.lut->outputTables[c];
    return d;
  }
  d.matrix = loadMatrixProfile(file);
  if (!d.matrix) return std::nullopt;
  auto inverse = invert(d.matrix->m);
  if (!inverse) return std::nullopt;
  d.inverse = *inverse;
  for (int c = 0; c < 3; ++c) d.outCurves[c] = icc::invertCurve(d.matrix->curve8[c]);
  return d;
}

// The tone tables' index for channel c: T(c+1)[T0[i]], or i without tables.
uint8_t toned(const uint8_t* tone, int c, uint8_t i) { return tone ? tone[(c + 1) * 256 + tone[i]] : i; }

void fillCurves(ColorWorld& w, const Source& src, const uint8_t* inputTone, const Destination& dst,
                const uint8_t* outputTone) {
  auto& h = w.header;
  for (uint32_t c = 0; c < h.inputChannels; ++c) {
    const ByteTable& curve = src.curve(static_cast<int>(c));
    for (int i = 0; i < 256; ++i) {
      if (h.inputChannels == 4) {
        // Four-component data is held inverted.
        h.inputCurves[c][i] = static_cast<uint8_t>(255 - curve[toned(inputTone, c, static_cast<uint8_t>(255 - i))]);
      } else {
        h.inputCurves[c][i] = curve[toned(inputTone, c, static_cast<uint8_t>(i))];
      }
    }
  }
  for (uint32_t c = 0; c < h.outputChannels; ++c) {
    // The output tone curve acts after the profile's output tables.
    auto composed = [&](int i) {
      uint8_t v = dst.outCurves[c][i];
      return outputTone ? outputTone[(c + 1) * 256 + outputTone[v]] : v;
    };
    for (int i = 0; i < 256; ++i) {
      h.outputCurves[c][i] = h.outputChannels == 4 ? static_cast<uint8_t>(255 - composed(255 - i))
                                                  : static_cast<uint8_t>(composed(i));
    }
  }
}

void evaluateNode(ColorWorld& w, const Source& src, const Destination& dst, const uint8_t* nodeValues,
                  size_t address) {
  const auto& h = w.header;
  uint8_t in[4];
  for (uint32_t c = 0; c < h.inputChannels; ++c) {
    in[c] = h.inputChannels == 4 ? static_cast<uint8_t>(255 - nodeValues[c]) : nodeValues[c];
  }
  uint8_t out[4] = {};
  // A four-channel matrix source cannot occur: matrix profiles have three.
  dst.fromPcs(src.toPcs(in), out);
  uint8_t* node = w.grid() + address;
  for (uint32_t o = 0; o < h.outputChannels; ++o) {
    node[o] = h.outputChannels == 4 ? static_cast<uint8_t>(255 - out[o]) : out[o];
  }
}

void fillGrid(ColorWorld& w, const Source& src, const Destination& dst) {
  const auto& h = w.header;
  const uint32_t g = h.gridPoints;
  const uint32_t spacing = h.inputChannels == 3 ? 8 : 16;
  auto value = [&](uint32_t n) { return static_cast<uint8_t>(std::min<uint32_t>(n * spacing, 255)); };
  if (h.inputChannels == 3) {
    for (uint32_t i = 0; i < g; ++i) {
      for (uint32_t j = 0; j < g; ++j) {
        for (uint32_t k = 0; k < g; ++k) {
          uint8_t nv[3] = {value(i), value(j), value(k)};
          evaluateNode(w, src, dst, nv, (i << 14) | (j << 8) | (k << 2));
        }
      }
    }
    return;
  }
  for (uint32_t a = 0; a < g; ++a) {
    for (uint32_t b = 0; b < g; ++b) {
      for (uint32_t c = 0; c < g; ++c) {
        for (uint32_t d = 0; d < g; ++d) {
          uint8_t nv[4] = {value(a), value(b), value(c), value(d)};
          evaluateNode(w, src, dst, nv, (((a * g + b) * g + c) * g + d) * 4);
        }
      }
    }
  }
}

Routine chooseRoutine(uint32_t in, uint32_t out, bool matrixSource) {
  if (in == 3 && out == 3) return matrixSource ? Routine::HighPrecisionThreeToThree : Routine::ThreeToThree;
  if (in == 3) return Routine::ThreeToFour;
  return out == 3 ? Routine::FourToThree : Routine::FourToFour;
}

ColorWorld* build(uint32_t intent, os::FileHandle input, const uint8_t* inputTone, os::FileHandle output,
                  const uint8_t* outputTone) {
  if (intent > 3) return nullptr;
  auto src = loadSource(input, intent);
  if (!src) return nullptr;
  auto dst = loadDestination(output, intent);
  if (!dst) return nullptr;

  const uint32_t in = src->channels();
  const uint32_t out = dst->channels();
  const Routine routine = chooseRoutine(in, out, src->matrix.has_value());
  const uint32_t gridSize = in == 3 ? kGridSize3 : kGridSize4;
  const bool highPrecision = routine == Routine::HighPrecisionThreeToThree;
  const size_t blockSize = kHeaderSize + gridSize + (highPrecision ? sizeof(HighPrecisionTables) : 0);
  auto* w = static_cast<ColorWorld*>(allocateBlock(blockSize));
  if (!w) return nullptr;

  auto& h = w->header;
  h.headerSize = kHeaderSize;
  h.gridSize = gridSize;
  h.gridPoints = in == 3 ? kGridPoints3 : kGridPoints4;
  h.inputChannels = in;
  h.outputChannels = out;
  for (uint32_t v = 0; v < 256; ++v) h.weights[v] = cellWeight(h.gridPoints, v);
  h.pixelRoutine = routine;
  h.planeRoutine = routine;
  fillCurves(*w, *src, inputTone, *dst, outputTone);
  fillGrid(*w, *src, *dst);
  if (highPrecision) {
    auto* hp = reinterpret_cast<HighPrecisionTables*>(w->grid() + gridSize);
    for (int c = 0; c < 3; ++c) {
      for (int v = 0; v < 256; ++v) {
        uint32_t x = uint32_t{toned(inputTone, c, static_cast<uint8_t>(v))} * 257;
        hp->curve16[c][v] = icc::curveSample16(src->matrix->curves[c], x);
      }
    }
  }
  return w;
}

}  // namespace

const HighPrecisionTables* ColorWorld::highPrecision() const {
  if (header.pixelRoutine != Routine::HighPrecisionThreeToThree) return nullptr;
  return reinterpret_cast<const HighPrecisionTables*>(grid() + header.gridSize);
}

uint32_t cellWeight(uint32_t gridPoints, uint32_t v) {
  uint32_t w;
  if (gridPoints == kGridPoints3) {
    w = v < 248 ? (v % 8) * 32 : (v - 248) * 256 / 7;
  } else {
    w = v < 240 ? (v % 16) * 16 : (v - 240) * 256 / 15;
  }
  return std::min<uint32_t>(w, 256);
}

uint32_t highPrecisionWeight(uint32_t t) {
  if (t % 2056 == 0 && t < 63736) return 0;
  uint32_t w = t < 63736 ? ((t % 2056) * 65536 / 2056) >> 8 : ((t - 63736) * 65536 / 1799) >> 8;
  return std::min<uint32_t>(w, 256);
}

ColorWorld* createColorWorld(uint32_t intent, os::FileHandle input, const uint8_t* inputTone, os::FileHandle output,
                             const uint8_t* outputTone) {
  try {
    return build(intent, input, inputTone, output, outputTone);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void disposeColorWorld(ColorWorld* world) { std::free(world); }

void limitAllocationsForTesting(int count) { allocationBudget.store(count); }

}  // namespace q7310::flt::cmm
