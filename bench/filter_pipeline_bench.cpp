// The color filter engine's page pipeline on a 1844 × 2434 photo-like page,
// called through its exported functions as the color and image module calls
// them: ICC matching alone (sRGB to the printer's profile), matching with the
// 3 × 3 MTF filter, and the MTF filter alone; beside SDKCMMatchPixelMap alone
// on the same page and world in the same run. Page preparation (the color
// world) happens once outside the timed part; each iteration starts the page,
// runs it through plugin_filter_do in one call and gives the band back.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "Q5150FLT/plugin_filter.h"
#include "Q5150FLT/sdkcm.h"

namespace {

constexpr uint32_t kWidth = 1844;
constexpr uint32_t kHeight = 2434;
const std::string kInput = std::string(Q7310_PROFILE_DIR) + "/sRGB_IEC61966-2-1_black_scaled.ICC";
const std::string kOutput = std::string(Q7310_PROFILE_DIR) + "/DPX-Q7310-0.ICC";

// A smooth sky in the upper third, then slowly varying colours with noise.
const std::vector<uint8_t>& page() {
  static const std::vector<uint8_t> pixels = [] {
    std::vector<uint8_t> p(size_t{kWidth} * kHeight * 3);
    uint32_t seed = 12345;
    for (uint32_t y = 0; y < kHeight; ++y) {
      for (uint32_t x = 0; x < kWidth; ++x) {
        double fx = x / double(kWidth), fy = y / double(kHeight);
        bool sky = fy < 0.33;
        seed = seed * 1664525u + 1013904223u;
        int n = sky ? 0 : int((seed >> 24) % 7) - 3;
        double r = sky ? 90 + 80 * fy : 128 + 90 * std::sin(6.1 * fx + 2.0 * fy) * std::cos(3.3 * fy);
        double g = sky ? 140 + 60 * fy : 120 + 80 * std::sin(4.7 * fy + 1.3) * std::cos(5.2 * fx);
        double b = sky ? 210 + 30 * fy : 100 + 70 * std::cos(7.9 * fx * fy + 0.4);
        uint8_t* px = &p[(size_t{y} * kWidth + x) * 3];
        px[0] = uint8_t(std::clamp(int(r) + n, 0, 255));
        px[1] = uint8_t(std::clamp(int(g) + n, 0, 255));
        px[2] = uint8_t(std::clamp(int(b) + n, 0, 255));
      }
    }
    return p;
  }();
  return pixels;
}

std::map<std::string, double> cpuPerPage;

void record(benchmark::State& state, const std::string& name, double cpuSeconds) {
  state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
  state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight * double(state.iterations()) / 1e6,
                                              benchmark::Counter::kIsRate);
  if (state.iterations() > 0) cpuPerPage[name] = cpuSeconds / double(state.iterations());
}

double cpuNow() { return double(std::clock()) / CLOCKS_PER_SEC; }

void BM_MatchPixelMapAlone(benchmark::State& state) {
  SDKCMProfile in = nullptr, out = nullptr;
  if (SDKCMOpenProfile(kInput.c_str(), &in) != 0 || SDKCMOpenProfile(kOutput.c_str(), &out) != 0) {
    state.SkipWithError("profiles missing");
    return;
  }
  SDKCMColorWorld world = SDKCMCreateColorWorld(0, &in, nullptr, &out, nullptr);
  std::vector<uint8_t> src = page(), dst(src.size());
  SDKCMPixelMap a{kWidth, kHeight, 3, kWidth * 3, src.data()}, b{kWidth, kHeight, 3, kWidth * 3, dst.data()};
  double start = cpuNow();
  for (auto _ : state) {
    SDKCMMatchPixelMap(world, &a, &b);
    benchmark::DoNotOptimize(dst.data());
  }
  record(state, "match", cpuNow() - start);
  SDKCMDisposeColorWorld(world);
  SDKCMCloseProfile(&in);
  SDKCMCloseProfile(&out);
}

void runPipeline(benchmark::State& state, const std::string& name, bool icc, bool mtf) {
  uint16_t err = 0;
  PluginFilter inst = plugin_filter_open(&err);
  const int32_t sharpen[9] = {0, -25, 0, -25, 200, -25, 0, -25, 0};
  plugin_filter_setInputToneCurve(inst, 0, nullptr, nullptr, nullptr, nullptr, &err);
  plugin_filter_setOutputToneCurve(inst, 0, nullptr, nullptr, nullptr, nullptr, &err);
  plugin_filter_setMtf(inst, mtf ? 1 : 0, sharpen, 100, &err);
  plugin_filter_setIccProfile(inst, icc ? 1 : 0, kInput.c_str(), kOutput.c_str(), 0, &err);
  if (!plugin_filter_initpage(inst, kWidth, kHeight, 0, &err)) {
    state.SkipWithError("initpage failed");
    plugin_filter_close(inst);
    return;
  }
  std::vector<uint8_t> src = page();
  double start = cpuNow();
  for (auto _ : state) {
    plugin_filter_startpage(inst, &err);
    uint8_t* band = nullptr;
    uint32_t lines = 0;
    plugin_filter_do(inst, src.data(), kHeight, &band, &lines, &err);
    benchmark::DoNotOptimize(band);
    if (lines != kHeight) state.SkipWithError("wrong line count");
    plugin_filter_disposPtr(band);
    plugin_filter_endpage(inst, &err);
  }
  record(state, name, cpuNow() - start);
  plugin_filter_freepage(inst, &err);
  plugin_filter_close(inst);
}

void BM_PipelineMatch(benchmark::State& state) { runPipeline(state, "pipeline match", true, false); }
void BM_PipelineMatchAndMtf3x3(benchmark::State& state) { runPipeline(state, "pipeline match+mtf", true, true); }
void BM_PipelineMtf3x3Alone(benchmark::State& state) { runPipeline(state, "pipeline mtf", false, true); }

BENCHMARK(BM_MatchPixelMapAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelineMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelineMatchAndMtf3x3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PipelineMtf3x3Alone)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (cpuPerPage.count("match") && cpuPerPage.count("pipeline match") && cpuPerPage.count("pipeline mtf")) {
    const double match = cpuPerPage["match"];
    std::printf("CPU per page: match %.1f ms, pipeline with matching %.1f ms (%.2f x the match), "
                "with matching and 3 x 3 MTF %.1f ms, 3 x 3 MTF alone %.1f ms (%.2f x the match)\n",
                match * 1e3, cpuPerPage["pipeline match"] * 1e3, cpuPerPage["pipeline match"] / match,
                cpuPerPage["pipeline match+mtf"] * 1e3, cpuPerPage["pipeline mtf"] * 1e3,
                cpuPerPage["pipeline mtf"] / match);
  }
  return 0;
}
