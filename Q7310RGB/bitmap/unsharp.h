// Pieces of the unsharp mask, visible for tests.
#pragma once

#include <cstdint>
#include <vector>

namespace q7310::rgb {

// The normalised blur kernel for a radius: n = ceil(2 sd - 0.5) x 2 + 1
// entries with sd = |radius| + 1, each the mean of 50 samples of the Gaussian
// over its pixel (51 for the middle one). Empty when the kernel would be
// unreasonably long.
std::vector<double> unsharpKernel(int32_t radius);

// Whether the blur uses four-lane registers where the processor has them (the
// default) or two-lane ones; both give the same bytes. Returns the previous
// choice. For tests; not safe while a blur runs.
bool useWideVectors(bool wide);

}  // namespace q7310::rgb
