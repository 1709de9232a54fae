// The shipped profiles checked with an independent reader: Little CMS opens
// them, and the engine's matching agrees with its transform on mid tones.
#include <gtest/gtest.h>
#include <lcms2.h>

#include "Q5150FLT/sdkcm.h"
#include "fixtures.h"
#include "testing/temp_root.h"

namespace q7310::flt {
namespace {

using q7310::testing::RootTest;
using namespace q7310::flt::testing;

std::string profilePath(const char* name) { return std::string(Q7310_PROFILE_DIR) + "/" + name; }

TEST(ShippedProfiles, LittleCmsReadsThemAsTheirClassAndSpaces) {
  struct Case {
    const char* name;
    cmsProfileClassSignature cls;
    cmsColorSpaceSignature pcs;
  } cases[] = {
      {"sRGB_IEC61966-2-1_black_scaled.ICC", cmsSigDisplayClass, cmsSigXYZData},
      {"DPX-Q7310-0.ICC", cmsSigOutputClass, cmsSigLabData},
      {"A17D50.ICC", cmsSigInputClass, cmsSigXYZData},
      {"Q51502.ICC", cmsSigOutputClass, cmsSigLabData},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cmsHPROFILE p = cmsOpenProfileFromFile(profilePath(c.name).c_str(), "r");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(cmsGetDeviceClass(p), c.cls);
    EXPECT_EQ(cmsGetColorSpace(p), cmsSigRgbData);
    EXPECT_EQ(cmsGetPCS(p), c.pcs);
    cmsCloseProfile(p);
  }
}

TEST_F(RootTest, TheEngineAgreesWithLittleCmsOnMidTones) {
  const char* in = "sRGB_IEC61966-2-1_black_scaled.ICC";
  const char* out = "DPX-Q7310-0.ICC";
  cmsHPROFILE a = cmsOpenProfileFromFile(profilePath(in).c_str(), "r");
  cmsHPROFILE b = cmsOpenProfileFromFile(profilePath(out).c_str(), "r");
  ASSERT_TRUE(a && b);
  cmsHTRANSFORM t = cmsCreateTransform(a, TYPE_RGB_8, b, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0);
  ASSERT_NE(t, nullptr);
  std::vector<uint8_t> px = {128, 128, 128, 200, 150, 120, 90, 140, 200, 160, 190, 90, 220, 220, 200, 100, 80, 70};
  std::vector<uint8_t> theirs(px.size());
  cmsDoTransform(t, px.data(), theirs.data(), cmsUInt32Number(px.size() / 3));
  cmsDeleteTransform(t);
  cmsCloseProfile(a);
  cmsCloseProfile(b);

  SDKCMProfile pa, pb;
  ASSERT_EQ(SDKCMOpenProfile(profilePath(in).c_str(), &pa), 0);
  ASSERT_EQ(SDKCMOpenProfile(profilePath(out).c_str(), &pb), 0);
  SDKCMColorWorld cw = SDKCMCreateColorWorld(1, &pa, nullptr, &pb, nullptr);
  ASSERT_NE(cw, nullptr);
  std::vector<uint8_t> ours(px.size());
  SDKCMPixelMap s{uint32_t(px.size() / 3), 1, 3, uint32_t(px.size()), px.data()};
  SDKCMPixelMap d{uint32_t(px.size() / 3), 1, 3, uint32_t(px.size()), ours.data()};
  ASSERT_EQ(SDKCMMatchPixelMap(cw, &s, &d), 0);
  SDKCMDisposeColorWorld(cw);
  SDKCMCloseProfile(&pa);
  SDKCMCloseProfile(&pb);
  // The engine works in 8-bit Lab and an 8-bit grid; a few levels apart.
  for (size_t i = 0; i < px.size(); ++i) EXPECT_NEAR(ours[i], theirs[i], 8) << i;
}

}  // namespace
}  // namespace q7310::flt
