// Reports of devices whose lengths differ from the protocol's 65 bytes.
#include "hid/report_lengths.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace korvane::test {
namespace {

std::string Padded65(const std::string& hexStart) {
    Bytes b = Hex(hexStart);
    b.resize(kReportSize, 0);
    return ToHex(b);
}

TEST(ReportLengths, InputReportsBecome65BytesWithIdZero) {
    Bytes long80(80);
    for (std::size_t i = 0; i < long80.size(); ++i) long80[i] = static_cast<uint8_t>(i + 0x10);
    Bytes full65(long80.begin(), long80.begin() + 65);
    struct Case {
        Bytes device;
        std::string want;
    } cases[] = {
        {Hex("00 02 E1 01 39 00 00 00 00 00 00 00 00 0D"),
         Padded65("00 02 E1 01 39 00 00 00 00 00 00 00 00 0D")},
        {Hex("05 02 E1"), Padded65("00 02 E1")},  // a numbered report: the ID becomes 0
        {Hex("00 7F"), Padded65("00 7F")},
        {Hex("00"), Padded65("00")},
        {Bytes{}, Padded65("00")},
        {full65, Padded65("00 " + ToHex(Bytes(long80.begin() + 1, long80.begin() + 65)))},
        {long80, Padded65("00 " + ToHex(Bytes(long80.begin() + 1, long80.begin() + 65)))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToHex(c.device));
        EXPECT_EQ(ToHex(InputReportFromDevice(c.device.data(), c.device.size())), c.want);
    }
    EXPECT_EQ(ToHex(InputReportFromDevice(nullptr, 65)), Padded65("00"));
}

TEST(ReportLengths, OutputReportsTakeTheDeviceLength) {
    Report report{};
    const Bytes start = Hex("00 01 E1 00 1D");
    std::copy(start.begin(), start.end(), report.begin());
    report[64] = 0xEE;
    struct Case {
        std::size_t length;
        std::string want;
    } cases[] = {
        {2, "00 01"},
        {9, "00 01 E1 00 1D 00 00 00 00"},
        {65, Padded65("00 01 E1 00 1D").replace(3 * 64, 2, "EE")},
        {68, Padded65("00 01 E1 00 1D").replace(3 * 64, 2, "EE") + " 00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        // One guard byte past the length shows nothing is written beyond it.
        Bytes out(c.length + 1, 0xAA);
        OutputReportForDevice(report, out.data(), c.length);
        EXPECT_EQ(ToHex(Bytes(out.begin(), out.begin() + static_cast<long>(c.length))), c.want);
        EXPECT_EQ(out.back(), 0xAA);
    }
}

}  // namespace
}  // namespace korvane::test
