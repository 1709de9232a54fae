#include <gtest/gtest.h>

#include "common/protocol/printer_protocol.h"
#include "outside/printer/emulator/socket_link.h"
#include "outside/usbmon/usbmon.h"
#include "platform/os/errors.h"
#include "testing/temp_root.h"

namespace q7310::usbmon {
namespace {

using namespace protocol;
using Bytes = std::vector<uint8_t>;
using spooler::MonitorHandle;

// Writes a packet through WritePort and collects size bytes through ReadPort.
Bytes exchange(MonitorHandle port, const Bytes& packet, size_t size) {
  const auto* t = monitorTable();
  uint32_t written = 0;
  EXPECT_TRUE(t->writePort(port, packet.data(), static_cast<uint32_t>(packet.size()), &written));
  EXPECT_EQ(written, packet.size());
  Bytes answer(size);
  size_t got = 0;
  for (int i = 0; i < 100 && got < size; ++i) {
    uint32_t n = 0;
    if (!t->readPort(port, answer.data() + got, static_cast<uint32_t>(size - got), &n)) break;
    got += n;
  }
  answer.resize(got);
  return answer;
}

std::u16string deviceId(const char16_t* object, uint32_t* result = nullptr) {
  const auto* t = monitorTable();
  MonitorHandle xcv = nullptr;
  if (!t->xcvOpenPort(object, 0, &xcv)) return u"<no transceiver>";
  char16_t out[261] = {};
  uint32_t needed = 0;
  uint32_t r = t->xcvDataPort(xcv, u"GetDeviceID", nullptr, 0, reinterpret_cast<uint8_t*>(out), sizeof out, &needed);
  if (result != nullptr) *result = r;
  EXPECT_TRUE(t->xcvClosePort(xcv));
  return out;
}

class UsbmonTest : public testing::VirtualClockTest {};

TEST_F(UsbmonTest, InProcessPrinterOnAPort) {
  printer::EmulatedPrinter printer;
  auto link = std::make_shared<printer::InProcessLink>(printer);
  attachLink("Q7310_001", link, "DEV-1");
  const auto* t = monitorTable();
  MonitorHandle port = nullptr;
  ASSERT_TRUE(t->openPort(u"Q7310_001", &port));
  ASSERT_TRUE(t->startDocPort(port, u"Printer", 1, 1, nullptr));

  link->limitReads(30);  // the answer comes in pieces
  auto status = exchange(port, commandPacket(kCmdGetStatus), kStatusRecordSize);
  ASSERT_EQ(status.size(), kStatusRecordSize);
  EXPECT_EQ(status[0], 1);

  EXPECT_EQ(deviceId(u"Q7310_001"), u"DEV-1");
  EXPECT_EQ(deviceId(u",XcvPort Q7310_001"), u"DEV-1");

  link->disconnect();
  uint32_t written = 0;
  Bytes packet = commandPacket(kCmdGetStatus);
  EXPECT_FALSE(t->writePort(port, packet.data(), 4, &written));
  EXPECT_EQ(os::lastError(), os::kErrorGenFailure);
  EXPECT_TRUE(t->endDocPort(port));
  EXPECT_TRUE(t->closePort(port));
  detachLink("Q7310_001");
}

TEST_F(UsbmonTest, NamesAndHandlesAreChecked) {
  const auto* t = monitorTable();
  MonitorHandle port = nullptr;
  EXPECT_FALSE(t->openPort(u"USB001", &port));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidName);
  int notAPort = 0;
  EXPECT_FALSE(t->endDocPort(&notAPort));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
  MonitorHandle xcv = nullptr;
  EXPECT_FALSE(t->xcvOpenPort(u",XcvPort LPT1", 0, &xcv));
  // No printer on the port: the transceiver answers an empty key.
  uint32_t result = 1;
  EXPECT_EQ(deviceId(u"Q7310_005", &result), u"");
  EXPECT_EQ(result, os::kErrorSuccess);
}

class UsbmonSocketTest : public testing::RootTest {};

TEST_F(UsbmonSocketTest, PortsReachPrintersAtTheirEndpointsAndReconnect) {
  const auto* t = monitorTable();
  MonitorHandle port = nullptr;
  ASSERT_TRUE(t->openPort(u"Q7310_002", &port));
  uint32_t written = 0;
  Bytes packet = commandPacket(kCmdGetStatus);
  EXPECT_FALSE(t->writePort(port, packet.data(), 4, &written));  // nothing attached yet
  EXPECT_EQ(os::lastError(), os::kErrorGenFailure);

  {
    printer::EmulatedPrinter printer;
    auto server = printer::PrinterServer::start(printer, printer::printerEndpoint(2), "SOCKKEY");
    ASSERT_TRUE(server);
    auto media = exchange(port, commandPacket(kCmdGetMediaInfo), kMediaInfoSize);
    ASSERT_EQ(media.size(), kMediaInfoSize);
    EXPECT_EQ(decodeMediaInfo(media)->ribbonType, kRibbon4x6);
    EXPECT_EQ(deviceId(u"Q7310_002"), u"SOCKKEY");
  }
  // The printer went away; a new one on the same port is found again.
  Bytes lost(10);
  uint32_t n = 0;
  EXPECT_FALSE(t->readPort(port, lost.data(), 10, &n));
  printer::EmulatedPrinter second;
  auto server = printer::PrinterServer::start(second, printer::printerEndpoint(2), "SOCKKEY");
  EXPECT_EQ(exchange(port, commandPacket(kCmdGetStatus), kStatusRecordSize).size(), kStatusRecordSize);
  EXPECT_TRUE(t->closePort(port));
}

}  // namespace
}  // namespace q7310::usbmon
