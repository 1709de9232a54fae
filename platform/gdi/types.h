// The graphics engine's records that a printer graphics driver exchanges with
// it: geometry, surfaces, brushes, clipping, paths, the device capability and
// device information records, and the driver's function table. Our own
// definitions, written from what the driver expects of them; the layouts of
// the records that are copied by size (GdiInfo, DevInfo) are fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace q7310::gdi {

struct RectL {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const RectL&) const = default;
};

struct PointL {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const PointL&) const = default;
};

struct SizeL {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const SizeL&) const = default;
};

// Opaque engine handles.
struct SurfaceRecord;
struct PaletteRecord;
struct EngineDeviceRecord;
using HSurf = SurfaceRecord*;
using HBitmap = SurfaceRecord*;
using HPalette = PaletteRecord*;
using HDev = EngineDeviceRecord*;
// The driver's own device pointer, handed back in every call.
using DHPdev = void*;

// Bitmap formats and flags.
inline constexpr uint32_t kBmf24Bpp = 4;
inline constexpr uint32_t kBmfTopDown = 0x0001;

// A surface as the engine lends it to a driver: the bits, one row after the
// other lDelta bytes apart (24 bits per pixel: blue, green, red).
struct SurfObj {
  DHPdev dhpdev = nullptr;
  HSurf hsurf = nullptr;
  HDev hdev = nullptr;
  SizeL sizlBitmap;
  uint32_t cjBits = 0;
  uint8_t* pvBits = nullptr;
  uint8_t* pvScan0 = nullptr;
  int32_t lDelta = 0;
  uint32_t iBitmapFormat = kBmf24Bpp;
  uint32_t fjBitmap = kBmfTopDown;
};

// A solid brush: the color as 0x00BBGGRR.
struct BrushObj {
  uint32_t iSolidColor = 0;
};

// Clipping: none (trivial) or one rectangle.
inline constexpr uint8_t kDcTrivial = 0;
inline constexpr uint8_t kDcRect = 1;
struct ClipObj {
  uint8_t iDComplexity = kDcTrivial;
  RectL rclBounds;
};

// Color translation between surfaces is the identity here (both 24-bit).
struct XlateObj {};

// The color adjustment the caller asks stretches to apply; carried only.
struct ColorAdjustment {
  uint16_t caSize = 24;
  uint16_t caFlags = 0;
  uint16_t caIlluminantIndex = 0;
  uint16_t caRedGamma = 10000;
  uint16_t caGreenGamma = 10000;
  uint16_t caBlueGamma = 10000;
  uint16_t caReferenceBlack = 0;
  uint16_t caReferenceWhite = 10000;
  int16_t caContrast = 0;
  int16_t caBrightness = 0;
  int16_t caColorfulness = 0;
  int16_t caRedGreenTint = 0;
};
static_assert(sizeof(ColorAdjustment) == 24);

// A path: figures of points in device pixels; closed figures are filled.
struct PathObj {
  struct Figure {
    std::vector<PointL> points;
    bool closed = true;
  };
  std::vector<Figure> figures;
};

struct LineAttrs {
  int32_t width = 1;
};

// Fill modes.
inline constexpr uint32_t kFpAlternateMode = 1;
inline constexpr uint32_t kFpWindingMode = 2;

// Stretch modes.
inline constexpr uint32_t kBlackOnWhite = 1;
inline constexpr uint32_t kWhiteOnBlack = 2;
inline constexpr uint32_t kColorOnColor = 3;
inline constexpr uint32_t kHalftone = 4;

// Raster operations (rop4 = two rop3 bytes; only the ones the package uses).
inline constexpr uint32_t kRopSrcCopy = 0xCCCC;
inline constexpr uint32_t kRopPatCopy = 0xF0F0;
inline constexpr uint32_t kRopWhiteness = 0xFFFF;
inline constexpr uint32_t kRopBlackness = 0x0000;

