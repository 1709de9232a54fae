#include <gtest/gtest.h>

#include <numeric>

#include "Q7310LM/protocol/port_status_update.h"
#include "Q7310LM/protocol/printer_commands.h"
#include "Q7310LM/transfer.h"
#include "common/le.h"
#include "common/protocol/status_code.h"
#include "outside/printer/emulator/link.h"
#include "outside/printer/emulator/socket_link.h"
#include "outside/usbmon/usbmon.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/process.h"
#include "testing/temp_root.h"

namespace q7310::lm {
namespace {

using namespace protocol;
using Bytes = std::vector<uint8_t>;

// Passes everything on to the printer and remembers each write.
class RecordingLink final : public printer::PrinterLink {
 public:
  explicit RecordingLink(printer::EmulatedPrinter& p) : inner(p) {}
  bool write(std::span<const uint8_t> bytes, uint32_t& written) override {
    writes.emplace_back(bytes.begin(), bytes.end());
    return inner.write(bytes, written);
  }
  bool read(std::span<uint8_t> out, uint32_t timeoutMs, uint32_t& received) override {
    return inner.read(out, timeoutMs, received);
  }
  printer::InProcessLink inner;
  std::vector<Bytes> writes;
};

class RecordingUpdater final : public PortStatusUpdater {
 public:
  void updatePortStatus(PortContext&, uint32_t code) override { codes.push_back(code); }
  std::vector<uint32_t> codes;
};

class PrinterCommandsTest : public testing::VirtualClockTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    link_ = std::make_shared<RecordingLink>(printer_);
    usbmon::attachLink("Q7310_001", link_, "KEY");
    port_.portName = u"Q7310_001";
    port_.portNameUtf8 = "Q7310_001";
    port_.downstream = *usbmon::monitorTable();
    ASSERT_TRUE(port_.downstream.openPort(u"Q7310_001", &port_.downstreamHandle));
    setPortStatusUpdater(&updater_);
  }
  void TearDown() override {
    setPortStatusUpdater(nullptr);
    port_.downstream.closePort(port_.downstreamHandle);
    usbmon::detachLink("Q7310_001");
  }
  std::string log() { return root_.debugLog("q7310lm_Q7310_001.log"); }
  printer::InProcessLink& faults() { return link_->inner; }

  printer::EmulatedPrinter printer_;
  std::shared_ptr<RecordingLink> link_;
  PortContext port_;
  RecordingUpdater updater_;
};

TEST_F(PrinterCommandsTest, StatusInPiecesWithinTheDeadline) {
  faults().limitReads(30);  // 77 bytes come as 30, 30 and 17
  printer_.raiseError(printer::PrinterError::CoverOpen);
  EXPECT_EQ(queryStatus(port_), kResultSuccess);
  std::lock_guard lock(port_.statusLock);
  EXPECT_EQ(port_.statusCode, 0x02040000u);
  EXPECT_EQ(port_.status[7], kStateError);
  EXPECT_EQ(le::u32(port_.status, kOffRibbonRemaining), 400u);
  EXPECT_EQ(port_.statusTime, os::tickCount64());
  EXPECT_EQ(updater_.codes, (std::vector<uint32_t>{0x02040000}));
  EXPECT_EQ(link_->writes.at(0), (Bytes{1, 0, 0, 0}));
}

TEST_F(PrinterCommandsTest, APrinterThatStopsAfterSixtyBytesIsAReadFailureAfterFiveSeconds) {
  faults().stopAfter(60);
  uint64_t start = os::tickCount64();
  EXPECT_EQ(queryStatus(port_), kResultReadFailure);
  uint64_t took = os::tickCount64() - start;
  EXPECT_GE(took, 5000u);
  EXPECT_LT(took, 5200u);
  std::lock_guard lock(port_.statusLock);
  EXPECT_EQ(port_.statusCode, kStatusReadFailed);
  EXPECT_EQ(statusClass(port_.statusCode), kClassHost);
  EXPECT_EQ(port_.status, (std::array<uint8_t, kStatusRecordSize>{}));
  EXPECT_EQ(updater_.codes, (std::vector<uint32_t>{kStatusReadFailed}));
  EXPECT_NE(log().find("#### Veltrano_GetPrinterStatus --> Read failure (60)"), std::string::npos);
}

