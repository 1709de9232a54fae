// Saturation and auto color: exact bytes worked out from the formulas.
#include <gtest/gtest.h>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/tests/picture.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

struct Pixel {
  uint8_t b0, b1, b2;
  bool operator==(const Pixel&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
  return out << "(" << int(p.b0) << ", " << int(p.b1) << ", " << int(p.b2) << ")";
}

Pixel pixelAt(const Picture& picture, int x, int y) {
  const uint8_t* p = picture.at(x, y);
  return {p[0], p[1], p[2]};
}

TEST(Saturation, ExactBytes) {
  // Worked example, red 200, green 100, blue 50 at +50 %: d = 127, L = 125,
  // S = 38375 / 250 = 153, hue 42 - 28 = 14; t[153] = 153 x 382 / 255 = 229;
  // s = 229/255, l = 125/255, m2 = l (1 + s) = 0.93041, m1 = 0.04998,
  // h = 19.76 deg: red m2 -> 237, green m1 + (m2 - m1) 19.76 / 60 -> 86,
  // blue m1 -> 12.
  struct Case {
    Pixel in;
    int saturation;
    Pixel out;
  } cases[] = {
      {{50, 100, 200}, 50, {12, 86, 237}},    {{100, 50, 200}, 50, {81, 12, 237}},  // hue below 0 wraps to 256 - 14
      {{128, 128, 128}, 50, {128, 128, 128}},                                       // grey: S = 0, stays grey
      {{30, 60, 90}, -100, {60, 60, 60}},                                           // factor 0: lightness only
      {{10, 240, 20}, 100, {0, 250, 11}},     {{200, 190, 180}, -40, {195, 189, 184}},
      {{0, 0, 255}, 30, {0, 0, 255}},  // already saturated
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.in << " at " << c.saturation);
    Picture picture(1, 1);
    picture.set(0, 0, c.in.b0, c.in.b1, c.in.b2);
    ASSERT_TRUE(saturate(*picture.bitmap(), c.saturation));
    EXPECT_EQ(pixelAt(picture, 0, 0), c.out);
    EXPECT_TRUE(picture.fillerIntact());
  }
}

TEST(Saturation, RepeatedPixelsGetTheSameBytes) {
  // The three +50 % cases above, repeated and interleaved along two rows.
  const Pixel in[] = {{50, 100, 200}, {100, 50, 200}, {128, 128, 128}};
  const Pixel out[] = {{12, 86, 237}, {81, 12, 237}, {128, 128, 128}};
  const int order[] = {0, 0, 1, 2, 1, 1, 0, 2, 2, 0};
  Picture picture(5, 2);
  for (int i = 0; i < 10; ++i) picture.set(i % 5, i / 5, in[order[i]].b0, in[order[i]].b1, in[order[i]].b2);
  ASSERT_TRUE(saturate(*picture.bitmap(), 50));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(pixelAt(picture, i % 5, i / 5), out[order[i]]) << i;
}

TEST(AutoColor, ExactBytes) {
  // First picture, worked by hand: pixel 0 has black k = 55 and values
  // c = (100, 50, 0); pixel 1 has k = 195, c = (10, 10, 0). Values run from
  // 10/255 to 100/255, so pixel 0 stretches to 1 and pixel 1 to 0. Pixel 0:
  // hue 4 + (0 - 50) / 100 = 3.5 sixths, saturation 1 -> (r, g, b) =
  // (0, 0.5, 1) -> (0, 127, 255); bytes 255 - (55 + value), 0 above 255.
  // Pixel 1 has value 0 and keeps its grey 255 - 195 = 60.
  struct Case {
    std::vector<Pixel> in;
    std::vector<Pixel> out;
  } cases[] = {
      {{{100, 150, 200}, {50, 50, 60}}, {{0, 73, 200}, {60, 60, 60}}},
      {{{100, 150, 200}, {50, 50, 60}, {10, 200, 30}, {200, 30, 170}, {120, 130, 140}},
       {{73, 137, 200}, {60, 60, 60}, {0, 200, 0}, {200, 0, 160}, {126, 133, 140}}},
      // Values already span 0 to 1: only rounding moves a byte.
      {{{100, 150, 200}, {50, 50, 60}, {10, 200, 30}, {255, 128, 0}, {90, 90, 90}, {200, 30, 170}},
       {{100, 150, 200}, {50, 50, 60}, {10, 200, 31}, {255, 128, 0}, {90, 90, 90}, {200, 30, 170}}},
      // Repeated colours get the same bytes wherever they are.
      {{{10, 200, 30}, {100, 150, 200}, {50, 50, 60}, {10, 200, 30}, {200, 30, 170}, {120, 130, 140}, {100, 150, 200}},
       {{0, 200, 0}, {73, 137, 200}, {60, 60, 60}, {0, 200, 0}, {200, 0, 160}, {126, 133, 140}, {73, 137, 200}}},
      // One colour only: no stretch.
      {{{40, 40, 40}, {40, 40, 40}}, {{40, 40, 40}, {40, 40, 40}}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    Picture picture(int32_t(c.in.size()), 1);
    for (size_t x = 0; x < c.in.size(); ++x) picture.set(int32_t(x), 0, c.in[x].b0, c.in[x].b1, c.in[x].b2);
    ASSERT_TRUE(autoColor(*picture.bitmap()));
    for (size_t x = 0; x < c.out.size(); ++x) EXPECT_EQ(pixelAt(picture, int32_t(x), 0), c.out[x]) << x;
    EXPECT_TRUE(picture.fillerIntact());
  }
}

}  // namespace
}  // namespace q7310::rgb
