#pragma once
// The unit every layer moves: one 65-byte HID report (byte 0 the report ID)
// and a plain byte string.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace korvane {

inline constexpr std::size_t kReportSize = 65;
using Report = std::array<uint8_t, kReportSize>;
using Bytes = std::vector<uint8_t>;

}  // namespace korvane
