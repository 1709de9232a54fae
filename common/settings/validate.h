// Merging a caller's print settings into a valid record.
#pragma once

#include <cstdint>
#include <span>

#include "common/settings/devmode.h"

namespace q7310 {
class DebugLog;
}

namespace q7310::settings {

// Merges src (any of the 188/212/220 layouts, its own length in the span)
// into dst. With log (the settings UI's copy) the entry and exit lines are
// written; the graphics driver's copy passes nullptr. An empty src leaves dst
// as it is and answers true; an unusable src answers false with dst unchanged.
bool ValidateSetDevMode(PrintSettings& dst, std::span<const uint8_t> src, DebugLog* log);

// The working record of a job or dialog: defaults from name, then the
// printer's default record, then the caller's (either may be empty).
PrintSettings buildWorkingRecord(std::u16string_view name, SettingsModule module,
                                 std::span<const uint8_t> printerDefault, std::span<const uint8_t> callerRecord,
                                 DebugLog* log);

}  // namespace q7310::settings
