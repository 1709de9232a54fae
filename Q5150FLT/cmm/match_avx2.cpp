// The three-input routines with AVX2, giving the same bytes as the plain
// forms. High precision: s is the sum over the eight cell corners of corner
// value × (product of its axis weights), for all corners at once (see
// interpolate3Precise for why that equals the step-by-step form). 8.8: the
// rounded steps, with the output channels in the lanes.
#include <immintrin.h>

#include <atomic>

#include "Q5150FLT/cmm/match.h"
#include "Q5150FLT/cmm/match_internal.h"

namespace q7310::flt::cmm {

namespace {

std::atomic<int> vectorOverride{-1};

// Corner k = (r upper << 2) | (g upper << 1) | (b upper), the order of the
// node loads below.
struct CornerWeights {
  alignas(32) uint32_t axis[3][256][8];
};

// Two neighbouring nodes per load; the halves are joined in registers, so no
// store has to be forwarded into a wide load.
__attribute__((target("avx2"))) inline __m256i loadCorners(const uint8_t* p) {
  const __m128i lo = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 256)));
  const __m128i hi = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16384)),
                                        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16640)));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

template <bool Planar>
__attribute__((target("avx2"))) void runImpl(const ColorWorld& w, const AxisTables& t, uint8_t* const* src,
                                             uint8_t* const* dst, size_t count, uint64_t& lastKey,
                                             uint8_t* lastOut) {
  CornerWeights cw;
  for (int c = 0; c < 3; ++c) {
    const int bit = 2 - c;
    for (int v = 0; v < 256; ++v) {
      const uint32_t upper = t.weight[c][v];
      for (int k = 0; k < 8; ++k) cw.axis[c][v][k] = (k >> bit) & 1 ? upper : 256 - upper;
    }
  }
  const uint8_t* grid = w.grid();
  const auto& curves = w.header.outputCurves;
  const __m256i low = _mm256_set1_epi32(0xFF);
  const __m128i half = _mm_set1_epi32(0x800000);
  // The cached result stays in registers for the whole run.
  uint8_t out0 = lastOut[0], out1 = lastOut[1], out2 = lastOut[2];
  uint64_t cachedKey = lastKey;
  const uint8_t* const s0 = src[0];
  const uint8_t* const s1 = Planar ? src[1] : nullptr;
  const uint8_t* const s2 = Planar ? src[2] : nullptr;
  uint8_t* const d0 = dst[0];
  uint8_t* const d1 = Planar ? dst[1] : nullptr;
  uint8_t* const d2 = Planar ? dst[2] : nullptr;
  for (size_t i = 0; i < count; ++i) {
    uint8_t r, g, b;
    if (Planar) {
      r = s0[i], g = s1[i], b = s2[i];
    } else {
      r = s0[3 * i], g = s0[3 * i + 1], b = s0[3 * i + 2];
    }
    const uint64_t key = uint64_t{r} | (uint64_t{g} << 8) | (uint64_t{b} << 16);
    if (key != cachedKey) {
      cachedKey = key;
      const uint32_t base = t.offset[0][r] | t.offset[1][g] | t.offset[2][b];
      const __m256i corners = loadCorners(grid + base);
      const __m256i weight = _mm256_mullo_epi32(
          _mm256_mullo_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(cw.axis[0][r])),
                             _mm256_load_si256(reinterpret_cast<const __m256i*>(cw.axis[1][g]))),
          _mm256_load_si256(reinterpret_cast<const __m256i*>(cw.axis[2][b])));
      const __m256i p0 = _mm256_mullo_epi32(_mm256_and_si256(corners, low), weight);
      const __m256i p1 = _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(corners, 8), low), weight);
      const __m256i p2 = _mm256_mullo_epi32(_mm256_and_si256(_mm256_srli_epi32(corners, 16), low), weight);
      // Per 128-bit half: [sum p0, sum p1, sum p2, 0] over its four corners.
      const __m256i h = _mm256_hadd_epi32(_mm256_hadd_epi32(p0, p1), _mm256_hadd_epi32(p2, _mm256_setzero_si256()));
      __m128i s = _mm_add_epi32(_mm256_castsi256_si128(h), _mm256_extracti128_si256(h, 1));
      s = _mm_srli_epi32(_mm_add_epi32(s, half), 24);
      out0 = curves[0][_mm_cvtsi128_si32(s)];
      out1 = curves[1][_mm_extract_epi32(s, 1)];
      out2 = curves[2][_mm_extract_epi32(s, 2)];
    }
    if (Planar) {
      d0[i] = out0, d1[i] = out1, d2[i] = out2;
    } else {
      d0[3 * i] = out0, d0[3 * i + 1] = out1, d0[3 * i + 2] = out2;
    }
  }
  lastKey = cachedKey;
  lastOut[0] = out0, lastOut[1] = out1, lastOut[2] = out2;
}

