#include "protocol/frequency.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace korvane {

namespace {

// The text forms read here never depend on the process locale: the window
// toolkit sets the user's locale, and a decimal comma must not change the bytes.
std::optional<double> LeadingNumber(const char* begin, const char* end, const char** stop) {
    const char* p = begin;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // Decimal numbers only: no "inf", "nan" or hexadecimal forms.
    if (p >= end || !(std::isdigit(static_cast<unsigned char>(*p)) || *p == '.'))
        return std::nullopt;
    double value = 0;
    const auto res = std::from_chars(p, end, value, std::chars_format::general);
    if (res.ec == std::errc::invalid_argument) return std::nullopt;
    if (res.ec == std::errc::result_out_of_range) value = HUGE_VAL;
    *stop = res.ptr;
    return negative ? -value : value;
}

}  // namespace

uint64_t MhzToHz(float mhz) {
    const double hz = static_cast<double>(mhz) * 1000000.0;
    if (!(hz > 0)) return 0;
    if (hz >= 1.8e19) return UINT64_MAX;
    return static_cast<uint64_t>(hz);
}

std::string HzDigits(float mhz) { return std::to_string(MhzToHz(mhz)); }

Bytes SetFrequencyRequest(float mhz) {
    const std::string digits = HzDigits(mhz);
    return *LampFrame::FrameRequest(Code(LampCommand::SetFrequency),
                                    reinterpret_cast<const uint8_t*>(digits.data()), digits.size());
}

float DigitsToMhz(const uint8_t* digits, std::size_t n) {
    if (digits == nullptr) return 0.0f;
    const auto* text = reinterpret_cast<const char*>(digits);
    const std::size_t len = strnlen(text, n);
    const char* p = text;
    const char* end = text + len;
    while (p < end && std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* stop = nullptr;
    const auto value = LeadingNumber(p, end, &stop);
    if (!value) return 0.0f;
    return static_cast<float>(*value / 1000000.0);
}

std::string FormatMhz(float mhz) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, static_cast<double>(mhz),
                                   std::chars_format::general, 6);
    return std::string(buf, res.ptr);
}

std::optional<float> ParseMhzText(const std::string& text) {
    const char* p = text.data();
    const char* end = text.data() + text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (p < end && blank(*p)) ++p;
    while (end > p && blank(end[-1])) --end;
    const char* stop = nullptr;
    const auto value = LeadingNumber(p, end, &stop);
    if (!value || stop != end) return std::nullopt;
    return static_cast<float>(*value);
}

}  // namespace korvane
