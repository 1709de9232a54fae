#include "outside/printer/dye_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace q7310::printer {
namespace {

double deltaE(const Triple& a, const Triple& b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

TEST(DyeModel, PaperIsWhiteFullDyesAreDarkAndPrimariesHaveTheirHues) {
  Triple paper = absoluteLabFromRgb({255, 255, 255});
  EXPECT_GT(paper[0], 90.0);
  EXPECT_LT(std::hypot(paper[1], paper[2]), 5.0);
  EXPECT_NEAR(labFromRgb({255, 255, 255})[0], 100.0, 1e-9);
  Triple black = labFromRgb({0, 0, 0});
  EXPECT_LT(black[0], 15.0);
  EXPECT_GT(labFromRgb({255, 255, 0})[2], 50.0);    // yellow: b* strongly positive
  EXPECT_GT(labFromRgb({255, 0, 255})[1], 40.0);    // magenta: a* strongly positive
  Triple cyan = labFromRgb({0, 255, 255});
  EXPECT_LT(cyan[1], -10.0);
  EXPECT_LT(cyan[2], -10.0);
  // Lightness falls as any dye grows.
  for (int v = 255; v > 0; v -= 15) EXPECT_GT(labFromRgb({double(v), 128, 128})[0], labFromRgb({v - 15.0, 128, 128})[0]);
}

TEST(DyeModel, InverseFindsTheRgbOfInGamutColorsAndClipsOthers) {
  const Triple samples[] = {{255, 255, 255}, {0, 0, 0}, {200, 40, 90}, {30, 180, 220}, {128, 128, 128}, {250, 5, 120}};
  for (const auto& rgb : samples) {
    Triple back = rgbFromLab(labFromRgb(rgb));
    EXPECT_LT(deltaE(labFromRgb(back), labFromRgb(rgb)), 0.05) << rgb[0] << "," << rgb[1] << "," << rgb[2];
  }
  Triple clipped = rgbFromLab({50, 120, -120});
  for (double v : clipped) {
    EXPECT_GE(v, 0.0);
    EXPECT_LE(v, 255.0);
  }
}

}  // namespace
}  // namespace q7310::printer
