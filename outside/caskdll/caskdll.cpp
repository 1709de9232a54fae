// A small stand-in for caskdll: a horizontal [1 w 1] smoothing per channel
// along one line of dots, with the weight w taken from the parameter table.
#include <cstdint>
#include <cstring>

#include "platform/os/export_table.h"

namespace {

constexpr uint32_t kMaxDots = 4000;  // 12000 bytes of output per line
constexpr uint32_t kCentreWeight[6] = {2, 4, 6, 8, 14, 30};

struct State {
  bool open = false;
  uint32_t dots = 1844;
  uint32_t table = 0;
  uint32_t calls[4] = {};  // init, fin, prefilter, filter
} state;

}  // namespace

Q7310_EXPORT int32_t CaskDllInit() {
  state = State{};
  state.open = true;
  ++state.calls[0];
  return 0;
}

Q7310_EXPORT int32_t CaskDllFin() {
  state.open = false;
  ++state.calls[1];
  return 0;
}

Q7310_EXPORT int32_t CaskDllSetDotsPerLine(uint32_t dots) {
  if (!state.open || dots == 0 || dots > kMaxDots) return 1;
  state.dots = dots;
  return 0;
}

Q7310_EXPORT int32_t CaskDllSetParameterTableNo(uint32_t table) {
  if (!state.open || table > 5) return 1;
  state.table = table;
  return 0;
}

Q7310_EXPORT int32_t CaskDllPreFilter() {
  ++state.calls[2];
  return state.open ? 0 : 1;
}

Q7310_EXPORT int32_t CaskDllFilter(const uint8_t* line, uint8_t* out) {
  ++state.calls[3];
  if (!state.open || !line || !out) return 1;
  const uint32_t w = kCentreWeight[state.table], n = state.dots;
  for (uint32_t x = 0; x < n; ++x) {
    const uint32_t left = x > 0 ? x - 1 : x, right = x + 1 < n ? x + 1 : x;
    for (uint32_t c = 0; c < 3; ++c) {
      const uint32_t sum = line[left * 3 + c] + w * line[x * 3 + c] + line[right * 3 + c];
      out[x * 3 + c] = static_cast<uint8_t>((sum + (w + 2) / 2) / (w + 2));
    }
  }
  return 0;
}

// For tests: the call counts (init, fin, prefilter, filter), the dots per
// line and the table number.
Q7310_EXPORT void CaskDllStandInState(uint32_t* out6) {
  std::memcpy(out6, state.calls, sizeof(state.calls));
  out6[4] = state.dots;
  out6[5] = state.table;
}
