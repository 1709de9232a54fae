// The driver's job data goes to the spooler job of the document open on the
// printer handle the engine gave the driver.
#include <span>

#include "platform/gdi/engine.h"
#include "platform/os/errors.h"
#include "platform/spooler/print_jobs.h"

namespace q7310::gdi {

bool engWritePrinter(void* printer, const void* data, uint32_t size, uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (data == nullptr && size > 0) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  std::span<const uint8_t> bytes(static_cast<const uint8_t*>(data), size);
  if (!spooler::writePrinter(static_cast<spooler::PrinterHandle>(printer), bytes)) return false;
  if (written != nullptr) *written = size;
  return true;
}

}  // namespace q7310::gdi
