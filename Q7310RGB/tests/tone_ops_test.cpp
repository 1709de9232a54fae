// Table operations, grayscale and the identity settings.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/tests/picture.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

// One pixel per byte value: pixel i holds i, i, i.
Picture allValues() {
  Picture picture(256, 1);
  for (int i = 0; i < 256; ++i) picture.set(i, 0, uint8_t(i), uint8_t(i), uint8_t(i));
  return picture;
}

TEST(ToneOperations, IdentitySettingsLeaveEveryByteAlone) {
  Picture original(37, 23);
  original.fillPhotoLike(3);
  struct Case {
    const char* name;
    bool (*run)(RgbBitmap&);
  } cases[] = {
      {"gamma 100", [](RgbBitmap& b) { return gamma(b, 100); }},
      {"brightness 0 contrast 0", [](RgbBitmap& b) { return brightnessContrast(b, 0, 0); }},
      {"saturation 0", [](RgbBitmap& b) { return saturate(b, 0); }},
      {"channel shift 0", [](RgbBitmap& b) { return channelAdjust(b, 0, 0, 0); }},
      {"scale 100", [](RgbBitmap& b) { return scale(b, 100); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture picture(original);
    EXPECT_TRUE(c.run(*picture.bitmap()));
    EXPECT_EQ(picture.pixelBytes(), original.pixelBytes());
    EXPECT_TRUE(picture.fillerIntact());
  }
}

TEST(ToneOperations, GrayscaleWeighsTheBytes) {
  struct Case {
    uint8_t b0, b1, b2, gray;
  } cases[] = {
      {255, 0, 0, 29},                           // pure blue
      {0, 0, 255, 76},                           // pure red
      {0, 255, 0, 149},                          // pure green
      {255, 255, 255, 255}, {10, 200, 30, 127},  // (601*200 + 117*10 + 306*30) >> 10 = 130550 >> 10
  };
  Picture picture(5, 1);
  for (int i = 0; i < 5; ++i) picture.set(i, 0, cases[i].b0, cases[i].b1, cases[i].b2);
  ASSERT_TRUE(grayscale(*picture.bitmap()));
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const uint8_t* p = picture.at(i, 0);
    EXPECT_EQ(p[0], cases[i].gray);
    EXPECT_EQ(p[1], cases[i].gray);
    EXPECT_EQ(p[2], cases[i].gray);
  }
  EXPECT_TRUE(picture.fillerIntact());
}

TEST(ToneOperations, GammaFollowsThePowerCurve) {
  // Worked by hand: gamma 2.00 is a square root scaled so that 255 stays 255.
  Picture picture = allValues();
  ASSERT_TRUE(gamma(*picture.bitmap(), 200));
  EXPECT_EQ(picture.at(64, 0)[0], 127);  // 8 x sqrt(255) = 127.75
  EXPECT_EQ(picture.at(1, 0)[1], 15);    // sqrt(255) = 15.97
  EXPECT_EQ(picture.at(255, 0)[2], 255);
  EXPECT_EQ(picture.at(0, 0)[0], 0);

  for (int g : {25, 50, 80, 150, 250, 400}) {
    SCOPED_TRACE(g);
    Picture values = allValues();
    ASSERT_TRUE(gamma(*values.bitmap(), g));
    const double e = 100.0 / g;
    for (int i = 0; i < 256; ++i) {
      const double v = std::pow(double(i), e) / (std::pow(255.0, e) / 255.0);
      const int expected = std::min(255, std::max(0, int(v)));
      ASSERT_EQ(values.at(i, 0)[0], expected) << i;
      ASSERT_EQ(values.at(i, 0)[2], expected) << i;
    }
  }
}

TEST(ToneOperations, GammaOfZeroOrBelowIsRefused) {
  for (int g : {0, -100}) {
    Picture picture = allValues();
    EXPECT_FALSE(gamma(*picture.bitmap(), g));
    EXPECT_EQ(picture.pixelBytes(), allValues().pixelBytes());
  }
}

TEST(ToneOperations, BrightnessAndContrastTable) {
  struct Case {
    int brightness, contrast, in, out;
  } cases[] = {
      {20, 0, 0, 51},       {20, 0, 204, 255}, {20, 0, 205, 255},   // 179 + v - 128, clamped
      {0, 50, 0, 0},        {0, 50, 100, 86},  {0, 50, 101, 87},    // 128 + 1.5 (v - 128), truncated
      {0, 50, 200, 236},    {-10, -50, 0, 39}, {-10, -50, 3, 40},   // -10 x 255 / 100 = -25
      {-10, -50, 255, 166}, {-100, 0, 255, 0}, {100, 100, 0, 127},  // 383 + 2 (0 - 128)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.brightness << "/" << c.contrast << " of " << c.in);
    Picture picture(1, 1);
    picture.set(0, 0, uint8_t(c.in), uint8_t(c.in), uint8_t(c.in));
    ASSERT_TRUE(brightnessContrast(*picture.bitmap(), c.brightness, c.contrast));
    EXPECT_EQ(picture.at(0, 0)[0], c.out);
    EXPECT_EQ(picture.at(0, 0)[1], c.out);
    EXPECT_EQ(picture.at(0, 0)[2], c.out);
  }
}

TEST(ToneOperations, ExtremeArgumentsStayInRange) {
  // Large percentages must clamp, not overflow.
  Picture picture = allValues();
  EXPECT_TRUE(brightnessContrast(*picture.bitmap(), 2'000'000'000, 2'000'000'000));
  EXPECT_TRUE(channelAdjust(*picture.bitmap(), -2'000'000'000, 2'000'000'000, 0));
  EXPECT_EQ(picture.at(0, 0)[1], 255);
  EXPECT_EQ(picture.at(0, 0)[2], 0);
  EXPECT_TRUE(picture.fillerIntact());
}

TEST(ToneOperations, ChannelShiftMovesEachByteByItsPercent) {
  Picture picture(1, 1);
  picture.set(0, 0, 10, 20, 240);
  ASSERT_TRUE(channelAdjust(*picture.bitmap(), 10, -10, 100));  // red +25, green -25, blue +255
  EXPECT_EQ(picture.at(0, 0)[0], 255);
  EXPECT_EQ(picture.at(0, 0)[1], 0);
  EXPECT_EQ(picture.at(0, 0)[2], 255);
  EXPECT_TRUE(picture.fillerIntact());

  Picture second(1, 1);
  second.set(0, 0, 0, 100, 100);
  ASSERT_TRUE(channelAdjust(*second.bitmap(), 3, -3, 1));  // +7, -7, +2 (truncated)
  EXPECT_EQ(second.at(0, 0)[0], 2);
  EXPECT_EQ(second.at(0, 0)[1], 93);
  EXPECT_EQ(second.at(0, 0)[2], 107);
}

TEST(ToneOperations, AutoContrastStretchesEachBytePosition) {
  Picture picture(3, 2);
  const uint8_t b0[] = {50, 75, 100, 60, 90, 99};
  const uint8_t b2[] = {0, 255, 10, 20, 30, 40};
  for (int i = 0; i < 6; ++i) picture.set(i % 3, i / 3, b0[i], 77, b2[i]);
  ASSERT_TRUE(autoContrast(*picture.bitmap()));
  const uint8_t expected0[] = {0, 127, 255, 51, 204, 249};  // (v - 50) x 255 / 50
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const uint8_t* p = picture.at(i % 3, i / 3);
    EXPECT_EQ(p[0], expected0[i]);
    EXPECT_EQ(p[1], 77);     // one value only: left alone
    EXPECT_EQ(p[2], b2[i]);  // already spans 0 to 255
  }
  EXPECT_TRUE(picture.fillerIntact());
}

TEST(ToneOperations, AutoContrastOfAWidePicture) {
  // Wide enough for runs of 16 pixels and a remainder; the extremes of each
  // byte position sit in different places.
  Picture picture(37, 5);
  picture.fillPhotoLike(11);
  Picture original(picture);
  std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 37; ++x) {
      for (int c = 0; c < 3; ++c) {
        low[c] = std::min<int>(low[c], original.at(x, y)[c]);
        high[c] = std::max<int>(high[c], original.at(x, y)[c]);
      }
    }
  }
  ASSERT_TRUE(autoContrast(*picture.bitmap()));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 37; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int v = original.at(x, y)[c];
        ASSERT_EQ(picture.at(x, y)[c], (v - low[c]) * 255 / (high[c] - low[c])) << x << "," << y << "," << c;
      }
    }
  }
}

}  // namespace
}  // namespace q7310::rgb
