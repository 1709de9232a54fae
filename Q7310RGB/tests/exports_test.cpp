// The library loaded by its platform name, every export bound by name and run
// end to end against the plain operations.
#include <gtest/gtest.h>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/q7310rgb.h"
#include "Q7310RGB/tests/picture.h"
#include "platform/os/files.h"
#include "platform/os/library.h"
#include "testing/temp_root.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

class Exports : public q7310::testing::RootTest {
 protected:
  void SetUp() override {
    library_ = os::Library::load("Q7310RGB.dll");
    ASSERT_TRUE(library_);
  }
  template <typename Fn>
  Fn bind(const char* name) {
    Fn fn = library_->function<Fn>(name);
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }
  std::unique_ptr<os::Library> library_;
};

TEST_F(Exports, InPlaceOperationsMatchThePlainOnes) {
  struct Case {
    const char* name;
    std::function<int32_t(RgbBitmap*)> viaLibrary;
    std::function<bool(RgbBitmap&)> plain;
  };
  const std::vector<Case> cases = {
      {"Q7310_RotateBitmap", [&](RgbBitmap* b) { return bind<RotateBitmapFn>("Q7310_RotateBitmap")(b); }, rotate180},
      {"Q7310_MirrorBitmap", [&](RgbBitmap* b) { return bind<MirrorBitmapFn>("Q7310_MirrorBitmap")(b); }, mirror},
      {"Q7310_GrayscaleBitmap", [&](RgbBitmap* b) { return bind<GrayscaleBitmapFn>("Q7310_GrayscaleBitmap")(b); },
       grayscale},
      {"Q7310_GammaBitmap", [&](RgbBitmap* b) { return bind<GammaBitmapFn>("Q7310_GammaBitmap")(b, 150); },
       [](RgbBitmap& b) { return gamma(b, 150); }},
      {"Q7310_BrightnessContrastBitmap",
       [&](RgbBitmap* b) { return bind<BrightnessContrastBitmapFn>("Q7310_BrightnessContrastBitmap")(b, -10, 30); },
       [](RgbBitmap& b) { return brightnessContrast(b, -10, 30); }},
      {"Q7310_ChannelAdjustBitmap",
       [&](RgbBitmap* b) { return bind<ChannelAdjustBitmapFn>("Q7310_ChannelAdjustBitmap")(b, 5, -6, 7); },
       [](RgbBitmap& b) { return channelAdjust(b, 5, -6, 7); }},
      {"Q7310_AutoContrastBitmap",
       [&](RgbBitmap* b) { return bind<AutoContrastBitmapFn>("Q7310_AutoContrastBitmap")(b); }, autoContrast},
      {"Q7310_AutoColorBitmap", [&](RgbBitmap* b) { return bind<AutoColorBitmapFn>("Q7310_AutoColorBitmap")(b); },
       autoColor},
      {"Q7310_SaturateBitmap", [&](RgbBitmap* b) { return bind<SaturateBitmapFn>("Q7310_SaturateBitmap")(b, -35); },
       [](RgbBitmap& b) { return saturate(b, -35); }},
      {"Q7310_ScaleBitmap", [&](RgbBitmap* b) { return bind<ScaleBitmapFn>("Q7310_ScaleBitmap")(b, 95); },
       [](RgbBitmap& b) { return scale(b, 95); }},
      {"Q7310_UnsharpMaskBitmap",
       [&](RgbBitmap* b) { return bind<UnsharpMaskBitmapFn>("Q7310_UnsharpMaskBitmap")(b, 175, 2, 3); },
       [](RgbBitmap& b) { return unsharpMask(b, 175, 2, 3); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture viaLibrary(41, 29);
    viaLibrary.fillPhotoLike(8);
    Picture plain(viaLibrary);
    EXPECT_EQ(c.viaLibrary(viaLibrary.bitmap()), kDone);
    ASSERT_TRUE(c.plain(*plain.bitmap()));
    EXPECT_EQ(viaLibrary.pixelBytes(), plain.pixelBytes());
    EXPECT_TRUE(viaLibrary.fillerIntact());
    EXPECT_EQ(c.viaLibrary(nullptr), kRefused);
  }
}

TEST_F(Exports, BitmapsMadeByTheLibrary) {
  auto load = bind<LoadBitmapFn>("Q7310_LoadBitmap");
  auto save = bind<SaveBitmapFn>("Q7310_SaveBitmap");
  auto duplicate = bind<DuplicateBitmapFn>("Q7310_DuplicateBitmap");
  auto release = bind<FreeBitmapFn>("Q7310_FreeBitmap");
  auto resizeFn = bind<ResizeBitmapFn>("Q7310_ResizeBitmap");
  auto gammaFn = bind<GammaBitmapFn>("Q7310_GammaBitmap");
  ASSERT_TRUE(load && save && duplicate && release && resizeFn && gammaFn);

  Picture picture(30, 20);
  picture.fillPhotoLike(6);
  RgbBitmap* copy = duplicate(picture.bitmap());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(testing::pixelBytes(*copy), picture.pixelBytes());

  RgbBitmap* larger = resizeFn(copy, 33, 22);
  ASSERT_NE(larger, nullptr);
  BitmapPtr expected = resize(picture.record(), 33, 22);
  EXPECT_EQ(testing::pixelBytes(*larger), testing::pixelBytes(*expected));
  EXPECT_EQ(larger->stride, 100);
  EXPECT_EQ(resizeFn(copy, 0, 5), nullptr);

  ASSERT_TRUE(os::createFolder("C:\\out"));
  EXPECT_EQ(save(larger, "C:\\out\\larger.bmp"), kDone);
  EXPECT_EQ(save(larger, "C:\\no such folder\\larger.bmp"), kInvalidHandleResult);
  RgbBitmap* loaded = load("C:\\out\\larger.bmp");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->stride, larger->stride);
  EXPECT_EQ(testing::pixelBytes(*loaded), testing::pixelBytes(*larger));
  EXPECT_EQ(load("C:\\out\\missing.bmp"), nullptr);
  EXPECT_EQ(load(nullptr), nullptr);

  EXPECT_EQ(gammaFn(loaded, 0), kRefused);
  EXPECT_EQ(release(loaded), kDone);
  EXPECT_EQ(release(larger), kDone);
  EXPECT_EQ(release(copy), kDone);
  EXPECT_EQ(release(nullptr), kDone);
}

}  // namespace
}  // namespace q7310::rgb
