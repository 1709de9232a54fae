// The graphics engine stand-in: surfaces and palettes, and the drawing
// operations a printer graphics driver passes its hooked calls to. Every
// drawing call works for real on 24-bit surfaces (blue, green, red bytes).
//
// Results: drawing calls answer true on success, false with
// kErrorInvalidParameter for missing or unusable arguments (a null surface, a
// format other than 24 bits per pixel, an empty or inverted rectangle is
// drawn as nothing and answers true). Nothing blocks; nothing throws.
// Handles are process-wide; one thread uses one surface at a time.
#pragma once

#include <cstdint>
#include <span>

#include "platform/gdi/api.h"
#include "platform/gdi/types.h"

namespace q7310::gdi {

// ---- Surfaces ----

// Creates a bitmap of size pixels. stride 0 lets the engine choose (rows
// padded to 4 bytes); bits null lets the engine allocate zeroed bits, which it
// frees with the surface. flags kBmfTopDown: row 0 is the top row (lDelta
// positive), else the bitmap is bottom-up (pvScan0 at the last row, lDelta
// negative). nullptr with kErrorNotEnoughMemory when the bits cannot be had,
// kErrorInvalidParameter for a bad size or format.
Q7310_GDI_API HBitmap engCreateBitmap(SizeL size, int32_t stride, uint32_t format, uint32_t flags, void* bits);
// Ties a surface to an engine device and records which drawing calls the
// driver hooks; the surface's SurfObj then carries the hdev and, for a device
// made by engCreateDevice, the driver's device pointer as dhpdev (any other
// hdev is kept as it is, never followed, and dhpdev stays null). False with
// kErrorInvalidHandle for an unknown surface.
Q7310_GDI_API bool engAssociateSurface(HSurf surface, HDev hdev, uint32_t hooks);
Q7310_GDI_API bool engDeleteSurface(HSurf surface);
// The surface's SurfObj (the same object until the surface is deleted);
// nullptr for an unknown handle.
Q7310_GDI_API SurfObj* engLockSurface(HSurf surface);
Q7310_GDI_API void engUnlockSurface(SurfObj* surface);
// The hooks recorded by engAssociateSurface and the device it is tied to.
Q7310_GDI_API uint32_t surfaceHooks(HSurf surface);
Q7310_GDI_API HDev surfaceDevice(HSurf surface);
// Surfaces alive in this process (to find leaks in tests).
Q7310_GDI_API size_t liveSurfaceCount();

// ---- Engine devices (the host's side: a device context makes one per
// driver device) ----

// A new engine device, handed to the driver as its HDev; nullptr with
// kErrorNotEnoughMemory.
Q7310_GDI_API HDev engCreateDevice();
// Records the driver's device pointer (what DrvEnablePDEV returned); surfaces
// associated with the device from then on carry it as dhpdev. False with
// kErrorInvalidHandle for an unknown device.
Q7310_GDI_API bool engSetDevicePdev(HDev hdev, DHPdev pdev);
Q7310_GDI_API bool engDeleteDevice(HDev hdev);

// ---- Palettes ----

// A palette: kPalBgr or kPalRgb (the 24-bit formats), or indexed with count
// colors. nullptr with kErrorInvalidParameter for an unknown mode.
Q7310_GDI_API HPalette engCreatePalette(uint32_t mode, uint32_t count, const uint32_t* colors, uint32_t red,
                                        uint32_t green, uint32_t blue);
Q7310_GDI_API bool engDeletePalette(HPalette palette);
Q7310_GDI_API size_t livePaletteCount();

// ---- Drawing (the same arguments as the driver callbacks) ----

// Any raster operation whose two rop4 halves are equal (kRopSrcCopy,
// kRopPatCopy, kRopWhiteness, kRopBlackness, and the other 252), with a source
// when it reads one and a solid brush when it reads the pattern; masked rop4s
// fail. A source that reaches past its surface copies only what it has; a
// blit within one surface may overlap.
Q7310_GDI_API bool engBitBlt(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                             const RectL* dstRect, const PointL* srcPoint, const PointL* maskPoint, BrushObj* brush,
                             const PointL* brushOrigin, uint32_t rop4);
Q7310_GDI_API bool engCopyBits(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                               const PointL* srcPoint);
// Stretches srcRect onto dstRect (a reversed rectangle mirrors). kHalftone
// resamples for quality (area average when shrinking, interpolation when
// enlarging); the other modes sample the nearest source pixel.
Q7310_GDI_API bool engStretchBlt(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                                 ColorAdjustment* colorAdjust, const PointL* halftoneOrigin, const RectL* dstRect,
                                 const RectL* srcRect, const PointL* maskPoint, uint32_t mode);
Q7310_GDI_API bool engStretchBltROP(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                                    ColorAdjustment* colorAdjust, const PointL* halftoneOrigin,
                                    const RectL* dstRect, const RectL* srcRect, const PointL* maskPoint,
                                    uint32_t mode, BrushObj* brush, uint32_t rop4);
Q7310_GDI_API bool engPlgBlt(SurfObj* dst, SurfObj* src, SurfObj* mask, ClipObj* clip, XlateObj* xlate,
                             ColorAdjustment* colorAdjust, const PointL* halftoneOrigin, const PointL* dstPoints,
                             const RectL* srcRect, const PointL* maskPoint, uint32_t mode);
// Text from a built-in 5 x 7 font (printable ASCII; other characters draw a
// box) scaled by whole pixels to the string's height, in the foreground
// brush's color; the opaque rectangle is painted first with the opaque brush.
Q7310_GDI_API bool engTextOut(SurfObj* dst, StrObj* str, void* font, ClipObj* clip, RectL* extra,
                              RectL* opaqueRect, BrushObj* foreground, BrushObj* opaque, const PointL* brushOrigin,
                              uint32_t mix);
// Mixes are R2 codes (1 black ... 13 copy pen ... 16 white) in the low byte.
// Paths fill with kFpAlternateMode or kFpWindingMode as options; strokes use
// the line width (one-pixel lines leave out their end point).
Q7310_GDI_API bool engPaint(SurfObj* dst, ClipObj* clip, BrushObj* brush, const PointL* brushOrigin, uint32_t mix);
Q7310_GDI_API bool engStrokePath(SurfObj* dst, PathObj* path, ClipObj* clip, void* xform, BrushObj* brush,
                                 const PointL* brushOrigin, LineAttrs* line, uint32_t mix);
Q7310_GDI_API bool engFillPath(SurfObj* dst, PathObj* path, ClipObj* clip, BrushObj* brush,
                               const PointL* brushOrigin, uint32_t mix, uint32_t options);
Q7310_GDI_API bool engStrokeAndFillPath(SurfObj* dst, PathObj* path, ClipObj* clip, void* xform,
                                        BrushObj* strokeBrush, LineAttrs* line, BrushObj* fillBrush,
                                        const PointL* brushOrigin, uint32_t mix, uint32_t options);
Q7310_GDI_API bool engLineTo(SurfObj* dst, ClipObj* clip, BrushObj* brush, int32_t x1, int32_t y1, int32_t x2,
                             int32_t y2, const RectL* bounds, uint32_t mix);
// kGradientFillRectH / kGradientFillRectV with GradientRect meshes,
// kGradientFillTriangle with GradientTriangle meshes. A vertex index past
// vertexCount fails the whole call before anything is drawn.
Q7310_GDI_API bool engGradientFill(SurfObj* dst, ClipObj* clip, XlateObj* xlate, const TriVertex* vertices,
                                   uint32_t vertexCount, const void* mesh, uint32_t meshCount, const RectL* bounds,
                                   const PointL* ditherOrigin, uint32_t mode);
Q7310_GDI_API bool engAlphaBlend(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate, const RectL* dstRect,
                                 const RectL* srcRect, BlendObj* blend);
// transparentColor is the color key, 0x00BBGGRR like brush colors.
Q7310_GDI_API bool engTransparentBlt(SurfObj* dst, SurfObj* src, ClipObj* clip, XlateObj* xlate,
                                     const RectL* dstRect, const RectL* srcRect, uint32_t transparentColor,
                                     uint32_t reserved);

// ---- Spooler output of a driver ----

// Writes a driver's job data to the spooler for the printer handle the engine
// gave the driver at device creation; written receives the bytes taken.
Q7310_GDI_API bool engWritePrinter(void* printer, const void* data, uint32_t size, uint32_t* written);

}  // namespace q7310::gdi
