#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Q5150FLT/pipeline/filter_instance.h"
#include "Q5150FLT/plugin_filter.h"
#include "Q5150FLT/sdkcm.h"
#include "Q5150FLT/tests/fixtures.h"
#include "common/le.h"
#include "platform/os/library.h"
#include "testing/temp_root.h"

namespace q7310::flt {
namespace {

using Bytes = std::vector<uint8_t>;
using q7310::testing::RootTest;
namespace ft = q7310::flt::testing;

constexpr const char* kNames[13] = {
    "plugin_filter_open",       "plugin_filter_close",          "plugin_filter_initpage",
    "plugin_filter_startpage",  "plugin_filter_endpage",        "plugin_filter_freepage",
    "plugin_filter_do",         "plugin_filter_disposPtr",      "plugin_filter_preference",
    "plugin_filter_setInputToneCurve", "plugin_filter_setOutputToneCurve", "plugin_filter_setMtf",
    "plugin_filter_setIccProfile"};

// The thirteen functions, bound by ordinal as the color and image module binds them.
struct Engine {
  std::unique_ptr<os::Library> lib = os::Library::load("Q5150FLT.dll");
  decltype(&plugin_filter_open) open = lib->functionByOrdinal<decltype(open)>(1);
  decltype(&plugin_filter_close) close = lib->functionByOrdinal<decltype(close)>(2);
  decltype(&plugin_filter_initpage) initpage = lib->functionByOrdinal<decltype(initpage)>(3);
  decltype(&plugin_filter_startpage) startpage = lib->functionByOrdinal<decltype(startpage)>(4);
  decltype(&plugin_filter_endpage) endpage = lib->functionByOrdinal<decltype(endpage)>(5);
  decltype(&plugin_filter_freepage) freepage = lib->functionByOrdinal<decltype(freepage)>(6);
  decltype(&plugin_filter_do) run = lib->functionByOrdinal<decltype(run)>(7);
  decltype(&plugin_filter_disposPtr) dispose = lib->functionByOrdinal<decltype(dispose)>(8);
  decltype(&plugin_filter_preference) preference = lib->functionByOrdinal<decltype(preference)>(9);
  decltype(&plugin_filter_setInputToneCurve) setInput = lib->functionByOrdinal<decltype(setInput)>(10);
  decltype(&plugin_filter_setOutputToneCurve) setOutput = lib->functionByOrdinal<decltype(setOutput)>(11);
  decltype(&plugin_filter_setMtf) setMtf = lib->functionByOrdinal<decltype(setMtf)>(12);
  decltype(&plugin_filter_setIccProfile) setIcc = lib->functionByOrdinal<decltype(setIcc)>(13);

