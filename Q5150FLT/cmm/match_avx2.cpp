// The three-input routines with AVX2, giving the same bytes as the plain
// forms. High precision: s is the sum over the eight cell corners of corner
// value × (product of its axis weights) (see interpolate3Precise for why that
// equals the step-by-step form), taken as p = c0 × (256 - wb) + c1 × wb for
// the four (r, g) pairs with 16-bit multiply-adds, then the p times their
// (r, g) weights. 8.8: the rounded steps, with the output channels in the lanes.
#include <atomic>

#include "Q5150FLT/cmm/match.h"
#include "Q5150FLT/cmm/match_internal.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define Q5150FLT_HAVE_AVX2_FORMS 1
#endif

namespace q7310::flt::cmm {

namespace {

std::atomic<int> vectorOverride{-1};

}  // namespace

#ifdef Q5150FLT_HAVE_AVX2_FORMS

namespace {

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
  const uint8_t* grid = w.grid();
  const auto& curves = w.header.outputCurves;
  // Loaded corners: low half n000 n001 n010 n011, high half n100 n101 n110 n111.
  // pairsB0 takes (n?00, n?01) per channel as 16-bit pairs, pairsB1 (n?10, n?11).
  const __m256i pairsB0 = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1,  //
                                           0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1);
  const __m256i pairsB1 = _mm256_setr_epi8(8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1,  //
                                           8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
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
      const uint32_t wr = t.weight[0][r], wg = t.weight[1][g], wb = t.weight[2][b];
      // p = c0 × (256 - wb) + c1 × wb for every (r, g) pair and channel.
      const __m256i bw = _mm256_set1_epi32(static_cast<int>((wb << 16) | (256 - wb)));
      const __m256i p0 = _mm256_madd_epi16(_mm256_shuffle_epi8(corners, pairsB0), bw);  // [p00 | p10]
      const __m256i p1 = _mm256_madd_epi16(_mm256_shuffle_epi8(corners, pairsB1), bw);  // [p01 | p11]
      const int a00 = static_cast<int>((256 - wr) * (256 - wg)), a01 = static_cast<int>((256 - wr) * wg);
      const int a10 = static_cast<int>(wr * (256 - wg)), a11 = static_cast<int>(wr * wg);
      const __m256i sum = _mm256_add_epi32(
          _mm256_mullo_epi32(p0, _mm256_setr_epi32(a00, a00, a00, a00, a10, a10, a10, a10)),
          _mm256_mullo_epi32(p1, _mm256_setr_epi32(a01, a01, a01, a01, a11, a11, a11, a11)));
      __m128i sv = _mm_add_epi32(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
      sv = _mm_srli_epi32(_mm_add_epi32(sv, half), 24);
      out0 = curves[0][_mm_cvtsi128_si32(sv)];
      out1 = curves[1][_mm_extract_epi32(sv, 1)];
      out2 = curves[2][_mm_extract_epi32(sv, 2)];
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

#else

// Other processors run the plain forms only.
void runPreciseAvx2(const ColorWorld&, const AxisTables&, uint8_t* const*, uint8_t* const*, size_t, uint64_t&,
                    uint8_t*, bool) {}
void runFixedAvx2(const ColorWorld&, const AxisTables&, uint8_t* const*, uint8_t* const*, size_t, uint64_t&,
                  uint8_t*, bool) {}

#endif

bool vectorRoutinesEnabled() {
#ifdef Q5150FLT_HAVE_AVX2_FORMS
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported && vectorOverride.load(std::memory_order_relaxed) != 0;
#else
  return false;
#endif
}

void useVectorRoutinesForTesting(int mode) { vectorOverride.store(mode); }

}  // namespace q7310::flt::cmm
