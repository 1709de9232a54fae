// A small ICC (version 2) profile writer: header, tag table and the tag
// types the package uses. Used by the build to make the shipped profiles and
// by tests to make fixtures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace q7310::tools::icc {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t sig(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) | (uint32_t(uint8_t(s[2])) << 8) |
         uint8_t(s[3]);
}

struct Profile {
  uint32_t deviceClass = sig("mntr");
  uint32_t colorSpace = sig("RGB ");
  uint32_t pcs = sig("XYZ ");
  uint32_t version = 0x02100000;
  uint32_t renderingIntent = 0;
  // Tags in file order; tags with equal bytes share their data.
  std::vector<std::pair<uint32_t, Bytes>> tags;
  void add(uint32_t signature, Bytes data) { tags.emplace_back(signature, std::move(data)); }
};

Bytes write(const Profile& profile);

Bytes xyzTag(double x, double y, double z);
Bytes curveTag(std::span<const uint16_t> entries);
Bytes gammaTag(double gamma);  // curveType with one u8Fixed8 entry
Bytes textTag(const std::string& text);
Bytes descriptionTag(const std::string& text);

// An AToB/BToA table; tables and CLUT as 16-bit values (lut8 keeps their high byte).
struct Lut {
  uint32_t inputs = 3;
  uint32_t outputs = 3;
  uint32_t grid = 2;
  std::vector<std::vector<uint16_t>> inputTables;   // per input channel
  std::vector<uint16_t> clut;                       // grid^inputs × outputs, last input fastest
  std::vector<std::vector<uint16_t>> outputTables;  // per output channel
};
Bytes lut16Tag(const Lut& lut);
Bytes lut8Tag(const Lut& lut);  // tables resampled to 256 entries
std::vector<uint16_t> identityTable(size_t entries);

// Big-endian helpers for fixtures that damage profiles on purpose.
void putU32(Bytes& b, size_t offset, uint32_t v);
uint32_t getU32(const Bytes& b, size_t offset);

}  // namespace q7310::tools::icc
