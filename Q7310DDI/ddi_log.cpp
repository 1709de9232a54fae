#include "Q7310DDI/ddi_log.h"

namespace q7310::ddi {

DebugLog& ddiLog() {
  static DebugLog log("q7310ddi");
  return log;
}

}  // namespace q7310::ddi
