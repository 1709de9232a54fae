// The bitmap operations on a 6 x 8 page (1844 x 2434) of photo-like content,
// beside two plain passes over the same page: a copy and one byte-table lookup
// per byte. Every operation starts from the same page.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "Q7310RGB/bitmap/bmp_file.h"
#include "Q7310RGB/bitmap/operations.h"

namespace {

using q7310::rgb::RgbBitmap;

constexpr int kWidth = 1844;
constexpr int kHeight = 2434;
constexpr int kStride = (kWidth * 3 / 4) * 4 + 4;

// Smooth shading, a few edges and some grain.
const std::vector<uint8_t>& photoPage() {
  static const std::vector<uint8_t> page = [] {
    std::vector<uint8_t> bytes(size_t(kStride) * kHeight, 0);
    uint32_t state = 12345;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        state = state * 1664525u + 1013904223u;
        const double grain = double(state >> 29) - 4.0;
        const double u = double(x) / kWidth, v = double(y) / kHeight;
        const double sky = 180 + 60 * std::sin(3.1 * u + 1.7 * v);
        const double edge = (std::sin(40 * u) * std::cos(25 * v) > 0.3) ? 50.0 : 0.0;
        uint8_t* p = bytes.data() + size_t(y) * kStride + 3 * size_t(x);
        auto clamp = [](double d) { return uint8_t(d < 0 ? 0 : d > 255 ? 255 : d); };
        p[0] = clamp(sky - 80 * v + grain - edge);
        p[1] = clamp(120 + 90 * std::cos(2.3 * u) + grain + edge);
        p[2] = clamp(90 + 140 * v * u + grain);
      }
    }
    return bytes;
  }();
  return page;
}

class Page {
 public:
  Page() : bytes_(photoPage()) {}
  void reset() { std::memcpy(bytes_.data(), photoPage().data(), bytes_.size()); }
  RgbBitmap& bitmap() {
    bitmap_ = RgbBitmap{bytes_.data(), kWidth, kHeight, kStride};
    return bitmap_;
  }

 private:
  std::vector<uint8_t> bytes_;
  RgbBitmap bitmap_{};
};

void reportRate(benchmark::State& state) {
  state.counters["Mpixels"] =
      benchmark::Counter(double(kWidth) * kHeight * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

template <typename Op>
void runInPlace(benchmark::State& state, Op op) {
  Page page;
  for (auto _ : state) {
    state.PauseTiming();
    page.reset();
    state.ResumeTiming();
    op(page.bitmap());
    benchmark::ClobberMemory();
  }
  reportRate(state);
}

void BM_PlainCopy(benchmark::State& state) {
  Page source, target;
  const RgbBitmap& from = source.bitmap();
  RgbBitmap& to = target.bitmap();
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(to.pixels + size_t(y) * kStride, from.pixels + size_t(y) * kStride, size_t(kWidth) * 3);
    benchmark::ClobberMemory();
  }
  reportRate(state);
}

void BM_PlainByteTable(benchmark::State& state) {
  std::array<uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[i] = uint8_t(255 - i);
  runInPlace(state, [&](RgbBitmap& b) {
    for (int y = 0; y < b.height; ++y) {
      uint8_t* row = b.pixels + size_t(y) * b.stride;
      for (size_t i = 0; i < size_t(b.width) * 3; ++i) row[i] = table[row[i]];
    }
  });
}

namespace rgb = q7310::rgb;

void BM_Rotate(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::rotate180(b); });
}
void BM_Mirror(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::mirror(b); });
}
void BM_Grayscale(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::grayscale(b); });
}
void BM_Gamma(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::gamma(b, 180); });
}
void BM_BrightnessContrast(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::brightnessContrast(b, 10, 20); });
}
void BM_ChannelAdjust(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::channelAdjust(b, 10, -5, 5); });
}
void BM_AutoContrast(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::autoContrast(b); });
}
void BM_AutoColor(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::autoColor(b); });
}
void BM_Saturate(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::saturate(b, 30); });
}
void BM_Scale90(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::scale(b, 90); });
}
void BM_Scale110(benchmark::State& s) {
  runInPlace(s, [](RgbBitmap& b) { rgb::scale(b, 110); });
}
// The dialog's default sharpening, and a wider radius.
void BM_UnsharpMask(benchmark::State& s) {
  const int radius = int(s.range(0));
  runInPlace(s, [&](RgbBitmap& b) { rgb::unsharpMask(b, 175, radius, 0); });
}

void BM_Resize110(benchmark::State& state) {
  Page page;
  const RgbBitmap& source = page.bitmap();
  for (auto _ : state) {
    rgb::BitmapPtr resized = rgb::resize(source, kWidth * 110 / 100, kHeight * 110 / 100);
    benchmark::DoNotOptimize(resized.get());
  }
  reportRate(state);
}

void BM_Duplicate(benchmark::State& state) {
  Page page;
  const RgbBitmap& source = page.bitmap();
  for (auto _ : state) {
    rgb::BitmapPtr copy = rgb::duplicateBitmap(source);
    benchmark::DoNotOptimize(copy.get());
  }
  reportRate(state);
}

// Save to and load from the temporary folder (the file system's cache, not the disk).
void BM_SaveAndLoad(benchmark::State& state) {
  Page page;
  const RgbBitmap& source = page.bitmap();
  const std::string path = (std::filesystem::temp_directory_path() / "q7310rgb_bench_page.bmp").string();
  for (auto _ : state) {
    rgb::saveBitmap(source, path);
    rgb::BitmapPtr loaded = rgb::loadBitmap(path);
    benchmark::DoNotOptimize(loaded.get());
  }
  std::filesystem::remove(path);
  reportRate(state);
}

#define PAGE_BENCHMARK(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->MinTime(0.5)

PAGE_BENCHMARK(BM_PlainCopy);
PAGE_BENCHMARK(BM_PlainByteTable);
PAGE_BENCHMARK(BM_Rotate);
PAGE_BENCHMARK(BM_Mirror);
PAGE_BENCHMARK(BM_Grayscale);
PAGE_BENCHMARK(BM_Gamma);
PAGE_BENCHMARK(BM_BrightnessContrast);
PAGE_BENCHMARK(BM_ChannelAdjust);
PAGE_BENCHMARK(BM_AutoContrast);
PAGE_BENCHMARK(BM_AutoColor);
PAGE_BENCHMARK(BM_Saturate);
PAGE_BENCHMARK(BM_Resize110);
PAGE_BENCHMARK(BM_Scale90);
PAGE_BENCHMARK(BM_Scale110);
PAGE_BENCHMARK(BM_UnsharpMask)->Arg(1)->Arg(5);
PAGE_BENCHMARK(BM_Duplicate);
PAGE_BENCHMARK(BM_SaveAndLoad);

}  // namespace

BENCHMARK_MAIN();
