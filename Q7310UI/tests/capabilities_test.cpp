#include <gtest/gtest.h>

#include <array>
#include <string>

#include "Q7310UI/tests/ui_library.h"
#include "common/wide_text.h"
#include "testing/temp_root.h"

namespace q7310::ui {
namespace {

class CapabilitiesTest : public testing::RootTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    ASSERT_TRUE(ui_.complete());
  }
  uint32_t caps(uint16_t capability, void* out = nullptr) {
    return ui_.deviceCapabilities(nullptr, u"DPX-Q7310", capability, out, nullptr);
  }
  test::UiLibrary ui_;
};

std::u16string slot(const char16_t* base, size_t index, size_t chars) {
  const char16_t* p = base + index * chars;
  return std::u16string(p, text::wideLength(p, chars));
}

TEST_F(CapabilitiesTest, AnswersTheTableWithAndWithoutBuffers) {
  struct Case {
    uint16_t capability;
    uint32_t answer;
  } cases[] = {{1, 0x0787DF1F}, {2, 4},      {3, 4},    {4, 0x06190219}, {5, 0x080D0619}, {6, 1},
               {7, 0},          {8, 220},    {9, 196},  {10, 0x0401},    {11, 0x0300},    {12, 1},
               {13, 1},         {14, 0},     {15, 0},   {16, 4},         {17, 90},        {18, 9999},
               {19, 0xFFFFFFFF}, {22, 0},    {23, 0xFFFFFFFF}, {24, 0xFFFFFFFF}, {25, 1}, {26, 2},
               {27, 1},         {28, 8192},  {29, 4},   {30, 0},         {31, 2},         {32, 1},
               {33, 0},         {35, 0},     {0, 0xFFFFFFFF}, {36, 0xFFFFFFFF}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capability);
    EXPECT_EQ(caps(c.capability), c.answer);
  }
}

TEST_F(CapabilitiesTest, FillsBuffersOnlyWhenGiven) {
  std::array<uint16_t, 8> papers{};
  EXPECT_EQ(caps(2, papers.data()), 4u);
  EXPECT_EQ(papers[0], 256);
  EXPECT_EQ(papers[3], 259);
  EXPECT_EQ(papers[4], 0);
  std::array<int32_t, 8> sizes{};
  caps(3, sizes.data());
  EXPECT_EQ(sizes, (std::array<int32_t, 8>{537, 1561, 1050, 1561, 1050, 1561, 1561, 2061}));
  std::array<char16_t, 4 * 64> names;
  names.fill(u'#');
  EXPECT_EQ(caps(16, names.data()), 4u);
  EXPECT_EQ(slot(names.data(), 0, 64), u"2 x 6 in (51 x 152 mm)");
  EXPECT_EQ(slot(names.data(), 2, 64), u"4 x 6 in split (102 x 152 mm)");
  EXPECT_EQ(slot(names.data(), 3, 64), u"6 x 8 in (152 x 203 mm)");
  EXPECT_EQ(names[64 + 23], u'\0');
  std::array<char16_t, 32> personality{};
  caps(25, personality.data());
  EXPECT_EQ(slot(personality.data(), 0, 32), u"Veltrano/7310");
  std::array<int32_t, 2> resolution{};
  caps(13, resolution.data());
  EXPECT_EQ(resolution, (std::array<int32_t, 2>{300, 300}));
  EXPECT_EQ(caps(23, names.data()), 0xFFFFFFFFu);  // DC_MANUFACTURER
  std::string log = root_.debugLog("q7310ui.log");
  EXPECT_NE(log.find(">>>> ######## DrvDeviceCapabilities :: 16\n"), std::string::npos);
  EXPECT_NE(log.find("    DC_PAPERNAMES\n"), std::string::npos);
  EXPECT_NE(log.find("    MEDIA: [6 x 8 in (152 x 203 mm)]\n"), std::string::npos);
  EXPECT_NE(log.find("<<<< ######## DrvDeviceCapabilities :: 16 : 4\n"), std::string::npos);
  EXPECT_NE(log.find("<<<< ######## DrvDeviceCapabilities :: 23 : -1\n"), std::string::npos);
}

TEST_F(CapabilitiesTest, SpoolerFormAnswersPaperNamesThatFit) {
  std::array<char16_t, 1000> buffer{};
  struct Case {
    uint32_t chars;
    uint32_t answer;
  } cases[] = {{128, 2}, {1000, 4}, {63, 0xFFFFFFFF}, {64, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chars);
    buffer.fill(u'#');
    EXPECT_EQ(ui_.splDeviceCaps(nullptr, u"P", 16, buffer.data(), c.chars, nullptr), c.answer);
    if (c.answer == 2) {
      EXPECT_EQ(slot(buffer.data(), 1, 64), u"4 x 6 in (102 x 152 mm)");
      EXPECT_EQ(buffer[128], u'#');
    }
  }
  EXPECT_EQ(ui_.splDeviceCaps(nullptr, u"P", 16, nullptr, 0, nullptr), 4u);
  EXPECT_EQ(ui_.splDeviceCaps(nullptr, u"P", 2, buffer.data(), 1000, nullptr), 0xFFFFFFFFu);
  EXPECT_NE(root_.debugLog("q7310ui.log").find("#### DrvSplDeviceCaps :: 16\n"), std::string::npos);
  EXPECT_EQ(ui_.devQueryPrintEx(nullptr), 1);
}

}  // namespace
}  // namespace q7310::ui
