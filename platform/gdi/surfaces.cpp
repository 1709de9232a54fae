// Surfaces and palettes: the engine's own records behind the opaque handles,
// kept in a process-wide table so that a made-up or deleted handle is refused
// instead of followed.
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "platform/gdi/engine.h"
#include "platform/gdi/raster.h"
#include "platform/os/errors.h"

namespace q7310::gdi {

struct SurfaceRecord {
  SurfObj obj;
  uint8_t* ownedBits = nullptr;
  uint32_t hooks = 0;
  HDev device = nullptr;
  ~SurfaceRecord() { std::free(ownedBits); }
};

struct EngineDeviceRecord {
  DHPdev pdev = nullptr;
};

struct PaletteRecord {
  uint32_t mode = 0;
  std::vector<uint32_t> colors;
  uint32_t red = 0, green = 0, blue = 0;
};

namespace {

std::mutex& tableMutex() {
  static std::mutex m;
  return m;
}
std::unordered_set<SurfaceRecord*>& surfaces() {
  static std::unordered_set<SurfaceRecord*> s;
  return s;
}
std::unordered_set<EngineDeviceRecord*>& devices() {
  static std::unordered_set<EngineDeviceRecord*> d;
  return d;
}
std::unordered_set<PaletteRecord*>& palettes() {
  static std::unordered_set<PaletteRecord*> p;
  return p;
}

SurfaceRecord* findSurface(HSurf handle) {
  auto& all = surfaces();
  return all.count(handle) != 0 ? handle : nullptr;
}

}  // namespace

HBitmap engCreateBitmap(SizeL size, int32_t stride, uint32_t format, uint32_t flags, void* bits) {
  if (format != kBmf24Bpp || size.cx <= 0 || size.cy <= 0 || size.cx > (1 << 20) || size.cy > (1 << 20)) {
    os::setLastError(os::kErrorInvalidParameter);
    return nullptr;
  }
  const int64_t rowBytes = int64_t{size.cx} * 3;
  int64_t step = stride == 0 ? (rowBytes + 3) / 4 * 4 : std::abs(int64_t{stride});
  if (step < rowBytes) {
    os::setLastError(os::kErrorInvalidParameter);
    return nullptr;
  }
  const int64_t total = step * size.cy;
  if (total > std::numeric_limits<uint32_t>::max()) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return nullptr;
  }
  auto* record = new (std::nothrow) SurfaceRecord;
  if (record == nullptr) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return nullptr;
  }
  uint8_t* base = static_cast<uint8_t*>(bits);
  if (base == nullptr) {
    record->ownedBits = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(total), 1));
    if (record->ownedBits == nullptr) {
      delete record;
      os::setLastError(os::kErrorNotEnoughMemory);
      return nullptr;
    }
    base = record->ownedBits;
  }
  SurfObj& obj = record->obj;
  obj.hsurf = record;
  obj.sizlBitmap = size;
  obj.cjBits = static_cast<uint32_t>(total);
  obj.pvBits = base;
  obj.iBitmapFormat = format;
  obj.fjBitmap = flags & kBmfTopDown;
  if (flags & kBmfTopDown) {
    obj.pvScan0 = base;
    obj.lDelta = static_cast<int32_t>(step);
  } else {
    obj.pvScan0 = base + step * (size.cy - 1);
    obj.lDelta = -static_cast<int32_t>(step);
  }
  std::lock_guard lock(tableMutex());
  surfaces().insert(record);
  return record;
}

bool engAssociateSurface(HSurf surface, HDev hdev, uint32_t hooks) {
  std::lock_guard lock(tableMutex());
  SurfaceRecord* record = findSurface(surface);
  if (record == nullptr) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  record->device = hdev;
  record->hooks = hooks;
  record->obj.hdev = hdev;
  // The driver finds its own device through the surface it is handed.
  record->obj.dhpdev = devices().count(hdev) != 0 ? hdev->pdev : nullptr;
  return true;
}

bool engDeleteSurface(HSurf surface) {
  std::lock_guard lock(tableMutex());
  SurfaceRecord* record = findSurface(surface);
  if (record == nullptr) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  surfaces().erase(record);
  delete record;
  return true;
}

SurfObj* engLockSurface(HSurf surface) {
  std::lock_guard lock(tableMutex());
  SurfaceRecord* record = findSurface(surface);
  if (record == nullptr) {
    os::setLastError(os::kErrorInvalidHandle);
    return nullptr;
  }
  return &record->obj;
}

void engUnlockSurface(SurfObj*) {}