// Gradient fills: vertices with 16-bit channels, rectangles between two of them.
struct TriVertex {
  int32_t x = 0;
  int32_t y = 0;
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
  uint16_t alpha = 0;
};
struct GradientRect {
  uint32_t upperLeft = 0;
  uint32_t lowerRight = 0;
};
struct GradientTriangle {
  uint32_t vertex1 = 0;
  uint32_t vertex2 = 0;
  uint32_t vertex3 = 0;
};
inline constexpr uint32_t kGradientFillRectH = 0;
inline constexpr uint32_t kGradientFillRectV = 1;
inline constexpr uint32_t kGradientFillTriangle = 2;

struct BlendObj {
  uint8_t sourceConstantAlpha = 255;
};

// Text is drawn by the engine from the glyphs it knows; here a string object
// carries the text, the top-left corner of its first character cell and the
// character height in pixels (the color comes with the foreground brush).
struct StrObj {
  std::vector<char16_t> text;
  PointL origin;
  int32_t height = 12;
};

// ---- Device capabilities, copied up to the size the engine gives ----

// Chromaticity x, y and luminance Y in ten-thousandths.
struct CieChroma {
  int32_t x = 0;
  int32_t y = 0;
  int32_t Y = 0;
};

struct ColorInfo {
  CieChroma red, green, blue, cyan, magenta, yellow, alignmentWhite;
  int32_t redGamma = 0;
  int32_t greenGamma = 0;
  int32_t blueGamma = 0;
  int32_t magentaInCyanDye = 0;
  int32_t yellowInCyanDye = 0;
  int32_t cyanInMagentaDye = 0;
  int32_t yellowInMagentaDye = 0;
  int32_t cyanInYellowDye = 0;
  int32_t magentaInYellowDye = 0;
};
static_assert(sizeof(ColorInfo) == 120);

struct GdiInfo {
  uint32_t ulVersion;
  uint32_t ulTechnology;
  uint32_t ulHorzSize;
  uint32_t ulVertSize;
  uint32_t ulHorzRes;
  uint32_t ulVertRes;
  uint32_t cBitsPixel;
  uint32_t cPlanes;
  uint32_t ulNumColors;
  uint32_t flRaster;
  uint32_t ulLogPixelsX;
  uint32_t ulLogPixelsY;
  uint32_t flTextCaps;
  uint32_t ulDACRed;
  uint32_t ulDACGreen;
  uint32_t ulDACBlue;
  uint32_t ulAspectX;
  uint32_t ulAspectY;
  uint32_t ulAspectXY;
  int32_t xStyleStep;
  int32_t yStyleStep;
  int32_t denStyleStep;
  PointL ptlPhysOffset;
  SizeL szlPhysSize;
  uint32_t ulNumPalReg;
  ColorInfo ciDevice;
  uint32_t ulDevicePelsDPI;
  uint32_t ulPrimaryOrder;
  uint32_t ulHTPatternSize;
  uint32_t ulHTOutputFormat;
  uint32_t flHTFlags;
  uint32_t ulVRefresh;
  uint32_t ulBltAlignment;
  uint32_t ulPanningHorzRes;
  uint32_t ulPanningVertRes;
  uint32_t xPanningAlignment;
  uint32_t yPanningAlignment;
  uint32_t cxHTPat;
  uint32_t cyHTPat;
  uint8_t* pHTPatA;
  uint8_t* pHTPatB;
  uint8_t* pHTPatC;
  uint32_t flShadeBlend;
  uint32_t ulPhysicalPixelCharacteristics;
  uint32_t ulPhysicalPixelGamma;
};
static_assert(sizeof(GdiInfo) == 320);
static_assert(offsetof(GdiInfo, ptlPhysOffset) == 88);
static_assert(offsetof(GdiInfo, ciDevice) == 108);
static_assert(offsetof(GdiInfo, ulDevicePelsDPI) == 228);
static_assert(offsetof(GdiInfo, pHTPatA) == 280);

struct LogFontW {
  int32_t lfHeight;
  int32_t lfWidth;
  int32_t lfEscapement;
  int32_t lfOrientation;
  int32_t lfWeight;
  uint8_t lfItalic;
  uint8_t lfUnderline;
  uint8_t lfStrikeOut;
  uint8_t lfCharSet;
  uint8_t lfOutPrecision;
  uint8_t lfClipPrecision;
  uint8_t lfQuality;
  uint8_t lfPitchAndFamily;
  char16_t lfFaceName[32];
};
static_assert(sizeof(LogFontW) == 92);