// The 8.8 routines for three inputs, output channels in the lanes. Each
// step rounds exactly as the plain form does, on all channels at once:
// p for the (r, g) pairs 00 | 01 and 10 | 11, then q for r = 0 | 1, then s.
template <int Outs, bool Planar>
__attribute__((target("avx2"))) void runFixedImpl(const ColorWorld& w, const AxisTables& t, uint8_t* const* src,
                                                  uint8_t* const* dst, size_t count, uint64_t& lastKey,
                                                  uint8_t* lastOut) {
  const uint8_t* grid = w.grid();
  const auto& curves = w.header.outputCurves;
  const __m256i round256 = _mm256_set1_epi32(128);
  const __m128i round128 = _mm_set1_epi32(128);
  uint8_t result[4] = {lastOut[0], lastOut[1], lastOut[2], lastOut[3]};
  uint64_t cachedKey = lastKey;
  const uint8_t* const s0 = src[0];
  const uint8_t* const s1 = Planar ? src[1] : nullptr;
  const uint8_t* const s2 = Planar ? src[2] : nullptr;
  uint8_t* out[4];
  for (int o = 0; o < 4; ++o) out[o] = Planar || o == 0 ? dst[o] : nullptr;
  for (size_t i = 0; i < count; ++i) {
    uint8_t r, g, b;
    if (Planar) {
      r = s0[i], g = s1[i], b = s2[i];
    } else {
      r = s0[3 * i], g = s0[3 * i + 1], b = s0[3 * i + 2];
    }
    const uint64_t key = uint64_t{r} | (uint64_t{g} << 8) | (uint64_t{b} << 16);
    if (key != cachedKey) {
      cachedKey = key;
      const uint8_t* p = grid + (t.offset[0][r] | t.offset[1][g] | t.offset[2][b]);
      // [n000 n001] [n010 n011] -> A = [n000 | n010], B = [n001 | n011]; the same at r + 1.
      const __m128i g0 = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 256)));
      const __m128i g1 = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16384)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16640)));
      const __m256i a0 = _mm256_cvtepu8_epi32(g0), b0 = _mm256_cvtepu8_epi32(_mm_srli_si128(g0, 8));
      const __m256i a1 = _mm256_cvtepu8_epi32(g1), b1 = _mm256_cvtepu8_epi32(_mm_srli_si128(g1, 8));
      const __m256i wb = _mm256_set1_epi32(static_cast<int>(t.weight[2][b]));
      const __m256i pr0 = _mm256_add_epi32(_mm256_slli_epi32(a0, 8), _mm256_mullo_epi32(_mm256_sub_epi32(b0, a0), wb));
      const __m256i pr1 = _mm256_add_epi32(_mm256_slli_epi32(a1, 8), _mm256_mullo_epi32(_mm256_sub_epi32(b1, a1), wb));
      // [p00 | p10] and [p01 | p11]: blend along g for both r at once.
      const __m256i lo = _mm256_permute2x128_si256(pr0, pr1, 0x20);
      const __m256i hi = _mm256_permute2x128_si256(pr0, pr1, 0x31);
      const __m256i wg = _mm256_set1_epi32(static_cast<int>(t.weight[1][g]));
      const __m256i q = _mm256_add_epi32(
          lo, _mm256_srai_epi32(_mm256_add_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(hi, lo), wg), round256), 8));
      const __m128i q0 = _mm256_castsi256_si128(q), q1 = _mm256_extracti128_si256(q, 1);
      const __m128i wr = _mm_set1_epi32(static_cast<int>(t.weight[0][r]));
      const __m128i sv =
          _mm_add_epi32(q0, _mm_srai_epi32(_mm_add_epi32(_mm_mullo_epi32(_mm_sub_epi32(q1, q0), wr), round128), 8));
      const __m128i bytes = _mm_srai_epi32(_mm_add_epi32(sv, round128), 8);
      result[0] = curves[0][_mm_cvtsi128_si32(bytes) & 0xFF];
      result[1] = curves[1][_mm_extract_epi32(bytes, 1) & 0xFF];
      result[2] = curves[2][_mm_extract_epi32(bytes, 2) & 0xFF];
      if constexpr (Outs == 4) {
        // Four-component results leave the world inverted back.
        result[0] = static_cast<uint8_t>(255 - result[0]);
        result[1] = static_cast<uint8_t>(255 - result[1]);
        result[2] = static_cast<uint8_t>(255 - result[2]);
        result[3] = static_cast<uint8_t>(255 - curves[3][_mm_extract_epi32(bytes, 3) & 0xFF]);
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

}  // namespace

bool vectorRoutinesEnabled() {
  int forced = vectorOverride.load(std::memory_order_relaxed);
  if (forced >= 0) return forced != 0;
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported;
}

void useVectorRoutinesForTesting(int mode) { vectorOverride.store(mode); }

void runPreciseAvx2(const ColorWorld& w, const AxisTables& t, uint8_t* const* src, uint8_t* const* dst, size_t count,
                    uint64_t& lastKey, uint8_t* lastOut, bool planar) {
  if (planar) {
    runImpl<true>(w, t, src, dst, count, lastKey, lastOut);
  } else {
    runImpl<false>(w, t, src, dst, count, lastKey, lastOut);
  }
}

void runFixedAvx2(const ColorWorld& w, const AxisTables& t, uint8_t* const* src, uint8_t* const* dst, size_t count,
                  uint64_t& lastKey, uint8_t* lastOut, bool planar) {
  const bool four = w.header.outputChannels == 4;
  if (planar) {
    four ? runFixedImpl<4, true>(w, t, src, dst, count, lastKey, lastOut)
         : runFixedImpl<3, true>(w, t, src, dst, count, lastKey, lastOut);
  } else {
    four ? runFixedImpl<4, false>(w, t, src, dst, count, lastKey, lastOut)
         : runFixedImpl<3, false>(w, t, src, dst, count, lastKey, lastOut);
  }
}

}  // namespace q7310::flt::cmm
