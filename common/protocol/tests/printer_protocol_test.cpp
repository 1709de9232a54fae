#include <gtest/gtest.h>

#include <vector>

#include "common/protocol/printer_protocol.h"

namespace q7310::protocol {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Protocol, ResponseHeaderFieldsSitAtTheirOffsets) {
  Bytes b = {0x02, 0x21, 0x06, 0x05, 0xAA, 0xBB, 0xCC, 0x11, 0x34, 0x12};
  auto r = decodeResponse(b);
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, (CommandResponse{2, 0x21, 6, 5, 0x11, 0x1234}));
  Bytes out(10, 0xFF);
  encodeResponse(out, *r);
  EXPECT_EQ(out, (Bytes{0x02, 0x21, 0x06, 0x05, 0, 0, 0, 0x11, 0x34, 0x12}));
  EXPECT_FALSE(decodeResponse(std::span(b).first(9)));
}

TEST(Protocol, StatusRecordRoundTripsHandWrittenBytes) {
  Bytes b(77, 0);
  b[0] = 1;
  b[7] = 0x65;
  b[10] = 0x10; b[11] = 0x27;             // lifetime 10000
  b[14] = 5;                              // maintenance
  b[18] = 7;                              // paper
  b[22] = 9;                              // cutter
  b[26] = 0x01; b[27] = 0x01;             // head 257
  b[30] = 0xC8;                           // ribbon 200
  b[38] = 7; b[39] = 1; b[41] = 2; b[43] = 3; b[45] = 2;   // bank 1
  b[46] = 9; b[47] = 0x34; b[48] = 0x12; b[53] = 0;        // bank 2
  b[70] = 0x5A;
  auto r = decodeStatus(b);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->response.prnStatus, 0x65);
  EXPECT_EQ(r->lifetimeCount, 10000u);
  EXPECT_EQ(r->maintenanceCount, 5u);
  EXPECT_EQ(r->paperCount, 7u);
  EXPECT_EQ(r->cutterCount, 9u);
  EXPECT_EQ(r->headCount, 257u);
  EXPECT_EQ(r->ribbonRemaining, 200u);
  EXPECT_EQ(r->banks[0], (Bank{7, 1, 2, 3, 2}));
  EXPECT_EQ(r->banks[1], (Bank{9, 0x1234, 0, 0, 0}));
  EXPECT_EQ(r->byte70, 0x5A);
  auto again = encodeStatus(*r);
  EXPECT_EQ(Bytes(again.begin(), again.end()), b);
  EXPECT_FALSE(decodeStatus(std::span(b).first(76)));
}

TEST(Protocol, MediaRecordEntriesAndCountLimit) {
  Bytes b(113, 0);
  b[0] = 1;
  b[10] = 4;   // 6 x 8 ribbon
  b[12] = 2;
  Bytes e1 = {6, 0x34, 0x07, 0x84, 0x09, 0, 0, 0, 0, 0};  // 6 x 8: 1844 x 2436
  Bytes e2 = {0, 0x34, 0x07, 0xBC, 0x09, 0, 2, 0, 0, 0};  // 2-up: 1844 x 2492
  std::copy(e1.begin(), e1.end(), b.begin() + 13);
  std::copy(e2.begin(), e2.end(), b.begin() + 23);
  auto r = decodeMediaInfo(b);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->ribbonType, 4);
  ASSERT_EQ(r->entries.size(), 2u);
  EXPECT_EQ(r->entries[0], (MediaEntry{6, 1844, 2436, 0}));
  EXPECT_EQ(r->entries[1], (MediaEntry{0, 1844, 2492, 2}));
  auto again = encodeMediaInfo(*r);
  EXPECT_EQ(Bytes(again.begin(), again.end()), b);

  b[12] = 200;  // a count past what the record holds is cut to ten
  EXPECT_EQ(decodeMediaInfo(b)->entries.size(), 10u);
}

