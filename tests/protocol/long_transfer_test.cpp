// What a long transfer asks of the system around it: to stay awake from its
// first packet to its last word, to see the thread alive through every fixed
// pause, and to let a pause end when the command line is interrupted.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/system_wait.h"
#include "tests/support/link_rig.h"

namespace korvane::test {
namespace {

class LongTransferTest : public LinkTest {
  protected:
    void SetUp() override {
        saved = TheSystemWait();
        TheSystemWait().keepAwake = [this](bool on) {
            awake.push_back(std::string(on ? "on@" : "off@") + std::to_string(clock.NowMs()));
        };
        TheSystemWait().touchQueue = [this] { looks.push_back(clock.NowMs()); };
        // The window's pump looks at the queue too, every slice of a read.
        link.pump = [this] {
            looks.push_back(clock.NowMs());
            heldWhilePumping = heldWhilePumping || StayAwake::Held();
            return true;
        };
    }
    void TearDown() override { TheSystemWait() = saved; }

    int64_t LongestQuiet() const {
        int64_t longest = 0;
        for (std::size_t i = 1; i < looks.size(); ++i)
            longest = std::max(longest, looks[i] - looks[i - 1]);
        return longest;
    }

    SystemWait saved;
    std::vector<std::string> awake;
    std::vector<int64_t> looks;
    bool heldWhilePumping = false;
};

EmulatorFaults Fault(bool EmulatorFaults::*which) {
    EmulatorFaults f;
    f.*which = true;
    return f;
}

// Held from the start of every long transfer to its very end, whatever the
// end; a plain command asks nothing.
TEST_F(LongTransferTest, TheSystemStaysAwakeThroughEachLongTransferAndIsLetGoOnEveryPath) {
    const Bytes image = Counting(200);
    auto firmware = [&] { return protocol.BulkSendBuffer(0xD3, image.data(), image.size(), ""); };
    auto readBack = [&] { return protocol.BulkReadToFile(0xD2, scratch.File("RHost.txt"), ""); };
    auto format = [&] { return Send("01 D6 00 28"); };
    struct Case {
        const char* name;
        std::function<void()> fault;
        std::function<int()> run;
        bool held;
    } cases[] = {
        {"firmware", nullptr, firmware, true},
        {"firmware refused", [&] { host.SetFaults(Fault(&EmulatorFaults::refuseAck)); }, firmware,
         true},
        {"firmware, host gone", [&] { host.Unplug(); }, firmware, true},
        {"read-back", nullptr, readBack, true},
        {"read-back unanswered", [&] { host.SetFaults(Fault(&EmulatorFaults::noReply)); }, readBack,
         true},
        {"format", nullptr, format, true},
        {"format unanswered", [&] { host.SetFaults(Fault(&EmulatorFaults::noReply)); }, format,
         true},
        {"version", nullptr, [&] { return Send("01 D4 00 2A"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearFaults();
        host.Plug();
        link.Disconnect();
        if (c.fault) c.fault();
        awake.clear();
        const std::string start = std::to_string(clock.NowMs());
        c.run();
        const std::string end = std::to_string(clock.NowMs());
        if (c.held) {
            EXPECT_EQ(awake, (std::vector<std::string>{"on@" + start, "off@" + end}));
        } else {
            EXPECT_TRUE(awake.empty());
        }
        EXPECT_FALSE(StayAwake::Held());
    }
    EXPECT_TRUE(heldWhilePumping);
}

// Windows marks a window hung after about five seconds without a look at its
// queue; the first pause of a sound download alone is five seconds long.
TEST_F(LongTransferTest, TheQueueIsLookedAtAtLeastEverySecondThroughAWholeDownload) {
    for (const uint8_t cmd : {uint8_t{0xD3}, uint8_t{0xD5}, uint8_t{0xD9}}) {
        looks.clear();
        const Bytes image = Counting(54 * 30);
        protocol.BulkSendBuffer(cmd, image.data(), image.size(), "");
        EXPECT_LE(LongestQuiet(), 1000) << int{cmd};
        EXPECT_GT(looks.size(), 40u);
    }
}

// Ctrl-C, or the console closing, must not wait out a five-second pause.
TEST_F(LongTransferTest, AnInterruptEndsTheFixedPausesAtOnce) {
    bool interrupted = false;
    protocol.endPauses = [&] { return interrupted; };
    link.pump = [&] {
        if (interrupted) protocol.OnCancelRequest(1);
        return true;
    };
    TheSystemWait().touchQueue = [&] {
        if (clock.NowMs() >= 1000) interrupted = true;
    };
    const Bytes image = Counting(54 * 3);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD5, image.data(), image.size(), ""), 0);
    // Into the first pause, a second later the interrupt; the next packet
    // goes and the cancel is honoured after it.
    EXPECT_LT(clock.NowMs(), 1300);
    EXPECT_EQ(host.received.size(), 2u);
}

}  // namespace
}  // namespace korvane::test
