#pragma once
// Reports of a device whose own lengths differ from the protocol's 65 bytes.
// Windows reads and writes exactly the lengths the device declares, with the
// report ID as byte 0 (0x00 for a device without numbered reports); the link
// moves 65-byte reports. Neither side's buffer is overrun whatever the lengths.
#include <cstddef>
#include <cstdint>

#include "common/report.h"

namespace korvane {

// A report as the device delivered it (`n` bytes, byte 0 the report ID) as
// the link's 65 bytes: ID 0x00, then the device's bytes after its ID, cut
// at 64 or zero-filled.
Report InputReportFromDevice(const uint8_t* data, std::size_t n);
// The link's report in the device's output length: the first `length` bytes
// of it, zero-filled past 65.
void OutputReportForDevice(const Report& report, uint8_t* out, std::size_t length);

}  // namespace korvane
