#include <gtest/gtest.h>

#include <numeric>

#include "common/le.h"
#include "common/protocol/printer_protocol.h"
#include "outside/printer/emulator/emulated_printer.h"
#include "outside/printer/emulator/link.h"
#include "testing/temp_root.h"

namespace q7310::printer {
namespace {

using namespace protocol;
using Bytes = std::vector<uint8_t>;

// A host that writes packets and reads whole transfers.
struct Host {
  explicit Host(EmulatedPrinter& p) : link(p) {}
  InProcessLink link;

  void send(std::span<const uint8_t> packet) {
    uint32_t written = 0;
    ASSERT_TRUE(link.write(packet, written));
    ASSERT_EQ(written, packet.size());
  }
  Bytes transfer(size_t max = 512) {
    Bytes b(max);
    uint32_t got = 0;
    EXPECT_TRUE(link.read(b, 0, got));
    b.resize(got);
    return b;
  }
  Bytes ask(uint16_t code, Bytes payload = {}) {
    send(commandPacket(code, payload));
    return transfer();
  }
  PrinterStatusRecord status() { return *decodeStatus(ask(kCmdGetStatus)); }
  CommandResponse print(uint8_t id, uint16_t copies, uint16_t width, uint16_t height, uint8_t method = 0x18) {
    auto packet = encodePrintCommand({id, copies, width, height, 1, method});
    send(packet);
    return *decodeResponse(transfer());
  }
  void sendImage(uint16_t width, uint16_t height, uint8_t seed = 0) {
    Bytes data(size_t{width} * height * 8);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + seed);
    send(data);
  }
};

class EmulatedPrinterTest : public testing::VirtualClockTest {};

TEST_F(EmulatedPrinterTest, MediaFollowsTheLoadedRibbon) {
  EmulatedPrinter printer;
  Host host(printer);
  auto media = decodeMediaInfo(host.ask(kCmdGetMediaInfo));
  ASSERT_TRUE(media);
  EXPECT_EQ(media->ribbonType, kRibbon4x6);
  EXPECT_EQ(media->entries, (std::vector<MediaEntry>{{0, 1844, 1240, 0}, {7, 1844, 634, 0}, {0, 1844, 1240, 4}}));

  printer.loadRibbon(kRibbon6x8, 200);
  media = decodeMediaInfo(host.ask(kCmdGetMediaInfo));
  EXPECT_EQ(media->ribbonType, kRibbon6x8);
  auto has = [&](MediaEntry e) { return std::find(media->entries.begin(), media->entries.end(), e) != media->entries.end(); };
  EXPECT_TRUE(has({6, 1844, 2434, 0}));
  EXPECT_TRUE(has({0, 1844, 2492, 2}));
  EXPECT_TRUE(has({0, 1844, 1240, 0}));
  EXPECT_EQ(host.status().ribbonRemaining, 200u);
}

TEST_F(EmulatedPrinterTest, PrintsGoIntoFreeBanksUntilBuffersAreFull) {
  EmulatedPrinter printer;
  Host host(printer);
  auto r = host.print(8, 1, 4, 1240);
  EXPECT_EQ(r.cmdResult, 1);
  EXPECT_EQ(r.cmdError, 0);
  host.sendImage(4, 1240);
  auto s = host.status();
  EXPECT_EQ(s.banks[0].printId, 8);
  EXPECT_NE(s.banks[0].status, 0);
  EXPECT_EQ(s.banks[1].status, 0);

  EXPECT_EQ(host.print(9, 1, 4, 1240).cmdError, 0);
  host.sendImage(4, 1240);
  s = host.status();
  EXPECT_EQ(s.banks[1].printId, 9);
  EXPECT_NE(s.banks[1].status, 0);

  r = host.print(10, 1, 4, 1240);
  EXPECT_EQ(r.cmdResult, 1);
  EXPECT_EQ(r.cmdError, kCmdErrorBuffersFull);
  EXPECT_EQ(printer.prints().size(), 2u);

  // A bank frees when its print is done; the next print then goes in.
  os::sleepMs(11'000);
  s = host.status();
  EXPECT_EQ(s.banks[0].status, 0);
  EXPECT_NE(s.banks[1].status, 0);
  EXPECT_EQ(host.print(10, 1, 4, 1240).cmdError, 0);
}

TEST_F(EmulatedPrinterTest, PrintingStatesFollowEachOtherOnTheClock) {
  EmulatedPrinter printer;
  Host host(printer);
  auto before = host.status();
  ASSERT_EQ(host.print(1, 2, 4, 1240).cmdResult, 1);
  EXPECT_EQ(printer.prnStatus(), kStateDownloading);
  host.sendImage(4, 1240);

  std::vector<uint8_t> seen;
  uint64_t start = os::tickCount64();
  uint64_t idleAt = 0;
  for (int i = 0; i < 600 && idleAt == 0; ++i) {
    uint8_t state = printer.prnStatus();
    if (seen.empty() || seen.back() != state) seen.push_back(state);
    if (state == kStateIdle) idleAt = os::tickCount64() - start;
    os::sleepMs(50);
  }
  const Bytes copy = {0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6B};
  Bytes expected = copy;
  expected.insert(expected.end(), copy.begin(), copy.end());
  expected.push_back(0x6D);
  expected.push_back(0x00);
  EXPECT_EQ(Bytes(seen.begin(), seen.end()), expected);
  EXPECT_GT(idleAt, 19'000u);  // two copies of about ten seconds each
  EXPECT_LT(idleAt, 23'000u);

  auto after = host.status();
  EXPECT_EQ(after.lifetimeCount, before.lifetimeCount + 2);
  EXPECT_EQ(after.maintenanceCount, before.maintenanceCount + 2);
  EXPECT_EQ(after.paperCount, before.paperCount + 2);
  EXPECT_EQ(after.headCount, before.headCount + 2);
  EXPECT_EQ(after.cutterCount, before.cutterCount + 2);
  EXPECT_EQ(after.ribbonRemaining, before.ribbonRemaining - 2);
  EXPECT_EQ(printer.prints().at(0).copiesPrinted, 2);

  printer.raiseError(PrinterError::PaperEmpty);
  printer.paperReplaced();
  printer.maintenanceDone();
  auto serviced = host.status();
  EXPECT_EQ(serviced.paperCount, 0u);
  EXPECT_EQ(serviced.maintenanceCount, 0u);
  EXPECT_EQ(serviced.lifetimeCount, after.lifetimeCount);
  EXPECT_EQ(serviced.response.prnStatus, kStateIdle);
}

TEST_F(EmulatedPrinterTest, SpeedFactorShortensPrinting) {
  PrinterConfig config;
  config.speed = 10;
  EmulatedPrinter printer(config);
  Host host(printer);
  host.print(1, 1, 4, 1240);
  host.sendImage(4, 1240);
  os::sleepMs(1'100);
  EXPECT_EQ(printer.prnStatus(), kStateIdle);
  EXPECT_EQ(printer.prints().at(0).copiesPrinted, 1);

  // Slower than real, looked at every millisecond: the fractions add up.
  printer.setSpeed(0.5);
  host.print(2, 1, 4, 1240);
  host.sendImage(4, 1240);
  EXPECT_EQ(printer.prnStatus(), kStateFeeding);
  for (int i = 0; i < 1700; ++i) {
    os::sleepMs(1);
    printer.prnStatus();
  }
  EXPECT_EQ(printer.prnStatus(), kStateWarmingUp);
}

TEST_F(EmulatedPrinterTest, ErrorsShowRefuseAndPauseUntilCleared) {
  EmulatedPrinter printer;
  Host host(printer);
  const std::pair<PrinterError, ErrorCode> cases[] = {
      {PrinterError::CoverOpen, {6, 1}},      {PrinterError::PaperEmpty, {6, 6}},
      {PrinterError::RibbonEmpty, {6, 3}},    {PrinterError::PaperJam, {5, 0}},
      {PrinterError::IncorrectRibbon, {6, 2}}, {PrinterError::IncorrectPaper, {6, 5}},
      {PrinterError::TakeOutPaper, {6, 9}},   {PrinterError::Control, {1, 0}},
      {PrinterError::Mechanical, {2, 0}},     {PrinterError::Sensor, {3, 0}},
      {PrinterError::Temperature, {4, 0}},
  };
  for (auto [error, code] : cases) {
    SCOPED_TRACE(std::string(errorName(error)));
    EXPECT_EQ(parseError(errorName(error)), error);
    printer.raiseError(error);
    auto s = host.status();
    EXPECT_EQ(s.response.prnStatus, kStateError);
    EXPECT_EQ(s.response.errMajor, code.major);
    EXPECT_EQ(s.response.errMinor, code.minor);
    EXPECT_EQ(host.print(1, 1, 4, 1240).cmdResult, kCmdResultFailed);
    printer.clearError(error);
    EXPECT_EQ(host.status().response.prnStatus, kStateIdle);
  }

  // Raised while printing, an error holds the print where it is.
  host.print(1, 1, 4, 1240);
  host.sendImage(4, 1240);
  os::sleepMs(3'000);
  printer.raiseError(PrinterError::PaperJam);
  os::sleepMs(60'000);
  EXPECT_EQ(printer.prints().at(0).copiesPrinted, 0);
  printer.clearErrors();
  EXPECT_TRUE(isPrintingState(printer.prnStatus()));
  os::sleepMs(8'000);
  EXPECT_EQ(printer.prnStatus(), kStateIdle);
  EXPECT_EQ(printer.prints().at(0).copiesPrinted, 1);
}

TEST_F(EmulatedPrinterTest, RefusedCommandsAndInjectedBuffersFull) {
  EmulatedPrinter printer;
  Host host(printer);
  printer.refuseCommands(3, 2);
  auto s = host.ask(kCmdGetStatus);
  ASSERT_EQ(s.size(), 77u);  // a refused command still answers its whole record
  EXPECT_EQ(s[0], 2);
  EXPECT_EQ(s[1], 3);
  EXPECT_EQ(host.ask(kCmdGetMediaInfo).size(), 113u);
  EXPECT_EQ(host.status().response.cmdResult, 1);

  printer.answerBuffersFull(2);
  EXPECT_EQ(host.print(1, 1, 4, 4).cmdError, kCmdErrorBuffersFull);
  EXPECT_EQ(host.print(1, 1, 4, 4).cmdError, kCmdErrorBuffersFull);
  EXPECT_EQ(host.print(1, 1, 4, 4).cmdError, 0);
}

TEST_F(EmulatedPrinterTest, ParameterEightyFourNeedsMainFirmwareFive) {
  EmulatedPrinter printer;
  Host host(printer);
  Bytes p84 = {84};
  auto r = decodeParameter(host.ask(kCmdGetParameter, p84));
  EXPECT_EQ(r->response.cmdResult, 1);

  Bytes set63 = {63, 0x2A, 0, 0, 0};
  EXPECT_EQ(host.ask(kCmdSetParameter, set63).at(0), 1);
  Bytes p63 = {63};
  EXPECT_EQ(decodeParameter(host.ask(kCmdGetParameter, p63))->value, 42);

  printer.setFirmware(1, {4, 0x99});
  Bytes fw = {1};
  auto f = decodeFirmware(host.ask(kCmdGetFirmware, fw));
  EXPECT_EQ(firmwareVersionText(f->major, f->minor), "4.99");
  r = decodeParameter(host.ask(kCmdGetParameter, p84));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->response.cmdResult, 2);
  Bytes fw4 = {4};
  EXPECT_EQ(host.ask(kCmdGetFirmware, fw4).at(0), 2);

  printer.setSerial("__B77");
  auto sn = decodeSerialNumber(host.ask(kCmdGetSerialNumber));
  EXPECT_EQ(sn->serial, "   __B77");
  EXPECT_EQ(displaySerial(sn->serial), "B77");
}

TEST_F(EmulatedPrinterTest, BlockTransfersInBothForms) {
  EmulatedPrinter printer;
  Host host(printer);
  for (bool monitorForm : {true, false}) {
    SCOPED_TRACE(monitorForm ? "monitor form" : "library form");
    host.send(monitorForm ? imageCorrectionPacket(0x09) : commandPacket(kCmdGetImageCorrection));
    Bytes head = host.transfer();
    ASSERT_EQ(head.size(), monitorForm ? 14u : 12u);
    uint16_t total = le::u16(head, 10);
    Bytes data;
    for (int number = 1; data.size() < total; ++number) {
      Bytes block = host.transfer(257);
      ASSERT_GE(block.size(), 2u);
      EXPECT_EQ(block[0], number);
      EXPECT_LE(block[1], 255);
      ASSERT_EQ(block.size(), block[1] + 2u);
      data.insert(data.end(), block.begin() + 2, block.end());
    }
    EXPECT_EQ(data, correctionData(monitorForm ? 0x09 : 0));
    EXPECT_TRUE(host.transfer().empty());
  }
  EXPECT_NE(correctionData(0x01), correctionData(0x09));

  Bytes curve = {2, 1};
  host.send(commandPacket(kCmdGetToneCurve, curve));
  Bytes head = host.transfer();
  ASSERT_EQ(head.size(), 12u);
  EXPECT_EQ(le::u16(head, 10), 512);
  EXPECT_EQ(host.transfer(257).size(), 257u);
  EXPECT_EQ(host.transfer(257).size(), 257u);
  EXPECT_EQ(host.transfer(257).size(), 4u);
  Bytes badCurve = {9, 1};
  EXPECT_EQ(host.ask(kCmdGetToneCurve, badCurve).at(0), 2);
}

TEST_F(EmulatedPrinterTest, MalformedInputGetsAFailedAnswerNeverACrash) {
  EmulatedPrinter printer;
  Host host(printer);
  Bytes r = host.ask(0x7777);
  ASSERT_EQ(r.size(), 10u);
  EXPECT_EQ(r[0], 2);
  Bytes wrong = {1, 2, 3};
  r = host.ask(kCmdGetStatus, wrong);  // a status packet with a payload
  ASSERT_EQ(r.size(), 77u);
  EXPECT_EQ(r[0], 2);
  Bytes garbage = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
  host.send(garbage);
  EXPECT_EQ(host.transfer().at(0), 2);
  EXPECT_TRUE(host.transfer().empty());
  EXPECT_EQ(host.status().response.cmdResult, 1);
  // A packet that arrives a byte at a time is the same packet.
  for (uint8_t b : commandPacket(kCmdGetStatus)) host.send(Bytes{b});
  EXPECT_EQ(host.transfer().size(), 77u);
  EXPECT_EQ(host.print(1, 0, 4, 4).cmdResult, 2);  // no copies
}

TEST_F(EmulatedPrinterTest, RandomBytesNeverBreakThePrinter) {
  EmulatedPrinter printer;
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int session = 0; session < 20; ++session) {
    // Each connection starts with a print the printer takes, so that image
    // data, and commands after it, are parsed from random bytes too.
    Host host(printer);
    auto print = encodePrintCommand({static_cast<uint8_t>(session), 1, 4, 4, 1, 0x18});
    host.send(print);
    for (int round = 0; round < 100; ++round) {
      Bytes piece(next() % 64 + 1);
      for (auto& b : piece) b = static_cast<uint8_t>(next() >> 16);
      if (round % 7 == 0) {  // now and then a command header
        static const uint16_t codes[] = {kCmdPrint, kCmdGetImageCorrection, kCmdSetParameter, kCmdReset};
        static const uint16_t lengths[] = {28, 12, 5, 2};
        size_t which = (round / 7) % 4;
        piece.resize(std::max<size_t>(piece.size(), 4));
        le::putU16(piece, 0, codes[which]);
        le::putU16(piece, 2, next() % 2 ? lengths[which] : static_cast<uint16_t>(next() % 40));
      }
      host.send(piece);
      while (!host.transfer(300).empty()) {
      }
      os::sleepMs(next() % 200);
    }
  }
  EXPECT_FALSE(printer.prints().empty());
  Host fresh(printer);
  EXPECT_EQ(fresh.status().response.cmdResult, 1);
}

TEST_F(EmulatedPrinterTest, KeepsEveryPrintIntactAndCancelsAndResets) {
  EmulatedPrinter printer;
  Host host(printer);
  auto packet = encodePrintCommand({5, 3, 16, 20, 0x0A, 0x1C});
  // Command and image data in one write, as a host may send them.
  Bytes stream(packet.begin(), packet.end());
  Bytes image(16 * 20 * 8);
  std::iota(image.begin(), image.end(), uint8_t{7});
  stream.insert(stream.end(), image.begin(), image.end());
  host.send(stream);
  EXPECT_EQ(decodeResponse(host.transfer())->cmdResult, 1);
  auto prints = printer.prints();
  ASSERT_EQ(prints.size(), 1u);
  EXPECT_TRUE(prints[0].complete);
  EXPECT_EQ(prints[0].image, image);
  EXPECT_EQ(prints[0].command.printMethod(), kMethodSplit);
  EXPECT_EQ(prints[0].command.laminate(), 2);
  EXPECT_TRUE(prints[0].command.fine());

  // Cancel stops a print after the copy under way.
  os::sleepMs(1'000);
  Bytes id = {5};
  EXPECT_EQ(host.ask(kCmdCancelPrint, id).at(0), 1);
  EXPECT_EQ(host.ask(kCmdCancelPrint, Bytes{99}).at(0), 2);
  os::sleepMs(30'000);
  EXPECT_EQ(printer.prints()[0].copiesPrinted, 1);
  EXPECT_EQ(printer.prnStatus(), kStateIdle);

  EXPECT_EQ(host.ask(kCmdFlashLed).at(0), 1);
  EXPECT_EQ(printer.ledFlashes(), 1u);

  // Reset: no answer, banks emptied, initializing for a while.
  host.print(6, 1, 16, 20);
  host.sendImage(16, 20);
  printer.raiseError(PrinterError::Control);
  host.send(Bytes{0x04, 0x40, 0x02, 0x00, 0x03, 0x00});
  EXPECT_TRUE(host.transfer().empty());
  EXPECT_EQ(printer.resets(), 1u);
  auto s = host.status();
  EXPECT_EQ(s.response.prnStatus, kStateInitializing);
  EXPECT_EQ(s.banks[0].status, 0);
  os::sleepMs(kResetMs);
  EXPECT_EQ(printer.prnStatus(), kStateIdle);
}

TEST_F(EmulatedPrinterTest, AnAbandonedDownloadFreesItsBank) {
  EmulatedPrinter printer;
  Host host(printer);
  host.print(1, 1, 16, 20);
  host.send(Bytes(100, 0xAB));
  EXPECT_EQ(printer.prnStatus(), kStateDownloading);
  os::sleepMs(31'000);
  EXPECT_EQ(printer.prnStatus(), kStateIdle);
  auto prints = printer.prints();
  EXPECT_FALSE(prints[0].complete);
  EXPECT_EQ(prints[0].image.size(), 100u);
  EXPECT_EQ(host.status().banks[0].status, 0);  // the next bytes are commands again
}

TEST_F(EmulatedPrinterTest, LinkFaults) {
  EmulatedPrinter printer;
  Host host(printer);
  host.link.limitReads(30);
  host.send(commandPacket(kCmdGetStatus));
  EXPECT_EQ(host.transfer().size(), 30u);
  EXPECT_EQ(host.transfer().size(), 30u);
  EXPECT_EQ(host.transfer().size(), 17u);
  host.link.limitReads(0);

  host.link.stall(2'000);
  host.send(commandPacket(kCmdGetStatus));
  Bytes b(100);
  uint32_t got = 0;
  uint64_t t0 = os::tickCount64();
  ASSERT_TRUE(host.link.read(b, 5'000, got));
  EXPECT_EQ(got, 77u);
  EXPECT_GE(os::tickCount64() - t0, 2'000u);

  host.link.stopAfter(60);
  host.send(commandPacket(kCmdGetStatus));
  EXPECT_EQ(host.transfer().size(), 60u);
  t0 = os::tickCount64();
  ASSERT_TRUE(host.link.read(b, 1'000, got));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(os::tickCount64() - t0, 1'000u);
  host.link.resume();
  EXPECT_EQ(host.transfer().size(), 17u);

  host.link.injectGarbage({1, 2, 3});
  EXPECT_EQ(host.transfer(), (Bytes{1, 2, 3}));

  host.link.disconnect();
  EXPECT_FALSE(host.link.write(commandPacket(kCmdGetStatus), got));
  EXPECT_FALSE(host.link.read(b, 0, got));
  host.link.reconnect();
  EXPECT_EQ(host.status().response.cmdResult, 1);
}

}  // namespace
}  // namespace q7310::printer
