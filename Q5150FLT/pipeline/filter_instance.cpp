// Filter instance: settings, page preparation and the page stages.
#include "Q5150FLT/pipeline/filter_instance.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Q5150FLT/cmm/match.h"
#include "Q5150FLT/icc/profile_file.h"

namespace q7310::flt::pipeline {

namespace {

std::atomic<int> blockBudget{-1};

using Channels = std::array<tone::ToneTable, 3>;

// The three composed tables (channel after master) of a set of LUTs.
Channels composed(const std::array<PageLut, tone::kChannels>& luts) {
  Channels out{};
  for (int c = 0; c < 3; ++c)
    for (int v = 0; v < 256; ++v) out[c][v] = luts[c + 1].table[luts[0].table[v]];
  return out;
}

void applyTables(const Channels& t, const uint8_t* src, uint8_t* dst, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, src += 3, dst += 3) {
    const uint8_t r = src[0], g = src[1], b = src[2];
    dst[0] = t[0][r];
    dst[1] = t[1][g];
    dst[2] = t[2][b];
  }
}

void loadLuts(std::array<PageLut, tone::kChannels>& luts, bool on, const tone::ToneCurveRecord& curve) {
  for (int c = 0; c < tone::kChannels; ++c) {
    if (on) {
      luts[c].xOrientation = luts[c].yOrientation = curve.orientation;
      luts[c].table = curve.table[c];
    } else {
      luts[c] = PageLut{};
    }
    normaliseLut(luts[c]);
  }
}

// An RGB profile, open; nullopt (closed again) otherwise.
std::optional<os::FileHandle> openRgbProfile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  auto file = icc::openProfile(path);
  if (!file) return std::nullopt;
  std::array<uint8_t, icc::kHeaderSize> header{};
  uint32_t space = 0;
  if (icc::readHeader(*file, header)) std::memcpy(&space, header.data() + 16, 4);
  if (space != icc::kSigRgb) {
    icc::closeProfile(*file);
    return std::nullopt;
  }
  return file;
}

bool isRgbProfile(const char* path) {
  auto file = openRgbProfile(path);
  if (!file) return false;
  icc::closeProfile(*file);
  return true;
}

}  // namespace

void normaliseLut(PageLut& lut) {
  if (lut.xOrientation != 1 && lut.yOrientation != 1) {
    tone::reverseAndInvert(lut.table);
  } else if (lut.yOrientation != 1) {
    for (auto& v : lut.table) v = static_cast<uint8_t>(255 - v);
  }
  lut.xOrientation = lut.yOrientation = 1;
}

uint8_t* allocateBlock(size_t bytes, bool zeroed) {
  int budget = blockBudget.load();
  while (budget >= 0) {
    if (budget == 0) return nullptr;
    if (blockBudget.compare_exchange_weak(budget, budget - 1)) break;
  }
  if (bytes == 0) bytes = 1;
  return static_cast<uint8_t*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
}

void releaseBlock(void* block) { std::free(block); }

void limitBlocksForTesting(int count) { blockBudget.store(count); }

std::unique_ptr<FilterInstance> FilterInstance::open(const OpenOptions& options, uint16_t& error) {
  std::unique_ptr<FilterInstance> inst(new (std::nothrow) FilterInstance(options));
  if (!inst) {
    error = kErrorMemory;
    return nullptr;
  }
  inst->resetToDefaults();
  if (options.caskAtOpen) {
    inst->preference_.caskEnabled = 1;
    if (!inst->cask_.load(options.engineDirectory)) {
      error = kErrorCask;
      return nullptr;
    }
  }
  error = kOk;
  return inst;
}

FilterInstance::~FilterInstance() {
  releaseMtf();
  releaseWorld();
  cask_.unload();
}

void FilterInstance::resetToDefaults() {
  const bool cask = options_.caskAtOpen;
  preference_ = defaultPreference(options_.engineDirectory);
  preference_.caskEnabled = cask ? 1 : 0;
  for (auto* luts : {&inputLuts_, &outputLuts_}) luts->fill(PageLut{});
  swap_ = 0;
}

uint16_t FilterInstance::setToneCurve(bool output, uint8_t enable, const uint8_t* const tables[4]) {
  uint32_t& on = output ? preference_.outputCurveEnabled : preference_.inputCurveEnabled;
  tone::ToneCurveRecord& curve = output ? preference_.outputCurve : preference_.inputCurve;
  on = 0;
  if (enable != 1) return kOk;
  for (int c = 0; c < 4; ++c)
    if (!tables[c]) return kErrorArgument;
  for (int c = 0; c < 4; ++c) {
    std::memcpy(curve.table[c].data(), tables[c], 256);
    curve.mode[c] = tone::kModeTable;
    curve.pointCount[c] = 0;
  }
  on = 1;
  return kOk;
}

