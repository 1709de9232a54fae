// The resampling core shared by Resize and Scale.
#pragma once

#include <cstdint>

#include "Q7310RGB/bitmap/bitmap.h"

namespace q7310::rgb {

// The cubic B-spline kernel: (P(x+2)^3 - 4 P(x+1)^3 + 6 P(x)^3 - 4 P(x-1)^3) / 6
// with P(t) = max(t, 0); 0 above 2.
float bSpline(float x);

// Computes rows [firstRow, firstRow + rows) and columns [firstColumn,
// firstColumn + columns) of `source` resized to width x height and writes them
// into `target` starting at (targetRow, targetColumn). The source must be
// usable and not overlap the target; the sizes must be at least 1.
void resampleRegion(const RgbBitmap& source, int32_t width, int32_t height, int32_t firstRow, int32_t firstColumn,
                    RgbBitmap& target, int32_t targetRow, int32_t targetColumn, int32_t rows, int32_t columns);

// Whether a resized bitmap of these sizes can be made (stride fits the record).
bool resizeFits(int32_t width, int32_t height);

}  // namespace q7310::rgb
