// The C exports of the page optimisation and the color matching.
#include "Q7310RGB/optimize/icm.h"
#include "Q7310RGB/optimize/optimize.h"
#include "Q7310RGB/optimize_params.h"
#include "common/debug_log.h"
#include "platform/os/errors.h"

namespace rgb = q7310::rgb;

namespace {

q7310::DebugLog& moduleLog() {
  static q7310::DebugLog log("q7310rgb");
  return log;
}

int32_t runIcm(const rgb::OptimizeParams& params, const char* inputProfile, const char* outputProfile) {
  auto engine = rgb::FilterEngine::load();
  const uint32_t loadError = engine ? 0 : q7310::os::lastError();
  return rgb::icm(params, inputProfile, outputProfile, engine ? &engine->functions() : nullptr, loadError,
                  moduleLog());
}

}  // namespace

Q7310_EXPORT int32_t Q7310_OptimizeOutput(rgb::OptimizeParams* params) {
  if (params == nullptr) return 0;
  try {
    rgb::optimizeOutput(*params, moduleLog(),
                        [](rgb::OptimizeParams& p) { return runIcm(p, nullptr, nullptr); });
  } catch (...) {
    // Never fails: a step that could not run leaves the page as it was.
  }
  return 0;
}

Q7310_EXPORT int32_t Q7310_ICM(rgb::OptimizeParams* params, const char* inputProfile, const char* outputProfile) {
  if (params == nullptr) return rgb::kIcmNoFilter;
  try {
    return runIcm(*params, inputProfile, outputProfile);
  } catch (...) {
    return rgb::kIcmNoFilter;
  }
}
