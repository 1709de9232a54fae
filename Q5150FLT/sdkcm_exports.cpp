// The SDKCM entry points: thin adapters over the profile reader and the color
// world. No exception leaves them.
#include <cstring>
#include <new>
#include <span>

#include "Q5150FLT/cmm/color_world.h"
#include "Q5150FLT/cmm/ipb_lut.h"
#include "Q5150FLT/cmm/match.h"
#include "Q5150FLT/icc/profile_file.h"
#include "Q5150FLT/sdkcm.h"
#include "platform/os/export_table.h"

using namespace q7310::flt;
namespace os = q7310::os;

namespace {

os::FileHandle fileOf(const SDKCMProfile* profile) {
  return profile ? static_cast<os::FileHandle>(*profile) : os::kInvalidFileHandle;
}

cmm::ColorWorld* worldOf(SDKCMColorWorld world) { return static_cast<cmm::ColorWorld*>(world); }

template <typename R, typename Fn>
R guarded(R failure, Fn&& fn) {
  try {
    return fn();
  } catch (...) {
    return failure;
  }
}

}  // namespace

Q7310_EXPORT int32_t SDKCMOpenProfile(const char* path, SDKCMProfile* out) {
  if (!path || !out) return -1;
  return guarded(-1, [&] {
    auto file = icc::openProfile(path);
    if (!file) return -1;
    *out = *file;
    return 0;
  });
}

Q7310_EXPORT int32_t SDKCMCloseProfile(SDKCMProfile* profile) {
  return icc::closeProfile(fileOf(profile)) ? 1 : 0;
}

Q7310_EXPORT int32_t SDKCMGetProfileHeader(SDKCMProfile* profile, void* header128) {
  if (!header128) return -1;
  std::span<uint8_t, icc::kHeaderSize> header(static_cast<uint8_t*>(header128), icc::kHeaderSize);
  return icc::readHeader(fileOf(profile), header) ? 0 : -1;
}

Q7310_EXPORT int32_t SDKCMGetTagTableInfo(SDKCMProfile* profile, uint32_t* count, void* table) {
  if (!count) return -1;
  return guarded(-1, [&] {
    if (!table) {
      *count = icc::tagCount(fileOf(profile));
      return 0;
    }
    std::vector<uint8_t> bytes = icc::tagTableBytes(fileOf(profile));
    std::memcpy(count, bytes.data(), 4);
    std::memcpy(table, bytes.data(), bytes.size());
    return 0;
  });
}

Q7310_EXPORT int32_t SDKCMGetPartialProfileElement(SDKCMProfile* profile, uint32_t tagSignature, uint32_t offset,
                                                   uint32_t* size, void* buffer) {
  if (!size) return -1;
  return guarded(-1, [&] {
    auto tag = icc::findTag(fileOf(profile), tagSignature);
    if (!tag) return -1;
    if (!buffer) {
      *size = tag->size;
      return 0;
    }
    auto got = icc::readTagPart(fileOf(profile), *tag, offset, std::span(static_cast<uint8_t*>(buffer), *size));
    *size = static_cast<uint32_t>(got.value_or(0));
    return 0;
  });
}

Q7310_EXPORT SDKCMColorWorld SDKCMCreateColorWorld(uint32_t intent, SDKCMProfile* inputProfile,
                                                   const uint8_t* inputTone, SDKCMProfile* outputProfile,
                                                   const uint8_t* outputTone) {
  if (!inputProfile || !outputProfile) return nullptr;
  return guarded<SDKCMColorWorld>(nullptr, [&]() -> SDKCMColorWorld {
    return cmm::createColorWorld(intent, fileOf(inputProfile), inputTone, fileOf(outputProfile), outputTone);
  });
}

Q7310_EXPORT int32_t SDKCMDisposeColorWorld(SDKCMColorWorld world) {
  cmm::disposeColorWorld(worldOf(world));
  return 0;
}

Q7310_EXPORT int32_t SDKCMMatchPixelMap(SDKCMColorWorld world, const SDKCMPixelMap* src, const SDKCMPixelMap* dst) {
  if (!world || !src || !dst) return -1;
  auto view = [](const SDKCMPixelMap& m) {
    cmm::MapView v;
    v.width = m.width;
    v.height = m.height;
    v.components = m.components;
    v.rowBytes = m.rowBytes;
    v.planes[0] = m.data;
    return v;
  };
  return cmm::match(*worldOf(world), view(*src), view(*dst));
}

Q7310_EXPORT int32_t SDKCMMatchPlaneMap(SDKCMColorWorld world, const SDKCMPlaneMap* src, const SDKCMPlaneMap* dst) {
  if (!world || !src || !dst) return -1;
  auto view = [](const SDKCMPlaneMap& m) {
    cmm::MapView v;
    v.width = m.width;
    v.height = m.height;
    v.components = m.components;
    v.rowBytes = m.rowBytes;
    for (int p = 0; p < 4; ++p) v.planes[p] = m.planes[p];
    v.planar = true;
    return v;
  };
  return cmm::match(*worldOf(world), view(*src), view(*dst));
}

Q7310_EXPORT uint32_t SDKCMGetNumsOfInPixComp(SDKCMColorWorld world) {
  return world ? worldOf(world)->header.inputChannels : 0;
}

Q7310_EXPORT uint32_t SDKCMGetNumsOfOutPixComp(SDKCMColorWorld world) {
  return world ? worldOf(world)->header.outputChannels : 0;
}

Q7310_EXPORT uint32_t SDKCMConvertColorWorldToIPB(SDKCMColorWorld world, uint8_t* out) {
  if (!world) return 0;
  // Callers size the buffer from a first call with a null out.
  std::span<uint8_t> buffer = out ? std::span<uint8_t>(out, cmm::kIpbSize) : std::span<uint8_t>();
  return cmm::exportIpb(*worldOf(world), buffer);
}

Q7310_EXPORT int32_t SDKCMCreatLUT(int16_t g0, int16_t g1, int16_t g2, int16_t g3, int16_t g4, uint8_t* out) {
  if (!out) return -1;
  const int16_t g[5] = {g0, g1, g2, g3, g4};
  cmm::gammaTables(g, std::span<uint8_t, 1280>(out, 1280));
  return 0;
}
