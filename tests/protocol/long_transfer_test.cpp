// What a long transfer asks of the system around it: to stay awake from its
// first packet to its last word, to see the thread alive through every fixed
// pause, and to let a pause end when the command line is interrupted.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/transfer_system.h"
#include "tests/support/link_rig.h"

namespace korvane::test {
namespace {

class LongTransferTest : public LinkTest {
  protected:
    void SetUp() override {
        saved = TheTransferSystem();
        TheTransferSystem().keepAwake = [this](bool on) {
            awake.push_back(std::string(on ? "on@" : "off@") + std::to_string(clock.NowMs()));
        };
        TheTransferSystem().touchQueue = [this] { looks.push_back(clock.NowMs()); };
        TheTransferSystem().preciseTimer = [this](bool fine) {
            timer.push_back(std::string(fine ? "fine@" : "coarse@") +
                            std::to_string(clock.NowMs()));
        };
        // The window's pump looks at the queue too, every slice of a read.
        link.pump = [this] {
            looks.push_back(clock.NowMs());
            heldWhilePumping = heldWhilePumping || StayAwake::Held();
            return true;
        };
    }
    void TearDown() override { TheTransferSystem() = saved; }

    int64_t LongestQuiet() const {
        int64_t longest = 0;
        for (std::size_t i = 1; i < looks.size(); ++i)
            longest = std::max(longest, looks[i] - looks[i - 1]);
        return longest;
    }

    TransferSystem saved;
    std::vector<std::string> awake;
    std::vector<std::string> timer;
    std::vector<int64_t> looks;
    bool heldWhilePumping = false;
};

EmulatorFaults Fault(bool EmulatorFaults::*which) {
    EmulatorFaults f;
    f.*which = true;
    return f;
}

// Held from the start of every long transfer to its very end, whatever the
// end; a plain command asks nothing. The fine timer is for the pauses of a
// send alone, and is handed back on every way out of it.
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
        bool fine;
    } cases[] = {
        {"firmware", nullptr, firmware, true, true},
        {"firmware refused", [&] { host.SetFaults(Fault(&EmulatorFaults::refuseAck)); }, firmware,
         true, true},
        {"firmware, host gone", [&] { host.Unplug(); }, firmware, true, true},
        {"firmware cancelled",
         [&] { link.pump = [&] { return protocol.OnCancelRequest(1) == 1; }; }, firmware, true,
         true},
        {"read-back", nullptr, readBack, true, false},
        {"read-back unanswered", [&] { host.SetFaults(Fault(&EmulatorFaults::noReply)); }, readBack,
         true, false},
        {"format", nullptr, format, true, false},
        {"format unanswered", [&] { host.SetFaults(Fault(&EmulatorFaults::noReply)); }, format,
         true, false},
        {"version", nullptr, [&] { return Send("01 D4 00 2A"); }, false, false},
    };
    const auto pump = link.pump;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.ClearFaults();
        host.Plug();
        link.Disconnect();
        link.pump = pump;
        if (c.fault) c.fault();
        awake.clear();
        timer.clear();
        const std::string start = std::to_string(clock.NowMs());
        c.run();
        const std::string end = std::to_string(clock.NowMs());
        if (c.held) {
            EXPECT_EQ(awake, (std::vector<std::string>{"on@" + start, "off@" + end}));
        } else {
            EXPECT_TRUE(awake.empty());
        }
        if (c.fine) {
            ASSERT_EQ(timer.size(), 2u);
            EXPECT_EQ(timer[0].rfind("fine@", 0), 0u);
            EXPECT_EQ(timer[1], "coarse@" + end);
        } else {
            EXPECT_TRUE(timer.empty());
        }
        EXPECT_FALSE(StayAwake::Held());
        EXPECT_FALSE(PreciseTimer::Held());
    }
    EXPECT_TRUE(heldWhilePumping);
}

// A closed lid sleeps the system whatever it was asked: a transfer that
// fails after it is marked for the notice, once; one that goes through, a
// plain command, and a sleep before the transfer began are not.
TEST_F(LongTransferTest, ATransferThatFailsAfterTheSystemSleptIsMarkedOnce) {
    const Bytes image = Counting(200);
    auto firmware = [&] { return protocol.BulkSendBuffer(0xD3, image.data(), image.size(), ""); };
    auto readBack = [&] { return protocol.BulkReadToFile(0xD2, scratch.File("RHost.txt"), ""); };
    auto format = [&] { return Send("01 D6 00 28"); };
    struct Case {
        std::function<int()> run;
        int sleep;      // 0 none, 1 before the transfer, 2 once its first request is out
        bool hostLost;  // the host does not come back from it
        bool notice;
    } cases[] = {
        {firmware, 2, true, true},  {readBack, 2, true, true},
        {format, 2, true, true},    {firmware, 2, false, false},
        {format, 2, false, false},  {firmware, 0, true, false},
        {firmware, 1, true, false}, {[&] { return Send("01 D4 00 2A"); }, 2, true, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        host.Plug();
        host.received.clear();
        ASSERT_EQ(link.FindDevice(), 1);
        if (c.sleep == 1) StayAwake::NoteSuspend();
        link.pump = [&, struck = false]() mutable {
            if (struck || host.received.empty()) return true;
            struck = true;
            if (c.sleep == 2) StayAwake::NoteSuspend();
            if (c.hostLost) host.Unplug();
            return true;
        };
        EXPECT_EQ(c.run(), c.hostLost ? 0 : 1);
        EXPECT_EQ(protocol.TakeSleepNotice(), c.notice);
        EXPECT_FALSE(protocol.TakeSleepNotice());
    }
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
    TheTransferSystem().touchQueue = [&] {
        if (clock.NowMs() >= 1000) interrupted = true;
    };
    const Bytes image = Counting(54 * 3);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD5, image.data(), image.size(), ""), 0);
    // Into the first pause, a second later the interrupt: the transfer ends
    // there, before a packet the erasing host could not take.
    EXPECT_LT(clock.NowMs(), 1300);
    EXPECT_EQ(host.received.size(), 1u);
}

}  // namespace
}  // namespace korvane::test
