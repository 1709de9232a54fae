#include <gtest/gtest.h>

#include <array>

#include "common/le.h"

namespace q7310 {
namespace {

TEST(LittleEndian, ReadsAndWritesFieldsAtOffsets) {
  std::array<uint8_t, 20> buf{};
  le::putU8(buf, 0, 0xAB);
  le::putU16(buf, 1, 0x1234);
  le::putU32(buf, 3, 0x01020304);
  le::putI32(buf, 7, -2);
  le::putU64(buf, 11, 0x1122334455667788ull);
  const std::array<uint8_t, 19> expected{0xAB, 0x34, 0x12, 0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF,
                                         0xFF, 0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buf.begin()));
  EXPECT_EQ(le::u8(buf, 0), 0xAB);
  EXPECT_EQ(le::u16(buf, 1), 0x1234);
  EXPECT_EQ(le::u32(buf, 3), 0x01020304u);
  EXPECT_EQ(le::i32(buf, 7), -2);
  EXPECT_EQ(le::u64(buf, 11), 0x1122334455667788ull);
  EXPECT_EQ(le::i16(buf, 7), -2);
}

TEST(BigEndian, ReadsAndWritesFields) {
  std::array<uint8_t, 6> buf{};
  le::be::putU32(buf, 0, 0x61637370);  // 'acsp'
  le::be::putU16(buf, 4, 0x0102);
  EXPECT_EQ(buf[0], 'a');
  EXPECT_EQ(le::be::u32(buf, 0), 0x61637370u);
  EXPECT_EQ(le::be::u16(buf, 4), 0x0102);
}

}  // namespace
}  // namespace q7310
