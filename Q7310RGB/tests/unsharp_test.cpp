// Unsharp mask against a plain evaluation of the stated steps: kernel from the
// sample means, product table, row pass then column pass with the edge rule,
// threshold and amount.
#include "Q7310RGB/bitmap/unsharp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "Q7310RGB/bitmap/operations.h"
#include "Q7310RGB/tests/picture.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

std::vector<double> plainKernel(int radius) {
  const double sd = std::abs(radius) + 1;
  const double reach = 2 * sd;
  int n = int(std::ceil(reach - 0.5)) * 2 + 1;
  if (n < 1) n = 1;
  std::vector<double> k(n);
  for (int i = n / 2 + 1; i < n; ++i) {
    const double x0 = i - std::floor(n / 2) - 0.5;
    double sum = 0;
    for (int j = 1; j <= 50; ++j) {
      if (x0 + 0.02 * j <= reach) sum += std::exp(-((x0 + 0.02 * j) * (x0 + 0.02 * j)) / (2 * sd * sd));
    }
    k[i] = sum / 50;
    k[n - 1 - i] = k[i];
  }
  double middle = 0;
  for (int j = 0; j <= 50; ++j) middle += std::exp(-((0.5 - 0.02 * j) * (0.5 - 0.02 * j)) / (2 * sd * sd));
  k[n / 2] = middle / 51;
  double total = 0;
  for (int i = 0; i < n; ++i) total += k[i];
  for (int i = 0; i < n; ++i) k[i] /= total;
  return k;
}

void blurLine(std::vector<uint8_t>& line, const std::vector<double>& k,
              const std::vector<std::vector<double>>& products) {
  const int n = int(k.size());
  const int length = int(line.size());
  const std::vector<uint8_t> in = line;
  for (int p = 0; p < length; ++p) {
    double value;
    if (length < n || p < n / 2 || length - 1 - p < n / 2) {
      double sum = 0, weight = 0;
      for (int t = 0; t < n; ++t) {
        const int q = p + t - n / 2;
        if (q >= 0 && q < length) {
          sum += k[t] * in[q];
          weight += k[t];
        }
      }
      value = sum / weight;
    } else {
      double sum = 0;
      for (int t = 0; t < n; ++t) sum += products[t][in[p + t - n / 2]];
      value = sum;
    }
    line[p] = uint8_t(int(value + 0.5));
  }
}

std::vector<uint8_t> plainUnsharp(const Picture& picture, int amount, int radius, int threshold) {
  const int w = picture.width(), h = picture.height();
  const std::vector<uint8_t> source = picture.pixelBytes();
  std::vector<uint8_t> blurred = source;
  const std::vector<double> k = plainKernel(radius);
  std::vector<std::vector<double>> products(k.size(), std::vector<double>(256));
  for (size_t i = 0; i < k.size(); ++i)
    for (int v = 0; v < 256; ++v) products[i][v] = k[i] * v;
  for (int y = 0; y < h; ++y) {
    for (int c = 0; c < 3; ++c) {
      std::vector<uint8_t> line(w);
      for (int x = 0; x < w; ++x) line[x] = blurred[(y * w + x) * 3 + c];
      blurLine(line, k, products);
      for (int x = 0; x < w; ++x) blurred[(y * w + x) * 3 + c] = line[x];
    }
  }
  for (int x = 0; x < w; ++x) {
    for (int c = 0; c < 3; ++c) {
      std::vector<uint8_t> column(h);
      for (int y = 0; y < h; ++y) column[y] = blurred[(y * w + x) * 3 + c];
      blurLine(column, k, products);
      for (int y = 0; y < h; ++y) blurred[(y * w + x) * 3 + c] = column[y];
    }
  }
  std::vector<uint8_t> out(source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    int d = source[i] - blurred[i];
    if (std::abs(2 * d) < threshold) d = 0;
    const int v = int(amount / 100.0 * d + source[i]);
    out[i] = uint8_t(std::clamp(v, 0, 255));
  }
  return out;
}

