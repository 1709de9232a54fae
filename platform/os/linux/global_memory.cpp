#include "platform/os/global_memory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/os/errors.h"

namespace q7310::os {

namespace {

// Each block carries its size and a mark in front, so that a release can tell
// a block of this heap from a stray pointer and globalSize can answer.
struct alignas(16) BlockHead {
  uint64_t size;
  uint64_t mark;
};
constexpr uint64_t kLiveMark = 0x51373331304d454dull;  // "Q7310MEM"

BlockHead* headOf(const void* block) {
  auto* head = reinterpret_cast<BlockHead*>(const_cast<unsigned char*>(static_cast<const unsigned char*>(block))) - 1;
  return head->mark == kLiveMark ? head : nullptr;
}

}  // namespace

void* globalAlloc(size_t size) {
  if (size > SIZE_MAX - sizeof(BlockHead)) {
    setLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  void* raw = std::calloc(1, sizeof(BlockHead) + size);
  if (raw == nullptr) {
    setLastError(kErrorNotEnoughMemory);
    return nullptr;
  }
  auto* head = static_cast<BlockHead*>(raw);
  head->size = size;
  head->mark = kLiveMark;
  return head + 1;
}

bool globalFree(void* block) {
  if (block == nullptr) return true;
  BlockHead* head = headOf(block);
  if (head == nullptr) {
    setLastError(kErrorInvalidHandle);
    return false;
  }
  head->mark = 0;
  std::free(head);
  return true;
}

size_t globalSize(const void* block) {
  BlockHead* head = block == nullptr ? nullptr : headOf(block);
  if (head == nullptr) {
    setLastError(kErrorInvalidHandle);
    return 0;
  }
  return static_cast<size_t>(head->size);
}

}  // namespace q7310::os