TEST(Protocol, RibbonMediaAndMethodNames) {
  MediaInfoRecord r;
  const std::pair<uint8_t, std::string_view> ribbons[] = {
      {0, "Not Set"}, {1, "4 x 6"}, {2, "3.5 x 5"}, {3, "5 x 7"}, {4, "6 x 8"}, {5, "Unknown"}, {6, "Unknown"},
      {200, "Unknown"}};
  for (auto [type, name] : ribbons) {
    r.ribbonType = type;
    EXPECT_EQ(ribbonTypeName(r), name) << int(type);
  }
  r.ribbonType = 1;
  r.entries = {{0x10, 1000, 600, 0}};
  EXPECT_EQ(ribbonTypeName(r), "Card");
  r.entries = {{0x15, 1000, 600, 0}};
  EXPECT_EQ(ribbonTypeName(r), "Card");
  r.entries = {{0x16, 1000, 600, 0}};
  EXPECT_EQ(ribbonTypeName(r), "4 x 6");
  r.ribbonType = 4;
  r.entries = {{0x10, 1000, 600, 0}};
  EXPECT_EQ(ribbonTypeName(r), "6 x 8");  // the card rule holds only for a 4 x 6 ribbon

  EXPECT_EQ(mediaSizeName(0), "4 x 6 in");
  EXPECT_EQ(mediaSizeName(6), "6 x 8 in");
  EXPECT_EQ(mediaSizeName(7), "2 x 6 in");
  EXPECT_EQ(mediaSizeName(2), "");
  EXPECT_EQ(printMethodName(2), "2-up");
  EXPECT_EQ(printMethodName(3), "");
}

TEST(Protocol, StateTextsAndGroups) {
  struct Case {
    CommandResponse r;
    std::string_view text;
    StateGroup group;
  };
  const Case cases[] = {
      {{1, 0, 0, 0, 0x00, 0}, "IDLE", StateGroup::IdleOrUnknown},
      {{1, 0, 0, 0, 0x65, 0}, "MAGENTA", StateGroup::Busy},
      {{1, 0, 0, 0, 0x6C, 0}, "LOADING PAPER", StateGroup::Busy},
      {{1, 0, 0, 0, 0x6B, 0}, "EJECTING PRINT", StateGroup::Busy},
      {{1, 0, 0, 0, 0x37, 0}, "DOWNLOADING DATA", StateGroup::Busy},
      {{1, 0, 6, 9, 0x11, 0}, "TAKE OUT PAPER", StateGroup::Error},
      {{1, 0, 6, 4, 0x11, 0}, "INCORRECT RIBBON", StateGroup::Error},
      {{1, 0, 5, 0, 0x11, 0}, "PAPER JAM", StateGroup::Error},
      {{1, 0, 6, 10, 0x11, 0}, "", StateGroup::Error},
      {{1, 0, 0, 0, 0x21, 0}, "", StateGroup::IdleOrUnknown},
      {{2, 0x21, 0, 0, 0x65, 0}, "COMMAND FAILURE", StateGroup::Error},
  };
  for (const Case& c : cases) {
    auto d = describeState(c.r);
    EXPECT_EQ(d.text, c.text) << std::hex << int(c.r.prnStatus);
    EXPECT_EQ(d.group, c.group) << std::hex << int(c.r.prnStatus);
  }
}

TEST(Protocol, SmallRecords) {
  Bytes fw(48, 0);
  fw[0] = 1;
  fw[10] = 'M';
  fw[44] = 5;
  fw[45] = 0x1A;
  auto f = decodeFirmware(fw);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->major, 5);
  EXPECT_EQ(f->minor, 0x1A);
  EXPECT_EQ(f->info[0], 'M');
  EXPECT_EQ(firmwareVersionText(f->major, f->minor), "5.1A");
  auto fwAgain = encodeFirmware(*f);
  EXPECT_EQ(Bytes(fwAgain.begin(), fwAgain.end()), fw);

  Bytes sn = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, '_', '_', 'A', '1', '2', '3', '4', '5'};
  auto s = decodeSerialNumber(sn);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->serial, "__A12345");
  EXPECT_EQ(displaySerial(s->serial), "A12345");
  EXPECT_EQ(displaySerial("  _ 9"), "9");
  auto snAgain = encodeSerialNumber({{1, 0, 0, 0, 0, 0}, "12345"});
  EXPECT_EQ(std::string(snAgain.begin() + 10, snAgain.end()), "   12345");

  Bytes pr = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(decodeParameter(pr)->value, -2);
  auto prAgain = encodeParameter(*decodeParameter(pr));
  EXPECT_EQ(Bytes(prAgain.begin(), prAgain.end()), pr);
}

