#include "Q7310RGB/optimize/icm.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "Q7310RGB/bitmap/bitmap.h"
#include "common/debug_log.h"
#include "platform/os/color_management.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/library.h"
#include "platform/os/registry.h"

namespace q7310::rgb {
namespace {

constexpr const char* kDefaultColorDirectory = "C:\\Windows\\System32\\spool\\drivers\\color";
constexpr const char* kProfileKey = ".DEFAULT\\SOFTWARE\\Tornik\\DPX-Q7310\\ICC";
constexpr const char* kDefaultInput = "\\sRGB_IEC61966-2-1_black_scaled.ICC";
constexpr const char* kDefaultOutput = "\\DPX-Q7310-0.ICC";
// The value buffers hold 256 bytes with the NUL, the paths 261.
constexpr size_t kValueCapacity = 256;
constexpr size_t kPathCapacity = 261;
constexpr uint32_t kErrorMoreData = 234;

// The module's tone tables: four for the input curve, four for the output.
std::array<std::array<uint8_t, 256>, 8> gToneTables;

const char* intentName(int32_t intent) {
  switch (intent) {
    case 0: return "Photo (Perceptual)";
    case 1: return "Logo Design (Relative Colorimetric)";
    case 2: return "Chroma Saturation (Saturation)";
    default: return "Unknown";
  }
}

// A registry string as a 256-byte buffer would take it: longer ones fail.
std::optional<std::string> readValue(const os::RegistryKey& key, const char* name) {
  auto value = key.readString(name);
  if (value && value->size() >= kValueCapacity) {
    os::setLastError(kErrorMoreData);
    return std::nullopt;
  }
  return value;
}

// directory + backslash + value, or empty when it would not fit the buffer.
std::string joined(const std::string& directory, const std::string& value) {
  std::string path = directory + "\\" + value;
  return path.size() < kPathCapacity ? path : std::string();
}

}  // namespace

FilterEngine::FilterEngine(std::unique_ptr<os::Library> library, const FilterFunctions& functions)
    : library_(std::move(library)), functions_(functions) {}

FilterEngine::~FilterEngine() = default;

std::unique_ptr<FilterEngine> FilterEngine::load() {
  auto library = os::Library::load("Q5150FLT.dll");
  if (!library) return nullptr;
  FilterFunctions f{};
  bool complete = true;
  auto bind = [&](auto& slot, uint16_t ordinal) {
    slot = library->functionByOrdinal<std::remove_reference_t<decltype(slot)>>(ordinal);
    if (slot == nullptr) complete = false;
  };
  bind(f.open, 1);
  bind(f.close, 2);
  bind(f.initpage, 3);
  bind(f.startpage, 4);
  bind(f.endpage, 5);
  bind(f.freepage, 6);
  bind(f.filterDo, 7);
  bind(f.disposPtr, 8);
  bind(f.setInputToneCurve, 10);
  bind(f.setOutputToneCurve, 11);
  bind(f.setMtf, 12);
  bind(f.setIccProfile, 13);
  if (!complete) {
    os::setLastError(os::kErrorProcNotFound);
    return nullptr;
  }
  return std::unique_ptr<FilterEngine>(new FilterEngine(std::move(library), f));
}

ProfilePaths queryColorProfile(DebugLog& log) {
  log.log(">>>> QueryColorProfile");
  std::string directory;
  if (auto answered = os::getColorDirectory()) {
    directory = *answered;
  } else {
    log.log("ColorProfileDirectory->LoadLibrary (%d )", static_cast<int>(os::lastError()));
  }
  if (directory.empty()) {
    directory = kDefaultColorDirectory;
    log.log("Default Profile Path: %s", directory.c_str());
  }
  ProfilePaths paths;
  if (auto key = os::RegistryKey::open(os::RegistryRoot::Users, kProfileKey)) {
    if (auto value = readValue(*key, "Profile")) {
      paths.output = joined(directory, *value);
      log.log("Profile: (%s)", paths.output.c_str());
    } else {
      log.log("Query profile key failed (%d).", static_cast<int>(os::lastError()));
    }
    if (auto value = readValue(*key, "LUT")) {
      paths.input = joined(directory, *value);
      log.log("LUT: (%s)", paths.input.c_str());
    } else {
      log.log("Query LUT key failed (%d).", static_cast<int>(os::lastError()));
    }
  } else {
    log.log("RegCreateKey failed (%d).", static_cast<int>(os::lastError()));
  }
  if (paths.input.empty() || !os::fileExists(paths.input)) paths.input = directory + kDefaultInput;
  if (paths.output.empty() || !os::fileExists(paths.output)) paths.output = directory + kDefaultOutput;
  log.log("<<<< QueryColorProfile (%s)(%s)", paths.input.c_str(), paths.output.c_str());
  return paths;
}

int32_t icm(const OptimizeParams& params, const char* inputProfile, const char* outputProfile,
            const FilterFunctions* filter, uint32_t openError, DebugLog& log) {
  const RgbBitmap& page = params.bitmap;
  log.log(">>>> Q7310_ICM");
  log.log("    Width:      %d", page.width);
  log.log("    Height:     %d", page.height);
  log.log("    Delta:      %d", page.stride);
  log.log("    RGB:        %p", static_cast<void*>(page.pixels));
  log.log("    ICM Intent: %d", params.icmIntent);
  log.log("    ICM Intent: %s", intentName(params.icmIntent));
  for (auto& table : gToneTables) table.fill(0);

  uint16_t err = 0;
  void* inst = filter != nullptr ? filter->open(&err) : nullptr;
  if (inst == nullptr) {
    log.log("    plugin_filter_open failed (%d)", filter != nullptr ? int(err) : int(openError));
    log.log("<<<< Q7310_ICM");
    return kIcmNoFilter;
  }
  const FilterFunctions& f = *filter;
  uint8_t* band = nullptr;
  // Every step below leaves the page as it was unless the whole page matched.
  [&] {
    const int32_t zeroCoefficients[9] = {};
    if (!f.setInputToneCurve(inst, 0, gToneTables[0].data(), gToneTables[1].data(), gToneTables[2].data(),
                             gToneTables[3].data(), &err)) {
      log.log("    plugin_filter_setInputToneCurve failed (%d)", err);
      return;
    }
    if (!f.setOutputToneCurve(inst, 0, gToneTables[4].data(), gToneTables[5].data(), gToneTables[6].data(),
                              gToneTables[7].data(), &err)) {
      log.log("    plugin_filter_setOutputToneCurve failed (%d)", err);
      return;
    }
    if (!f.setMtf(inst, 0, zeroCoefficients, 100, &err)) {
      log.log("    plugin_filter_setMtf failed (%d)", err);
      return;
    }
    ProfilePaths paths;
    if (inputProfile != nullptr && outputProfile != nullptr && *inputProfile != '\0' && *outputProfile != '\0') {
      paths = {inputProfile, outputProfile};
    } else {
      paths = queryColorProfile(log);
    }
    log.log("    Input profile: %s (%d)", paths.input.c_str(), os::fileExists(paths.input) ? 0 : -1);
    log.log("    Output profile: %s (%d)", paths.output.c_str(), os::fileExists(paths.output) ? 0 : -1);
    if (!f.setIccProfile(inst, 1, paths.input.c_str(), paths.output.c_str(),
                         static_cast<uint16_t>(params.icmIntent & 0xFFFF), &err)) {
      log.log("    plugin_filter_setIccProfile failed (%d)", err);
      return;
    }
    // A record whose rows or sizes do not hold together is never read: the
    // engine would be handed lengths that the pixels do not back.
    if (checkGeometry(&page) == Geometry::Invalid) {
      log.log("    plugin_filter_initpage failed (%d)", 1006);
      return;
    }
    if (!f.initpage(inst, static_cast<uint32_t>(page.width), static_cast<uint32_t>(page.height), 0, &err)) {
      log.log("    plugin_filter_initpage failed (%d)", err);
      return;
    }
    if (!f.startpage(inst, &err)) {
      log.log("    plugin_filter_startpage failed (%d)", err);
      return;
    }
    const size_t rowBytes = size_t(page.width) * 3;
    const size_t packedSize = (size_t(page.height) + 10) * rowBytes;
    log.log(">>>> Q7310_RGBToQ7310FE");
    log.log("    Width:      %d", page.width);
    log.log("    Height:     %d", page.height);
    log.log("    Delta:      %d", page.stride);
    auto* packed = static_cast<uint8_t*>(std::calloc(packedSize, 1));
    log.log("    iData:      %p", static_cast<void*>(packed));
    if (packed != nullptr) {
      for (int32_t y = 0; y < page.height; ++y) std::memcpy(packed + size_t(y) * rowBytes, rowOf(page, y), rowBytes);
    }
    log.log("<<<< Q7310_RGBToQ7310FE[%p]", static_cast<void*>(packed));
    if (packed == nullptr) {
      log.log("    plugin_filter_do failed (%d)", 1000);
      return;
    }
    uint32_t outLines = 0;
    const bool done = f.filterDo(inst, packed, static_cast<uint32_t>(page.height), &band, &outLines, &err) != 0;
    // Only a band with every line of the page is copied back: fewer lines
    // would leave the page half matched.
    if (done && band != nullptr && outLines >= static_cast<uint32_t>(page.height)) {
      for (int32_t y = 0; y < page.height; ++y) std::memcpy(rowOf(page, y), band + size_t(y) * rowBytes, rowBytes);
      f.disposPtr(band);
      band = nullptr;
      f.endpage(inst, &err);
      f.freepage(inst, &err);
    } else {
      log.log("    plugin_filter_do failed (%d)", done ? 1000 : int(err));
    }
    std::free(packed);
  }();
  if (band != nullptr) f.disposPtr(band);
  f.close(inst);
  log.log("<<<< Q7310_ICM");
  return kIcmDone;
}

}  // namespace q7310::rgb
