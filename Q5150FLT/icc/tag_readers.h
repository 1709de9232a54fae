// Readers for the tag types the color world is built from (lut8Type,
// lut16Type, XYZType, curveType) and the curve tables derived from them.
// Every reader checks its counts against the tag's bytes and rejects what
// would read outside them or divide by zero.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace q7310::flt::icc {

using ByteTable = std::array<uint8_t, 256>;

// An AToB or BToA table reduced to bytes: 256-entry input and output tables
// and a CLUT of bytes, last input varying fastest, outputs innermost.
struct LutTag {
  uint32_t inputChannels = 0;
  uint32_t outputChannels = 0;
  uint32_t gridPoints = 0;
  std::vector<ByteTable> inputTables;
  std::vector<uint8_t> clut;
  std::vector<ByteTable> outputTables;
};

inline constexpr uint32_t kMaxLutChannels = 4;
inline constexpr uint32_t kMaxLut16TableLength = 4096;

// "mft2" is read as lut16Type, anything else as lut8Type. nullopt when the
// tag is too short for what it declares, has 0 or more than 4 channels,
// fewer than 2 grid points or lut16 tables shorter than 2 entries.
std::optional<LutTag> readLutTag(std::span<const uint8_t> tag);

// The three s15Fixed16 numbers at offset 8; nullopt when the tag is short.
std::optional<std::array<double, 3>> readXyzTag(std::span<const uint8_t> tag);

// The u16 entries of a curveType; nullopt when the count runs past the tag.
std::optional<std::vector<uint16_t>> readCurveTag(std::span<const uint8_t> tag);

// A curve as a 256-entry byte table (count 0 identity, 1 gamma, 2 a line
// through the origin, 3 or more sampled).
ByteTable curveTable8(std::span<const uint16_t> entries);
// The same curve at 16-bit resolution, entry x of the 65536-entry table.
uint16_t curveSample16(std::span<const uint16_t> entries, uint32_t x);

// A lut16 input or output table of at least two entries resampled to 256 bytes.
ByteTable resampleTable(std::span<const uint16_t> entries);

// The inverse of a byte curve: the later input wins, unreached ends become 0
// and 255, gaps are filled half from below, half from above.
ByteTable invertCurve(const ByteTable& curve);

}  // namespace q7310::flt::icc
