#include "platform/os/errors.h"

namespace q7310::os {

namespace {
thread_local uint32_t tLastError = kErrorSuccess;
}

uint32_t lastError() { return tLastError; }
void setLastError(uint32_t error) { tLastError = error; }

}  // namespace q7310::os
