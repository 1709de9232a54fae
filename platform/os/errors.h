// Per-thread last-error value, with the numbers the package's callers expect.
#pragma once

#include <cstdint>

#include "platform/os/api.h"

namespace q7310::os {

inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorBadFormat = 11;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kErrorWriteFault = 29;
inline constexpr uint32_t kErrorReadFault = 30;
inline constexpr uint32_t kErrorGenFailure = 31;
inline constexpr uint32_t kErrorNotSupported = 50;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidName = 123;
inline constexpr uint32_t kErrorInvalidLevel = 124;
inline constexpr uint32_t kErrorModNotFound = 126;
inline constexpr uint32_t kErrorProcNotFound = 127;
inline constexpr uint32_t kErrorBusy = 170;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorBadDriverLevel = 119;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorNotOwner = 288;
inline constexpr uint32_t kErrorTimeout = 1460;
inline constexpr uint32_t kErrorInvalidPrinterName = 1801;
inline constexpr uint32_t kErrorPrinterAlreadyExists = 1802;
inline constexpr uint32_t kErrorInvalidPrinterState = 1906;
inline constexpr uint32_t kErrorInvalidPrintMonitor = 3007;

// The calling thread's last error. Never blocks, never fails.
Q7310_OS_API uint32_t lastError();
Q7310_OS_API void setLastError(uint32_t error);

}  // namespace q7310::os