uint16_t FilterInstance::setMtf(uint8_t enable, const int32_t* coef9, int32_t scale) {
  preference_.mtfEnabled = 0;
  if (enable != 1) return kOk;
  if (!coef9 || scale < mtf::kMinScale || scale > mtf::kMaxScale) return kErrorArgument;
  for (int i = 0; i < 9; ++i)
    if (coef9[i] < -mtf::kMaxCoefficient || coef9[i] > mtf::kMaxCoefficient) return kErrorArgument;
  mtf::MtfKernel k;
  static constexpr int kInner[9] = {6, 7, 8, 11, 12, 13, 16, 17, 18};
  for (int i = 0; i < 9; ++i) k.coefficients[kInner[i]] = coef9[i];
  k.scale = scale;
  preference_.kernel = k;
  preference_.mtfEnabled = 1;
  return kOk;
}

uint16_t FilterInstance::setIccProfile(uint8_t enable, const char* inputProfile, const char* outputProfile,
                                       uint16_t intent) {
  preference_.iccEnabled = 0;
  if (enable != 1) return kOk;
  if (!inputProfile || !outputProfile || intent > 2) return kErrorArgument;
  if (std::strlen(inputProfile) >= kPathField || std::strlen(outputProfile) >= kPathField) return kErrorArgument;
  if (!isRgbProfile(inputProfile) || !isRgbProfile(outputProfile)) return kErrorArgument;
  setFieldText(preference_.inputProfile, inputProfile);
  setFieldText(preference_.outputProfile, outputProfile);
  preference_.intent = intent;
  preference_.iccEnabled = 1;
  return kOk;
}

uint16_t FilterInstance::preference(uint16_t mode, uint16_t item, void* data, uint32_t* size) {
  auto answerSize = [size](uint32_t v) {
    if (size) *size = v;
  };
  switch (mode) {
    case 0:
      resetToDefaults();
      answerSize(0);
      return kOk;
    case 1: {
      if (!data || !size || *size != kPreferenceSize) return kErrorArgument;
      auto bytes = std::span<const uint8_t, kPreferenceSize>(static_cast<const uint8_t*>(data), kPreferenceSize);
      FilterPreference incoming = decodePreference(bytes);
      if (incoming.size != kPreferenceSize || incoming.signature != kPreferenceSignature) return kErrorPreference;
      preference_ = incoming;
      return kOk;
    }
    case 2:
      if (!size) return kErrorArgument;
      if (!data) {
        *size = kPreferenceSize;
        return kOk;
      }
      if (*size != kPreferenceSize) {
        *size = 0;
        return kErrorArgument;
      }
      preference_.size = kPreferenceSize;
      preference_.signature = kPreferenceSignature;
      encodePreference(preference_, std::span<uint8_t, kPreferenceSize>(static_cast<uint8_t*>(data), kPreferenceSize));
      return kOk;
    case 4:
    case 5: {
      answerSize(0);
      const uint32_t on = mode == 4 ? 1 : 0;
      switch (item) {
        case 1: preference_.inputCurveEnabled = on; return kOk;
        case 2: preference_.outputCurveEnabled = on; return kOk;
        case 3: preference_.iccEnabled = on; return kOk;
        case 4: preference_.mtfEnabled = on; return kOk;
        default: return kErrorArgument;
      }
    }
    default:
      // Mode 3 (the settings dialogs) is not available in this build.
      answerSize(0);
      return kErrorArgument;
  }
}

void FilterInstance::releaseMtf() {
  releaseBlock(mtfBuffer_);
  mtfBuffer_ = nullptr;
}

void FilterInstance::releaseWorld() {
  cmm::disposeColorWorld(world_);
  world_ = nullptr;
}

uint16_t FilterInstance::buildColorWorld() {
  const std::string inputPath = fieldText(preference_.inputProfile);
  if (inputPath.empty()) return kErrorArgument;
  auto input = openRgbProfile(inputPath);
  if (!input) return kErrorProfile;
  auto output = openRgbProfile(fieldText(preference_.outputProfile));
  if (!output) {
    icc::closeProfile(*input);
    return kErrorProfile;
  }
  const uint32_t intent = preference_.intent <= 2 ? preference_.intent : 0;
  std::array<uint8_t, cmm::kToneTableSize> curves{};
  const uint8_t* outputTone = nullptr;
  if (preference_.outputCurveEnabled) {
    for (int c = 0; c < tone::kChannels; ++c) std::memcpy(curves.data() + 256 * c, outputLuts_[c].table.data(), 256);
    outputTone = curves.data();
  }
  try {
    world_ = cmm::createColorWorld(intent, *input, nullptr, *output, outputTone);
  } catch (...) {
    world_ = nullptr;
  }
  icc::closeProfile(*input);
  icc::closeProfile(*output);
  return world_ ? kOk : kErrorMemory;
}

