// The bridge's work behind its export, with the imaging library's loader as a
// parameter so that tests can play a missing or faulty library.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "Q7310YMC/image_bridge.h"
#include "platform/os/library.h"

namespace q7310::ymc {

// Loads a library by file name or path; nullptr when it cannot be loaded.
using LibraryLoader = std::function<std::unique_ptr<os::Library>(std::string_view fileName)>;

// The imaging library's file: first in the system folder, then by plain name.
inline constexpr const char* kImagingLibrary = "Q7310IP.dll";

// Q7310_ImageProcessing with the given loader. Always returns 0.
int imageProcessing(ImageRequest* request, ImageResult* result, const LibraryLoader& load);

}  // namespace q7310::ymc
