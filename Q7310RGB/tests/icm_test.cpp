// Color matching against a scripted filter engine: the calling order, every
// failure line, all-or-nothing matching and the profile lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Q7310RGB/optimize/icm.h"
#include "Q7310RGB/tests/picture.h"
#include "common/debug_log.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"
#include "platform/os/registry.h"
#include "testing/temp_root.h"

namespace q7310::rgb {
namespace {

using testing::Picture;

// The scripted engine: records each call, fails the one named in failAt, and
// writes 255 - byte into the band.
struct Script {
  std::vector<std::string> calls;
  std::string failAt;
  uint32_t linesShort = 0;  // the band holds this many lines fewer
  uint16_t intent = 99;
  std::string input, output;
  void* liveBand = nullptr;
  int instance = 0;
};
Script* gScript = nullptr;

int32_t step(const char* name, uint16_t* err) {
  gScript->calls.push_back(name);
  if (gScript->failAt == name) {
    if (err) *err = 1006;
    return 0;
  }
  if (err) *err = 0;
  return 1;
}

FilterFunctions scriptedFilter() {
  FilterFunctions f{};
  f.open = [](uint16_t* err) -> void* { return step("open", err) ? &gScript->instance : nullptr; };
  f.close = [](void*) { gScript->calls.push_back("close"); };
  f.initpage = [](void*, uint32_t, uint32_t, uint32_t swap, uint16_t* err) {
    EXPECT_EQ(swap, 0u);
    return step("initpage", err);
  };
  f.startpage = [](void*, uint16_t* err) { return step("startpage", err); };
  f.endpage = [](void*, uint16_t* err) { return step("endpage", err); };
  f.freepage = [](void*, uint16_t* err) { return step("freepage", err); };
  f.filterDo = [](void*, uint8_t* src, uint32_t lines, uint8_t** band, uint32_t* outLines, uint16_t* err) {
    if (!step("do", err)) return 0;
    // Whole rows, back to back, then ten zeroed lines of room.
    *band = static_cast<uint8_t*>(std::calloc(size_t(lines) + 2, 64 * 3));
    gScript->liveBand = *band;
    for (size_t i = 0; i < size_t(lines) * 64 * 3; ++i) (*band)[i] = uint8_t(255 - src[i]);
    *outLines = lines - gScript->linesShort;
    return 1;
  };
  f.disposPtr = [](void* p) {
    gScript->calls.push_back("disposPtr");
    EXPECT_EQ(p, gScript->liveBand);
    std::free(p);
    gScript->liveBand = nullptr;
  };
  f.setInputToneCurve = [](void*, uint8_t enable, const uint8_t* m, const uint8_t* a, const uint8_t* b,
                           const uint8_t* c, uint16_t* err) {
    EXPECT_EQ(enable, 0);
    EXPECT_TRUE(m && a && b && c);
    EXPECT_EQ(m[0] | m[255] | c[128], 0);
    return step("setInputToneCurve", err);
  };
  f.setOutputToneCurve = [](void*, uint8_t enable, const uint8_t*, const uint8_t*, const uint8_t*, const uint8_t*,
                            uint16_t* err) {
    EXPECT_EQ(enable, 0);
    return step("setOutputToneCurve", err);
  };
  f.setMtf = [](void*, uint8_t enable, const int32_t* coef, int32_t scale, uint16_t* err) {
    EXPECT_EQ(enable, 0);
    EXPECT_EQ(coef[4], 0);
    EXPECT_EQ(scale, 100);
    return step("setMtf", err);
  };
  f.setIccProfile = [](void*, uint8_t enable, const char* in, const char* out, uint16_t intent, uint16_t* err) {
    EXPECT_EQ(enable, 1);
    gScript->input = in;
    gScript->output = out;
    gScript->intent = intent;
    return step("setIccProfile", err);
  };
  return f;
}

class Icm : public q7310::testing::RootTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    gScript = &script_;
  }
  void TearDown() override { gScript = nullptr; }
  int32_t run(Picture& page, int32_t intent = 0, const char* in = "C:\\in.icc", const char* out = "C:\\out.icc") {
    OptimizeParams params{};
    params.bitmap = *page.bitmap();
    params.icmIntent = intent;
    return icm(params, in, out, &filter_, 0, log_);
  }
  std::string log() const { return root_.debugLog("icmtest.log"); }
  Script script_;
  FilterFunctions filter_ = scriptedFilter();
  DebugLog log_{"icmtest"};
};