TEST_F(PrinterCommandsTest, AStatusCommandThatCannotBeWritten) {
  {
    std::lock_guard lock(port_.statusLock);
    port_.status.fill(0xEE);
  }
  faults().disconnect();
  EXPECT_EQ(queryStatus(port_), kResultWriteFailure);
  std::lock_guard lock(port_.statusLock);
  EXPECT_EQ(port_.statusCode, kStatusWriteFailed);
  EXPECT_EQ(port_.status, (std::array<uint8_t, kStatusRecordSize>{}));
  EXPECT_NE(log().find("#### Veltrano_GetPrinterStatus --> Write failure (4, 0)"), std::string::npos);
}

TEST_F(PrinterCommandsTest, WritesGoOutInPiecesOfAtMost4096) {
  // 5 x 250 pixels of printer image data: 10000 bytes after a print command.
  CommandResponse response;
  ASSERT_EQ(sendPrintCommand(port_, 1, 1, 5, 250, 0, 0, 1, response), kResultSuccess);
  link_->writes.clear();
  Bytes image(10000);
  std::iota(image.begin(), image.end(), uint8_t{0});
  uint32_t sent = 0;
  EXPECT_EQ(writeAll(port_, image, sent), kResultSuccess);
  EXPECT_EQ(sent, 10000u);
  std::vector<size_t> sizes;
  for (const auto& w : link_->writes) sizes.push_back(w.size());
  EXPECT_EQ(sizes, (std::vector<size_t>{4096, 4096, 1808}));
  EXPECT_EQ(printer_.prints().at(0).image, image);
}

TEST_F(PrinterCommandsTest, PrintCommandBytesAndLog) {
  CommandResponse response;
  ASSERT_EQ(sendPrintCommand(port_, 0x108, 2, 1844, 1240, 8, 1, 2, response), kResultSuccess);
  Bytes expected = {0x01, 0x40, 0x1C, 0x00, 0x08, 0x02, 0x00, 0x34, 0x07, 0xD8, 0x04, 0, 0, 0, 0, 0, 0, 0, 0,
                    0x0A, 0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(link_->writes.at(0), expected);
  EXPECT_EQ(response.cmdResult, 1);
  std::string text = log();
  for (const char* line : {">> PRINT COMMAND", "   ID:       264", "   COPIES:   2", "   WIDTH:    1844",
                           "   HEIGHT:   1240", "   COMBO:    COMBO 2", "   LAMINATE: MATTE", "   QUALITY:  FINE"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }

  const struct {
    uint32_t method, laminate, quality;
    uint8_t methodByte, laminateByte;
    const char* combo;
  } forms[] = {
      {0, 0, 0, 0x18, 0x00, "   COMBO:    NORMAL"},
      {2, 1, 0, 0x1A, 0x01, "   COMBO:    COMBO"},
      {4, 1, 3, 0x1C, 0x09, "   COMBO:    SPLIT"},
      {5, 7, 0, 0x1D, 0x07, "   COMBO:    UNDEFINED"},
  };
  for (const auto& f : forms) {
    link_->writes.clear();
    sendPrintCommand(port_, 1, 1, 8, 8, f.method, f.quality, f.laminate, response);
    EXPECT_EQ(link_->writes.at(0).at(20), f.methodByte) << f.combo;
    EXPECT_EQ(link_->writes.at(0).at(19), f.laminateByte) << f.combo;
    EXPECT_NE(log().find(f.combo), std::string::npos);
  }
  EXPECT_NE(log().find("   LAMINATE: UNDEFINED"), std::string::npos);
  EXPECT_NE(log().find("   QUALITY:  UNDEFINED"), std::string::npos);
}

TEST_F(PrinterCommandsTest, PrintCommandAnswers) {
  CommandResponse response;
  printer_.answerBuffersFull(1);
  EXPECT_EQ(sendPrintCommand(port_, 1, 1, 8, 8, 0, 0, 1, response), kResultSuccess);
  EXPECT_EQ(response.cmdError, kCmdErrorBuffersFull);

  printer_.refuseCommands(5);
  EXPECT_EQ(sendPrintCommand(port_, 1, 1, 8, 8, 0, 0, 1, response), kResultCommandFailed);
  EXPECT_EQ(response.cmdResult, kCmdResultFailed);
  EXPECT_NE(log().find("ERROR:   COMMAND RESULT [02][05][00][00][00][02]"), std::string::npos);

  faults().stopAfter(4);  // a response cut short is a failure without a log line
  std::string before = log();
  EXPECT_EQ(sendPrintCommand(port_, 1, 1, 8, 8, 0, 0, 1, response), kResultCommandFailed);
  EXPECT_EQ(log().find("COMMAND RESULT", before.size()), std::string::npos);
  faults().resume();

  faults().disconnect();
  EXPECT_EQ(sendPrintCommand(port_, 1, 1, 8, 8, 0, 0, 1, response), kResultWriteFailure);
  EXPECT_NE(log().find("ERROR:   PRINT COMMAND [6][32][0]"), std::string::npos);
}

TEST_F(PrinterCommandsTest, ImageCorrectionAsThePrinterSendsIt) {
  CorrectionBlock block;
  block.fill(0xEE);
  ASSERT_EQ(getImageCorrection(port_, block, 0x09, 1844, 1240), kResultSuccess);
  EXPECT_EQ(link_->writes.at(0), imageCorrectionPacket(0x09));
  Bytes data = printer::correctionData(0x09);
  ASSERT_LT(data.size(), kMaxCorrectionData);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 4), Bytes(4, 0));
  EXPECT_EQ(Bytes(block.begin() + 4, block.begin() + 4 + static_cast<ptrdiff_t>(data.size())), data);
  EXPECT_EQ(block[4 + data.size()], 0);
  EXPECT_EQ(le::u16(block, 12436), 1844);
  EXPECT_EQ(le::u16(block, 12438), 1240);
  size_t blocks = (data.size() + 254) / 255;
  std::string line = "STATUS:  IMAGE CORRECTION [" + std::to_string(blocks) + "][" + std::to_string(data.size()) + "][";
  EXPECT_NE(log().find(line), std::string::npos) << log();
}

