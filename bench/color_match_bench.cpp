// SDKCMMatchPixelMap on a 1844 × 2434 photo-like page, sRGB to the printer's
// profile, perceptual; with Little CMS's cmsDoTransform on the same page and
// profiles in the same run, and the ratio of the two.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Q5150FLT/sdkcm.h"

#ifdef Q7310_HAVE_LCMS2
#include <lcms2.h>
#endif

namespace {

constexpr uint32_t kWidth = 1844;
constexpr uint32_t kHeight = 2434;
const std::string kInput = std::string(Q7310_PROFILE_DIR) + "/sRGB_IEC61966-2-1_black_scaled.ICC";
const std::string kOutput = std::string(Q7310_PROFILE_DIR) + "/DPX-Q7310-0.ICC";

// A page like a photo: a smooth sky in the upper third, then a textured
// scene of slowly varying colours with sensor-like noise.
const std::vector<uint8_t>& page() {
  static const std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(size_t{kWidth} * kHeight * 3);
    uint32_t seed = 12345;
    auto noise = [&] {
      seed = seed * 1664525u + 1013904223u;
      return int((seed >> 24) % 7) - 3;
    };
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t x = 0; x < kWidth; ++x) {
        double fx = x / double(kWidth), fy = y / double(kHeight);
        double r, g, b;
        bool sky = fy < 0.33;
        if (sky) {
          r = 90 + 80 * fy;
          g = 140 + 60 * fy;
          b = 210 + 30 * fy;
        } else {
          r = 128 + 90 * std::sin(6.1 * fx + 2.0 * fy) * std::cos(3.3 * fy);
          g = 120 + 80 * std::sin(4.7 * fy + 1.3) * std::cos(5.2 * fx);
          b = 100 + 70 * std::cos(7.9 * fx * fy + 0.4);
        }
        uint8_t* px = &p[(size_t{y} * kWidth + x) * 3];
        int n = sky ? 0 : noise();
        px[0] = uint8_t(std::clamp(int(r) + n, 0, 255));
        px[1] = uint8_t(std::clamp(int(g) + n, 0, 255));
        px[2] = uint8_t(std::clamp(int(b) + n, 0, 255));
      }
    }
    return p;
  }();
  return pixels;
}

struct Profiles {
  SDKCMProfile in = nullptr, out = nullptr;
  bool ok = false;
  Profiles() { ok = SDKCMOpenProfile(kInput.c_str(), &in) == 0 && SDKCMOpenProfile(kOutput.c_str(), &out) == 0; }
  ~Profiles() {
    if (in) SDKCMCloseProfile(&in);
    if (out) SDKCMCloseProfile(&out);
  }
};

// Matches the page through a world from `from` to `to`; fromPrinter swaps
// the profiles, so the source is the printer's table profile (the 8.8 path).
void matchPage(benchmark::State& state, bool fromPrinter, uint32_t intent) {
  Profiles p;
  SDKCMProfile* in = fromPrinter ? &p.out : &p.in;
  SDKCMProfile* out = fromPrinter ? &p.in : &p.out;
  SDKCMColorWorld cw = p.ok ? SDKCMCreateColorWorld(intent, in, nullptr, out, nullptr) : nullptr;
  if (!cw) {
    state.SkipWithError("profiles or color world missing");
    return;
  }
  std::vector<uint8_t> src = page(), dst(src.size());
  SDKCMPixelMap s{kWidth, kHeight, 3, kWidth * 3, src.data()};
  SDKCMPixelMap d{kWidth, kHeight, 3, kWidth * 3, dst.data()};
  for (auto _ : state) {
    SDKCMMatchPixelMap(cw, &s, &d);
    benchmark::DoNotOptimize(dst.data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
  SDKCMDisposeColorWorld(cw);
}

void BM_SDKCMMatchPixelMap(benchmark::State& state) { matchPage(state, false, 0); }
BENCHMARK(BM_SDKCMMatchPixelMap)->Unit(benchmark::kMillisecond);

// The other direction (printer to sRGB, relative colorimetric): a table
// source, so the 8.8 routine.
void BM_SDKCMMatchPixelMapFromPrinter(benchmark::State& state) { matchPage(state, true, 1); }
BENCHMARK(BM_SDKCMMatchPixelMapFromPrinter)->Unit(benchmark::kMillisecond);

void BM_SDKCMCreateColorWorld(benchmark::State& state) {
  Profiles p;
  if (!p.ok) {
    state.SkipWithError("profiles missing");
    return;
  }
  for (auto _ : state) {
    SDKCMColorWorld cw = SDKCMCreateColorWorld(0, &p.in, nullptr, &p.out, nullptr);
    benchmark::DoNotOptimize(cw);
    SDKCMDisposeColorWorld(cw);
  }
}
BENCHMARK(BM_SDKCMCreateColorWorld)->Unit(benchmark::kMillisecond);

#ifdef Q7310_HAVE_LCMS2
void BM_LcmsDoTransform(benchmark::State& state) {
  cmsHPROFILE in = cmsOpenProfileFromFile(kInput.c_str(), "r");
  cmsHPROFILE out = cmsOpenProfileFromFile(kOutput.c_str(), "r");
  cmsHTRANSFORM t = in && out ? cmsCreateTransform(in, TYPE_RGB_8, out, TYPE_RGB_8, INTENT_PERCEPTUAL, 0) : nullptr;
  if (!t) {
    state.SkipWithError("Little CMS could not open the profiles");
  } else {
    std::vector<uint8_t> src = page(), dst(src.size());
    for (auto _ : state) {
      cmsDoTransform(t, src.data(), dst.data(), kWidth * kHeight);
      benchmark::DoNotOptimize(dst.data());
    }
    state.counters["MP/s"] =
        benchmark::Counter(double(kWidth) * kHeight / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
    cmsDeleteTransform(t);
  }
  if (in) cmsCloseProfile(in);
  if (out) cmsCloseProfile(out);
}
BENCHMARK(BM_LcmsDoTransform)->Unit(benchmark::kMillisecond);
#endif

// Keeps each benchmark's time per iteration to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs) {
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) times[r.benchmark_name()] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = 0, theirs = 0;
  for (const auto& [name, t] : reporter.times) {
    if (name == "BM_SDKCMMatchPixelMap") ours = t;
    if (name.rfind("BM_LcmsDoTransform", 0) == 0) theirs = t;
  }
  if (ours > 0 && theirs > 0) {
    std::printf("SDKCMMatchPixelMap is %.2f times as fast as cmsDoTransform on this page\n", theirs / ours);
  }
  benchmark::Shutdown();
  return 0;
}
