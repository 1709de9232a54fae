// The printing engine's place until it joins the module: a page whose pixels
// are in cannot be printed yet, so every step fails with ERROR_NOT_SUPPORTED
// and the spooler keeps offering the page.
#include "Q7310LM/page_steps.h"
#include "platform/os/errors.h"

namespace q7310::lm {

namespace {

class PendingEngine final : public PageSteps {
  bool fail() {
    os::setLastError(os::kErrorNotSupported);
    return false;
  }

 public:
  bool statusCheckStep(PortContext&, JobRecord&) override { return fail(); }
  bool mediaCheckStep(PortContext&, JobRecord&) override { return fail(); }
  bool imageConversionStep(PortContext&, JobRecord&) override { return fail(); }
  bool printHeaderStep(PortContext&, JobRecord&) override { return fail(); }
  bool imageDownloadStep(PortContext&, JobRecord&) override { return fail(); }
};

}  // namespace

PageSteps& enginePageSteps() {
  static PendingEngine engine;
  return engine;
}

}  // namespace q7310::lm
