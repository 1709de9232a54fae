// The system's global memory heap: blocks that one module allocates and
// another releases (the bridge allocates the printer image, the port monitor
// frees it). Every module of a process shares the one heap of the platform
// library, so a block may be freed by any module.
#pragma once

#include <cstddef>

#include "platform/os/api.h"

namespace q7310::os {

// A zero-filled block of size bytes (a zero size gives a valid, empty block).
// Does not block. nullptr with kErrorNotEnoughMemory when the memory cannot
// be had.
Q7310_OS_API void* globalAlloc(size_t size);

// Releases a block from globalAlloc. nullptr is accepted and does nothing.
// Returns true; false with kErrorInvalidHandle for a pointer that is not a
// live block of this heap (as far as the heap can tell). Does not block.
Q7310_OS_API bool globalFree(void* block);

// The size the block was allocated with; 0 with kErrorInvalidHandle for a
// pointer that is not a live block.
Q7310_OS_API size_t globalSize(const void* block);

}  // namespace q7310::os
