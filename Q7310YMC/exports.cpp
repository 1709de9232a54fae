// The bridge's one export.
#include "Q7310YMC/bridge.h"
#include "platform/os/export_table.h"

Q7310_EXPORT int Q7310_ImageProcessing(q7310::ymc::ImageRequest* request, q7310::ymc::ImageResult* result) {
  try {
    return q7310::ymc::imageProcessing(request, result, [](std::string_view name) {
      return q7310::os::Library::load(name);
    });
  } catch (...) {
    // Nothing may leave the library; a failure is the preset signature.
    if (result != nullptr) result->signature = q7310::ymc::kSignatureFailure;
    return 0;
  }
}
