// The link to the optional outside filter library caskdll: loaded from the
// engine's folder, six entry points, a page set-up and a per-line filter.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/os/library.h"

namespace q7310::flt::pipeline {

inline constexpr uint32_t kCaskDefaultDotsPerLine = 1844;
inline constexpr size_t kCaskWorkBufferSize = 12000;
inline constexpr uint8_t kCaskMaxTable = 5;

class CaskFilterLink {
 public:
  // Loads caskdll.dll from the folder, resolves all six entry points and
  // initialises the library. false leaves nothing loaded.
  bool load(const std::string& folder);
  // Finishes and unloads the library (nothing when not loaded).
  void unload();
  ~CaskFilterLink() { unload(); }

  bool loaded() const { return loaded_ != 0; }
  uint32_t dotsPerLine() const { return dotsPerLine_; }
  uint8_t tableNumber() const { return tableNumber_; }

  // Page set-up for a page of the given width; stops silently at the first
  // step the library refuses, and before a width the work buffer cannot hold.
  void startPage(uint32_t width);
  // Filters every whole line of dots per line × 3 bytes in place.
  void filter(std::span<uint8_t> band);

 private:
  using VoidFn = int32_t (*)();
  using SetFn = int32_t (*)(uint32_t);
  using FilterFn = int32_t (*)(const uint8_t*, uint8_t*);

  uint8_t tableNumber_ = 0;
  std::unique_ptr<os::Library> library_;
  uint32_t loaded_ = 0;
  VoidFn init_ = nullptr;
  VoidFn fin_ = nullptr;
  SetFn setDotsPerLine_ = nullptr;
  SetFn setParameterTableNo_ = nullptr;
  VoidFn preFilter_ = nullptr;
  FilterFn filter_ = nullptr;
  uint32_t dotsPerLine_ = kCaskDefaultDotsPerLine;
  std::vector<uint8_t> work_;
};

}  // namespace q7310::flt::pipeline
