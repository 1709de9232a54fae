// The built-in test chart the demo prints: color patches, a grey ramp, skin
// tones, gradients, fine lines and a caption, drawn into any page size.
#pragma once

#include <string_view>

#include "platform/gdi/printer_dc.h"

namespace q7310::app {

// Draws the chart into the page of dc (between startPage and endPage).
bool drawTestChart(gdi::PrinterDc& dc, std::u16string_view caption);

}  // namespace q7310::app
