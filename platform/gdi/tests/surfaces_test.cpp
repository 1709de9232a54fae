#include <gtest/gtest.h>

#include <functional>

#include "platform/gdi/engine.h"
#include "platform/gdi/tests/surface_helpers.h"
#include "platform/os/errors.h"

namespace q7310::gdi {
namespace {

using testing::rgb;
using testing::TestSurface;

TEST(Surfaces, TopDownAndBottomUpLayouts) {
  const size_t before = liveSurfaceCount();
  HSurf topDown = engCreateBitmap(SizeL{5, 3}, 0, kBmf24Bpp, kBmfTopDown, nullptr);
  HSurf bottomUp = engCreateBitmap(SizeL{5, 3}, 0, kBmf24Bpp, 0, nullptr);
  ASSERT_NE(topDown, nullptr);
  ASSERT_NE(bottomUp, nullptr);
  EXPECT_EQ(liveSurfaceCount(), before + 2);
  SurfObj* a = engLockSurface(topDown);
  SurfObj* b = engLockSurface(bottomUp);
  // Rows of 15 bytes padded to 16.
  EXPECT_EQ(a->lDelta, 16);
  EXPECT_EQ(a->cjBits, 48u);
  EXPECT_EQ(a->pvScan0, a->pvBits);
  EXPECT_EQ(b->lDelta, -16);
  EXPECT_EQ(b->pvScan0, b->pvBits + 32);
  EXPECT_EQ(a->hsurf, topDown);
  // Engine-allocated bits start zeroed.
  for (uint32_t i = 0; i < a->cjBits; ++i) ASSERT_EQ(a->pvBits[i], 0) << i;
  EXPECT_TRUE(engDeleteSurface(topDown));
  EXPECT_TRUE(engDeleteSurface(bottomUp));
  EXPECT_EQ(liveSurfaceCount(), before);
}

TEST(Surfaces, CallerBitsAndBadArguments) {
  std::vector<uint8_t> bits(2 * 12, 0xAB);
  HSurf s = engCreateBitmap(SizeL{3, 2}, 12, kBmf24Bpp, kBmfTopDown, bits.data());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(engLockSurface(s)->pvScan0, bits.data());
  EXPECT_EQ(engLockSurface(s)->lDelta, 12);
  EXPECT_TRUE(engDeleteSurface(s));
  EXPECT_EQ(bits[0], 0xAB);  // the caller's bits are not freed or changed

  struct Case {
    SizeL size;
    int32_t stride;
    uint32_t format;
  };
  for (const Case& c : {Case{{0, 4}, 0, kBmf24Bpp}, Case{{4, -1}, 0, kBmf24Bpp}, Case{{4, 4}, 11, kBmf24Bpp},
                        Case{{4, 4}, 0, 3}}) {
    os::setLastError(0);
    EXPECT_EQ(engCreateBitmap(c.size, c.stride, c.format, kBmfTopDown, nullptr), nullptr);
    EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  }
}

TEST(Surfaces, AssociationCarriesTheDriversDevice) {
  HSurf s = engCreateBitmap(SizeL{2, 2}, 0, kBmf24Bpp, kBmfTopDown, nullptr);
  int driverDevice = 0;
  HDev hdev = engCreateDevice();
  ASSERT_TRUE(engSetDevicePdev(hdev, &driverDevice));
  EXPECT_TRUE(engAssociateSurface(s, hdev, kHookBitBlt | kHookStretchBlt));
  EXPECT_EQ(surfaceHooks(s), kHookBitBlt | kHookStretchBlt);
  EXPECT_EQ(surfaceDevice(s), hdev);
  EXPECT_EQ(engLockSurface(s)->hdev, hdev);
  EXPECT_EQ(engLockSurface(s)->dhpdev, &driverDevice);
  // A device the engine did not make is kept but never followed.
  auto madeUpDevice = reinterpret_cast<HDev>(&driverDevice);
  EXPECT_TRUE(engAssociateSurface(s, madeUpDevice, 0));
  EXPECT_EQ(engLockSurface(s)->dhpdev, nullptr);
  EXPECT_TRUE(engDeleteDevice(hdev));
  EXPECT_FALSE(engDeleteDevice(hdev));
  EXPECT_FALSE(engSetDevicePdev(hdev, nullptr));
  EXPECT_TRUE(engDeleteSurface(s));
}

TEST(Surfaces, DeletedOrMadeUpHandlesAreRefused) {
  HSurf s = engCreateBitmap(SizeL{2, 2}, 0, kBmf24Bpp, kBmfTopDown, nullptr);
  int dummy = 0;
  auto madeUp = reinterpret_cast<HSurf>(&dummy);
  EXPECT_TRUE(engDeleteSurface(s));
  for (HSurf h : {s, madeUp}) {
    os::setLastError(0);
    EXPECT_FALSE(engDeleteSurface(h));
    EXPECT_EQ(os::lastError(), os::kErrorInvalidHandle);
    EXPECT_EQ(engLockSurface(h), nullptr);
    EXPECT_FALSE(engAssociateSurface(h, nullptr, 0));
    EXPECT_EQ(surfaceHooks(h), 0u);
  }
}

TEST(Palettes, ModesAndLifetime) {
  const size_t before = livePaletteCount();
  HPalette bgr = engCreatePalette(kPalBgr, 0, nullptr, 0, 0, 0);
  const uint32_t colors[2] = {0, 0xFFFFFF};
  HPalette indexed = engCreatePalette(kPalIndexed, 2, colors, 0, 0, 0);
  ASSERT_NE(bgr, nullptr);
  ASSERT_NE(indexed, nullptr);
  EXPECT_EQ(livePaletteCount(), before + 2);
  EXPECT_EQ(engCreatePalette(0x80, 0, nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(engCreatePalette(kPalIndexed, 2, nullptr, 0, 0, 0), nullptr);
  EXPECT_TRUE(engDeletePalette(bgr));
  EXPECT_FALSE(engDeletePalette(bgr));
  EXPECT_TRUE(engDeletePalette(indexed));
  EXPECT_EQ(livePaletteCount(), before);
}

TEST(Drawing, UnusableArgumentsFailWithInvalidParameter) {
  TestSurface dst(4, 4);
  BrushObj brush{rgb(1, 2, 3)};
  const RectL rect{0, 0, 2, 2};
  SurfObj other = *dst.obj();
  other.iBitmapFormat = 3;  // not 24 bits per pixel
  struct Case {
    const char* what;
    std::function<bool()> call;
  };
  const std::vector<Case> cases = {
      {"null destination", [&] { return engPaint(nullptr, nullptr, &brush, nullptr, 0x0D0D); }},
      {"wrong format", [&] { return engPaint(&other, nullptr, &brush, nullptr, 0x0D0D); }},
      {"no brush", [&] { return engPaint(dst.obj(), nullptr, nullptr, nullptr, 0x0D0D); }},
      {"mix 0", [&] { return engPaint(dst.obj(), nullptr, &brush, nullptr, 0); }},
      {"copy without source",
       [&] { return engBitBlt(dst.obj(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, nullptr, nullptr,
                              kRopSrcCopy); }},
      {"rop4 needing a mask",
       [&] { return engBitBlt(dst.obj(), nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, &brush, nullptr,
                              0xAAF0); }},
      {"stretch without rectangles",
       [&] { return engStretchBlt(dst.obj(), dst.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &rect,
                                  nullptr, kHalftone); }},
      {"stretch mode 0",
       [&] { return engStretchBlt(dst.obj(), dst.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, &rect, &rect,
                                  nullptr, 0); }},
      {"text without string",
       [&] { return engTextOut(dst.obj(), nullptr, nullptr, nullptr, nullptr, nullptr, &brush, nullptr, nullptr,
                               0x0D0D); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    os::setLastError(0);
    EXPECT_FALSE(c.call());
    EXPECT_EQ(os::lastError(), os::kErrorInvalidParameter);
  }
  EXPECT_EQ(dst.picture(0), "####|####|####|####");
}

}  // namespace
}  // namespace q7310::gdi