struct DevInfo {
  uint32_t flGraphicsCaps;
  LogFontW lfDefaultFont;
  LogFontW lfAnsiVarFont;
  LogFontW lfAnsiFixFont;
  uint32_t cFonts;
  uint32_t iDitherFormat;
  uint16_t cxDither;
  uint16_t cyDither;
  HPalette hpalDefault;
  uint32_t flGraphicsCaps2;
};

// ---- The driver's function table ----

struct DrvFn {
  uint32_t iFunc;
  void* pfn;
};

struct DrvEnableData {
  uint32_t iDriverVersion;
  uint32_t c;
  const DrvFn* pdrvfn;
};

// The engine version this engine reports to DrvEnableDriver.
inline constexpr uint32_t kEngineVersion = 0x00030100;

// Function indexes of the driver callbacks.
enum DrvIndex : uint32_t {
  kIndexEnablePDEV = 0,
  kIndexCompletePDEV = 1,
  kIndexDisablePDEV = 2,
  kIndexEnableSurface = 3,
  kIndexDisableSurface = 4,
  kIndexResetPDEV = 7,
  kIndexDitherColor = 13,
  kIndexStrokePath = 14,
  kIndexFillPath = 15,
  kIndexStrokeAndFillPath = 16,
  kIndexPaint = 17,
  kIndexBitBlt = 18,
  kIndexCopyBits = 19,
  kIndexStretchBlt = 20,
  kIndexTextOut = 23,
  kIndexEscape = 24,
  kIndexLineTo = 31,
  kIndexSendPage = 32,
  kIndexStartPage = 33,
  kIndexEndDoc = 34,
  kIndexStartDoc = 35,
  kIndexGradientFill = 68,
  kIndexStretchBltROP = 69,
  kIndexPlgBlt = 70,
  kIndexAlphaBlend = 71,
  kIndexTransparentBlt = 74,
};

// Hook bits a driver sets when it associates its surface.
inline constexpr uint32_t kHookBitBlt = 0x00000001;
inline constexpr uint32_t kHookStretchBlt = 0x00000002;
inline constexpr uint32_t kHookPlgBlt = 0x00000004;
inline constexpr uint32_t kHookTextOut = 0x00000008;
inline constexpr uint32_t kHookPaint = 0x00000010;
inline constexpr uint32_t kHookStrokePath = 0x00000020;
inline constexpr uint32_t kHookFillPath = 0x00000040;
inline constexpr uint32_t kHookStrokeAndFillPath = 0x00000080;
inline constexpr uint32_t kHookLineTo = 0x00000100;
inline constexpr uint32_t kHookCopyBits = 0x00000400;
inline constexpr uint32_t kHookStretchBltROP = 0x00002000;
inline constexpr uint32_t kHookTransparentBlt = 0x00008000;
inline constexpr uint32_t kHookAlphaBlend = 0x00010000;
inline constexpr uint32_t kHookGradientFill = 0x00020000;

// Palette modes.
inline constexpr uint32_t kPalIndexed = 0x00000001;
inline constexpr uint32_t kPalBitfields = 0x00000002;
inline constexpr uint32_t kPalBgr = 0x00000008;
inline constexpr uint32_t kPalRgb = 0x00000004;

// The driver's entry point: fills enableData with its version and callback
// table; false when the engine version or the size is not acceptable.
using DrvEnableDriverFn = int32_t (*)(uint32_t engineVersion, uint32_t size, DrvEnableData* enableData);
using DrvDisableDriverFn = void (*)();

// Driver callback signatures.
using DrvEnablePDEVFn = DHPdev (*)(const void* devMode, const char16_t* logAddress, uint32_t patternCount,
                                   HSurf* patterns, uint32_t capsSize, void* gdiInfo, uint32_t devInfoSize,
                                   void* devInfo, HDev hdev, const char16_t* deviceName, void* printer);
