#include "platform/os/global_memory.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/os/errors.h"

namespace q7310::os {
namespace {

TEST(GlobalMemoryTest, BlocksComeZeroFilledAndKnowTheirSize) {
  auto* block = static_cast<uint8_t*>(globalAlloc(4096));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
  for (size_t i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(globalSize(block), 4096u);
  block[4095] = 1;
  EXPECT_TRUE(globalFree(block));

  void* empty = globalAlloc(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(globalSize(empty), 0u);
  EXPECT_TRUE(globalFree(empty));
}

TEST(GlobalMemoryTest, FailuresAreReportedNotHidden) {
  setLastError(0);
  EXPECT_EQ(globalAlloc(SIZE_MAX - 8), nullptr);
  EXPECT_EQ(lastError(), kErrorNotEnoughMemory);

  EXPECT_TRUE(globalFree(nullptr));
  alignas(16) uint8_t notABlock[64] = {};
  setLastError(0);
  EXPECT_FALSE(globalFree(notABlock + 32));
  EXPECT_EQ(lastError(), kErrorInvalidHandle);
  EXPECT_EQ(globalSize(notABlock + 32), 0u);
}

}  // namespace
}  // namespace q7310::os
