#include "emulator/host_emulator.h"

#include <gtest/gtest.h>

#include "common/clock.h"
#include "protocol/lamp_frame.h"
#include "protocol/sound_image.h"
#include "tests/support/bytes.h"

namespace korvane::test {
namespace {

// Drives the emulator with raw reports, the way a backend does.
class HostEmulatorTest : public ::testing::Test {
  protected:
    VirtualClock clock;
    HostEmulator host{clock, 0x7890};

    // Each packet comes `gapMs` after whatever came before; 50 ms keeps the
    // pace of every sequence but the firmware's and the sounds' first pause.
    void Packet(uint8_t cmd, std::size_t total, std::size_t i, const Bytes& payload,
                int64_t gapMs = 50) {
        clock.SleepMs(gapMs);
        Bytes data = {static_cast<uint8_t>(total >> 8), static_cast<uint8_t>(total),
                      static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i)};
        data.insert(data.end(), payload.begin(), payload.end());
        host.Receive(LampFrame::PlaceRequest(*LampFrame::FrameRequest(cmd, data)));
    }
    std::vector<std::string> Replies() {
        std::vector<std::string> out;
        clock.SleepMs(100000);
        while (auto r = host.TakeReply(clock.NowMs()))
            out.push_back(ToHex(Bytes(r->begin(), r->begin() + 8)));
        return out;
    }
};

TEST_F(HostEmulatorTest, SequenceIsAcknowledgedOnlyWhenCompleteAndInOrder) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::size_t, std::size_t>> packets;  // (number, payload size)
        std::vector<std::string> replies;
    };
    const std::string ok = "00 55 AA 02 E2 01 5A C0";
    const std::string refused = "00 55 AA 02 E2 01 5B BF";
    const Case cases[] = {
        {"in order", {{1, 54}, {2, 54}, {3, 10}}, {ok}},
        {"packet 2 missing", {{1, 54}, {3, 10}}, {refused}},
        {"short packet before the last", {{1, 20}, {2, 54}, {3, 10}}, {refused}},
        {"restarted with a new packet 1", {{1, 54}, {2, 54}, {1, 54}, {2, 54}, {3, 1}}, {ok}},
        {"interrupted", {{1, 54}, {2, 54}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [i, size] : c.packets) Packet(0xE2, 3, i, Bytes(size, 0x41));
        EXPECT_EQ(Replies(), c.replies);
        host.Receive(LampFrame::PlaceRequest(Hex("01 D0 00 2E")));  // ends any open sequence
        Replies();
    }
}

// The host erases after the first packet and needs time for each later
// one; a sender that paces too fast is refused, as a real host would lose
// the packet.
TEST_F(HostEmulatorTest, APacketThatComesBeforeTheHostIsReadyIsRefused) {
    const Bytes sound(3 * 54 - 32, 0x52);
    const Bytes image = EncodeSoundEntry("fire", sound.data(), sound.size());
    struct Case {
        uint8_t cmd;
        int64_t firstGapMs, laterGapMs;
        bool keepsTime;
        uint8_t verdict;
        int tooSoon;
    } cases[] = {
        {0xD3, 4000, 10, true, 0x5A, 0},
        {0xD3, 3999, 10, true, 0x5B, 1},
        {0xD5, 5000, 10, true, 0x5A, 0},
        {0xD5, 4999, 10, true, 0x5B, 1},
        {0xD9, 4999, 10, true, 0x5B, 1},
        {0xD1, 50, 10, true, 0x5A, 0},
        {0xD1, 49, 10, true, 0x5B, 1},
        {0xE2, 50, 9, true, 0x5B, 1},
        {0xD5, 5000, 9, true, 0x5B, 1},
        // Behind a device node the emulator only notes what it saw.
        {0xD5, 5000, 9, false, 0x5A, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.cmd) + " " + std::to_string(c.firstGapMs) + "/" +
                     std::to_string(c.laterGapMs));
        host.keepsTime = c.keepsTime;
        host.pacing = {};
        Packet(c.cmd, 3, 1, Bytes(image.begin(), image.begin() + 54));
        Packet(c.cmd, 3, 2, Bytes(image.begin() + 54, image.begin() + 108), c.firstGapMs);
        Packet(c.cmd, 3, 3, Bytes(image.begin() + 108, image.end()), c.laterGapMs);
        const uint8_t sum = static_cast<uint8_t>(~(0x02 + c.cmd + 0x01 + c.verdict));
        EXPECT_EQ(Replies(), std::vector<std::string>{ToHex(
                                 Bytes{0x00, 0x55, 0xAA, 0x02, c.cmd, 0x01, c.verdict, sum})});
        EXPECT_EQ(host.pacing.tooSoon, c.tooSoon);
        EXPECT_EQ(host.pacing.shortestNextGapUs, c.laterGapMs * 1000);
    }
}

