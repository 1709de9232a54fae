// The download lock other processes respect: the named download event is
// signalled (and flag bit 9 set) from the acceptance of a print command until
// its printer image data is out, the download fails, or the document ends.
#pragma once

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// Sets flag bit 9 and signals the download event. Never blocks.
void lockDownload(PortContext& port);
// Resets the download event and clears flag bit 9. Never blocks.
void unlockDownload(PortContext& port);

}  // namespace q7310::lm