// What a printer sent, as the block loop would store it without limits.
Bytes sentCorrection(uint32_t sent) {
  Bytes data = printer::correctionData(0);
  data.resize(sent);
  for (size_t i = printer::correctionData(0).size(); i < sent; ++i) data[i] = static_cast<uint8_t>(i * 7 + 3);
  return data;
}

TEST_F(PrinterCommandsTest, OversizedCorrectionDataIsCutAndNeverOverrunsTheBuffer) {
  const struct {
    uint16_t announced;
    uint32_t sent;
    int reads;
  } cases[] = {
      {20000, 20000, 79},  // announces more than the block holds
      {16500, 17000, 65},  // sends more than it announces, past the receive buffer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.announced);
    printer_.overrideCorrection(c.announced, c.sent);
    CorrectionBlock block;
    ASSERT_EQ(getImageCorrection(port_, block, 0, 1844, 2492), kResultSuccess);
    Bytes expected = sentCorrection(c.sent);
    EXPECT_EQ(Bytes(block.begin() + 4, block.begin() + 4 + kMaxCorrectionData),
              Bytes(expected.begin(), expected.begin() + kMaxCorrectionData));
    EXPECT_EQ(le::u16(block, 12436), 1844);
    EXPECT_EQ(le::u16(block, 12438), 2492);
    EXPECT_EQ(Bytes(block.begin() + 12440, block.end()), Bytes(block.size() - 12440, 0));
    std::string line = "STATUS:  IMAGE CORRECTION [" + std::to_string(c.reads) + "][" +
                       std::to_string(c.reads == 79 ? 20000 : 65 * 255) + "][";
    EXPECT_NE(log().find(line), std::string::npos);
    // Blocks the loop left unread are the printer's matter; start afresh.
    faults().disconnect();
    faults().reconnect();
    link_ = std::make_shared<RecordingLink>(printer_);
    port_.downstream.closePort(port_.downstreamHandle);
    usbmon::attachLink("Q7310_001", link_, "KEY");
    ASSERT_TRUE(port_.downstream.openPort(u"Q7310_001", &port_.downstreamHandle));
  }
}