TEST(Protocol, PacketsAsTheHostWritesThem) {
  EXPECT_EQ(commandPacket(kCmdGetStatus), (Bytes{0x01, 0x00, 0x00, 0x00}));
  Bytes fwPayload = {2};
  EXPECT_EQ(commandPacket(kCmdGetFirmware, fwPayload), (Bytes{0x03, 0xC0, 0x01, 0x00, 0x02}));
  Bytes ic = imageCorrectionPacket(0x09);
  EXPECT_EQ(ic, (Bytes{0x0D, 0x40, 0x0C, 0x00, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  PrintCommand c{8, 2, 1844, 1240, 0x09, 0x1A};
  auto p = encodePrintCommand(c);
  Bytes expected(32, 0);
  expected[0] = 0x01; expected[1] = 0x40; expected[2] = 28;
  expected[4] = 8;
  expected[5] = 2;
  expected[7] = 0x34; expected[8] = 0x07;
  expected[9] = 0xD8; expected[10] = 0x04;
  expected[19] = 0x09;
  expected[20] = 0x1A;
  EXPECT_EQ(Bytes(p.begin(), p.end()), expected);
  auto back = decodePrintCommand(expected);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, c);
  EXPECT_EQ(back->printMethod(), 2);
  EXPECT_EQ(back->laminate(), 1);
  EXPECT_TRUE(back->fine());
  EXPECT_EQ(back->imageBytes(), 1844ull * 1240 * 8);
  expected[2] = 27;
  EXPECT_FALSE(decodePrintCommand(expected));

  // Both method byte forms name the same methods.
  EXPECT_EQ((PrintCommand{0, 1, 1, 1, 0, 0x18}).printMethod(), 0);
  EXPECT_EQ((PrintCommand{0, 1, 1, 1, 0, 0x1C}).printMethod(), 4);
  EXPECT_EQ((PrintCommand{0, 1, 1, 1, 0, 0x10}).printMethod(), 0);
  EXPECT_EQ((PrintCommand{0, 1, 1, 1, 0, 0x12}).printMethod(), 2);
}

TEST(Protocol, BlockTransferForms) {
  auto monitor = encodeTransferAnswer({{1, 0, 0, 0, 0, 0}, 600}, kTransferAnswerMonitor);
  EXPECT_EQ(monitor, (Bytes{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x58, 0x02, 0, 0}));
  auto library = encodeTransferAnswer({{1, 0, 0, 0, 0, 0}, 600}, kTransferAnswerLibrary);
  EXPECT_EQ(library.size(), 12u);
  EXPECT_EQ(decodeTransferAnswer(library)->totalLength, 600);
  Bytes data(300, 0xAB);
  auto block = encodeBlock(3, data);
  ASSERT_EQ(block.size(), 257u);  // at most 255 data bytes per block
  EXPECT_EQ(block[0], 3);
  EXPECT_EQ(block[1], 255);
}

TEST(Protocol, CommandTableKnowsBothPacketForms) {
  const CommandInfo* ic = findCommand(kCmdGetImageCorrection);
  ASSERT_NE(ic, nullptr);
  EXPECT_EQ(ic->payload, 12);
  EXPECT_EQ(ic->altPayload, 0);
  EXPECT_EQ(findCommand(kCmdReset)->answer, AnswerKind::None);
  EXPECT_EQ(findCommand(kCmdGetStatus)->answerSize, 77);
  EXPECT_EQ(findCommand(0x7777), nullptr);
  EXPECT_EQ(commandTable().size(), 12u);
}

}  // namespace
}  // namespace q7310::protocol
