// The page printing steps the job stream reader runs once a page's pixels are
// in: status check, media check, image conversion, print command and image
// download. Each runs inside one WritePort call and consumes no stream bytes.
// A step returns true after moving job.state on (done) or leaving it (call
// again), and false for a failure reported to the spooler (state unchanged
// unless the step says otherwise). The download step moves the state to
// PageEnd once the printer image is out; the reader then takes the page end
// signature and releases the page (rgbBuffer and printerImage).
#pragma once

#include "Q7310LM/port_context.h"

namespace q7310::lm {

class PageSteps {
 public:
  virtual ~PageSteps() = default;
  virtual bool statusCheckStep(PortContext& port, JobRecord& job) = 0;
  virtual bool mediaCheckStep(PortContext& port, JobRecord& job) = 0;
  virtual bool imageConversionStep(PortContext& port, JobRecord& job) = 0;
  virtual bool printHeaderStep(PortContext& port, JobRecord& job) = 0;
  virtual bool imageDownloadStep(PortContext& port, JobRecord& job) = 0;
};

// The steps the reader calls: those set with setPageSteps, else the
// monitor's own printing engine.
PageSteps& pageSteps();
// Replaces the steps for the whole module (nullptr: back to the engine). The
// caller keeps steps alive while ports print.
void setPageSteps(PageSteps* steps);
// The monitor's own printing engine.
PageSteps& enginePageSteps();

}  // namespace q7310::lm
