// The port monitor's side of the image-correction bridge: runBridge finds,
// loads, calls and releases Q7310YMC.dll for one page.
#pragma once

#include <string>
#include <string_view>

#include "Q7310LM/port_context.h"
#include "Q7310YMC/image_bridge.h"

namespace q7310::lm {

inline constexpr std::string_view kMissingDriverFiles = "Missing printer driver files.";
inline constexpr std::string_view kInvalidSignature = "Invalid image processing signature.";

// Where the bridge file is looked for, first existing wins: the system
// folder, the driver folder's "3", the driver folder; else the plain name
// (the system's library search).
std::string bridgePath();

// Loads the bridge, calls it with request and result (the result preset to
// failure by the caller) and releases it again. On success the page's
// printerImage and printerImageSize are set and the returned text is empty;
// on failure it is the text to show on the port. Blocks while the conversion
// runs.
std::string_view runBridge(PortContext& port, JobRecord& job, ymc::ImageRequest& request, ymc::ImageResult& result);

// Frees printer image data the bridge handed over (global memory).
void releasePrinterImage(void* data);

}  // namespace q7310::lm
