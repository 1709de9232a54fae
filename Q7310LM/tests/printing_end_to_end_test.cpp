// A document of several pages through the spooler's port driver, the loaded
// libQ7310LM.so, the downstream monitor stand-in, the image-correction bridge
// and the imaging library, out of the emulated printer as prints.
#include <gtest/gtest.h>

#include <filesystem>

#include "Q7310LM/tests/monitor_fixture.h"
#include "Q7310LM/tests/stream_builder.h"
#include "Q7310LM/tests/test_bridge.h"
#include "Q7310YMC/image_bridge.h"
#include "common/le.h"
#include "outside/printer/emulator/link.h"
#include "outside/usbmon/usbmon.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/port_driver.h"
#include "platform/spooler/port_status.h"

namespace q7310::lm::testing {
namespace {

constexpr const char* kPort = "Q7310_001";

TestPage pageOf(uint32_t width, uint32_t height, uint32_t sizeCode, uint32_t method, uint32_t copies, uint32_t laminate,
                uint32_t quality, uint8_t seed) {
  TestPage page = makePage(width, height, seed);
  page.header.mediaSizeCode = sizeCode;
  page.header.printMethod = method;
  page.header.copies = copies;
  page.header.laminate = laminate;
  page.header.printQuality = quality;
  return page;
}

class PrintingEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    ASSERT_TRUE(spooler::addPrinter({kPrinter, kPort, "Veltrano DPX-Q7310"}));
    printer_.loadRibbon(protocol::kRibbon6x8, 100);
    usbmon::attachLink(kPort, std::make_shared<printer::InProcessLink>(printer_), "KEY");
#ifdef TEST_BRIDGE_CONVERTS
    // Without the real bridge in the build, the stand-in takes its place.
    auto folder = os::folderPath(os::Folder::System);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(TEST_BRIDGE_CONVERTS, folder / "Q7310YMC.dll");
#endif
    driver_ = spooler::PortDriver::load("Q7310LM.dll");
    ASSERT_TRUE(driver_);
  }
  void TearDown() override { usbmon::detachLink(kPort); }

  // The printer image the imaging library makes of a page with the data the
  // printer serves for its request byte.
  std::vector<uint8_t> expectedImage(const TestPage& page) {
    const auto requestByte = static_cast<uint8_t>(page.header.laminate + (page.header.printQuality ? 8 : 0));
#ifdef TEST_BRIDGE_CONVERTS
    return testBridgeImage(page.pixels, requestByte);
#else
    auto library = os::Library::load("Q7310IP.dll");
    EXPECT_TRUE(library);
    if (!library) return {};
    using ImageProc = int (*)(uint8_t*, const uint8_t*, int32_t, int32_t, const uint8_t*);
    auto imageProc = library->function<ImageProc>("ip_imageProc");
    std::vector<uint8_t> block(ymc::kCorrectionBlockSize, 0);
    auto data = printer::correctionData(requestByte);
    std::copy(data.begin(), data.end(), block.begin() + ymc::kOffCorrectionData);
    le::putU16(block, ymc::kOffCorrectionWidth, static_cast<uint16_t>(page.header.width));
    le::putU16(block, ymc::kOffCorrectionHeight, static_cast<uint16_t>(page.header.height));
    std::vector<uint8_t> image(size_t{page.header.width} * page.header.height * 8);
    EXPECT_NE(imageProc(image.data(), page.pixels.data(), static_cast<int32_t>(page.header.width),
                        static_cast<int32_t>(page.header.height), block.data() + ymc::kOffCorrectionData),
              0);
    return image;
#endif
  }

  q7310::testing::TempRoot root_;
  q7310::testing::VirtualClock clock_;
  printer::EmulatedPrinter printer_;
  std::unique_ptr<spooler::PortDriver> driver_;
};

TEST_F(PrintingEndToEndTest, DocumentComesOutAsPrints) {
  const std::vector<TestPage> pages = {
      pageOf(1844, 1240, 0, jobstream::kPrintMethodNormal, 2, 1, 0, 11),  // 4 x 6, two copies, glossy
      pageOf(1844, 2434, 6, jobstream::kPrintMethodNormal, 1, 2, 1, 22),  // 6 x 8, matte, fine
      pageOf(1844, 634, 7, jobstream::kPrintMethodNormal, 1, 0, 0, 33),   // 2 x 6
      pageOf(1844, 1240, 0, jobstream::kPrintMethodSplit, 1, 1, 1, 44),   // split 4 x 6
      pageOf(1844, 2492, 0, jobstream::kPrintMethodCombo, 3, 1, 0, 55),   // two 4 x 6 on one sheet
  };
  ASSERT_TRUE(driver_->openPort(kPort, kPrinter, usbmon::monitorTable()));
  spooler::RunOptions options;
  options.pieces = spooler::randomPieces(7, 65536);
  auto result = driver_->runDocument(buildStream(pages), options);
  EXPECT_TRUE(result.started);
  EXPECT_FALSE(result.abandoned);
  EXPECT_EQ(result.failedWrites, 0u);
  EXPECT_TRUE(result.jobCompleted);
  ASSERT_TRUE(driver_->closePort());

  const auto prints = printer_.prints();
  ASSERT_EQ(prints.size(), pages.size());
  for (size_t i = 0; i < pages.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& header = pages[i].header;
    const auto& command = prints[i].command;
    EXPECT_TRUE(prints[i].complete);
    EXPECT_EQ(command.width, header.width);
    EXPECT_EQ(command.height, header.height);
    EXPECT_EQ(command.copies, header.copies);
    EXPECT_EQ(command.printMethod(), header.printMethod);
    EXPECT_EQ(command.methodByte, header.printMethod | 0x18);
    EXPECT_EQ(command.laminate(), header.laminate);
    EXPECT_EQ(command.fine(), header.printQuality != 0);
    EXPECT_TRUE(prints[i].image == expectedImage(pages[i]));
  }
  EXPECT_TRUE(spooler::portStatus(kPort).cleared());
  const std::string log = root_.debugLog(std::string("q7310lm_") + kPort + ".log");
  EXPECT_EQ(countOf(log, " :: STATUS:  YMC WRITTEN IN "), pages.size()) << log;
}

}  // namespace
}  // namespace q7310::lm::testing
