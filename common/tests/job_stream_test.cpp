#include "common/job_stream.h"

#include <gtest/gtest.h>

#include "common/le.h"

namespace q7310::jobstream {
namespace {

TEST(JobStreamRecords, JobHeaderFieldsSitAtTheirOffsets) {
  JobHeader h{16, 7310, 4, 1};
  auto bytes = h.bytes();
  EXPECT_EQ(le::u32(bytes, 0), 16u);
  EXPECT_EQ(le::u32(bytes, 4), 7310u);
  EXPECT_EQ(le::u32(bytes, 8), 4u);
  EXPECT_EQ(le::u32(bytes, 12), 1u);
  JobHeader back = JobHeader::read(bytes);
  EXPECT_EQ(back.ribbonType, 4u);
  EXPECT_EQ(back.streamVersion, 1u);
}

TEST(JobStreamRecords, PageHeaderFieldsSitAtTheirOffsetsAndRoundTrip) {
  // Every field a distinct value, so a swapped or shifted field shows.
  PageHeader h;
  h.recordSize = 100;
  h.reserved4 = 0x0404;
  h.mediaSizeCode = 6;
  h.headerWordA = 0x1212;
  h.printMethod = 2;
  h.printQuality = 1;
  h.laminate = 2;
  h.reserved28 = 0x2828;
  h.reserved32 = 0x3232;
  h.width = 1844;
  h.height = 2492;
  h.copies = 9999;
  h.gamma = 0x4848;
  h.headerWordB = 0x5252;
  for (uint32_t i = 0; i < 9; ++i) h.emphasisKernel[i] = 0x5600 + i;
  h.reserved92 = 0x9292;
  h.reserved96 = 0x9696;

  auto bytes = h.bytes();
  const std::pair<size_t, uint32_t> expected[] = {
      {0, 100},      {4, 0x0404},  {8, 6},       {12, 0x1212}, {16, 2},      {20, 1},      {24, 2},
      {28, 0x2828},  {32, 0x3232}, {36, 1844},   {40, 2492},   {44, 9999},   {48, 0x4848}, {52, 0x5252},
      {56, 0x5600},  {88, 0x5608}, {92, 0x9292}, {96, 0x9696}};
  for (auto [offset, value] : expected) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(le::u32(bytes, offset), value);
  }
  PageHeader back = PageHeader::read(bytes);
  EXPECT_EQ(back.bytes(), bytes);
  EXPECT_EQ(back.pixelBytes(), uint64_t{1844} * 2492 * 3);
}

TEST(JobStreamRecords, PageEndSignatureIsLittleEndianAndProductsDoNotWrap) {
  auto sig = pageEndBytes();
  EXPECT_EQ(sig, (std::array<uint8_t, 4>{0x04, 0x03, 0x02, 0x01}));
  const uint8_t reversed[] = {0x01, 0x02, 0x03, 0x04};
  EXPECT_EQ(readPageEnd(reversed), 0x04030201u);

  PageHeader huge;
  huge.width = 0xFFFFFFFF;
  huge.height = 0xFFFFFFFF;
  EXPECT_EQ(huge.pixelBytes(), std::nullopt);  // three times this wraps even 64 bits
  huge.height = 0x55555555;
  EXPECT_EQ(huge.pixelBytes(), uint64_t{0xFFFFFFFF} * 0x55555555 * 3);
}

}  // namespace
}  // namespace q7310::jobstream