using DrvCompletePDEVFn = void (*)(DHPdev pdev, HDev hdev);
using DrvDisablePDEVFn = void (*)(DHPdev pdev);
using DrvEnableSurfaceFn = HSurf (*)(DHPdev pdev);
using DrvDisableSurfaceFn = void (*)(DHPdev pdev);
using DrvResetPDEVFn = int32_t (*)(DHPdev oldPdev, DHPdev newPdev);
using DrvStartDocFn = int32_t (*)(SurfObj* surface, const char16_t* docName, uint32_t jobId);
using DrvEndDocFn = int32_t (*)(SurfObj* surface, uint32_t flags);
using DrvStartPageFn = int32_t (*)(SurfObj* surface);
using DrvSendPageFn = int32_t (*)(SurfObj* surface);
using DrvEscapeFn = uint32_t (*)(SurfObj* surface, uint32_t escape, uint32_t inSize, const void* in,
                                 uint32_t outSize, void* out);
using DrvDitherColorFn = uint32_t (*)(DHPdev pdev, uint32_t mode, uint32_t rgb, uint32_t* dither);
using DrvBitBltFn = int32_t (*)(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                                const RectL* dstRect, const PointL* srcPoint, const PointL* maskPoint,
                                BrushObj* brush, const PointL* brushOrigin, uint32_t rop4);
using DrvCopyBitsFn = int32_t (*)(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                                  const PointL* srcPoint);
using DrvStretchBltFn = int32_t (*)(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                                    ColorAdjustment* colorAdjust, const PointL* halftoneOrigin,
                                    const RectL* dstRect, const RectL* srcRect, const PointL* maskPoint,
                                    uint32_t mode);
using DrvStretchBltROPFn = int32_t (*)(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                                       ColorAdjustment* colorAdjust, const PointL* halftoneOrigin,
                                       const RectL* dstRect, const RectL* srcRect, const PointL* maskPoint,
                                       uint32_t mode, BrushObj* brush, uint32_t rop4);
// The destination parallelogram: points 0, 1, 2 are the images of the source
// rectangle's top-left, top-right and bottom-left corners.
using DrvPlgBltFn = int32_t (*)(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                                ColorAdjustment* colorAdjust, const PointL* halftoneOrigin, const PointL* dstPoints,
                                const RectL* srcRect, const PointL* maskPoint, uint32_t mode);
using DrvTextOutFn = int32_t (*)(SurfObj* dst, StrObj* str, void* font, ClipObj* clip, RectL* extra,
                                 RectL* opaqueRect, BrushObj* foreground, BrushObj* opaque,
                                 const PointL* brushOrigin, uint32_t mix);
using DrvPaintFn = int32_t (*)(SurfObj* dst, ClipObj* clip, BrushObj* brush, const PointL* brushOrigin,
                               uint32_t mix);
using DrvStrokePathFn = int32_t (*)(SurfObj* dst, PathObj* path, ClipObj* clip, void* xform, BrushObj* brush,
                                    const PointL* brushOrigin, LineAttrs* line, uint32_t mix);
using DrvFillPathFn = int32_t (*)(SurfObj* dst, PathObj* path, ClipObj* clip, BrushObj* brush,
                                  const PointL* brushOrigin, uint32_t mix, uint32_t options);
using DrvStrokeAndFillPathFn = int32_t (*)(SurfObj* dst, PathObj* path, ClipObj* clip, void* xform,
                                           BrushObj* strokeBrush, LineAttrs* line, BrushObj* fillBrush,
                                           const PointL* brushOrigin, uint32_t mix, uint32_t options);
using DrvLineToFn = int32_t (*)(SurfObj* dst, ClipObj* clip, BrushObj* brush, int32_t x1, int32_t y1, int32_t x2,
                                int32_t y2, const RectL* bounds, uint32_t mix);
using DrvGradientFillFn = int32_t (*)(SurfObj* dst, ClipObj* clip, XlateObj* xlate, const TriVertex* vertices,
                                      uint32_t vertexCount, const void* mesh, uint32_t meshCount,
                                      const RectL* bounds, const PointL* ditherOrigin, uint32_t mode);
using DrvAlphaBlendFn = int32_t (*)(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate,
                                    const RectL* dstRect, const RectL* srcRect, BlendObj* blend);
using DrvTransparentBltFn = int32_t (*)(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate,
                                        const RectL* dstRect, const RectL* srcRect, uint32_t transparentColor,
                                        uint32_t reserved);

}  // namespace q7310::gdi
