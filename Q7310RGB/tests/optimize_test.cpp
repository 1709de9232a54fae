// Q7310_OptimizeOutput through the loaded library: which steps run, their log
// lines, and the true channel roles on the driver's red-first pages.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/optimize_params.h"
#include "Q7310RGB/tests/picture.h"
#include "platform/os/library.h"
#include "testing/color_profiles.h"
#include "testing/temp_root.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class Optimize : public q7310::testing::RootTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    library_ = os::Library::load("Q7310RGB.dll");
    ASSERT_TRUE(library_);
    optimize_ = library_->function<OptimizeOutputFn>("Q7310_OptimizeOutput");
    ASSERT_NE(optimize_, nullptr);
  }
  OptimizeParams paramsFor(Picture& picture) {
    OptimizeParams params{};
    params.bitmap = *picture.bitmap();
    return params;
  }
  std::string log() const { return root_.debugLog("q7310rgb.log"); }
  std::unique_ptr<os::Library> library_;
  OptimizeOutputFn optimize_ = nullptr;
};

TEST_F(Optimize, EachSettingRunsItsStepWithItsLines) {
  struct Case {
    const char* name;
    std::function<void(OptimizeParams&)> set;
    std::function<bool(RgbBitmap&)> expected;  // null: the page stays as it was
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"rotate only", [](OptimizeParams& p) { p.rotate = 1; }, rotate180, {"Optimize --> Rotating output."}},
      {"mirror", [](OptimizeParams& p) { p.mirror = 1; }, mirror, {"Optimize --> Mirroring output."}},
      {"gamma", [](OptimizeParams& p) { p.settings.gamma = 180; }, [](RgbBitmap& b) { return gamma(b, 180); },
       {"Optimize --> Gamma correcting output (180)."}},
      {"brightness 0 contrast 5", [](OptimizeParams& p) { p.settings.contrast = 5; },
       [](RgbBitmap& b) { return brightnessContrast(b, 0, 5); },
       {"Optimize --> Contrast (5).", "Optimize --> Brightness (0)."}},
      {"saturation", [](OptimizeParams& p) { p.settings.saturation = -30; },
       [](RgbBitmap& b) { return saturate(b, -30); }, {"Optimize --> Saturation (-30)."}},
      {"channel shifts 0 0 10", [](OptimizeParams& p) { p.settings.yellowBlue = 10; },
       [](RgbBitmap& b) { return channelAdjust(b, 10, 0, 0); }, {}},
      {"sharpen", [](OptimizeParams& p) { p.settings = {0, 0, 1, 150, 2, 3, 0, 0, 0, 0, 0, 0, 0}; },
       [](RgbBitmap& b) { return unsharpMask(b, 150, 2, 3); }, {"Optimize --> Sharpening output (150, 2, 3 )."}},
      {"sharpen with radius 0", [](OptimizeParams& p) { p.settings = {0, 0, 1, 150, 0, 3, 0, 0, 0, 0, 0, 0, 0}; },
       nullptr, {}},
      {"sharpen with amount 0", [](OptimizeParams& p) { p.settings = {0, 0, 1, 0, 2, 3, 0, 0, 0, 0, 0, 0, 0}; },
       nullptr, {}},
      {"scaling 100", [](OptimizeParams& p) { p.scaling = 100; }, nullptr, {}},
      {"scaling 0", [](OptimizeParams& p) { p.scaling = 0; }, nullptr, {}},
      {"scaling 110", [](OptimizeParams& p) { p.scaling = 110; }, [](RgbBitmap& b) { return scale(b, 110); },
       {"Optimize --> Scaling output."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string before = log();
    Picture page(23, 17);
    page.fillPhotoLike(5);
    Picture expected(page);
    OptimizeParams params = paramsFor(page);
    c.set(params);
    EXPECT_EQ(optimize_(&params), 0);
    if (c.expected) {
      ASSERT_TRUE(c.expected(*expected.bitmap()));
    }
    EXPECT_EQ(page.pixelBytes(), expected.pixelBytes());
    EXPECT_TRUE(page.fillerIntact());
    const std::string added = log().substr(before.size());
    EXPECT_EQ(countOf(added, "Optimize -->"), int(c.lines.size())) << added;
    for (const std::string& line : c.lines) EXPECT_EQ(countOf(added, line + "\n"), 1) << line;
  }
}

// Driver pages carry red in byte 0: "more red" raises byte 0, "more blue"
// byte 2, and grayscale weighs byte 0 as red.
TEST_F(Optimize, DriverPagesUseTheirTrueChannelRoles) {
  Picture page(2, 1);
  page.set(0, 0, 100, 100, 100);
  page.set(1, 0, 255, 0, 0);  // pure red
  OptimizeParams params = paramsFor(page);
  params.settings.cyanRed = 10;
  optimize_(&params);
  EXPECT_GT(page.at(0, 0)[0], 100);
  EXPECT_EQ(page.at(0, 0)[1], 100);
  EXPECT_EQ(page.at(0, 0)[2], 100);

  page.set(0, 0, 100, 100, 100);
  params.settings = {};
  params.settings.yellowBlue = -10;
  optimize_(&params);
  EXPECT_EQ(page.at(0, 0)[0], 100);
  EXPECT_LT(page.at(0, 0)[2], 100);

  params.settings = {};
  page.set(1, 0, 255, 0, 0);
  params.grayscale = 1;
  optimize_(&params);
  const uint8_t red = uint8_t((306u * 255u) >> 10);
  EXPECT_EQ(page.at(1, 0)[0], red);
  EXPECT_EQ(page.at(1, 0)[2], red);
  EXPECT_EQ(countOf(log(), "Optimize --> Grayscale.\n"), 1);

  // The exported operation keeps byte 2 as red for BMP-ordered callers.
  Picture bmp(1, 1);
  bmp.set(0, 0, 0, 0, 255);
  ASSERT_EQ(library_->function<GrayscaleBitmapFn>("Q7310_GrayscaleBitmap")(bmp.bitmap()), 0);
  EXPECT_EQ(bmp.at(0, 0)[0], red);
}

TEST_F(Optimize, StepsRunInTheirOrderAndTheIcmStepLeavesAnUnmatchablePageAlone) {
  Picture page(9, 7);
  page.fillPhotoLike(2);
  Picture expected(page);
  OptimizeParams params = paramsFor(page);
  params.rotate = 1;
  params.mirror = 1;
  params.icm = 1;
  params.scaling = 90;
  EXPECT_EQ(optimize_(&params), 0);
  // No profiles in this root: matching fails and changes nothing.
  rotate180(*expected.bitmap());
  mirror(*expected.bitmap());
  scale(*expected.bitmap(), 90);
  EXPECT_EQ(page.pixelBytes(), expected.pixelBytes());
  const std::string text = log();
  const size_t rotating = text.find("Optimize --> Rotating output.");
  const size_t mirroring = text.find("Optimize --> Mirroring output.");
  const size_t icm = text.find("Optimize --> ICM.");
  const size_t matching = text.find(">>>> Q7310_ICM");
  const size_t scaling = text.find("Optimize --> Scaling output.");
  ASSERT_NE(scaling, std::string::npos);
  EXPECT_LT(rotating, mirroring);
  EXPECT_LT(mirroring, icm);
  EXPECT_LT(icm, matching);
  EXPECT_LT(matching, scaling);
  EXPECT_NE(text.find("<<<< Q7310_ICM"), std::string::npos);
  EXPECT_EQ(optimize_(nullptr), 0);
}

// The real engine with the package's profiles installed in the color folder.
TEST_F(Optimize, IcmMatchesThroughTheEngineWithTheLookedUpProfiles) {
  ASSERT_TRUE(q7310::testing::installColorProfiles());
  auto icm = library_->function<IcmFn>("Q7310_ICM");
  ASSERT_NE(icm, nullptr);
  Picture original(31, 13);
  original.fillPhotoLike(9);

  Picture looked(original);
  OptimizeParams params = paramsFor(looked);
  params.icmIntent = 0;
  EXPECT_EQ(icm(&params, nullptr, nullptr), 0);
  EXPECT_NE(looked.pixelBytes(), original.pixelBytes());
  EXPECT_TRUE(looked.fillerIntact());
  EXPECT_EQ(log().find("plugin_filter_"), std::string::npos) << log();

  // The same profiles named explicitly give the same bytes; the optimisation's
  // step 8 takes the lookup route too.
  const std::string input = q7310::testing::colorProfilePath("sRGB_IEC61966-2-1_black_scaled.ICC");
  const std::string output = q7310::testing::colorProfilePath("DPX-Q7310-0.ICC");
  Picture named(original);
  params = paramsFor(named);
  EXPECT_EQ(icm(&params, input.c_str(), output.c_str()), 0);
  EXPECT_EQ(named.pixelBytes(), looked.pixelBytes());
  Picture optimized(original);
  params = paramsFor(optimized);
  params.icm = 1;
  EXPECT_EQ(optimize_(&params), 0);
  EXPECT_EQ(optimized.pixelBytes(), looked.pixelBytes());

  // A profile that does not exist: the engine refuses it, the page stays.
  Picture refused(original);
  params = paramsFor(refused);
  EXPECT_EQ(icm(&params, "C:\\nowhere.icc", output.c_str()), 0);
  EXPECT_EQ(refused.pixelBytes(), original.pixelBytes());
  EXPECT_NE(log().find("    plugin_filter_setIccProfile failed (1006)\n"), std::string::npos);
}

}  // namespace
}  // namespace q7310::rgb