TEST_F(Icm, MatchesTheWholePageInTheEnginesOrder) {
  // Rows of 64 pixels with filler, as the scripted band expects.
  Picture page(64, 5);
  page.fillPhotoLike(4);
  Picture original(page);
  EXPECT_EQ(run(page, 2), kIcmDone);
  const std::vector<std::string> order = {"open",      "setInputToneCurve", "setOutputToneCurve", "setMtf",
                                          "setIccProfile", "initpage",      "startpage",          "do",
                                          "disposPtr", "endpage",           "freepage",           "close"};
  EXPECT_EQ(script_.calls, order);
  EXPECT_EQ(script_.intent, 2);
  EXPECT_EQ(script_.input, "C:\\in.icc");
  for (int32_t y = 0; y < page.height(); ++y)
    for (int32_t i = 0; i < 64 * 3; ++i) ASSERT_EQ(page.at(0, y)[i], 255 - original.at(0, y)[i]);
  EXPECT_TRUE(page.fillerIntact());
  const std::string text = log();
  EXPECT_NE(text.find("    ICM Intent: 2\n"), std::string::npos);
  EXPECT_NE(text.find("    ICM Intent: Chroma Saturation (Saturation)\n"), std::string::npos);
  EXPECT_NE(text.find("    Input profile: C:\\in.icc (-1)"), std::string::npos);
  EXPECT_NE(text.find("<<<< Q7310_RGBToQ7310FE["), std::string::npos);
  EXPECT_NE(text.find("<<<< Q7310_ICM"), std::string::npos);
}

TEST_F(Icm, EveryFailureIsLoggedAndLeavesThePageAsItWas) {
  struct Case {
    const char* failAt;
    uint32_t linesShort;
    const char* line;
  } cases[] = {
      {"setInputToneCurve", 0, "    plugin_filter_setInputToneCurve failed (1006)"},
      {"setOutputToneCurve", 0, "    plugin_filter_setOutputToneCurve failed (1006)"},
      {"setMtf", 0, "    plugin_filter_setMtf failed (1006)"},
      {"setIccProfile", 0, "    plugin_filter_setIccProfile failed (1006)"},
      {"initpage", 0, "    plugin_filter_initpage failed (1006)"},
      {"startpage", 0, "    plugin_filter_startpage failed (1006)"},
      {"do", 0, "    plugin_filter_do failed (1006)"},
      {"", 1, "    plugin_filter_do failed (1000)"},  // a band short of the page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failAt);
    script_ = Script{};
    script_.failAt = c.failAt;
    script_.linesShort = c.linesShort;
    const std::string before = log();
    Picture page(64, 4);
    page.fillPhotoLike(6);
    Picture original(page);
    EXPECT_EQ(run(page), kIcmDone);
    EXPECT_EQ(page.pixelBytes(), original.pixelBytes());
    EXPECT_EQ(script_.calls.back(), "close");
    EXPECT_EQ(script_.liveBand, nullptr);  // any band was given back
    const std::string added = log().substr(before.size());
    EXPECT_NE(added.find(std::string(c.line) + "\n"), std::string::npos) << added;
  }
}

