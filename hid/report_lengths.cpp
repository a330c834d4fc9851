#include "hid/report_lengths.h"

#include <algorithm>

namespace korvane {

Report InputReportFromDevice(const uint8_t* data, std::size_t n) {
    Report r{};
    if (data == nullptr || n < 2) return r;
    std::copy_n(data + 1, std::min(n, kReportSize) - 1, r.begin() + 1);
    return r;
}

void OutputReportForDevice(const Report& report, uint8_t* out, std::size_t length) {
    if (out == nullptr) return;
    const std::size_t take = std::min(length, kReportSize);
    std::copy_n(report.begin(), take, out);
    std::fill(out + take, out + length, uint8_t{0});
}

}  // namespace korvane
