// The graphics driver's debug log, "q7310ddi.log".
#pragma once

#include "common/debug_log.h"

namespace q7310::ddi {

DebugLog& ddiLog();

}  // namespace q7310::ddi