TEST(UnsharpMask, KernelShape) {
  const std::vector<double> k = unsharpKernel(1);
  ASSERT_EQ(k.size(), 9u);  // sd 2, reach 4: ceil(3.5) x 2 + 1
  EXPECT_NEAR(std::accumulate(k.begin(), k.end(), 0.0), 1.0, 1e-12);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(k[i], k[8 - i]);
    EXPECT_LT(k[i], k[i + 1]);
  }
  EXPECT_EQ(unsharpKernel(0).size(), 5u);
  EXPECT_EQ(unsharpKernel(-3).size(), 17u);  // |r| is used
  EXPECT_EQ(unsharpKernel(3), plainKernel(3));
}

TEST(UnsharpMask, MatchesThePlainSteps) {
  struct Case {
    int w, h, stride, amount, radius, threshold;
    bool blocks = false;
  } cases[] = {
      {13, 9, 0, 175, 1, 0},         // inner and edge positions both ways
      {5, 40, 0, 175, 1, 0},         // rows shorter than the kernel
      {40, 5, 0, 100, 2, 5},         // columns shorter than the kernel
      {1, 1, 0, 175, 1, 0},          // a single pixel
      {100, 20, 303, 175, 1, 0},     // filler bytes, runs of 16 and a remainder
      {30, 30, 0, 325, 3, 10},       // threshold
      {300, 7, 0, -50, 0, 0},        // negative amount blurs
      {64, 64, 0, 250, 10, 20},      // wider kernel
      {6, 4, 0, 175, 100, 0},        // kernel of 405, far longer than both lines
      {90, 70, 0, 175, 1, 0, true},  // flat areas: sums on whole numbers
      {33, 80, 0, 100, 4, 0, true},
  };
  for (const bool wide : {true, false}) {  // both register widths give the same bytes
    const bool previous = useWideVectors(wide);
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " a" << c.amount << " r" << c.radius << " t"
                                        << c.threshold << (wide ? " wide" : " narrow"));
      Picture picture(c.w, c.h, c.stride);
      if (c.blocks) {
        picture.fillBlocks(uint32_t(c.w));
      } else {
        picture.fillPhotoLike(uint32_t(c.w + 7 * c.h));
      }
      const std::vector<uint8_t> expected = plainUnsharp(picture, c.amount, c.radius, c.threshold);
      ASSERT_TRUE(unsharpMask(*picture.bitmap(), c.amount, c.radius, c.threshold));
      EXPECT_EQ(picture.pixelBytes(), expected);
      EXPECT_TRUE(picture.fillerIntact());
    }
    useWideVectors(previous);
  }
}

TEST(UnsharpMask, ThresholdKeepsSmallDifferences) {
  // A 100 dot and a 150 dot on 240: the blur differs from the first by about
  // 130, from the second by about 85; threshold 255 lets only the first through.
  Picture picture(21, 11);
  picture.fill(240, 240, 240);
  picture.set(5, 5, 100, 100, 100);
  picture.set(15, 5, 150, 150, 150);
  Picture original(picture);
  ASSERT_TRUE(unsharpMask(*picture.bitmap(), 175, 1, 255));
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 21; ++x) {
      if (x == 5 && y == 5) continue;
      ASSERT_EQ(0, std::memcmp(picture.at(x, y), original.at(x, y), 3)) << x << "," << y;
    }
  }
  EXPECT_EQ(picture.at(5, 5)[0], 0);  // 100 - 1.75 x 130 is below 0
  EXPECT_EQ(plainUnsharp(original, 175, 1, 255), picture.pixelBytes());

  Picture sharpened(original);
  ASSERT_TRUE(unsharpMask(*sharpened.bitmap(), 175, 1, 0));
  EXPECT_NE(0, std::memcmp(sharpened.at(14, 5), original.at(14, 5), 3));  // the halo appears
}

TEST(UnsharpMask, AbsurdRadiusIsRefused) {
  Picture picture(8, 8);
  picture.fillPhotoLike(1);
  const Picture original(picture);
  EXPECT_FALSE(unsharpMask(*picture.bitmap(), 175, 1'000'000, 0));
  EXPECT_EQ(picture.pixelBytes(), original.pixelBytes());
}

TEST(UnsharpMask, EvenPictureStaysEven) {
  Picture picture(50, 20);
  picture.fill(17, 128, 250);
  Picture original(picture);
  ASSERT_TRUE(unsharpMask(*picture.bitmap(), 325, 5, 0));
  EXPECT_EQ(picture.pixelBytes(), original.pixelBytes());
}

}  // namespace
}  // namespace q7310::rgb
