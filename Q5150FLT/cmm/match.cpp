#include "Q5150FLT/cmm/match.h"

#include "Q5150FLT/cmm/match_internal.h"

#include <cstring>

namespace q7310::flt::cmm {

namespace {

inline int32_t ch(uint32_t nodeValue, int o) { return static_cast<int32_t>((nodeValue >> (8 * o)) & 0xFF); }

void buildAxes(const ColorWorld& w, AxisTables& t) {
  const auto& h = w.header;
  if (h.pixelRoutine == Routine::HighPrecisionThreeToThree) {
    const HighPrecisionTables* hp = w.highPrecision();
    for (int c = 0; c < 3; ++c) {
      const uint32_t shift = c == 0 ? 14 : c == 1 ? 8 : 2;
      for (int v = 0; v < 256; ++v) {
        uint32_t x = hp->curve16[c][v];
        t.offset[c][v] = ((x / 257) >> 3) << shift;
        t.weight[c][v] = highPrecisionWeight(x);
      }
    }
    return;
  }
  if (h.inputChannels == 3) {
    for (int c = 0; c < 3; ++c) {
      const uint32_t shift = c == 0 ? 14 : c == 1 ? 8 : 2;
      for (int v = 0; v < 256; ++v) {
        uint8_t x = h.inputCurves[c][v];
        t.offset[c][v] = uint32_t{static_cast<uint32_t>(x >> 3)} << shift;
        t.weight[c][v] = h.weights[x];
      }
    }
    return;
  }
  const uint32_t stride[4] = {17 * 17 * 17 * 4, 17 * 17 * 4, 17 * 4, 4};
  for (int c = 0; c < 4; ++c) {
    for (int v = 0; v < 256; ++v) {
      // Four-component pixels enter the world inverted.
      uint8_t x = h.inputCurves[c][255 - v];
      t.offset[c][v] = (x >> 4) * stride[c];
      t.weight[c][v] = h.weights[x];
    }
  }
}

// Trilinear in 8.8 fixed point over a 33-node grid; writes `outs` bytes
// before the output curves.
template <int Outs>
inline void interpolate3(const uint8_t* grid, uint32_t base, uint32_t wr, uint32_t wg, uint32_t wb, uint8_t* result) {
  const uint32_t n000 = node(grid + base), n001 = node(grid + base + 4);
  const uint32_t n010 = node(grid + base + 256), n011 = node(grid + base + 260);
  const uint32_t n100 = node(grid + base + 16384), n101 = node(grid + base + 16388);
  const uint32_t n110 = node(grid + base + 16640), n111 = node(grid + base + 16644);
  const int32_t b = static_cast<int32_t>(wb), g = static_cast<int32_t>(wg), r = static_cast<int32_t>(wr);
#pragma GCC unroll 4
  for (int o = 0; o < Outs; ++o) {
    int32_t p00 = (ch(n000, o) << 8) + (ch(n001, o) - ch(n000, o)) * b;
    int32_t p01 = (ch(n010, o) << 8) + (ch(n011, o) - ch(n010, o)) * b;
    int32_t p10 = (ch(n100, o) << 8) + (ch(n101, o) - ch(n100, o)) * b;
    int32_t p11 = (ch(n110, o) << 8) + (ch(n111, o) - ch(n110, o)) * b;
    int32_t q0 = p00 + (((p01 - p00) * g + 128) >> 8);
    int32_t q1 = p10 + (((p11 - p10) * g + 128) >> 8);
    int32_t s = q0 + (((q1 - q0) * r + 128) >> 8);
    result[o] = static_cast<uint8_t>((s + 128) >> 8);
  }
}

// The same with 24 fractional bits, for the high-precision path. No step
// rounds, so p = (c0 << 8) + (c1 - c0) × wb = c0 × (256 - wb) + c1 × wb and
// likewise for q and s: s is exactly the sum of each corner times the
// product of its three axis weights (at most 255 × 2^24, so it fits 32 bits).
inline void interpolate3Precise(const uint8_t* grid, uint32_t base, uint32_t wr, uint32_t wg, uint32_t wb,
                                uint8_t* result) {
  const uint32_t n[8] = {node(grid + base),         node(grid + base + 4),     node(grid + base + 256),
                         node(grid + base + 260),   node(grid + base + 16384), node(grid + base + 16388),
                         node(grid + base + 16640), node(grid + base + 16644)};
  const uint32_t r0 = 256 - wr, g0 = 256 - wg, b0 = 256 - wb;
  const uint32_t a00 = r0 * g0, a01 = r0 * wg, a10 = wr * g0, a11 = wr * wg;
  const uint32_t weight[8] = {a00 * b0, a00 * wb, a01 * b0, a01 * wb, a10 * b0, a10 * wb, a11 * b0, a11 * wb};
  uint32_t s0 = 0x800000u, s1 = 0x800000u, s2 = 0x800000u;
#pragma GCC unroll 8
  for (int k = 0; k < 8; ++k) {
    s0 += (n[k] & 0xFF) * weight[k];
    s1 += ((n[k] >> 8) & 0xFF) * weight[k];
    s2 += ((n[k] >> 16) & 0xFF) * weight[k];
  }
  result[0] = static_cast<uint8_t>(s0 >> 24);
  result[1] = static_cast<uint8_t>(s1 >> 24);
  result[2] = static_cast<uint8_t>(s2 >> 24);
}

// 16 corners over the dense 17-node grid, the fourth channel first.
template <int Outs>
inline void interpolate4(const uint8_t* grid, const uint32_t* off, const uint32_t* w, uint8_t* result) {
  constexpr uint32_t kStride[4] = {17 * 17 * 17 * 4, 17 * 17 * 4, 17 * 4, 4};
  const uint32_t base = off[0] + off[1] + off[2] + off[3];
  uint32_t corner[16];
  for (int k = 0; k < 16; ++k) {
    uint32_t at = base;
    for (int c = 0; c < 4; ++c) {
      if (k & (8 >> c)) at += kStride[c];
    }
    corner[k] = node(grid + at);
  }
#pragma GCC unroll 4
  for (int o = 0; o < Outs; ++o) {
    int32_t v[8];
    for (int k = 0; k < 8; ++k) {
      int32_t c0 = ch(corner[2 * k], o), c1 = ch(corner[2 * k + 1], o);
      v[k] = (c0 << 8) + (c1 - c0) * static_cast<int32_t>(w[3]);
    }
    for (int axis = 2, count = 8; axis >= 0; --axis, count /= 2) {
      const int32_t wa = static_cast<int32_t>(w[axis]);
      for (int k = 0; k < count / 2; ++k) v[k] = v[2 * k] + (((v[2 * k + 1] - v[2 * k]) * wa + 128) >> 8);
    }
    result[o] = static_cast<uint8_t>((v[0] + 128) >> 8);
  }
}

template <int Ins, int Outs, bool Precise, bool Planar>
void run(const ColorWorld& w, const AxisTables& t, uint8_t* const* src, uint8_t* const* dst, size_t count,
         uint64_t& lastKey, uint8_t* lastOut) {
  if constexpr (Precise) {
    if (vectorRoutinesEnabled()) {
      runPreciseAvx2(w, t, src, dst, count, lastKey, lastOut, Planar);
      return;
    }
  } else if constexpr (Ins == 3) {
    if (vectorRoutinesEnabled()) {
      runFixedAvx2(w, t, src, dst, count, lastKey, lastOut, Planar);
      return;
    }
  }
  const uint8_t* grid = w.grid();
  const auto& curves = w.header.outputCurves;
  // Local copies: the compiler then knows that storing a result byte changes
  // neither a plane pointer nor the cached result.
  const uint8_t* in[4];
  uint8_t* out[4];
  for (int c = 0; c < 4; ++c) {
    in[c] = Planar || c == 0 ? src[c] : nullptr;
    out[c] = Planar || c == 0 ? dst[c] : nullptr;
  }
  uint8_t result[4] = {lastOut[0], lastOut[1], lastOut[2], lastOut[3]};
  uint64_t cachedKey = lastKey;
  for (size_t i = 0; i < count; ++i) {
    uint8_t px[4];
    for (int c = 0; c < Ins; ++c) px[c] = Planar ? in[c][i] : in[0][i * Ins + c];
    uint32_t packed = 0;
    std::memcpy(&packed, px, Ins);
    const uint64_t key = packed;
    if (key != cachedKey) {
      cachedKey = key;
      uint8_t raw[4];
      if constexpr (Ins == 3) {
        const uint32_t base = t.offset[0][px[0]] | t.offset[1][px[1]] | t.offset[2][px[2]];
        if constexpr (Precise) {
          interpolate3Precise(grid, base, t.weight[0][px[0]], t.weight[1][px[1]], t.weight[2][px[2]], raw);
        } else {
          interpolate3<Outs>(grid, base, t.weight[0][px[0]], t.weight[1][px[1]], t.weight[2][px[2]], raw);
        }
      } else {
        const uint32_t off[4] = {t.offset[0][px[0]], t.offset[1][px[1]], t.offset[2][px[2]], t.offset[3][px[3]]};
        const uint32_t wt[4] = {t.weight[0][px[0]], t.weight[1][px[1]], t.weight[2][px[2]], t.weight[3][px[3]]};
        interpolate4<Outs>(grid, off, wt, raw);
      }
      for (int o = 0; o < Outs; ++o) {
        uint8_t v = curves[o][raw[o]];
        // Four-component results leave the world inverted back.
        result[o] = Outs == 4 ? static_cast<uint8_t>(255 - v) : v;
      }
    }
    for (int o = 0; o < Outs; ++o) {
      if (Planar) {
        out[o][i] = result[o];
      } else {
        out[0][i * Outs + o] = result[o];
      }
    }
  }
  lastKey = cachedKey;
  for (int o = 0; o < 4; ++o) lastOut[o] = result[o];
}

using RunFn = void (*)(const ColorWorld&, const AxisTables&, uint8_t* const*, uint8_t* const*, size_t, uint64_t&,
                       uint8_t*);

template <bool Planar>
RunFn routineFor(Routine r) {
  switch (r) {
    case Routine::ThreeToThree: return &run<3, 3, false, Planar>;
    case Routine::ThreeToFour: return &run<3, 4, false, Planar>;
    case Routine::FourToThree: return &run<4, 3, false, Planar>;
    case Routine::FourToFour: return &run<4, 4, false, Planar>;
    case Routine::HighPrecisionThreeToThree: return &run<3, 3, true, Planar>;
    default: return nullptr;
  }
}

bool validMap(const MapView& m, uint32_t components) {
  if (m.components != components) return false;
  const uint64_t lineBytes = m.planar ? m.width : uint64_t{m.width} * components;
  if (m.rowBytes < lineBytes) return false;
  const uint32_t planes = m.planar ? components : 1;
  for (uint32_t p = 0; p < planes; ++p) {
    if (m.planes[p] == nullptr && m.width != 0 && m.height != 0) return false;
  }
  return true;
}

}  // namespace

int32_t match(const ColorWorld& w, const MapView& src, const MapView& dst) {
  const auto& h = w.header;
  if (!validMap(src, h.inputChannels) || !validMap(dst, h.outputChannels)) return -1;
  if (src.planar != dst.planar || src.width != dst.width || src.height != dst.height) return -1;
  const RunFn fn = src.planar ? routineFor<true>(h.planeRoutine) : routineFor<false>(h.pixelRoutine);
  if (!fn) return -1;
  if (src.width == 0 || src.height == 0) return 0;

  AxisTables tables;
  buildAxes(w, tables);
  // The one-pixel cache starts empty: no pixel packs to this key.
  uint64_t lastKey = ~uint64_t{0};
  uint8_t lastOut[4] = {};

  const uint32_t srcLine = src.planar ? src.width : src.width * src.components;
  const uint32_t dstLine = dst.planar ? dst.width : dst.width * dst.components;
  uint8_t* s[4] = {src.planes[0], src.planes[1], src.planes[2], src.planes[3]};
  uint8_t* d[4] = {dst.planes[0], dst.planes[1], dst.planes[2], dst.planes[3]};
  if (src.rowBytes == srcLine && dst.rowBytes == dstLine) {
    fn(w, tables, s, d, size_t{src.width} * src.height, lastKey, lastOut);
    return 0;
  }
  for (uint32_t y = 0; y < src.height; ++y) {
    fn(w, tables, s, d, src.width, lastKey, lastOut);
    for (uint32_t p = 0; p < (src.planar ? src.components : 1); ++p) s[p] += src.rowBytes;
    for (uint32_t p = 0; p < (dst.planar ? dst.components : 1); ++p) d[p] += dst.rowBytes;
  }
  return 0;
}

}  // namespace q7310::flt::cmm
