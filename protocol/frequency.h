#pragma once
// Receive frequency: MHz on the form (single precision), Hz as ASCII digits on the wire.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/lamp_frame.h"

namespace korvane {

inline constexpr float kMinFrequencyMhz = 100.0f;
inline constexpr float kMaxFrequencyMhz = 999.0f;

// Hz = (double)mhz * 1e6, truncated toward zero: 433.92f gives 433920013.
uint64_t MhzToHz(float mhz);
// The decimal digits of MhzToHz.
std::string HzDigits(float mhz);
// The SetFrequency request bytes: 01 E0 L digits checksum.
Bytes SetFrequencyRequest(float mhz);

// MHz from the digits of a ReadFrequency reply, read as the standard
// text-to-number conversion reads text (a leading number, the rest ignored;
// no number gives 0). The text ends at the first zero byte or after n bytes.
float DigitsToMhz(const uint8_t* digits, std::size_t n);

// The form's display of a frequency: %.6g (433.92 for 433.920013).
std::string FormatMhz(float mhz);

// The form's reading of edit 1012: one decimal floating-point number with
// only blanks and tabs around it. nullopt when the text is not a number.
std::optional<float> ParseMhzText(const std::string& text);
inline bool FrequencyInRange(float mhz) {
    return mhz >= kMinFrequencyMhz && mhz <= kMaxFrequencyMhz;
}

}  // namespace korvane