TEST_F(PrinterCommandsTest, ACorrectionTransferThatEndsEarlyLeavesZeros) {
  printer_.overrideCorrection(3000, 1000);
  CorrectionBlock block;
  ASSERT_EQ(getImageCorrection(port_, block, 0, 100, 200), kResultSuccess);
  Bytes expected = sentCorrection(1000);
  EXPECT_EQ(Bytes(block.begin() + 4, block.begin() + 1004), expected);
  EXPECT_EQ(Bytes(block.begin() + 1004, block.begin() + 3004), Bytes(2000, 0));
  EXPECT_NE(log().find("STATUS:  IMAGE CORRECTION [5][1000]["), std::string::npos);

  faults().disconnect();
  EXPECT_EQ(getImageCorrection(port_, block, 0, 100, 200), kResultWriteFailure);
  EXPECT_NE(log().find("ERROR:   IMAGE CORRECTION [2][6][16][0]"), std::string::npos);
  faults().reconnect();
  faults().stopAfter(10);
  EXPECT_EQ(getImageCorrection(port_, block, 0, 100, 200), kResultReadFailure);
  EXPECT_NE(log().find("ERROR:   IMAGE CORRECTION [1][7][16][10]"), std::string::npos);
}

}  // namespace
}  // namespace q7310::lm

namespace q7310::lm {
namespace {

// The same operations against a printer running as its own program.
class PrinterCommandsOverSocketTest : public testing::RootTest {};

TEST_F(PrinterCommandsOverSocketTest, OperationsAgainstTheProgram) {
  root_.enableDebugLog();
  auto ready = os::Event::create("printer-3-ready");
  auto program = os::Process::start("q7310-printer", {"--port", "3", "--speed", "1000", "--ready-event",
                                                       "printer-3-ready"});
  ASSERT_TRUE(program);
  ASSERT_EQ(ready->wait(20'000), os::WaitResult::Signalled);

  PortContext port;
  port.portName = u"Q7310_003";
  port.portNameUtf8 = "Q7310_003";
  port.downstream = *usbmon::monitorTable();
  ASSERT_TRUE(port.downstream.openPort(u"Q7310_003", &port.downstreamHandle));

  EXPECT_EQ(queryStatus(port), kResultSuccess);
  {
    std::lock_guard lock(port.statusLock);
    EXPECT_EQ(port.statusCode, kStatusReady);
  }
  CorrectionBlock block;
  ASSERT_EQ(getImageCorrection(port, block, 0x01, 16, 20), kResultSuccess);
  Bytes data = printer::correctionData(0x01);
  EXPECT_EQ(Bytes(block.begin() + 4, block.begin() + 4 + static_cast<ptrdiff_t>(data.size())), data);

  CommandResponse response;
  ASSERT_EQ(sendPrintCommand(port, 4, 1, 16, 20, 0, 0, 1, response), kResultSuccess);
  Bytes image(16 * 20 * 8, 0x5A);
  uint32_t sent = 0;
  ASSERT_EQ(writeAll(port, image, sent), kResultSuccess);
  EXPECT_EQ(queryStatus(port), kResultSuccess);  // answered after the image data was taken
  {
    std::lock_guard lock(port.statusLock);
    EXPECT_EQ(port.status[kOffBank1], 4);
  }
  auto control = printer::SocketLink::connect(printer::printerEndpoint(3));
  ASSERT_TRUE(control);
  auto prints = control->control("prints");
  ASSERT_TRUE(prints);
  EXPECT_NE(prints->find("4 16x20 copies=1"), std::string::npos) << *prints;
  EXPECT_NE(prints->find(" complete"), std::string::npos) << *prints;

  port.downstream.closePort(port.downstreamHandle);
  program->terminate();
  EXPECT_EQ(program->wait(20'000), os::WaitResult::Signalled);
}

}  // namespace
}  // namespace q7310::lm
