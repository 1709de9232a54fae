// The port status a status code shows, and the rule that document-level
// problems (level 5) outlive a printer that is merely ready again.
#include <gtest/gtest.h>

#include <mutex>

#include "Q7310LM/port_status.h"
#include "Q7310LM/tests/monitor_fixture.h"
#include "common/wide_text.h"
#include "platform/spooler/port_status.h"
#include "testing/temp_root.h"

namespace q7310::lm::testing {
namespace {

class PortStatusTest : public q7310::testing::RootTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    port_.portName = u"Q7310_001";
    port_.portNameUtf8 = "Q7310_001";
  }
  void update(uint32_t code) {
    std::lock_guard lock(port_.statusLock);
    updatePortStatus(port_, code);
  }
  void showDocumentProblem() {
    std::lock_guard lock(port_.statusLock);
    setPortStatusLocked(port_, kPortStatusLevelDocumentProblem, "Unsupported media size");
  }
  std::string log() { return root_.debugLog("q7310lm_Q7310_001.log"); }
  PortContext port_;
};

struct Row {
  uint32_t code;
  const char* line;  // nullptr: nothing logged
  bool set;
  uint32_t status;
  const char* text;
};

TEST_F(PortStatusTest, EveryCodeShowsItsRow) {
  const Row rows[] = {
      {0x04010000, "ERROR:   WRITE ERROR", false, 0, ""},
      {0x04020000, "ERROR:   READ ERROR", false, 0, ""},
      {0x04030000, "ERROR:   UNSUPPORTED MEDIA", false, 0, ""},
      {0x04070000, "ERROR:   COMMAND FAILURE", false, 0, ""},
      {0x02010000, "WARNING: READY TO PRINT [MECHANICAL]", true, 8, ""},
      {0x02200000, "WARNING: READY TO PRINT [MECHANICAL]", true, 8, ""},
      {0x02160000, "WARNING: READY TO PRINT [MECHANICAL]", true, 8, ""},
      {0x02040000, "WARNING: READY TO PRINT [COVER OPEN]", true, 7, ""},
      {0x02060000, "WARNING: READY TO PRINT [PAPER JAM]", true, 2, ""},
      {0x02070000, "WARNING: READY TO PRINT [NO PAPER]", true, 3, ""},
      {0x02090000, "WARNING: READY TO PRINT [NO RIBBON]", true, 6, ""},
      {0x020A0000, "WARNING: READY TO PRINT [INCORRECT RIBBON]", true, 0, "Incorrect ribbon"},
      {0x020B0000, "WARNING: READY TO PRINT [INCORRECT PAPER]", true, 0, "Incorrect paper"},
      {0x020C0000, "WARNING: READY TO PRINT [TAKE OUT PAPER]", true, 0, "Take out paper"},
      {0x020D0000, "WARNING: READY TO PRINT [INVALID PARAMETER]", true, 0, "Invalid parameter"},
      {0x020E0000, "WARNING: READY TO PRINT [MAINAPPINACTIVE]", true, 0, "Firmware issue"},
      {0x020F0000, "WARNING: READY TO PRINT [COMM TIMEOUT]", true, 0, "Command timeout"},
      {0x02150000, "WARNING: READY TO PRINT [THERMAL PROTECT]", true, 0, "Thermal protect"},
      {0x02110000, "WARNING: READY TO PRINT [WAIT 2]", false, 0, ""},
      {0x02000000, "WARNING: READY TO PRINT [WAIT 2]", false, 0, ""},
      {0x03040000, "WARNING: READY TO PRINT [OPERATING PANEL]", true, 8, ""},
      {0x03010000, "WARNING: READY TO PRINT [WAIT 1]", false, 0, ""},
      {0x01000000, nullptr, false, 0, ""},
      {0x00000000, "WARNING: READY TO PRINT [WAIT 3]", false, 0, ""},
      {0x05000000, "WARNING: READY TO PRINT [WAIT 3]", false, 0, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.code);
    // Start from a shown door-open, so that "clear" rows must clear it.
    update(0x02040000);
    const size_t before = log().size();
    update(row.code);
    const std::string lines = log().substr(before);
    if (row.line != nullptr) {
      EXPECT_NE(lines.find(std::string(" :: ") + row.line + "\n"), std::string::npos) << lines;
    } else {
      EXPECT_EQ(lines.find("READY TO PRINT"), std::string::npos) << lines;
    }
    const spooler::PortStatus shown = spooler::portStatus("Q7310_001");
    if (row.set) {
      EXPECT_EQ(shown, (spooler::PortStatus{row.status, row.text, 2}));
      EXPECT_EQ(port_.portStatusLevel, row.status);
      EXPECT_EQ(text::toUtf8(port_.portStatusText), row.text);
      EXPECT_NE(lines.find(" :: INFO:    SETTING PORT STATUS\n"), std::string::npos);
    } else {
      EXPECT_TRUE(shown.cleared());
      EXPECT_EQ(port_.portStatusLevel, 0u);
      EXPECT_NE(lines.find(" :: INFO:    CLEARING PORT STATUS\n"), std::string::npos);
    }
  }
}

TEST_F(PortStatusTest, ReadyKeepsDocumentProblemsAndTextOnlyWarnings) {
  showDocumentProblem();
  update(0x01000000);
  update(0x03010000);
  EXPECT_EQ(spooler::portStatus("Q7310_001"), (spooler::PortStatus{5, "Unsupported media size", 2}));
  EXPECT_EQ(port_.portStatusLevel, 5u);

  // A text-only warning leaves the level at 0: a ready printer does not clear it.
  update(0x020B0000);
  update(0x01000000);
  EXPECT_EQ(spooler::portStatus("Q7310_001"), (spooler::PortStatus{0, "Incorrect paper", 2}));
  EXPECT_EQ(countOf(log(), "INFO:    CLEARING PORT STATUS"), 0u);
}

TEST_F(PortStatusTest, LongTextsAreCut) {
  std::lock_guard lock(port_.statusLock);
  setPortStatusLocked(port_, 0, std::string(100, 'x'));
  EXPECT_EQ(port_.portStatusText.size(), kPortStatusTextChars);
  EXPECT_EQ(spooler::portStatus("Q7310_001").text, std::string(80, 'x'));
}

}  // namespace
}  // namespace q7310::lm::testing
