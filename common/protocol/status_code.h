// The port monitor's status code: a u32 whose top byte is the class and whose
// next byte is the detail, derived from a status answer's header.
#pragma once

#include <cstdint>

#include "common/protocol/printer_protocol.h"

namespace q7310::protocol {

inline constexpr uint32_t kStatusReady = 0x01000000;
inline constexpr uint32_t kStatusPrinterError = 0x02000000;
inline constexpr uint32_t kStatusBusy = 0x03000000;
// Codes the port monitor sets itself.
inline constexpr uint32_t kStatusWriteFailed = 0x04010000;
inline constexpr uint32_t kStatusReadFailed = 0x04020000;
inline constexpr uint32_t kStatusMediaNotLoaded = 0x04030000;

inline constexpr uint8_t kClassReady = 0x01;
inline constexpr uint8_t kClassPrinterError = 0x02;
inline constexpr uint8_t kClassBusy = 0x03;
inline constexpr uint8_t kClassHost = 0x04;  // communication or media problem on the host side

constexpr uint8_t statusClass(uint32_t code) { return static_cast<uint8_t>(code >> 24); }
constexpr uint8_t statusDetail(uint32_t code) { return static_cast<uint8_t>(code >> 16); }

// Classifies a status answer; the first matching rule wins.
uint32_t classifyStatus(const CommandResponse& response);

}  // namespace q7310::protocol
