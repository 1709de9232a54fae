// Writing the job stream: the job header once per document, and each page
// prepared, matched to a print size, turned into the printer's orientation and
// written (or held to be paired with the next 4 x 6 page on a 6 x 8 ribbon).
#pragma once

#include "Q7310DDI/printer_device.h"
#include "platform/gdi/types.h"

namespace q7310::ddi {

void writeJobHeader(PrinterDevice& device);
void processPage(PrinterDevice& device, gdi::SurfObj& surface);
void flushHeldPage(PrinterDevice& device);

// The print modes of a page.
enum class PrintMode { Single = 0, TwoSideBySide = 1, PairWithHeld = 2, Hold = 4 };

// The form table row a page of this surface size prints as.
int choosePageRow(const PrinterDevice& device, int32_t width, int32_t height);

}  // namespace q7310::ddi
