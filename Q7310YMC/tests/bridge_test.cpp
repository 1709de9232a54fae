#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Q7310YMC/bridge.h"
#include "common/le.h"
#include "outside/imaging/printer_image_format.h"
#include "outside/printer/emulator/emulated_printer.h"
#include "platform/os/global_memory.h"
#include "platform/os/paths.h"
#include "testing/temp_root.h"

namespace q7310::ymc {
namespace {

namespace fs = std::filesystem;

// A page and the request the port monitor builds for it.
struct Page {
  Page(uint32_t w, uint32_t h, uint8_t requestByte = 1) : pixels(size_t{w} * h * 3) {
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 4099);
    request = std::make_unique<ImageRequest>();
    std::memset(static_cast<void*>(request.get()), 0, sizeof(ImageRequest));
    request->width = w;
    request->height = h;
    request->rowSize = w * 3;
    request->pixels = pixels.data();
    std::vector<uint8_t> data = printer::correctionData(requestByte);
    std::memcpy(request->correction + kOffCorrectionData, data.data(), data.size());
    std::span<uint8_t> block(request->correction, kCorrectionBlockSize);
    le::putU16(block, kOffCorrectionWidth, static_cast<uint16_t>(w));
    le::putU16(block, kOffCorrectionHeight, static_cast<uint16_t>(h));
  }
  std::vector<uint8_t> pixels;
  std::unique_ptr<ImageRequest> request;
};

ImageResult presetResult() {
  ImageResult r;
  std::memset(static_cast<void*>(&r), 0, sizeof r);
  r.signature = kSignatureFailure;
  return r;
}

// gtest takes its arguments by reference, which a packed field cannot give.
uint8_t* imageOf(const ImageResult& r) { return r.printerImage; }

std::unique_ptr<os::Library> realLoad(std::string_view name) { return os::Library::load(name); }

class BridgeTest : public testing::RootTest {
 protected:
  void SetUp() override { root_.enableDebugLog(); }
  std::string log() { return root_.debugLog("q7310ymc.log"); }
};

TEST_F(BridgeTest, TheRealBridgeConvertsAPageIntoGlobalMemory) {
  // The imaging library installed in the system folder, as setup puts it.
  fs::create_directories(os::folderPath(os::Folder::System));
  fs::copy_file(testing::buildOutputFolder() / "libQ7310IP.so", os::folderPath(os::Folder::System) / "Q7310IP.dll");
  auto bridge = os::Library::load("Q7310YMC.dll");
  ASSERT_NE(bridge, nullptr);
  auto fn = bridge->function<ImageProcessingFn>(kImageProcessingExport);
  ASSERT_NE(fn, nullptr);

  Page page(1844, 1240);
  ImageResult result = presetResult();
  EXPECT_EQ(fn(page.request.get(), &result), 0);
  ASSERT_EQ(uint32_t{result.signature}, kSignatureSuccess);
  EXPECT_EQ(uint32_t{result.width}, 1844u);
  EXPECT_EQ(uint32_t{result.height}, 1240u);
  uint8_t* image = result.printerImage;
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(os::globalSize(image), 18292480u);
  // The first pixel's yellow comes from its blue level through the tone table.
  auto cd = imaging::decodeCorrection(printer::correctionData(1));
  EXPECT_EQ(le::u16(std::span<const uint8_t>(image, 16), 0), cd->tone[imaging::kYellow][page.pixels[2]]);
  EXPECT_TRUE(os::globalFree(image));

  std::string text = log();
  for (const char* line : {">>>> Q7310_ImageProcessing", "RGB WIDTH:  1844", "RGB HEIGHT: 1240", "RGB DELTA:  5532",
                           "YMCL WIDTH:  1844", "YMCL HEIGHT: 1240", "YMCL SIZE:   18292480",
                           "<<<< Q7310_ImageProcessing[05060708]"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST_F(BridgeTest, TheLibraryIsLookedForInTheSystemFolderThenByNameAndReleased) {
  std::vector<std::string> asked;
  Page page(1844, 634);
  ImageResult result = presetResult();
  imageProcessing(page.request.get(), &result, [&](std::string_view name) {
    asked.emplace_back(name);
    return std::unique_ptr<os::Library>();
  });
  EXPECT_EQ(asked, (std::vector<std::string>{"C:\\Windows\\System32\\Q7310IP.dll", "Q7310IP.dll"}));
  EXPECT_EQ(uint32_t{result.signature}, kSignatureFailure);
  EXPECT_EQ(imageOf(result), nullptr);
  EXPECT_EQ(uint32_t{result.width}, 1844u);
  EXPECT_EQ(uint32_t{result.height}, 634u);
  EXPECT_NE(log().find("<<<< Q7310_ImageProcessing[01020304]"), std::string::npos);

  // A library without the imaging exports fails the same way.
  asked.clear();
  imageProcessing(page.request.get(), &result, [&](std::string_view name) {
    asked.emplace_back(name);
    return name == "Q7310IP.dll" ? os::Library::load("Q7310TEST.dll") : nullptr;
  });
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(uint32_t{result.signature}, kSignatureFailure);
  EXPECT_EQ(imageOf(result), nullptr);
}

TEST_F(BridgeTest, NullArgumentsLeaveTheResultAlone) {
  ImageResult result = presetResult();
  result.width = 77;
  Page page(1844, 1240);
  EXPECT_EQ(imageProcessing(nullptr, &result, realLoad), 0);
  EXPECT_EQ(imageProcessing(page.request.get(), nullptr, realLoad), 0);
  EXPECT_EQ(uint32_t{result.signature}, kSignatureFailure);
  EXPECT_EQ(uint32_t{result.width}, 77u);
  EXPECT_NE(log().find("<<<< Q7310_ImageProcessing[NULL]"), std::string::npos);
}

TEST_F(BridgeTest, UnfitRequestsFailWithoutABuffer) {
  struct Case {
    const char* name;
    void (*spoil)(Page&);
  } cases[] = {
      {"damaged correction data", [](Page& p) { p.request->correction[kOffCorrectionData + 600] ^= 0x10; }},
      {"no correction data", [](Page& p) { std::memset(p.request->correction, 0, kCorrectionBlockSize); }},
      {"data for another width", [](Page& p) {
         p.request->width = 1800;
         le::putU16(std::span<uint8_t>(p.request->correction, kCorrectionBlockSize), kOffCorrectionWidth, 1800);
       }},
      {"longer than any media", [](Page& p) {
         p.request->height = 2600;
         le::putU16(std::span<uint8_t>(p.request->correction, kCorrectionBlockSize), kOffCorrectionHeight, 2600);
       }},
      // The block says 1240 lines but the pixels are taller: converting them
      // would write past a buffer sized for the checked image.
      {"block and request disagree", [](Page& p) { p.request->height = 2400; }},
      {"no pixels", [](Page& p) { p.request->pixels = nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Page page(1844, 1240);
    c.spoil(page);
    ImageResult result = presetResult();
    imageProcessing(page.request.get(), &result, realLoad);
    EXPECT_EQ(uint32_t{result.signature}, kSignatureFailure);
    EXPECT_EQ(imageOf(result), nullptr);
  }
  // The unspoilt page converts (so each case above failed for its own fault).
  Page page(1844, 1240);
  ImageResult result = presetResult();
  imageProcessing(page.request.get(), &result, realLoad);
  EXPECT_EQ(uint32_t{result.signature}, kSignatureSuccess);
  EXPECT_TRUE(os::globalFree(imageOf(result)));
}

}  // namespace
}  // namespace q7310::ymc
