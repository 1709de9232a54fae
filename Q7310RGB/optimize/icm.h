// Color matching of a page through the color filter engine (Q5150FLT), whose
// page functions this module binds by ordinal, and the lookup of the input
// and output ICC profiles.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Q7310RGB/optimize_params.h"

namespace q7310 {
class DebugLog;
namespace os {
class Library;
}
}  // namespace q7310

namespace q7310::rgb {

// The engine's page functions the matching uses, as the engine exports them.
struct FilterFunctions {
  using Instance = void*;
  Instance (*open)(uint16_t* err);
  void (*close)(Instance inst);
  int32_t (*initpage)(Instance inst, uint32_t width, uint32_t height, uint32_t swap, uint16_t* err);
  int32_t (*startpage)(Instance inst, uint16_t* err);
  int32_t (*endpage)(Instance inst, uint16_t* err);
  int32_t (*freepage)(Instance inst, uint16_t* err);
  int32_t (*filterDo)(Instance inst, uint8_t* src, uint32_t lines, uint8_t** band, uint32_t* outLines, uint16_t* err);
  void (*disposPtr)(void* p);
  int32_t (*setInputToneCurve)(Instance inst, uint8_t enable, const uint8_t* master, const uint8_t* ch1,
                               const uint8_t* ch2, const uint8_t* ch3, uint16_t* err);
  int32_t (*setOutputToneCurve)(Instance inst, uint8_t enable, const uint8_t* master, const uint8_t* ch1,
                                const uint8_t* ch2, const uint8_t* ch3, uint16_t* err);
  int32_t (*setMtf)(Instance inst, uint8_t enable, const int32_t* coef9, int32_t scale, uint16_t* err);
  int32_t (*setIccProfile)(Instance inst, uint8_t enable, const char* inputProfile, const char* outputProfile,
                           uint16_t intent, uint16_t* err);
};

// The engine library with its functions bound by ordinal (1 to 8, 10 to 13).
class FilterEngine {
 public:
  // nullptr when "Q5150FLT.dll" does not load or lacks an ordinal; the
  // platform's last error tells which.
  static std::unique_ptr<FilterEngine> load();
  ~FilterEngine();
  const FilterFunctions& functions() const { return functions_; }

 private:
  FilterEngine(std::unique_ptr<os::Library> library, const FilterFunctions& functions);
  std::unique_ptr<os::Library> library_;
  FilterFunctions functions_;
};

inline constexpr int32_t kIcmDone = 0;
inline constexpr int32_t kIcmNoFilter = -1;

struct ProfilePaths {
  std::string input;
  std::string output;
};

// The profiles named under the user default's ICC key ("LUT", "Profile") in
// the color directory, each replaced by its default when absent or missing.
ProfilePaths queryColorProfile(DebugLog& log);

// Matches params.bitmap in place, all or nothing. Both paths given and
// non-empty are used as they are; otherwise the lookup decides. filter null:
// the engine could not be bound (openError is logged as the open failure).
// Returns kIcmDone, or kIcmNoFilter when no filter instance opens.
int32_t icm(const OptimizeParams& params, const char* inputProfile, const char* outputProfile,
            const FilterFunctions* filter, uint32_t openError, DebugLog& log);

}  // namespace q7310::rgb