  Bytes getPreference(PluginFilter inst) {
    Bytes rec(4340);
    uint32_t size = 4340;
    uint16_t err = 99;
    EXPECT_EQ(preference(inst, 2, 0, rec.data(), &size, &err), 1);
    EXPECT_EQ(err, 0);
    return rec;
  }
  // One page in one call, as the color and image module runs it.
  Bytes page(PluginFilter inst, Bytes src, uint32_t width, uint32_t swap = 0) {
    return pageInPlace(inst, src, width, swap);
  }
  Bytes pageInPlace(PluginFilter inst, Bytes& src, uint32_t width, uint32_t swap = 0) {
    uint16_t err = 99;
    const uint32_t height = uint32_t(src.size() / (3 * width));
    EXPECT_EQ(initpage(inst, width, height, swap, &err), 1);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(startpage(inst, &err), 1);
    uint8_t* band = nullptr;
    uint32_t lines = 0;
    EXPECT_EQ(run(inst, src.data(), height, &band, &lines, &err), 1);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(lines, height);
    Bytes out = band ? Bytes(band, band + size_t{lines} * width * 3) : Bytes{};
    // The two spare lines of the band are clear.
    for (size_t i = out.size(); band && i < (size_t{height} + 2) * width * 3; ++i) EXPECT_EQ(band[i], 0) << i;
    dispose(band);
    EXPECT_EQ(endpage(inst, &err), 1);
    EXPECT_EQ(freepage(inst, &err), 1);
    return out;
  }
};

Bytes randomPage(size_t pixels, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(pixels * 3);
  for (auto& v : b) v = uint8_t(rng());
  return b;
}

bool flagAt(const Bytes& rec, size_t offset) { return le::u32(rec, offset) != 0; }

TEST_F(RootTest, ThePageFunctionsAreFoundByNameAndOrdinal) {
  Engine e;
  ASSERT_NE(e.lib, nullptr);
  for (uint16_t i = 0; i < 13; ++i) {
    SCOPED_TRACE(kNames[i]);
    void* byName = e.lib->symbol(kNames[i]);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(e.lib->ordinal(uint16_t(i + 1)), byName);
  }
}

TEST_F(RootTest, PreferenceRecordModes) {
  Engine e;
  uint16_t err = 0;
  PluginFilter inst = e.open(&err);
  ASSERT_NE(inst, nullptr);
  EXPECT_EQ(err, 0);

  uint32_t size = 0;
  EXPECT_EQ(e.preference(inst, 2, 0, nullptr, &size, &err), 1);
  EXPECT_EQ(size, 4340u);

  Bytes rec = e.getPreference(inst);
  EXPECT_EQ(le::u32(rec, 0), 4340u);
  EXPECT_EQ(le::u32(rec, 4), 0x20120717u);
  const std::string folder = e.lib->path().parent_path().string();
  EXPECT_STREQ(reinterpret_cast<const char*>(&rec[14]), (folder + "/A17D50.ICC").c_str());
  EXPECT_STREQ(reinterpret_cast<const char*>(&rec[274]), (folder + "/Q51502.ICC").c_str());
  EXPECT_EQ(le::i32(rec, 540 + 12 * 4), 100);  // identity kernel centre
  EXPECT_EQ(le::i32(rec, 540 + 100), 100);     // scale
  EXPECT_EQ(le::u16(rec, 908 + 20), 2);        // two points on the input master
  EXPECT_EQ(rec[2624 + 430 + 200], 200);        // identity output table

  // A wrong signature or size field changes nothing.
  Bytes changed = rec;
  le::putU32(changed, 536, 1);
  for (auto [offset, value] : {std::pair<size_t, uint32_t>{4, 0x20120718}, {0, 4339}}) {
    Bytes bad = changed;
    le::putU32(bad, offset, value);
    size = 4340;
    EXPECT_EQ(e.preference(inst, 1, 0, bad.data(), &size, &err), 0);
    EXPECT_EQ(err, 1106);
  }
  EXPECT_EQ(e.getPreference(inst), rec);
  size = 4339;
  EXPECT_EQ(e.preference(inst, 1, 0, changed.data(), &size, &err), 0);
  EXPECT_EQ(err, 1006);
  size = 4340;
  EXPECT_EQ(e.preference(inst, 1, 0, changed.data(), &size, &err), 1);
  EXPECT_EQ(e.getPreference(inst), changed);

  // Get with a wrong size: size 0 and 1006.
  size = 100;
  EXPECT_EQ(e.preference(inst, 2, 0, rec.data(), &size, &err), 0);
  EXPECT_EQ(err, 1006);
  EXPECT_EQ(size, 0u);

  // Stages on and off by item.
  const size_t flags[4] = {904, 2620, 8, 536};
  for (uint16_t item = 1; item <= 4; ++item) {
    size = 7;
    EXPECT_EQ(e.preference(inst, 4, item, nullptr, &size, &err), 1);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(flagAt(e.getPreference(inst), flags[item - 1]));
    EXPECT_EQ(e.preference(inst, 5, item, nullptr, &size, &err), 1);
    EXPECT_FALSE(flagAt(e.getPreference(inst), flags[item - 1]));
  }
  for (auto [mode, item] : {std::pair<uint16_t, uint16_t>{4, 0}, {5, 5}, {3, 0}, {6, 0}}) {
    size = 7;
    EXPECT_EQ(e.preference(inst, mode, item, nullptr, &size, &err), 0) << mode;
    EXPECT_EQ(err, 1006);
    EXPECT_EQ(size, 0u);
  }
  size = 7;
  EXPECT_EQ(e.preference(nullptr, 2, 0, nullptr, &size, &err), 0);
  EXPECT_EQ(err, 1006);
  EXPECT_EQ(size, 0u);

  EXPECT_EQ(e.preference(inst, 4, 4, nullptr, &size, &err), 1);
  EXPECT_EQ(e.preference(inst, 0, 0, nullptr, &size, &err), 1);
  EXPECT_EQ(e.getPreference(inst), rec);
  e.close(inst);
}

TEST_F(RootTest, SettersCheckTheirArgumentsAndSwitchTheStageOff) {
  Engine e;
  uint16_t err = 0;
  PluginFilter inst = e.open(&err);
  const int32_t good[9] = {0, -1, 0, -1, 104, -1, 0, -1, 0};
  const std::string srgb = ft::store("srgb.icc", ft::shipped("sRGB_IEC61966-2-1_black_scaled.ICC"));
  const std::string printer = ft::store("printer.icc", ft::shipped("DPX-Q7310-0.ICC"));
  const std::string cmyk = ft::store("cmyk.icc", ft::lutProfile(ft::w::sig("CMYK"), ft::w::sig("Lab "), Bytes{}, Bytes{}));

  ASSERT_EQ(e.setMtf(inst, 1, good, 100, &err), 1);
  Bytes rec = e.getPreference(inst);
  EXPECT_TRUE(flagAt(rec, 536));
  EXPECT_EQ(le::i32(rec, 540 + 6 * 4), 0);
  EXPECT_EQ(le::i32(rec, 540 + 7 * 4), -1);
  EXPECT_EQ(le::i32(rec, 540 + 12 * 4), 104);
  struct MtfCase {
    int index;
    int32_t value, scale;
  } mtfCases[] = {{0, 10000, 100}, {8, -10000, 100}, {4, 100, 0}, {4, 100, 100000}};
  for (const auto& c : mtfCases) {
    int32_t coef[9];
    std::memcpy(coef, good, sizeof coef);
    coef[c.index] = c.value;
    ASSERT_EQ(e.setMtf(inst, 1, good, 100, &err), 1);
    EXPECT_EQ(e.setMtf(inst, 1, coef, c.scale, &err), 0);
    EXPECT_EQ(err, 1006);
    EXPECT_FALSE(flagAt(e.getPreference(inst), 536));
  }

  struct IccCase {
    const char* name;
    const char* in;
    const char* out;
    uint16_t intent;
  } iccCases[] = {{"intent 3", srgb.c_str(), printer.c_str(), 3},
                  {"CMYK output", srgb.c_str(), cmyk.c_str(), 0},
                  {"missing file", srgb.c_str(), "C:\\profiles\\none.icc", 0},
                  {"no input", nullptr, printer.c_str(), 0}};
  for (const auto& c : iccCases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(e.setIcc(inst, 1, srgb.c_str(), printer.c_str(), 1, &err), 1);
    EXPECT_TRUE(flagAt(e.getPreference(inst), 8));
    EXPECT_EQ(e.setIcc(inst, 1, c.in, c.out, c.intent, &err), 0);
    EXPECT_EQ(err, 1006);
    EXPECT_FALSE(flagAt(e.getPreference(inst), 8));
  }
  const std::string tooLong(300, 'a');
  EXPECT_EQ(e.setIcc(inst, 1, tooLong.c_str(), printer.c_str(), 0, &err), 0);
  EXPECT_EQ(err, 1006);

  Bytes table(256, 9);
  ASSERT_EQ(e.setOutput(inst, 1, table.data(), table.data(), table.data(), table.data(), &err), 1);
  rec = e.getPreference(inst);
  EXPECT_TRUE(flagAt(rec, 2620));
  EXPECT_EQ(le::u16(rec, 2624 + 6), 2);  // channel 3 in table mode
  EXPECT_EQ(le::u16(rec, 2624 + 26), 0);
  EXPECT_EQ(le::u16(rec, 2624 + 8), 1);  // channel 4 untouched
  EXPECT_EQ(e.setOutput(inst, 1, table.data(), nullptr, table.data(), table.data(), &err), 0);
  EXPECT_EQ(err, 1006);
  EXPECT_FALSE(flagAt(e.getPreference(inst), 2620));
  EXPECT_EQ(e.setInput(nullptr, 0, nullptr, nullptr, nullptr, nullptr, &err), 0);
  EXPECT_EQ(err, 1006);
  e.close(inst);
}

TEST_F(RootTest, StagesOffSwapAndTheCallersArguments) {
  Engine e;
  uint16_t err = 0;
  PluginFilter inst = e.open(&err);
  const uint32_t w = 6, h = 4;
  const Bytes page = randomPage(w * h, 5);
  EXPECT_EQ(e.page(inst, page, w), page);

  Bytes src = page;
  Bytes swapped = page;
  for (size_t i = 0; i < swapped.size(); i += 3) std::swap(swapped[i], swapped[i + 2]);
  EXPECT_EQ(e.page(inst, src, w, 1), swapped);
  Bytes caller = page;
  ASSERT_EQ(e.initpage(inst, w, h, 1, &err), 1);
  uint8_t* band = nullptr;
  uint32_t lines = 9;
  ASSERT_EQ(e.run(inst, caller.data(), h, &band, &lines, &err), 1);
  EXPECT_EQ(caller, swapped);
  e.dispose(band);

  EXPECT_EQ(e.run(inst, caller.data(), 0, &band, &lines, &err), 0);
  EXPECT_EQ(err, 1006);
  EXPECT_EQ(lines, 0u);
  lines = 9;
  EXPECT_EQ(e.run(inst, caller.data(), h, nullptr, &lines, &err), 0);
  EXPECT_EQ(err, 1006);
  EXPECT_EQ(lines, 0u);
  EXPECT_EQ(e.initpage(inst, 0, h, 0, &err), 0);
  EXPECT_EQ(err, 1006);

  // Input curve inverts in the caller's buffer; output curve halves the band.
  Bytes invert(256), half(256), identity(256);
  for (int i = 0; i < 256; ++i) {
    invert[i] = uint8_t(255 - i);
    half[i] = uint8_t(i / 2);
    identity[i] = uint8_t(i);
  }
  ASSERT_EQ(e.setInput(inst, 1, invert.data(), identity.data(), identity.data(), identity.data(), &err), 1);
  ASSERT_EQ(e.setOutput(inst, 1, identity.data(), half.data(), identity.data(), half.data(), &err), 1);
  src = page;
  Bytes out = e.pageInPlace(inst, src, w);
  for (size_t i = 0; i < page.size(); ++i) {
    ASSERT_EQ(src[i], 255 - page[i]);
    ASSERT_EQ(out[i], i % 3 == 1 ? 255 - page[i] : (255 - page[i]) / 2);
  }
  e.close(inst);
}

TEST_F(RootTest, MtfThroughThePipelineLineByLine) {
  Engine e;
  uint16_t err = 0;
  PluginFilter inst = e.open(&err);
  const int32_t sharpen[9] = {0, -25, 0, -25, 200, -25, 0, -25, 0};
  ASSERT_EQ(e.setMtf(inst, 1, sharpen, 100, &err), 1);
  const uint32_t w = 5, h = 4;
  const Bytes page = randomPage(w * h, 6);
  const Bytes whole = e.page(inst, page, w);
  ASSERT_EQ(whole.size(), page.size());

  ASSERT_EQ(e.initpage(inst, w, h, 0, &err), 1);
  ASSERT_EQ(e.startpage(inst, &err), 1);
  Bytes joined;
  std::vector<uint32_t> counts;
  for (uint32_t y = 0; y < h; ++y) {
    Bytes line(page.begin() + y * w * 3, page.begin() + (y + 1) * w * 3);
    uint8_t* band = nullptr;
    uint32_t lines = 99;
    ASSERT_EQ(e.run(inst, line.data(), 1, &band, &lines, &err), 1);
    counts.push_back(lines);
    if (lines == 0) {
      EXPECT_EQ(band, nullptr);  // released again
    }
    if (band) joined.insert(joined.end(), band, band + size_t{lines} * w * 3);
    e.dispose(band);
  }
  EXPECT_EQ(counts, (std::vector<uint32_t>{0, 1, 1, 2}));
  EXPECT_EQ(joined, whole);
  e.close(inst);
}

TEST_F(RootTest, ColorMatchingEqualsTheColorWorldAndAStoredIntentThreeMatchesPerceptually) {
  Engine e;
  const std::string srgb = ft::store("srgb.icc", ft::shipped("sRGB_IEC61966-2-1_black_scaled.ICC"));
  const std::string printer = ft::store("printer.icc", ft::shipped("DPX-Q7310-0.ICC"));
  const uint32_t w = 16, h = 8;
  const Bytes page = randomPage(w * h, 7);

  auto direct = [&](uint32_t intent, const Bytes& source) {
    SDKCMProfile in = nullptr, out = nullptr;
    EXPECT_EQ(SDKCMOpenProfile(srgb.c_str(), &in), 0);
    EXPECT_EQ(SDKCMOpenProfile(printer.c_str(), &out), 0);
    SDKCMColorWorld world = SDKCMCreateColorWorld(intent, &in, nullptr, &out, nullptr);
    Bytes src = source, dst(source.size());
    SDKCMPixelMap a{w, h, 3, w * 3, src.data()}, b{w, h, 3, w * 3, dst.data()};
    EXPECT_EQ(SDKCMMatchPixelMap(world, &a, &b), 0);
    SDKCMDisposeColorWorld(world);
    SDKCMCloseProfile(&in);
    SDKCMCloseProfile(&out);
    return dst;
  };

  uint16_t err = 0;
  PluginFilter inst = e.open(&err);
  ASSERT_EQ(e.setMtf(inst, 0, nullptr, 100, &err), 1);
  ASSERT_EQ(e.setIcc(inst, 1, srgb.c_str(), printer.c_str(), 1, &err), 1);
  const Bytes relative = e.page(inst, page, w);
  EXPECT_EQ(relative, direct(1, page));
  EXPECT_NE(relative, page);

  // With the MTF filter on, matching runs over the filtered lines in the band.
  const int32_t sharpen[9] = {0, -25, 0, -25, 200, -25, 0, -25, 0};
  ASSERT_EQ(e.setMtf(inst, 1, sharpen, 100, &err), 1);
  ASSERT_EQ(e.preference(inst, 5, 3, nullptr, nullptr, &err), 1);
  const Bytes sharpened = e.page(inst, page, w);
  ASSERT_EQ(e.preference(inst, 4, 3, nullptr, nullptr, &err), 1);
  EXPECT_EQ(e.page(inst, page, w), direct(1, sharpened));
  ASSERT_EQ(e.setMtf(inst, 0, nullptr, 100, &err), 1);

  Bytes rec = e.getPreference(inst);
  le::putU16(rec, 12, 3);
  uint32_t size = 4340;
  ASSERT_EQ(e.preference(inst, 1, 0, rec.data(), &size, &err), 1);
  EXPECT_EQ(e.page(inst, page, w), direct(0, page));

  // A profile that no longer opens: initpage fails, the page is copied.
  ASSERT_TRUE(os::deleteFile(printer));
  EXPECT_EQ(e.initpage(inst, w, h, 0, &err), 0);
  EXPECT_EQ(err, 1005);
  Bytes src = page;
  uint8_t* band = nullptr;
  uint32_t lines = 0;
  ASSERT_EQ(e.run(inst, src.data(), h, &band, &lines, &err), 1);
  EXPECT_EQ(Bytes(band, band + page.size()), page);
  e.dispose(band);
  e.close(inst);
}

TEST_F(RootTest, RunningOutOfMemoryAndUnterminatedPathsFailPlainly) {
  using namespace pipeline;
  const std::string srgb = ft::store("srgb.icc", ft::shipped("sRGB_IEC61966-2-1_black_scaled.ICC"));
  uint16_t err = 0;
  auto inst = FilterInstance::open({"C:\\engine", false}, err);
  ASSERT_NE(inst, nullptr);
  ASSERT_EQ(inst->setIccProfile(1, srgb.c_str(), srgb.c_str(), 0), kOk);
  const int32_t sharpen[9] = {0, -25, 0, -25, 200, -25, 0, -25, 0};
  ASSERT_EQ(inst->setMtf(1, sharpen, 100), kOk);
  ASSERT_EQ(inst->initPage(4, 3, 0), kOk);
  EXPECT_TRUE(inst->hasColorWorld());

  // No memory for the MTF lines: no MTF buffer and no color world are left.
  limitBlocksForTesting(0);
  EXPECT_EQ(inst->initPage(4, 3, 0), kErrorMemory);
  EXPECT_FALSE(inst->hasMtfBuffer());
  EXPECT_FALSE(inst->hasColorWorld());
  // No memory for the band: 1000 and no lines.
  Bytes src(4 * 3 * 3, 50);
  uint8_t* band = nullptr;
  uint32_t lines = 7;
  EXPECT_EQ(inst->process(src.data(), 3, &band, &lines), kErrorMemory);
  EXPECT_EQ(lines, 0u);
  EXPECT_EQ(band, nullptr);
  limitBlocksForTesting(-1);

  // A stored path field without its terminating NUL names no file.
  inst->setMtf(0, nullptr, 0);
  inst->settings().inputProfile.fill('a');
  EXPECT_EQ(inst->initPage(4, 3, 0), kErrorArgument);
  setFieldText(inst->settings().inputProfile, srgb);
  inst->settings().outputProfile.fill('b');
  EXPECT_EQ(inst->initPage(4, 3, 0), kErrorProfile);
  setFieldText(inst->settings().outputProfile, srgb);
  EXPECT_EQ(inst->initPage(4, 3, 0), kOk);
}

TEST_F(RootTest, CaskStageWithTheStandInLibrary) {
  using namespace pipeline;
  const std::string folder = q7310::testing::buildOutputFolder().string();
  uint16_t err = 0;
  {
    ft::store("placeholder", Bytes{1});
    auto missing = FilterInstance::open({"C:\\profiles", true}, err);
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(err, 1007);
  }
  auto inst = FilterInstance::open({folder, true}, err);
  ASSERT_NE(inst, nullptr);
  ASSERT_TRUE(inst->cask().loaded());
  auto lib = os::Library::load(folder + "/caskdll.dll");
  ASSERT_NE(lib, nullptr);
  auto state = lib->function<void (*)(uint32_t*)>("CaskDllStandInState");
  ASSERT_NE(state, nullptr);

  const uint32_t w = 4, h = 2;
  ASSERT_EQ(inst->initPage(w, h, 0), kOk);
  ASSERT_EQ(inst->startPage(), kOk);
  EXPECT_EQ(inst->cask().dotsPerLine(), w);
  Bytes src(w * h * 3, 0);
  src[3 * 1] = 240;  // one red dot on the first line
  uint8_t* band = nullptr;
  uint32_t lines = 0;
  ASSERT_EQ(inst->process(src.data(), h, &band, &lines), kOk);
  ASSERT_EQ(lines, h);
  EXPECT_EQ(band[0], 60);   // (240 + 2) / 4, rounded
  EXPECT_EQ(band[3], 120);  // 2 × 240 / 4
  EXPECT_EQ(band[6], 60);
  EXPECT_EQ(band[9], 0);
  releaseBlock(band);
  uint32_t s[6];
  state(s);
  EXPECT_EQ(s[2], 1u);  // one pre-filter call
  EXPECT_EQ(s[3], 2u);  // one filter call per line
  EXPECT_EQ(s[4], w);

  // A page wider than the work buffer holds keeps the last width and never
  // lets the library write past it.
  ASSERT_EQ(inst->initPage(5000, 1, 0), kOk);
  ASSERT_EQ(inst->startPage(), kOk);
  EXPECT_EQ(inst->cask().dotsPerLine(), w);
  inst.reset();
  state(s);
  EXPECT_EQ(s[1], 1u);  // finished at close
}

}  // namespace
}  // namespace q7310::flt
