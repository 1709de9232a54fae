// MTF filter set-up and line streaming.
#include "Q5150FLT/mtf/mtf_filter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/le.h"

namespace q7310::flt::mtf {

MtfKernel decodeKernel(std::span<const uint8_t, kMtfKernelSize> b) {
  MtfKernel k;
  for (int i = 0; i < 25; ++i) k.coefficients[i] = le::i32(b, 4 * i);
  k.scale = le::i32(b, 100);
  return k;
}

void encodeKernel(const MtfKernel& k, std::span<uint8_t, kMtfKernelSize> b) {
  for (int i = 0; i < 25; ++i) le::putI32(b, 4 * i, k.coefficients[i]);
  le::putI32(b, 100, k.scale);
}

void MtfFilter::setup(const MtfKernel& kernel, uint32_t width, uint32_t height, std::span<uint8_t> buffer) {
  MtfLineState s;
  s.kernel = kernel;
  if (s.kernel.scale == 0) s.kernel.scale = 1;
  s.width = width;
  s.height = height;
  for (int i = 0; i < 25; ++i)
    if (s.kernel.coefficients[i] != 0) s.mask |= 1u << i;
  s.fiveByFive = (s.mask & kOuterRingMask) != 0;
  s.divide = true;
  for (uint32_t sh = 0; sh <= 17; ++sh) {
    if (s.kernel.scale == (int32_t{1} << sh)) {
      s.shift = sh;
      s.divide = false;
    }
  }
  s.divisor = s.kernel.scale;
  s.stride = lineStride(width);
  for (int i = 0; i < kLineBuffers; ++i) s.lines[i] = buffer.data() + i * s.stride;
  state_ = s;

  // Zero coefficients add nothing, so only the others are visited; the sum
  // is the full kernel's.
  const int margin = state_.fiveByFive ? 2 : 1;
  taps_.clear();
  wide_ = false;
  for (int i = 0; i < 25; ++i) {
    const int32_t c = state_.kernel.coefficients[i];
    if (c == 0) continue;
    taps_.push_back({i / 5, (i % 5 - 2 + margin) * 3, c});
    if (c < -kMaxCoefficient || c > kMaxCoefficient) wide_ = true;
  }
  // Only a stored record can hold a scale outside the entry limits.
  if (state_.divide && (state_.divisor < 0 || state_.divisor > kMaxScale)) wide_ = true;
  acc32_.assign(wide_ ? 0 : size_t{width} * 3, 0);
  acc64_.assign(wide_ ? size_t{width} * 3 : 0, 0);
}

void MtfFilter::reset() {
  state_.received = 0;
  state_.produced = 0;
}

void MtfFilter::load(uint8_t* buffer, const uint8_t* line) const {
  const size_t b = 3, rowBytes = size_t{state_.width} * b;
  const size_t margin = state_.fiveByFive ? 2 : 1;
  uint8_t* data = buffer + margin * b;
  std::memcpy(data, line, rowBytes);
  for (size_t m = 1; m <= margin; ++m) {
    std::memcpy(data - m * b, line, b);
    std::memcpy(data + rowBytes + (m - 1) * b, line + rowBytes - b, b);
  }
}

void MtfFilter::rotate() {
  uint8_t* first = state_.lines[0];
  std::memmove(state_.lines, state_.lines + 1, sizeof(uint8_t*) * (kLineBuffers - 1));
  state_.lines[kLineBuffers - 1] = first;
}

namespace {

struct LineJob {
  const uint8_t* rows[25];
  int32_t coefficients[25];
  size_t taps;
  size_t bytes;
  uint32_t shift;
  int32_t divisor;
  bool divide;
};

// The sum of the taps for every byte of the line, then the shift or the
// division, clamped to a byte. The sums stay within 32 bits because the
// coefficients are within the entry limits. A positive divisor is applied as
// a float reciprocal corrected by one step, which gives the truncated
// quotient exactly and, unlike integer division, vectorises.
[[gnu::always_inline]] inline void narrowLine(const LineJob& job, int32_t* acc, uint8_t* out) {
  const size_t n = job.bytes;
  for (size_t i = 0; i < n; ++i) acc[i] = 0;
  for (size_t t = 0; t < job.taps; ++t) {
    const uint8_t* row = job.rows[t];
    const int32_t c = job.coefficients[t];
    for (size_t i = 0; i < n; ++i) acc[i] += c * static_cast<int32_t>(row[i]);
  }
  if (!job.divide) {
    const uint32_t s = job.shift;
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(std::clamp(acc[i] >> s, 0, 255));
    return;
  }
  const int32_t d = job.divisor;
  const int32_t top = 256 * d - 1;
  const float inverse = 1.0f / static_cast<float>(d);
  for (size_t i = 0; i < n; ++i) {
    const int32_t v = std::clamp(acc[i], 0, top);
    int32_t q = static_cast<int32_t>(static_cast<float>(v) * inverse);
    const int32_t r = v - q * d;
    q += (r >= d ? 1 : 0) - (r < 0 ? 1 : 0);
    out[i] = static_cast<uint8_t>(q);
  }
}

void narrowLinePlain(const LineJob& job, int32_t* acc, uint8_t* out) { narrowLine(job, acc, out); }

__attribute__((target("avx2"))) void narrowLineAvx2(const LineJob& job, int32_t* acc, uint8_t* out) {
  narrowLine(job, acc, out);
}

void wideLine(const LineJob& job, int64_t* acc, uint8_t* out) {
  const size_t n = job.bytes;
  std::fill(acc, acc + n, int64_t{0});
  for (size_t t = 0; t < job.taps; ++t)
    for (size_t i = 0; i < n; ++i) acc[i] += int64_t{job.coefficients[t]} * job.rows[t][i];
  for (size_t i = 0; i < n; ++i) {
    const int64_t v = job.divide ? acc[i] / job.divisor : acc[i] >> job.shift;
    out[i] = static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
  }
}

}  // namespace

void MtfFilter::emit(uint8_t* out) {
  LineJob job{};
  for (const Tap& t : taps_) {
    // Rows 0..4 of the kernel are buffers P2..P6; P4 is the centre line.
    job.rows[job.taps] = state_.lines[t.row + 2] + t.offset;
    job.coefficients[job.taps++] = t.coefficient;
  }
  job.bytes = size_t{state_.width} * 3;
  job.shift = state_.shift;
  job.divisor = state_.divisor;
  job.divide = state_.divide;
  if (wide_) {
    wideLine(job, acc64_.data(), out);
  } else {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    (avx2 && useVectorForm_ ? narrowLineAvx2 : narrowLinePlain)(job, acc32_.data(), out);
  }
  ++state_.produced;
}

uint32_t MtfFilter::filter(const uint8_t* src, uint32_t lines, uint8_t* out) {
  const size_t rowBytes = size_t{state_.width} * 3;
  const int newest = state_.fiveByFive ? 6 : 5;
  uint32_t written = 0;
  for (uint32_t j = 0; j < lines; ++j) {
    if (state_.received >= state_.height) break;
    const uint8_t* line = src + j * rowBytes;
    if (++state_.received == 1)
      for (uint8_t* buffer : state_.lines) load(buffer, line);
    rotate();
    load(state_.lines[newest], line);
    if (state_.received > delay()) emit(out + size_t{written++} * rowBytes);
    if (state_.received == state_.height) {
      // Last line: the rows below it are copies of it.
      while (state_.produced < state_.received) {
        const uint8_t* last = state_.lines[newest];
        rotate();
        std::memcpy(state_.lines[newest], last, state_.stride);
        emit(out + size_t{written++} * rowBytes);
      }
    }
  }
  return written;
}

}  // namespace q7310::flt::mtf
