// What the port shows in the print queue: the printer's condition after
// every status query, and the document-level problems (unsupported media,
// image conversion failures) at level 5, which only fitting media, the end of
// the document or the status thread's reset clear.
#pragma once

#include <cstdint>
#include <string_view>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// Maps a status code to the port status and logs the condition. The caller
// holds the port's statusLock.
void updatePortStatus(PortContext& port, uint32_t statusCode);

// Shows status (and text, cut at 80 characters) with warning severity and
// remembers both; logs "INFO:    SETTING PORT STATUS". Caller holds statusLock.
void setPortStatusLocked(PortContext& port, uint32_t status, std::string_view text);
// Clears the port status and what the port remembers of it, whatever its
// level. Caller holds statusLock.
void clearPortStatusLocked(PortContext& port);

}  // namespace q7310::lm
