// The hidapi backend without a host attached, and the shape it gives the
// input reports hidapi hands back.
#include "hid/hidapi_backend.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "hid/hid_link.h"
#include "tests/support/bytes.h"
#include "tests/support/recording_operator.h"

namespace korvane::test {
namespace {

TEST(HidapiBackend, DiscoveryWithoutAHostReturnsZeroSilently) {
    HidapiBackend backend;
    for (const auto& d : backend.Enumerate()) {
        if (d.vendor == 0x0483 && (d.product == 0x1234 || d.product == 0x7890))
            GTEST_SKIP() << "a host is attached to this machine";
    }
    VirtualClock clock;
    RecordingOperator op(&clock);
    HidLink link(backend, clock, op);
    EXPECT_EQ(link.FindDevice(), 0);
    EXPECT_EQ(link.connected, 0);
    EXPECT_TRUE(op.events.empty());
    Report in;
    EXPECT_EQ(link.ReadReport(in, 1000), 0);
    EXPECT_EQ(clock.NowMs(), 0);
    EXPECT_FALSE(backend.IsOpen());
    EXPECT_FALSE(backend.Write(Report{}, 300));
    EXPECT_EQ(backend.Read(in, 10), HidBackend::ReadResult::Error);
    EXPECT_FALSE(backend.Open("/nonexistent/hidraw"));
}

TEST(HidapiBackend, InputReportsAreNormalisedTo65BytesWithIdZero) {
    struct Case {
        const char* name;
        std::string got;
        std::string want;
    };
    const Case cases[] = {
        {"hidraw, unnumbered", "55 AA 02 D0 00 2D", "00 55 AA 02 D0 00 2D"},
        {"with the report ID", "00 55 AA 02 D0 00 2D", "00 55 AA 02 D0 00 2D"},
        {"nothing", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes got = Hex(c.got);
        // Real reads are whole reports: 64 bytes without the ID, 65 with it.
        if (!got.empty()) got.resize(std::string(c.name).find("ID") != std::string::npos ? 65 : 64);
        EXPECT_EQ(ToHex(NormaliseInputReport(got.data(), got.size())), Padded(c.want));
    }
    // A numbered report keeps its 64 bytes behind ID 0x00.
    Bytes numbered(65, 0x11);
    numbered[0] = 0x03;
    const Report r = NormaliseInputReport(numbered.data(), numbered.size());
    EXPECT_EQ(r[0], 0x00);
    EXPECT_EQ(r[64], 0x11);
}

}  // namespace
}  // namespace korvane::test
