#pragma once
// The trace as a capture file that a protocol analyser opens beside one of
// the real bus: a pcapng file of USBPcap interrupt transfers.
#include <cstdint>
#include <string>

#include "common/report.h"
#include "trace/trace.h"

namespace korvane::trace {

// The endpoints the transfers name: out of the program to the host, and in.
inline constexpr uint8_t kOutEndpoint = 0x01;
inline constexpr uint8_t kInEndpoint = 0x81;

// Each report that moved (a write that completed, a read that brought one)
// as one interrupt transfer of the 64 bytes the bus carries (the report ID
// is not sent), at its start time plus its time in the trace. Each host
// opened is a device of its own on bus 1, numbered from 1 as they came.
Bytes CaptureOf(const Trace& trace);
// Writes it to `path`; false, with why, when it cannot.
bool WriteCapture(const Trace& trace, const std::string& path, std::string* why);

}  // namespace korvane::trace