uint16_t FilterInstance::initPage(uint32_t width, uint32_t height, uint32_t swap) {
  if (width == 0 || height == 0) return kErrorArgument;
  width_ = width;
  height_ = height;
  swap_ = swap;
  releaseMtf();
  if (preference_.mtfEnabled) {
    const size_t stride = mtf::lineStride(width);
    mtfBuffer_ = allocateBlock(stride * mtf::kLineBuffers);
    if (!mtfBuffer_) {
      releaseWorld();
      return kErrorMemory;
    }
    mtf_.setup(preference_.kernel, width, height, std::span(mtfBuffer_, stride * mtf::kLineBuffers));
  }
  releaseWorld();
  loadLuts(inputLuts_, preference_.inputCurveEnabled != 0, preference_.inputCurve);
  loadLuts(outputLuts_, preference_.outputCurveEnabled != 0, preference_.outputCurve);
  if (preference_.iccEnabled) {
    if (uint16_t error = buildColorWorld(); error != kOk) {
      releaseMtf();
      return error;
    }
  }
  return kOk;
}

uint16_t FilterInstance::startPage() {
  if (width_ == 0 || height_ == 0) return kErrorArgument;
  if (preference_.mtfEnabled && mtfBuffer_) mtf_.reset();
  if (preference_.caskEnabled && cask_.loaded()) cask_.startPage(width_);
  return kOk;
}

uint16_t FilterInstance::process(uint8_t* src, uint32_t lines, uint8_t** band, uint32_t* outLines) {
  auto fail = [outLines](uint16_t error) {
    if (outLines) *outLines = 0;
    return error;
  };
  if (!band || !outLines || !src || lines == 0 || width_ == 0) return fail(kErrorArgument);
  const size_t lineBytes = size_t{width_} * 3;
  const size_t bandBytes = (size_t{lines} + 2) * lineBytes;
  const size_t pixels = size_t{lines} * width_;

  if (swap_ == 1)
    for (size_t i = 0; i < pixels; ++i) std::swap(src[3 * i], src[3 * i + 2]);
  if (preference_.inputCurveEnabled) applyTables(composed(inputLuts_), src, src, pixels);

  bool allocated = false;
  if (!*band) {
    // Every byte is written below: the lines, then zeros after them.
    *band = allocateBlock(bandBytes, false);
    if (!*band) return fail(kErrorMemory);
    allocated = true;
  }
  uint8_t* out = *band;
  const uint8_t* current = src;
  uint32_t n = lines;
  const bool mtfRan = preference_.mtfEnabled && mtfBuffer_;
  if (mtfRan) {
    n = mtf_.filter(src, lines, out);
    if (n == 0) {
      if (allocated) {
        releaseBlock(*band);
        *band = nullptr;
      } else {
        std::memset(out, 0, bandBytes);
      }
      *outLines = 0;
      return kOk;
    }
    current = out;
  }

  if (preference_.iccEnabled && world_) {
    cmm::MapView in, to;
    in.width = to.width = width_;
    in.height = to.height = n;
    in.components = world_->header.inputChannels;
    in.rowBytes = width_ * in.components;
    in.planes[0] = const_cast<uint8_t*>(current);
    to.components = world_->header.outputChannels;
    to.rowBytes = width_ * to.components;
    to.planes[0] = out;
    if (in.components != 3 || to.components != 3 || cmm::match(*world_, in, to) != 0) {
      // The band would hold unmatched pixels: say so rather than pass them on.
      if (allocated) {
        releaseBlock(*band);
        *band = nullptr;
      }
      return fail(kErrorMemory);
    }
  } else if (preference_.outputCurveEnabled) {
    applyTables(composed(outputLuts_), current, out, size_t{n} * width_);
  } else if (!mtfRan) {
    std::memcpy(out, src, size_t{n} * lineBytes);
  }
  // The band past the lines is clear, as if it had been cleared first; a
  // caller's own band keeps its bytes there unless the MTF stage ran.
  if (allocated || mtfRan) std::memset(out + size_t{n} * lineBytes, 0, bandBytes - size_t{n} * lineBytes);
  *outLines = n;
  if (preference_.caskEnabled && cask_.loaded()) cask_.filter(std::span(out, size_t{n} * lineBytes));
  return kOk;
}

void FilterInstance::freePage() {
  releaseMtf();
  releaseWorld();
}

}  // namespace q7310::flt::pipeline