uint32_t surfaceHooks(HSurf surface) {
  std::lock_guard lock(tableMutex());
  SurfaceRecord* record = findSurface(surface);
  return record != nullptr ? record->hooks : 0;
}

HDev surfaceDevice(HSurf surface) {
  std::lock_guard lock(tableMutex());
  SurfaceRecord* record = findSurface(surface);
  return record != nullptr ? record->device : nullptr;
}

size_t liveSurfaceCount() {
  std::lock_guard lock(tableMutex());
  return surfaces().size();
}

HDev engCreateDevice() {
  auto* device = new (std::nothrow) EngineDeviceRecord;
  if (device == nullptr) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return nullptr;
  }
  std::lock_guard lock(tableMutex());
  devices().insert(device);
  return device;
}

bool engSetDevicePdev(HDev hdev, DHPdev pdev) {
  std::lock_guard lock(tableMutex());
  if (devices().count(hdev) == 0) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  hdev->pdev = pdev;
  return true;
}

bool engDeleteDevice(HDev hdev) {
  std::lock_guard lock(tableMutex());
  if (devices().erase(hdev) == 0) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  delete hdev;
  return true;
}

HPalette engCreatePalette(uint32_t mode, uint32_t count, const uint32_t* colors, uint32_t red, uint32_t green,
                          uint32_t blue) {
  auto* palette = new (std::nothrow) PaletteRecord;
  if (palette == nullptr) {
    os::setLastError(os::kErrorNotEnoughMemory);
    return nullptr;
  }
  palette->mode = mode;
  if (mode == kPalIndexed) {
    if (count == 0 || count > 65536 || colors == nullptr) {
      delete palette;
      os::setLastError(os::kErrorInvalidParameter);
      return nullptr;
    }
    palette->colors.assign(colors, colors + count);
  } else if (mode == kPalBitfields) {
    palette->red = red;
    palette->green = green;
    palette->blue = blue;
  } else if (mode != kPalBgr && mode != kPalRgb) {
    delete palette;
    os::setLastError(os::kErrorInvalidParameter);
    return nullptr;
  }
  std::lock_guard lock(tableMutex());
  palettes().insert(palette);
  return palette;
}

bool engDeletePalette(HPalette palette) {
  std::lock_guard lock(tableMutex());
  if (palettes().erase(palette) == 0) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  delete palette;
  return true;
}

size_t livePaletteCount() {
  std::lock_guard lock(tableMutex());
  return palettes().size();
}

namespace detail {

bool usableSurface(const SurfObj* s) {
  return s != nullptr && s->iBitmapFormat == kBmf24Bpp && s->pvScan0 != nullptr && s->sizlBitmap.cx > 0 &&
         s->sizlBitmap.cy > 0 && std::abs(int64_t{s->lDelta}) >= int64_t{s->sizlBitmap.cx} * 3;
}

RectL clipBox(const SurfObj* dst, const ClipObj* clip) {
  RectL box{0, 0, dst->sizlBitmap.cx, dst->sizlBitmap.cy};
  if (clip != nullptr && clip->iDComplexity == kDcRect) box = intersect(box, clip->rclBounds);
  return box;
}

bool mixToRop3(uint32_t mix, uint8_t* rop3) {
  uint32_t code = mix & 0xFF;
  if (code < 1 || code > 16) return false;
  // R2 code n-1 is a truth table over (pattern, destination): bit P*2 + D.
  uint32_t table = code - 1;
  uint8_t out = 0;
  for (int k = 0; k < 8; ++k) {
    int p = (k >> 2) & 1, d = k & 1;
    if ((table >> (p * 2 + d)) & 1) out |= static_cast<uint8_t>(1u << k);
  }
  *rop3 = out;
  return true;
}

void paintSpan(const SurfObj* dst, int32_t y, int32_t x0, int32_t x1, Bgr color, uint8_t rop3) {
  if (x1 <= x0) return;
  uint8_t* p = pixelAt(dst, x0, y);
  if (rop3 == 0xF0) {
    for (int32_t x = x0; x < x1; ++x, p += 3) {
      p[0] = color.b;
      p[1] = color.g;
      p[2] = color.r;
    }
    return;
  }
  for (int32_t x = x0; x < x1; ++x, p += 3) {
    p[0] = applyRop3(rop3, color.b, 0, p[0]);
    p[1] = applyRop3(rop3, color.g, 0, p[1]);
    p[2] = applyRop3(rop3, color.r, 0, p[2]);
  }
}

}  // namespace detail
}  // namespace q7310::gdi
