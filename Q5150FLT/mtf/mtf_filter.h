// The streaming MTF filter: a 5 × 5 integer convolution over a page fed in
// bands of any height. Seven line buffers hold the history; an output line
// comes one line (3 × 3 kernel) or two lines (5 × 5) after its input, and the
// page's last line flushes the rest, so a page of n lines gives n lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Q5150FLT/mtf/mtf_kernel.h"

namespace q7310::flt::mtf {

inline constexpr uint32_t kOuterRingMask = 0x1F8C63F;
inline constexpr int kLineBuffers = 7;

// Bytes one line buffer takes: 3 bytes per pixel and room for the margins.
inline size_t lineStride(uint32_t width) { return size_t{width} * 3 + 12; }

struct MtfLineState {
  MtfKernel kernel;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t received = 0;
  uint32_t produced = 0;
  uint32_t mask = 0;
  uint32_t bytesPerPixel = 3;
  bool fiveByFive = false;
  uint32_t shift = 0;
  int32_t divisor = 1;
  bool divide = false;
  size_t stride = 0;
  uint8_t* lines[kLineBuffers] = {};
};

class MtfFilter {
 public:
  // buffer holds kLineBuffers × lineStride(width) bytes and outlives the
  // filter's use. Resets the line counter.
  void setup(const MtfKernel& kernel, uint32_t width, uint32_t height, std::span<uint8_t> buffer);
  // Starts the page again (line counter 0), keeping the set-up.
  void reset();
  // Filters `lines` lines of 3 × width bytes from src and writes the lines it
  // produces to out, one after the other; returns their count (at most
  // lines + 2). Lines past the page's height are ignored.
  uint32_t filter(const uint8_t* src, uint32_t lines, uint8_t* out);

  const MtfLineState& state() const { return state_; }
  // Lines of delay between input and output: 1 or 2.
  uint32_t delay() const { return state_.fiveByFive ? 2 : 1; }
  // Test hook: false keeps to the plain form even where the processor has
  // the vector one.
  void useVectorForm(bool on) { useVectorForm_ = on; }

 private:
  struct Tap {
    int row;     // 0..4, row 2 is the centre line
    int offset;  // byte offset along the line
    int32_t coefficient;
  };
  void load(uint8_t* buffer, const uint8_t* line) const;
  void rotate();
  void emit(uint8_t* out);

  MtfLineState state_;
  std::vector<Tap> taps_;
  bool useVectorForm_ = true;
  bool wide_ = false;  // coefficients beyond the entry limits need 64-bit sums
  std::vector<int32_t> acc32_;
  std::vector<int64_t> acc64_;
};

}  // namespace q7310::flt::mtf
