#include <gtest/gtest.h>

#include "common/le.h"
#include "common/protocol/printer_protocol.h"
#include "outside/imaging/printer_image_format.h"
#include "outside/printer/emulator/emulated_printer.h"
#include "outside/printer/emulator/print_picture.h"
#include "testing/temp_root.h"

namespace q7310::printer {
namespace {

using namespace protocol;
using imaging::sampleOffset;

class PrintPictureTest : public testing::VirtualClockTest {};

TEST_F(PrintPictureTest, EveryWholePrintBecomesAPictureOfItsDyes) {
  PrinterConfig config;
  config.printFolder = root_.path() / "prints";
  EmulatedPrinter printer(config);
  auto session = printer.openSession();
  std::vector<uint8_t> answer(64);

  // A 4 x 3 print: bare paper, full cyan at (1, 0), full yellow + magenta at
  // (2, 1), all three dyes at (3, 2).
  const uint16_t w = 4, h = 3;
  std::vector<uint8_t> image(imaging::printerImageSize(w, h));
  le::putU16(image, sampleOffset(imaging::kCyan, w, h, 1, 0), 65535);
  le::putU16(image, sampleOffset(imaging::kYellow, w, h, 2, 1), 65535);
  le::putU16(image, sampleOffset(imaging::kMagenta, w, h, 2, 1), 65535);
  for (auto plane : {imaging::kYellow, imaging::kMagenta, imaging::kCyan})
    le::putU16(image, sampleOffset(plane, w, h, 3, 2), 65535);
  session->write(encodePrintCommand({1, 1, w, h, 1, 0x18}));
  ASSERT_EQ(session->read(answer), kResponseSize);
  ASSERT_EQ(answer[0], 1);
  session->write(image);

  auto picture = readPng(config.printFolder / "print_0001.png");
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, w);
  EXPECT_EQ(picture->height, h);
  EXPECT_EQ(picture->rgb, renderPrint(w, h, image).rgb);
  auto px = [&](size_t x, size_t y) { return &picture->rgb[(y * w + x) * 3]; };
  EXPECT_GE(px(0, 0)[0], 250);           // paper is white
  EXPECT_LT(px(1, 0)[0], 80);            // cyan takes the red away
  EXPECT_GT(px(1, 0)[2], 150);
  EXPECT_GT(px(2, 1)[0], 150);           // yellow + magenta print red
  EXPECT_LT(px(2, 1)[2], 80);
  EXPECT_LT(px(3, 2)[0] + px(3, 2)[1] + px(3, 2)[2], 120);  // all three: near black

  // A print whose data is cut off leaves no picture.
  session->write(encodePrintCommand({2, 1, w, h, 1, 0x18}));
  ASSERT_EQ(session->read(answer), kResponseSize);
  session->write(std::span(image).first(10));
  session.reset();
  EXPECT_FALSE(std::filesystem::exists(config.printFolder / "print_0002.png"));
}

TEST(PrintPictureFileTest, UnwritableOrForeignFilesAreRefused) {
  Picture p{2, 1, {1, 2, 3, 4, 5, 6}};
  EXPECT_FALSE(writePng(p, "/nonexistent-folder/x.png"));
  EXPECT_FALSE(writePng(Picture{2, 2, {1, 2, 3}}, "/tmp/never-written.png"));
  EXPECT_FALSE(readPng("/nonexistent-folder/x.png"));
}

}  // namespace
}  // namespace q7310::printer