TEST_F(HostEmulatorTest, AddressCodesAreSplitAsThePcReadsThemAndCountTheSounds) {
    // Group 2's numbers hold 3B bytes and come back whole; record 2 is no
    // group, so its 3B ends it and its tail does not come back.
    const std::string group2 = "33 2C 30 31 32 30 31 32 30 3A 00 3A 00 3A 01 3B 3A 3B 3A 00 3B 3B";
    Packet(0xE2, 1, 1, Hex("31 2C 35 3B 32 2C 41 3B 42 3B " + group2 + " 35 2C 39 3B"));
    host.customSounds = {{"a", 1}, {"b", 1}};
    host.fixedSounds = {{"c", 1}};
    Replies();
    host.Receive(LampFrame::BulkReadRequest(0xE3));
    clock.SleepMs(10);
    auto r = host.TakeReply(clock.NowMs());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(ToHex(LampFrame::DataOf(*r)),
              "00 01 00 01 31 2C 35 3B 32 2C 41 3B " + group2 + " 35 2C 39 3B 36 2C 03 3B");
}

TEST_F(HostEmulatorTest, InvalidRequestsAreIgnored) {
    host.Receive(LampFrame::PlaceRequest(Hex("01 D0 00 2F")));  // checksum off
    host.Receive(LampFrame::PlaceRequest(Hex("02 D0 00 2D")));  // a reply, not a request
    host.Receive(LampFrame::PlaceRequest(Hex("01 D7 00 27")));  // no such command
    EXPECT_EQ(host.received.size(), 3u);
    EXPECT_EQ(host.handled, Bytes{0xD7});
    EXPECT_TRUE(Replies().empty());
}

TEST_F(HostEmulatorTest, VanishingAndPluggingAreObserved) {
    std::vector<bool> seen;
    host.onPlug = [&](bool arrived) { seen.push_back(arrived); };
    EmulatorFaults f;
    f.vanishAfterPacket = 2;
    host.SetFaults(f);
    Packet(0xD3, 3, 1, Bytes(54, 1));
    EXPECT_TRUE(host.present());
    Packet(0xD3, 3, 2, Bytes(54, 1));
    EXPECT_FALSE(host.present());
    Packet(0xD3, 3, 3, Bytes(1, 1));
    EXPECT_EQ(host.received.size(), 2u);
    host.Plug();
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
    EXPECT_TRUE(Replies().empty());
}

TEST_F(HostEmulatorTest, ALongSessionKeepsOnlyTheRecentRequests) {
    // Initialise requests, each answered; the log stays bounded and keeps the latest.
    const Report init = LampFrame::PlaceRequest(Hex("01 D0 00 2E"));
    Report last = LampFrame::PlaceRequest(Hex("01 D4 00 2A"));
    for (std::size_t i = 0; i < HostEmulator::kLogLimit + 10; ++i) host.Receive(init);
    host.Receive(last);
    EXPECT_LE(host.received.size(), HostEmulator::kLogLimit);
    EXPECT_GT(host.received.size(), HostEmulator::kLogLimit / 2);
    EXPECT_EQ(host.received.back(), last);
    EXPECT_LE(host.handled.size(), HostEmulator::kLogLimit);
    EXPECT_EQ(host.handled.back(), 0xD4);
}

}  // namespace
}  // namespace korvane::test
