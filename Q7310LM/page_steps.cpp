#include "Q7310LM/page_steps.h"

#include <atomic>

namespace q7310::lm {

namespace {
std::atomic<PageSteps*> replaced{nullptr};
}

PageSteps& pageSteps() {
  PageSteps* steps = replaced.load();
  return steps != nullptr ? *steps : enginePageSteps();
}

void setPageSteps(PageSteps* steps) { replaced.store(steps); }

}  // namespace q7310::lm
