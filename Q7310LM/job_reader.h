// The job stream reader: one step per WritePort call on the port's current
// document. Collecting states take at most the bytes their record or block
// still needs; the page printing states take none.
#pragma once

#include <cstdint>
#include <span>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// Runs one reader step on job with the bytes offered. written receives the
// bytes taken (0 to bytes.size()). True with nothing taken asks the caller to
// offer the same bytes again; false is a failure (written may be non-zero).
bool readerStep(PortContext& port, JobRecord& job, std::span<const uint8_t> bytes, uint32_t& written);

// Frees the page's buffers and makes the reader expect the next page header.
void releasePage(JobRecord& job);

}  // namespace q7310::lm
