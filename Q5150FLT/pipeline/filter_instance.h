// One filter instance: the settings, the page lookup tables, the MTF filter,
// the page's color world and the optional Cask link. The page runs through
// swap, input curve, MTF, color (or output curve, or copy) and Cask.
// Operations return the engine's error code, 0 on success.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "Q5150FLT/cmm/color_world.h"
#include "Q5150FLT/mtf/mtf_filter.h"
#include "Q5150FLT/pipeline/cask_link.h"
#include "Q5150FLT/pipeline/filter_preference.h"

namespace q7310::flt::pipeline {

enum ErrorCode : uint16_t {
  kOk = 0,
  kErrorMemory = 1000,
  kErrorProfile = 1005,
  kErrorArgument = 1006,
  kErrorCask = 1007,
  kErrorPreference = 1106,
};

struct PageLut {
  uint16_t xOrientation = 1;
  uint16_t yOrientation = 1;
  tone::ToneTable table = tone::identityTable();
};

// Brings a LUT to RGB orientation (1, 1).
void normaliseLut(PageLut& lut);

// Blocks handed to callers (output bands), released with releaseBlock;
// zero-filled unless the caller writes every byte itself. nullptr when
// memory runs out.
uint8_t* allocateBlock(size_t bytes, bool zeroed = true);
void releaseBlock(void* block);
// Test hook: the next `count` block allocations succeed, later ones fail;
// negative for no limit.
void limitBlocksForTesting(int count);

struct OpenOptions {
  std::string engineDirectory;  // the folder of the engine's own library file
  bool caskAtOpen = false;      // the Cask flag of the defaults
};

class FilterInstance {
 public:
  // nullptr with *error set (1000 out of memory, 1007 Cask not loadable).
  static std::unique_ptr<FilterInstance> open(const OpenOptions& options, uint16_t& error);
  ~FilterInstance();

  void resetToDefaults();
  uint16_t setToneCurve(bool output, uint8_t enable, const uint8_t* const tables[4]);
  uint16_t setMtf(uint8_t enable, const int32_t* coef9, int32_t scale);
  uint16_t setIccProfile(uint8_t enable, const char* inputProfile, const char* outputProfile, uint16_t intent);
  uint16_t preference(uint16_t mode, uint16_t item, void* data, uint32_t* size);

  uint16_t initPage(uint32_t width, uint32_t height, uint32_t swap);
  uint16_t startPage();
  uint16_t process(uint8_t* src, uint32_t lines, uint8_t** band, uint32_t* outLines);
  void freePage();

  const FilterPreference& settings() const { return preference_; }
  FilterPreference& settings() { return preference_; }
  bool hasColorWorld() const { return world_ != nullptr; }
  bool hasMtfBuffer() const { return mtfBuffer_ != nullptr; }
  const CaskFilterLink& cask() const { return cask_; }

 private:
  explicit FilterInstance(OpenOptions options) : options_(std::move(options)) {}
  uint16_t buildColorWorld();
  void releaseMtf();
  void releaseWorld();

  OpenOptions options_;
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint32_t swap_ = 0;
  FilterPreference preference_;
  cmm::ColorWorld* world_ = nullptr;
  mtf::MtfFilter mtf_;
  uint8_t* mtfBuffer_ = nullptr;
  std::array<PageLut, tone::kChannels> inputLuts_{};
  std::array<PageLut, tone::kChannels> outputLuts_{};
  CaskFilterLink cask_;
};

}  // namespace q7310::flt::pipeline
