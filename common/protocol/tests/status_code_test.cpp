#include <gtest/gtest.h>

#include "common/protocol/status_code.h"

namespace q7310::protocol {
namespace {

struct Case {
  uint8_t cmdResult, cmdError, errMajor, errMinor, prnStatus;
  uint32_t expected;
};

TEST(StatusCode, EveryRuleOfTheTableFirstMatchWins) {
  const Case cases[] = {
      {1, 0, 0, 0, 0x00, 0x01000000},
      {1, 0, 0, 0, 0x60, 0x01000000},
      {1, 0, 0, 0, 0x65, 0x01000000},
      {1, 0x21, 0, 0, 0x6F, 0x01000000},  // cmdError is not looked at when accepted
      {1, 0, 1, 0, 0x11, 0x02010000},
      {1, 0, 2, 0, 0x11, 0x02020000},
      {1, 0, 3, 0, 0x11, 0x02040000},
      {1, 0, 4, 0, 0x11, 0x02050000},
      {1, 0, 5, 0, 0x11, 0x02060000},
      {1, 0, 6, 1, 0x11, 0x02040000},
      {1, 0, 6, 2, 0x11, 0x020A0000},
      {1, 0, 6, 4, 0x11, 0x020A0000},
      {1, 0, 6, 3, 0x11, 0x02090000},
      {1, 0, 6, 5, 0x11, 0x020B0000},
      {1, 0, 6, 6, 0x11, 0x02070000},
      {1, 0, 6, 8, 0x11, 0x02070000},
      {1, 0, 6, 9, 0x11, 0x020C0000},
      {1, 0, 6, 7, 0x11, 0x02000000},
      {1, 0, 6, 0, 0x11, 0x02000000},
      {1, 0, 7, 1, 0x11, 0x02000000},
      {1, 0, 0, 0, 0x21, 0x03090000},
      {1, 0, 0, 0, 0x31, 0x03010000},
      {1, 0, 0, 0, 0x32, 0x03020000},
      {1, 0, 0, 0, 0x33, 0x03060000},
      {1, 0, 0, 0, 0x34, 0x03030000},
      {1, 0, 0, 0, 0x35, 0x03040000},
      {1, 0, 0, 0, 0x36, 0x03070000},
      {1, 0, 0, 0, 0x37, 0x03080000},
      {1, 0, 0, 0, 0x30, 0x03000000},
      {1, 0, 0, 0, 0x3F, 0x03000000},
      {1, 0, 0, 0, 0x12, 0x030A0000},
      {1, 0, 0, 0, 0x70, 0x030A0000},
      {2, 0, 6, 1, 0x11, 0x01000000},  // a failed command with no error reads as ready
      {0, 0, 0, 0, 0x00, 0x01000000},
      {2, 1, 0, 0, 0, 0x020D0000},
      {2, 2, 0, 0, 0, 0x020E0000},
      {2, 3, 0, 0, 0, 0x020F0000},
      {2, 4, 0, 0, 0, 0x02100000},
      {2, 5, 0, 0, 0, 0x02190000},
      {3, 0x21, 0, 0, 0, 0x02110000},
      {2, 0x31, 0, 0, 0, 0x02120000},
      {2, 0x34, 0, 0, 0, 0x02150000},
      {2, 0x37, 0, 0, 0, 0x02180000},
      {2, 0x38, 0, 0, 0, 0x02000000},
      {2, 0x60, 0, 0, 0, 0x02200000},
      {2, 0x6F, 0, 0, 0, 0x02200000},
      {2, 6, 0, 0, 0, 0x02000000},
      {2, 0x70, 0, 0, 0, 0x02000000},
  };
  for (const Case& c : cases) {
    CommandResponse r{c.cmdResult, c.cmdError, c.errMajor, c.errMinor, c.prnStatus, 0};
    SCOPED_TRACE(testing::Message() << "cmdResult " << int(c.cmdResult) << " cmdError " << int(c.cmdError)
                                    << " err " << int(c.errMajor) << "/" << int(c.errMinor) << " prnStatus 0x"
                                    << std::hex << int(c.prnStatus));
    EXPECT_EQ(classifyStatus(r), c.expected) << std::hex << classifyStatus(r);
  }
}

TEST(StatusCode, ClassAndDetail) {
  EXPECT_EQ(statusClass(0x020A0000), 0x02);
  EXPECT_EQ(statusDetail(0x020A0000), 0x0A);
  EXPECT_EQ(statusClass(kStatusReadFailed), kClassHost);
  EXPECT_EQ(statusDetail(kStatusReadFailed), 0x02);
}

}  // namespace
}  // namespace q7310::protocol