TEST_F(Icm, NoInstanceReturnsMinusOne) {
  script_.failAt = "open";
  Picture page(64, 2);
  page.fillPhotoLike(1);
  Picture original(page);
  EXPECT_EQ(run(page), kIcmNoFilter);
  EXPECT_EQ(page.pixelBytes(), original.pixelBytes());
  EXPECT_EQ(script_.calls, std::vector<std::string>{"open"});
  // An engine that could not be bound at all.
  OptimizeParams params{};
  params.bitmap = *page.bitmap();
  EXPECT_EQ(icm(params, nullptr, nullptr, nullptr, os::kErrorModNotFound, log_), kIcmNoFilter);
  EXPECT_NE(log().find("    plugin_filter_open failed (126)\n"), std::string::npos);
}

TEST_F(Icm, ABitmapWhoseRowsDoNotHoldThePixelsIsNeverRead) {
  Picture page(64, 2);
  OptimizeParams params{};
  params.bitmap = *page.bitmap();
  params.bitmap.stride = 10;  // shorter than 64 x 3
  EXPECT_EQ(icm(params, "C:\\a", "C:\\b", &filter_, 0, log_), kIcmDone);
  EXPECT_EQ(std::count(script_.calls.begin(), script_.calls.end(), "do"), 0);
  EXPECT_EQ(script_.calls.back(), "close");
}

class ProfileLookup : public q7310::testing::RootTest {
 protected:
  void SetUp() override {
    root_.enableDebugLog();
    std::filesystem::create_directories(os::folderPath(os::Folder::Color));
  }
  void install(const std::string& name) {
    ASSERT_TRUE(os::writeFileAtomic(color_ + "\\" + name, std::string_view("icc")));
  }
  void setValue(const char* name, const std::string& value) {
    auto key = os::RegistryKey::create(os::RegistryRoot::Users, ".DEFAULT\\SOFTWARE\\Tornik\\DPX-Q7310\\ICC");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->writeString(name, value));
  }
  std::string color_ = "C:\\Windows\\System32\\spool\\drivers\\color";
  DebugLog log_{"lookup"};
};

TEST_F(ProfileLookup, RegistryNamesWhenTheyExistDefaultsOtherwise) {
  const std::string sRgb = color_ + "\\sRGB_IEC61966-2-1_black_scaled.ICC";
  const std::string printer = color_ + "\\DPX-Q7310-0.ICC";
  // No key at all.
  ProfilePaths paths = queryColorProfile(log_);
  EXPECT_EQ(paths.input, sRgb);
  EXPECT_EQ(paths.output, printer);
  EXPECT_NE(root_.debugLog("lookup.log").find("RegCreateKey failed (2).\n"), std::string::npos);
  // "LUT" names a missing file, "Profile" an installed one.
  install("mine.icc");
  setValue("LUT", "missing.icc");
  setValue("Profile", "mine.icc");
  paths = queryColorProfile(log_);
  EXPECT_EQ(paths.input, sRgb);
  EXPECT_EQ(paths.output, color_ + "\\mine.icc");
  const std::string text = root_.debugLog("lookup.log");
  EXPECT_NE(text.find("LUT: (" + color_ + "\\missing.icc)\n"), std::string::npos);
  EXPECT_NE(text.find("<<<< QueryColorProfile (" + sRgb + ")(" + color_ + "\\mine.icc)\n"), std::string::npos);
  // A value too long for its buffer counts as unreadable.
  setValue("Profile", std::string(300, 'x'));
  EXPECT_EQ(queryColorProfile(log_).output, printer);
  EXPECT_NE(root_.debugLog("lookup.log").find("Query profile key failed (234).\n"), std::string::npos);
}

TEST_F(ProfileLookup, NoColorFolderFallsBackToTheDefaultPath) {
  std::filesystem::remove_all(os::folderPath(os::Folder::Color));
  const ProfilePaths paths = queryColorProfile(log_);
  EXPECT_EQ(paths.input, color_ + "\\sRGB_IEC61966-2-1_black_scaled.ICC");
  const std::string text = root_.debugLog("lookup.log");
  EXPECT_NE(text.find("ColorProfileDirectory->LoadLibrary (3 )\n"), std::string::npos);
  EXPECT_NE(text.find("Default Profile Path: " + color_ + "\n"), std::string::npos);
}

}  // namespace
}  // namespace q7310::rgb
