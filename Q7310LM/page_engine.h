// The page printing engine: the steps a page goes through once its pixels are
// in, and the two exchanges they share (the readiness check and the print
// command). Every step owns the printer mutex only inside itself.
#pragma once

#include <cstdint>

#include "Q7310LM/port_context.h"

namespace q7310::lm {

// statusCheck results.
inline constexpr int kCheckReady = 0;
inline constexpr int kCheckBusy = 1;
inline constexpr int kCheckCommandFailure = 2;
inline constexpr int kCheckNoCommunication = 3;

// writeHeader results.
inline constexpr int kHeaderAccepted = 0;
inline constexpr int kHeaderRetry = 1;

inline constexpr uint32_t kDownloadChunk = 16384;
inline constexpr uint32_t kBusyPauseMs = 500;
inline constexpr uint32_t kBuffersFullPauseMs = 1000;
inline constexpr uint32_t kMediaMismatchPauseMs = 1000;
inline constexpr uint32_t kHeaderRetryPauseMs = 500;
inline constexpr uint32_t kAfterHeaderPauseMs = 250;

// Queries the status and tells whether the printer takes a page: 0 ready,
// 1 busy (after a 500 ms pause), 2 the status command failed, 3 no answer.
// The caller owns the printer mutex. Blocks for the exchange.
int statusCheck(PortContext& port);

// Sends the page's print command into a free bank: 0 accepted (job.printId
// set), 1 retry later, 2 or 3 failure. Waits 1000 ms per buffers-full answer
// and asks again. The caller owns the printer mutex.
int writeHeader(PortContext& port, JobRecord& job);

bool statusCheckStep(PortContext& port, JobRecord& job);
bool mediaCheckStep(PortContext& port, JobRecord& job);
bool imageConversionStep(PortContext& port, JobRecord& job);
bool printHeaderStep(PortContext& port, JobRecord& job);
bool imageDownloadStep(PortContext& port, JobRecord& job);

}  // namespace q7310::lm
