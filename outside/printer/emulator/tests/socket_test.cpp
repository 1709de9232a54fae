#include <gtest/gtest.h>

#include "common/protocol/printer_protocol.h"
#include "outside/printer/emulator/socket_link.h"
#include "platform/os/kernel_objects.h"
#include "platform/os/process.h"
#include "testing/temp_root.h"

namespace q7310::printer {
namespace {

using namespace protocol;
using Bytes = std::vector<uint8_t>;

Bytes exchange(PrinterLink& link, const Bytes& packet, size_t answerSize) {
  uint32_t n = 0;
  EXPECT_TRUE(link.write(packet, n));
  Bytes answer(answerSize);
  size_t got = 0;
  while (got < answerSize) {
    if (!link.read(std::span(answer).subspan(got), 5000, n) || n == 0) break;
    got += n;
  }
  answer.resize(got);
  return answer;
}

class PrinterSocketTest : public testing::RootTest {};

TEST_F(PrinterSocketTest, TwoClientProcessesShareOnePrinter) {
  EmulatedPrinter printer;
  auto server = PrinterServer::start(printer, printerEndpoint(1), "KEY1");
  ASSERT_TRUE(server);
  auto statusClient = os::Process::start("printer_socket_child", {"1", "status", "200"});
  auto printClient = os::Process::start("printer_socket_child", {"1", "print", "7"});
  ASSERT_TRUE(statusClient && printClient);
  ASSERT_EQ(statusClient->wait(60'000), os::WaitResult::Signalled);
  ASSERT_EQ(printClient->wait(60'000), os::WaitResult::Signalled);
  EXPECT_EQ(statusClient->exitCode(), 0u);
  EXPECT_EQ(printClient->exitCode(), 0u);

  auto prints = printer.prints();
  ASSERT_EQ(prints.size(), 1u);
  EXPECT_EQ(prints[0].command.printId, 7);
  EXPECT_TRUE(prints[0].complete);
  EXPECT_EQ(prints[0].image, Bytes(16 * 20 * 8, 7));
}

TEST_F(PrinterSocketTest, TheProgramRunsAPrinterConfiguredByItsOptions) {
  auto ready = os::Event::create("q7310-printer-ready");
  auto program = os::Process::start("q7310-printer", {"--port", "2", "--ribbon", "6x8", "--error", "cover-open",
                                                       "--firmware", "1=4.10", "--serial", "__Z9",
                                                       "--ready-event", "q7310-printer-ready"});
  ASSERT_TRUE(program);
  ASSERT_EQ(ready->wait(20'000), os::WaitResult::Signalled);
  auto link = SocketLink::connect(printerEndpoint(2));
  ASSERT_TRUE(link);

  auto status = decodeStatus(exchange(*link, commandPacket(kCmdGetStatus), kStatusRecordSize));
  ASSERT_TRUE(status);
  EXPECT_EQ(status->response.prnStatus, kStateError);
  EXPECT_EQ(status->response.errMinor, 1);
  auto media = decodeMediaInfo(exchange(*link, commandPacket(kCmdGetMediaInfo), kMediaInfoSize));
  ASSERT_TRUE(media);
  EXPECT_EQ(media->ribbonType, kRibbon6x8);
  Bytes p84 = {84};
  EXPECT_EQ(exchange(*link, commandPacket(kCmdGetParameter, p84), kParameterRecordSize).at(0), 2);
  auto serial = decodeSerialNumber(exchange(*link, commandPacket(kCmdGetSerialNumber), kSerialRecordSize));
  EXPECT_EQ(displaySerial(serial->serial), "Z9");

  EXPECT_EQ(link->control("device-key"), "OK Z9");
  EXPECT_EQ(link->control("clear cover-open"), "OK");
  EXPECT_EQ(link->control("bogus"), "ERROR unknown command");
  status = decodeStatus(exchange(*link, commandPacket(kCmdGetStatus), kStatusRecordSize));
  EXPECT_EQ(status->response.prnStatus, kStateIdle);

  // An operator command from a second process of the program.
  auto controller = os::Process::start("q7310-printer", {"--port", "2", "--control", "error paper-jam"});
  ASSERT_TRUE(controller);
  ASSERT_EQ(controller->wait(20'000), os::WaitResult::Signalled);
  EXPECT_EQ(controller->exitCode(), 0u);
  status = decodeStatus(exchange(*link, commandPacket(kCmdGetStatus), kStatusRecordSize));
  EXPECT_EQ(status->response.errMajor, 5);

  program->terminate();
  ASSERT_EQ(program->wait(20'000), os::WaitResult::Signalled);
  uint32_t n = 0;
  Bytes b(10);
  EXPECT_FALSE(link->read(b, 1000, n));  // the printer has gone
}

TEST(PrinterEndpoint, PortNamesAndEndpoints) {
  EXPECT_EQ(portNumberOf("Q7310_001"), 1);
  EXPECT_EQ(portNumberOf("q7310_007"), 7);
  EXPECT_EQ(portNumberOf("Q7310_000"), std::nullopt);
  EXPECT_EQ(portNumberOf("Q7310_01"), std::nullopt);
  EXPECT_EQ(portNumberOf("USB001"), std::nullopt);
  EXPECT_EQ(printerEndpoint(3).filename(), "Q7310_003.sock");
}

}  // namespace
}  // namespace q7310::printer
