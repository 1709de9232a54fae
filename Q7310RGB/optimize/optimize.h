// The page optimisation: the user's image settings applied to a page from the
// graphics driver in their fixed order, in place.
#pragma once

#include <cstdint>
#include <functional>

#include "Q7310RGB/optimize_params.h"

namespace q7310 {
class DebugLog;
}

namespace q7310::rgb {

// The color matching step (step 8); its result is not looked at.
using IcmStep = std::function<int32_t(OptimizeParams& params)>;

// Runs the ten steps on params.bitmap. Pages from the driver carry red in
// byte 0, so the channel shift and grayscale act on their true channels here
// (the exported bitmap operations keep byte 2 as red for BMP-ordered callers).
void optimizeOutput(OptimizeParams& params, DebugLog& log, const IcmStep& icm);

}  // namespace q7310::rgb
