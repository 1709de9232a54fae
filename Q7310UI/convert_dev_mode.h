// The platform's settings-record conversion entry point.
#pragma once

#include <cstdint>

namespace q7310::ui {

inline constexpr uint32_t kCdmConvert = 1;
inline constexpr uint32_t kCdmConvert351 = 2;
inline constexpr uint32_t kCdmDriverDefault = 4;

// in and out are records whose own headers tell their lengths; size holds the
// output's size in bytes and receives the needed or written size.
bool convertDevMode(const char16_t* printerName, const uint8_t* in, uint8_t* out, int32_t* size, uint32_t mode);

}  // namespace q7310::ui
