#include <gtest/gtest.h>

#include <cstring>

#include "Q5150FLT/sdkcm.h"
#include "fixtures.h"
#include "testing/temp_root.h"

namespace q7310::flt {
namespace {

using q7310::testing::RootTest;
using namespace q7310::flt::testing;

w::Bytes withSpaces(uint32_t space, uint32_t pcs) {
  w::Profile p;
  p.colorSpace = space;
  p.pcs = pcs;
  p.add(w::sig("wtpt"), w::xyzTag(0.9642, 1.0, 0.8249));
  return w::write(p);
}

TEST_F(RootTest, OpeningAcceptsRgbCmykLabWithXyzOrLabPcsOnly) {
  struct Case {
    const char* name;
    uint32_t space, pcs;
    int32_t result;
  } cases[] = {
      {"rgb-xyz", w::sig("RGB "), w::sig("XYZ "), 0}, {"cmyk-xyz", w::sig("CMYK"), w::sig("XYZ "), 0},
      {"lab-lab", w::sig("Lab "), w::sig("Lab "), 0},  {"gray-xyz", w::sig("GRAY"), w::sig("XYZ "), -1},
      {"rgb-luv", w::sig("RGB "), w::sig("Luv "), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SDKCMProfile h = reinterpret_cast<SDKCMProfile>(0x1234);
    int32_t r = SDKCMOpenProfile(store(c.name, withSpaces(c.space, c.pcs)).c_str(), &h);
    EXPECT_EQ(r, c.result);
    if (r == 0) {
      EXPECT_NE(SDKCMCloseProfile(&h), 0);
    } else {
      EXPECT_EQ(h, reinterpret_cast<SDKCMProfile>(0x1234));
    }
  }
  SDKCMProfile h = nullptr;
  EXPECT_EQ(SDKCMOpenProfile("C:\\profiles\\missing.icc", &h), -1);
  EXPECT_EQ(h, nullptr);
  // Too short to hold a header.
  EXPECT_EQ(SDKCMOpenProfile(store("short", w::Bytes(40, 0)).c_str(), &h), -1);
}

TEST_F(RootTest, HeaderFieldsComeBackInHostOrder) {
  w::Bytes bytes = withSpaces(w::sig("RGB "), w::sig("XYZ "));
  w::putU32(bytes, 56, 0x01020304);
  w::putU32(bytes, 60, 0x05060708);
  bytes[100] = 0xAB;
  SDKCMProfile h;
  ASSERT_EQ(SDKCMOpenProfile(store("h.icc", bytes).c_str(), &h), 0);
  uint8_t header[128];
  EXPECT_EQ(SDKCMGetProfileHeader(&h, header), 0);
  auto u32 = [&](size_t off) {
    uint32_t v;
    std::memcpy(&v, header + off, 4);
    return v;
  };
  uint16_t year;
  std::memcpy(&year, header + 24, 2);
  EXPECT_EQ(u32(0), bytes.size());
  EXPECT_EQ(u32(12), w::sig("mntr"));
  EXPECT_EQ(u32(16), w::sig("RGB "));
  EXPECT_EQ(u32(36), w::sig("acsp"));
  EXPECT_EQ(year, 2026);
  EXPECT_EQ(u32(56), 0x01020304u);
  EXPECT_EQ(u32(60), 0x05060708u);
  EXPECT_EQ(u32(72), 0x00010000u);  // illuminant Y = 1.0
  EXPECT_EQ(header[100], 0xAB);     // the rest stays as in the file
  SDKCMCloseProfile(&h);
}

TEST_F(RootTest, TagTableAndPartialElements) {
  w::Profile p;
  p.add(w::sig("wtpt"), w::xyzTag(0.9642, 1.0, 0.8249));
  p.add(w::sig("cprt"), w::textTag("abcdefgh"));
  w::Bytes bytes = w::write(p);
  SDKCMProfile h;
  ASSERT_EQ(SDKCMOpenProfile(store("t.icc", bytes).c_str(), &h), 0);

  uint32_t count = 0;
  ASSERT_EQ(SDKCMGetTagTableInfo(&h, &count, nullptr), 0);
  ASSERT_EQ(count, 2u);
  std::vector<uint32_t> table(1 + 3 * count);
  ASSERT_EQ(SDKCMGetTagTableInfo(&h, &count, table.data()), 0);
  EXPECT_EQ(table[0], 2u);
  EXPECT_EQ(table[4], w::sig("cprt"));
  EXPECT_EQ(table[5], w::getU32(bytes, 132 + 12 + 4));
  EXPECT_EQ(table[6], 17u);

  uint32_t size = 0;
  EXPECT_EQ(SDKCMGetPartialProfileElement(&h, w::sig("A2B0"), 0, &size, nullptr), -1);
  EXPECT_EQ(SDKCMGetPartialProfileElement(&h, w::sig("cprt"), 0, &size, nullptr), 0);
  EXPECT_EQ(size, 17u);
  char part[32] = {};
  size = 3;
  EXPECT_EQ(SDKCMGetPartialProfileElement(&h, w::sig("cprt"), 10, &size, part), 0);
  EXPECT_EQ(size, 3u);
  EXPECT_STREQ(part, "cde");
  // A read never leaves its tag: asking for more gives what the tag holds.
  size = 32;
  EXPECT_EQ(SDKCMGetPartialProfileElement(&h, w::sig("cprt"), 14, &size, part), 0);
  EXPECT_EQ(size, 3u);
  SDKCMCloseProfile(&h);
}

}  // namespace
}  // namespace q7310::flt
