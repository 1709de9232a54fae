// Cask library loading and calls.
#include "Q5150FLT/pipeline/cask_link.h"

#include <algorithm>
#include <filesystem>
#include <new>

namespace q7310::flt::pipeline {

bool CaskFilterLink::load(const std::string& folder) {
  unload();
  tableNumber_ = 0;
  dotsPerLine_ = kCaskDefaultDotsPerLine;
  auto library = os::Library::load((std::filesystem::path(folder) / "caskdll.dll").string());
  if (!library) return false;
  init_ = library->function<VoidFn>("CaskDllInit");
  fin_ = library->function<VoidFn>("CaskDllFin");
  setDotsPerLine_ = library->function<SetFn>("CaskDllSetDotsPerLine");
  setParameterTableNo_ = library->function<SetFn>("CaskDllSetParameterTableNo");
  preFilter_ = library->function<VoidFn>("CaskDllPreFilter");
  filter_ = library->function<FilterFn>("CaskDllFilter");
  if (!init_ || !fin_ || !setDotsPerLine_ || !setParameterTableNo_ || !preFilter_ || !filter_) return false;
  init_();
  try {
    work_.assign(kCaskWorkBufferSize, 0);
  } catch (const std::bad_alloc&) {
    fin_();
    return false;
  }
  library_ = std::move(library);
  loaded_ = 1;
  return true;
}

void CaskFilterLink::unload() {
  if (loaded_) fin_();
  loaded_ = 0;
  library_.reset();
  work_.clear();
}

void CaskFilterLink::startPage(uint32_t width) {
  if (!loaded_ || tableNumber_ > kCaskMaxTable) return;
  // The library writes a whole line into the work buffer.
  if (width == 0 || size_t{width} * 3 > kCaskWorkBufferSize) return;
  if (setDotsPerLine_(width) != 0) return;
  dotsPerLine_ = width;
  if (setParameterTableNo_(0) != 0) return;
  tableNumber_ = 0;
  preFilter_();
}

void CaskFilterLink::filter(std::span<uint8_t> band) {
  if (!loaded_) return;
  const size_t lineBytes = size_t{dotsPerLine_} * 3;
  for (size_t at = 0; lineBytes > 0 && band.size() - at >= lineBytes; at += lineBytes) {
    filter_(band.data() + at, work_.data());
    std::copy_n(work_.begin(), lineBytes, band.begin() + at);
  }
}

}  // namespace q7310::flt::pipeline
