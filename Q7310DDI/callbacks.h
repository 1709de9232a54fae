// The driver's callbacks, in the engine's calling convention.
#pragma once

#include <cstdint>

#include "platform/gdi/types.h"

namespace q7310::ddi {

// The table DrvEnableDriver reports: 26 callbacks by function index.
const gdi::DrvFn* callbackTable();
inline constexpr uint32_t kCallbackCount = 26;

inline constexpr uint32_t kQueryEscSupport = 8;
inline constexpr uint32_t kSetCopyCount = 17;
inline constexpr uint32_t kEscapeFailed = 0xFFFFFFFF;
inline constexpr uint32_t kHookMask = 0x3A5FF;

}  // namespace q7310::ddi
