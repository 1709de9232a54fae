#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "Q5150FLT/mtf/mtf_filter.h"

namespace q7310::flt::mtf {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes randomPage(uint32_t width, uint32_t height, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes page(size_t{width} * height * 3);
  for (auto& b : page) b = uint8_t(rng());
  return page;
}

// The plain convolution: neighbours beyond the page repeat its edge pixels
// and lines; the sum is shifted for powers of two, else divided.
Bytes reference(const Bytes& page, uint32_t width, uint32_t height, const MtfKernel& k) {
  Bytes out(page.size());
  const int64_t scale = k.scale == 0 ? 1 : k.scale;
  int shift = -1;
  for (int s = 0; s <= 17; ++s)
    if (scale == (int64_t{1} << s)) shift = s;
  for (int y = 0; y < int(height); ++y)
    for (int x = 0; x < int(width); ++x)
      for (int c = 0; c < 3; ++c) {
        int64_t sum = 0;
        for (int r = 0; r < 5; ++r)
          for (int q = 0; q < 5; ++q) {
            int yy = std::clamp(y + r - 2, 0, int(height) - 1), xx = std::clamp(x + q - 2, 0, int(width) - 1);
            sum += int64_t{k.coefficients[r * 5 + q]} * page[(size_t(yy) * width + xx) * 3 + c];
          }
        sum = shift >= 0 ? sum >> shift : sum / scale;
        out[(size_t(y) * width + x) * 3 + c] = uint8_t(std::clamp<int64_t>(sum, 0, 255));
      }
  return out;
}

struct Feeder {
  MtfFilter filter;
  Bytes buffer;
  Feeder(const MtfKernel& k, uint32_t width, uint32_t height) : buffer(kLineBuffers * lineStride(width)) {
    filter.setup(k, width, height, buffer);
  }
  // Feeds the page in bands of the given heights; returns the output and the
  // line count of each call.
  Bytes feed(const Bytes& page, uint32_t width, const std::vector<uint32_t>& bands, std::vector<uint32_t>* counts) {
    Bytes out;
    size_t at = 0;
    for (uint32_t lines : bands) {
      Bytes band((size_t{lines} + 2) * width * 3);
      uint32_t n = filter.filter(page.data() + at, lines, band.data());
      if (counts) counts->push_back(n);
      out.insert(out.end(), band.begin(), band.begin() + size_t{n} * width * 3);
      at += size_t{lines} * width * 3;
    }
    return out;
  }
};

MtfKernel kernel3(std::initializer_list<int32_t> nine, int32_t scale) {
  MtfKernel k;
  const int pos[9] = {6, 7, 8, 11, 12, 13, 16, 17, 18};
  int i = 0;
  for (int32_t v : nine) k.coefficients[pos[i++]] = v;
  k.scale = scale;
  return k;
}

TEST(MtfFilter, SetUpChoosesShiftOrDivisionAndTheKernelSize) {
  Bytes buffer(kLineBuffers * lineStride(4));
  MtfFilter f;
  struct Case {
    MtfKernel kernel;
    bool divide, fiveByFive;
    uint32_t shift;
  } cases[] = {
      {identityKernel(), true, false, 0},
      {kernel3({0, 0, 0, 0, 64, 0, 0, 0, 0}, 64), false, false, 6},
      {kernel3({0, 0, 0, 0, 1, 0, 0, 0, 0}, 0), false, false, 0},  // scale 0 becomes 1
      {kernel3({0, 0, 0, 0, 1, 0, 0, 0, 0}, 131072), false, false, 17},
      {kernel3({0, 0, 0, 0, 1, 0, 0, 0, 0}, 262144), true, false, 0},
  };
  for (const auto& c : cases) {
    f.setup(c.kernel, 4, 4, buffer);
    EXPECT_EQ(f.state().divide, c.divide);
    EXPECT_EQ(f.state().fiveByFive, c.fiveByFive);
    if (!c.divide) {
      EXPECT_EQ(f.state().shift, c.shift);
    }
  }
  for (int outer : {0, 4, 5, 9, 10, 14, 15, 19, 20, 24}) {
    MtfKernel k = identityKernel();
    k.coefficients[outer] = 1;
    f.setup(k, 4, 4, buffer);
    EXPECT_TRUE(f.state().fiveByFive) << outer;
    EXPECT_EQ(f.delay(), 2u);
    EXPECT_EQ(f.state().mask, (1u << 12) | (1u << outer));
  }
}

TEST(MtfFilter, IdentityReproducesThePage) {
  const uint32_t w = 7, h = 5;
  Bytes page = randomPage(w, h, 1);
  Feeder run(identityKernel(), w, h);
  EXPECT_EQ(run.feed(page, w, {h}, nullptr), page);
}

TEST(MtfFilter, MatchesThePlainConvolutionInBandsOfAnyHeight) {
  const uint32_t w = 9, h = 11;
  Bytes page = randomPage(w, h, 2);
  MtfKernel full5 = identityKernel();
  for (int i = 0; i < 25; ++i) full5.coefficients[i] = (i * 37 % 11) - 4;
  full5.coefficients[12] = 90;
  full5.scale = 60;
  MtfKernel cross5 = identityKernel();
  for (int i : {2, 10, 14, 22}) cross5.coefficients[i] = -10;
  cross5.coefficients[12] = 140;
  struct Case {
    const char* name;
    MtfKernel kernel;
  } cases[] = {
      {"3x3 cross, divide", kernel3({0, -25, 0, -25, 200, -25, 0, -25, 0}, 100)},
      {"3x3 full, shift", kernel3({-8, -16, -8, -16, 224, -16, -8, -16, -8}, 128)},
      {"3x3 softening", kernel3({1, 2, 1, 2, 4, 2, 1, 2, 1}, 16)},
      {"5x5 full, divide", full5},
      {"5x5 cross, shift", cross5},
      {"beyond the entry limits", kernel3({0, 0, 0, 0, -2000000000, 0, 0, 0, 0}, -1)},
      {"largest sums and divisor", kernel3({9999, 9999, 9999, 9999, 9999, 9999, 9999, 9999, 9999}, 99997)},
      {"scale beyond the limits", kernel3({0, 0, 0, 0, 9999, 0, 0, 0, 0}, 2000000000)},
  };
  const std::vector<std::vector<uint32_t>> bandings = {{h}, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, {4, 2, 5}, {3, 8}};
  for (const auto& c : cases) {
    Bytes expected = reference(page, w, h, c.kernel);
    for (const auto& bands : bandings) {
      for (bool vector : {true, false}) {
        SCOPED_TRACE(::testing::Message() << c.name << ", first band " << bands[0] << ", vector " << vector);
        Feeder run(c.kernel, w, h);
        run.filter.useVectorForm(vector);
        EXPECT_EQ(run.feed(page, w, bands, nullptr), expected);
      }
    }
  }
}

TEST(MtfFilter, NegativeSumsClampToZeroWithShiftAndDivision) {
  // A dark pixel between bright ones: the sharpening sum goes far below 0.
  const uint32_t w = 3, h = 1;
  Bytes page = {255, 255, 255, 0, 0, 0, 255, 255, 255};
  for (int32_t scale : {64, 100, 128}) {
    Feeder run(kernel3({0, 0, 0, -500, 0 + scale, -500, 0, 0, 0}, scale), w, h);
    Bytes out = run.feed(page, w, {1}, nullptr);
    EXPECT_EQ(out[3], 0) << scale;
    EXPECT_EQ(out[4], 0) << scale;
  }
  // Truncation toward zero: 150 / 100 = 1, shift of 150 by 6 = 2.
  Bytes grey = {150, 150, 150};
  Feeder div(kernel3({0, 0, 0, 0, 1, 0, 0, 0, 0}, 100), 1, 1);
  Feeder shift(kernel3({0, 0, 0, 0, 1, 0, 0, 0, 0}, 64), 1, 1);
  EXPECT_EQ(div.feed(grey, 1, {1}, nullptr)[0], 1);
  EXPECT_EQ(shift.feed(grey, 1, {1}, nullptr)[0], 2);
}

TEST(MtfFilter, LineCountsOfTheDelayAndTheFlush) {
  const uint32_t w = 4;
  MtfKernel k3 = kernel3({0, -1, 0, -1, 104, -1, 0, -1, 0}, 100);
  MtfKernel k5 = identityKernel();
  k5.coefficients[0] = 1;
  struct Case {
    const char* name;
    MtfKernel kernel;
    uint32_t height;
    std::vector<uint32_t> bands, counts;
  } cases[] = {
      {"3x3 whole page", k3, 6, {6}, {6}},
      {"3x3 line by line", k3, 4, {1, 1, 1, 1}, {0, 1, 1, 2}},
      {"3x3 one line", k3, 1, {1}, {1}},
      {"5x5 line by line", k5, 4, {1, 1, 1, 1}, {0, 0, 1, 3}},
      {"5x5 one line", k5, 1, {1}, {1}},
      {"5x5 two lines", k5, 2, {2}, {2}},
      {"5x5 two lines singly", k5, 2, {1, 1}, {0, 2}},
      {"lines past the page", k3, 3, {2, 4, 1}, {1, 2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t total = 0;
    for (uint32_t b : c.bands) total += b;
    Bytes page = randomPage(w, total, 3);
    Feeder run(c.kernel, w, c.height);
    std::vector<uint32_t> counts;
    Bytes out = run.feed(page, w, c.bands, &counts);
    EXPECT_EQ(counts, c.counts);
    Bytes onPage(page.begin(), page.begin() + size_t{c.height} * w * 3);
    EXPECT_EQ(out, reference(onPage, w, c.height, c.kernel));
  }
}

TEST(MtfFilter, ResetStartsThePageAgain) {
  const uint32_t w = 5, h = 3;
  Bytes page = randomPage(w, h, 4);
  MtfKernel k = kernel3({1, 1, 1, 1, 1, 1, 1, 1, 1}, 9);
  Feeder run(k, w, h);
  Bytes first = run.feed(page, w, {2}, nullptr);
  run.filter.reset();
  EXPECT_EQ(run.feed(page, w, {h}, nullptr), reference(page, w, h, k));
}

}  // namespace
}  // namespace q7310::flt::mtf
