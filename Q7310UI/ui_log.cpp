#include "Q7310UI/ui_log.h"

namespace q7310::ui {

DebugLog& uiLog() {
  static DebugLog log("q7310ui");
  return log;
}

}  // namespace q7310::ui
