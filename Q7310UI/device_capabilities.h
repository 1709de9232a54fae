// The printer's capability answers: paper sizes and names, extents, bins,
// resolutions, copies and a few fixed facts, all from the form table and the
// default settings record.
#pragma once

#include <cstdint>
#include <string_view>

namespace q7310::ui {

inline constexpr uint32_t kCapabilityFailed = 0xFFFFFFFF;
inline constexpr uint16_t kDcPaperNames = 16;
inline constexpr uint16_t kDcMediaReady = 29;
inline constexpr size_t kPaperNameChars = 64;

// The capability's name ("DC_FIELDS" ... "DC_MEDIATYPES"), or nullptr outside 1..35.
const char* capabilityName(uint16_t capability);

// Answers one capability; fills output when it is given.
uint32_t deviceCapabilities(std::u16string_view deviceName, uint16_t capability, void* output);

// The spooler's form of the paper-name question: output holds chars wide characters.
uint32_t splDeviceCaps(std::u16string_view deviceName, uint16_t capability, void* output, uint32_t chars);

}  // namespace q7310::ui
