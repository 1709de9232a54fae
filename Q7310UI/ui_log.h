// The settings UI's debug log, "q7310ui.log".
#pragma once

#include "common/debug_log.h"

namespace q7310::ui {

DebugLog& uiLog();

}  // namespace q7310::ui
