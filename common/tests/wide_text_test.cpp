#include <gtest/gtest.h>

#include <array>

#include "common/wide_text.h"

namespace q7310::text {
namespace {

TEST(WideText, RoundTripsUtf8AndUtf16) {
  const std::string samples[] = {"PORT1:", "Qualität", "€ 5", "\xF0\x9F\x96\xA8 printer", ""};
  for (const auto& s : samples) {
    SCOPED_TRACE(s);
    EXPECT_EQ(toUtf8(toUtf16(s)), s);
  }
  EXPECT_EQ(toUtf16("\xF0\x9F\x96\xA8").size(), 2u);
  EXPECT_EQ(toUtf16("a\xC3"), u"a\uFFFD");  // cut short
  EXPECT_EQ(toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(WideText, FixedFieldsAreCutAndTerminated) {
  std::array<uint8_t, 8> buf;
  buf.fill(0xEE);
  writeWideField(buf, 0, 4, u"ABCDEF");
  EXPECT_EQ(readWideField(buf, 0, 4), u"ABC");
  EXPECT_EQ(buf[6], 0);
  EXPECT_EQ(buf[7], 0);
  writeWideField(buf, 0, 4, u"Z");
  EXPECT_EQ(readWideField(buf, 0, 4), u"Z");
  EXPECT_EQ(buf[4], 0);
  const char16_t text[] = u"hello";
  EXPECT_EQ(wideLength(text), 5u);
  EXPECT_EQ(wideLength(text, 3), 3u);
  EXPECT_EQ(wideLength(nullptr), 0u);
}

}  // namespace
}  // namespace q7310::text
