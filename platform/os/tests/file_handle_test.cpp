#include "platform/os/file_handle.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "testing/temp_root.h"

namespace q7310::os {
namespace {

using testing::RootTest;

TEST_F(RootTest, FileHandlesReadAtPositionsAndReportShortReads) {
  ASSERT_TRUE(createFolder("C:\\data"));
  ASSERT_TRUE(writeFileAtomic("C:\\data\\f.bin", std::string_view("0123456789")));
  FileHandle f = openFileForReading("c:\\DATA\\F.BIN");
  ASSERT_NE(f, kInvalidFileHandle);
  EXPECT_EQ(fileHandleSize(f), 10u);
  std::array<uint8_t, 4> buf{};
  EXPECT_EQ(readFileAt(f, 3, buf), 4u);
  EXPECT_EQ(std::string(buf.begin(), buf.end()), "3456");
  // A second handle on the same file reads independently.
  FileHandle g = openFileForReading("C:\\data\\f.bin");
  ASSERT_NE(g, kInvalidFileHandle);
  EXPECT_EQ(readFileAt(g, 8, buf), 2u);
  EXPECT_EQ(readFileAt(f, 0, buf), 4u);
  EXPECT_EQ(buf[0], '0');
  EXPECT_EQ(readFileAt(f, 1000, buf), 0u);
  EXPECT_TRUE(closeFile(g));
  EXPECT_TRUE(closeFile(f));
}

TEST_F(RootTest, FileHandleFailuresArePlain) {
  EXPECT_EQ(openFileForReading("C:\\missing.bin"), kInvalidFileHandle);
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  ASSERT_TRUE(createFolder("C:\\folder"));
  EXPECT_EQ(openFileForReading("C:\\folder"), kInvalidFileHandle);
  std::array<uint8_t, 4> buf{};
  EXPECT_FALSE(readFileAt(kInvalidFileHandle, 0, buf).has_value());
  EXPECT_EQ(lastError(), kErrorInvalidHandle);
  EXPECT_FALSE(closeFile(kInvalidFileHandle));
}

}  // namespace
}  // namespace q7310::os
