// The settings UI library loaded by its platform name, as the spooler does.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/os/library.h"

namespace q7310::ui::test {

using DeviceCapabilitiesFn = uint32_t (*)(void*, const char16_t*, uint16_t, void*, const void*);
using SplDeviceCapsFn = uint32_t (*)(void*, const char16_t*, uint16_t, void*, uint32_t, const void*);
using DevQueryPrintExFn = int32_t (*)(void*);
using ConvertDevModeFn = int32_t (*)(const char16_t*, const uint8_t*, uint8_t*, int32_t*, uint32_t);

struct UiLibrary {
  std::unique_ptr<os::Library> lib = os::Library::load("Q7310UI.dll");
  DeviceCapabilitiesFn deviceCapabilities = lib ? lib->function<DeviceCapabilitiesFn>("DrvDeviceCapabilities") : nullptr;
  SplDeviceCapsFn splDeviceCaps = lib ? lib->function<SplDeviceCapsFn>("DrvSplDeviceCaps") : nullptr;
  DevQueryPrintExFn devQueryPrintEx = lib ? lib->function<DevQueryPrintExFn>("DevQueryPrintEx") : nullptr;
  ConvertDevModeFn convertDevMode = lib ? lib->function<ConvertDevModeFn>("DrvConvertDevMode") : nullptr;
  bool complete() const { return deviceCapabilities && splDeviceCaps && devQueryPrintEx && convertDevMode; }
};

}  // namespace q7310::ui::test
