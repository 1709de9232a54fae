#include <gtest/gtest.h>

#include <string>

#include "Q5150FLT/sdkcm.h"
#include "platform/os/library.h"
#include "testing/temp_root.h"

namespace q7310::flt {
namespace {

using q7310::testing::RootTest;

TEST_F(RootTest, EveryProfileAndWorldFunctionIsFoundByNameAliasAndOrdinal) {
  auto lib = os::Library::load("Q5150FLT.dll");
  ASSERT_NE(lib, nullptr);
  struct Export {
    const char* name;
    int argBytes;
  } exports[] = {
      {"SDKCMCloseProfile", 4},         {"SDKCMConvertColorWorldToIPB", 8},    {"SDKCMCreatLUT", 24},
      {"SDKCMCreateColorWorld", 20},    {"SDKCMDisposeColorWorld", 4},         {"SDKCMGetNumsOfInPixComp", 4},
      {"SDKCMGetNumsOfOutPixComp", 4},  {"SDKCMGetPartialProfileElement", 20}, {"SDKCMGetProfileHeader", 8},
      {"SDKCMGetTagTableInfo", 12},     {"SDKCMMatchPixelMap", 12},            {"SDKCMMatchPlaneMap", 12},
      {"SDKCMOpenProfile", 8},
  };
  uint16_t ordinal = 14;
  for (const auto& e : exports) {
    SCOPED_TRACE(e.name);
    void* plain = lib->symbol(e.name);
    ASSERT_NE(plain, nullptr);
    std::string alias = std::string("_") + e.name + "_@" + std::to_string(e.argBytes);
    EXPECT_EQ(lib->symbol(alias), plain);
    EXPECT_EQ(lib->ordinal(ordinal), plain);
    EXPECT_EQ(lib->ordinal(uint16_t(ordinal + 1)), plain);
    ordinal = uint16_t(ordinal + 2);
  }
  EXPECT_EQ(ordinal, 40);

  // Called through its ordinal, the tone table function does its work.
  using CreatLut = int32_t (*)(int16_t, int16_t, int16_t, int16_t, int16_t, uint8_t*);
  auto creat = lib->functionByOrdinal<CreatLut>(19);
  uint8_t lut[1280] = {};
  ASSERT_EQ(creat(100, 220, 100, 100, 100, lut), 0);
  EXPECT_EQ(lut[256 + 128], 56);
}

}  // namespace
}  // namespace q7310::flt
