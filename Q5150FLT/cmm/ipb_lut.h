// Exports derived from a color world (the printer's IPB grid form) and the
// gamma tone tables callers fold into a world.
#pragma once

#include <cstdint>
#include <span>

#include "Q5150FLT/cmm/color_world.h"

namespace q7310::flt::cmm {

inline constexpr uint32_t kIpbSize = 6 + 3 * 4913 * 2;

// Bytes written (or needed, with an empty out), or 0 when the world is not a
// 3-to-3 world with 33 grid points or out is too small.
uint32_t exportIpb(const ColorWorld& world, std::span<uint8_t> out);

// Five 256-entry tables, table k from gamma g[k] / 100.
void gammaTables(const int16_t (&g)[5], std::span<uint8_t, 1280> out);

}  // namespace q7310::flt::cmm
