#include <gtest/gtest.h>

#include <vector>

#include "common/transfer_system.h"
#include "tests/support/link_rig.h"

namespace korvane::test {
namespace {

// Discovery, reads and writes of the link over the emulated backend.
class HidLinkTest : public LinkTest {};

using Kind = OperatorEvent::Kind;

struct ProductCase {
    uint16_t product;
    int connected;
    int model;
};

TEST_F(HidLinkTest, DiscoveryTakesOnlyTheTwoHostProducts) {
    const ProductCase cases[] = {{0x1234, 1, 0}, {0x7890, 1, 1}, {0x5678, 0, -1}, {0x1235, 0, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.product);
        host.SetProduct(c.product);
        int told = -1;
        link.onHostFound = [&](LampModel m) { told = ModelIndex(m); };
        EXPECT_EQ(link.FindDevice(), c.connected);
        EXPECT_EQ(link.connected, c.connected);
        EXPECT_EQ(told, c.model);
        if (c.connected == 1) {
            EXPECT_EQ(ModelIndex(link.model), c.model);
        }
        EXPECT_EQ(backend.IsOpen(), c.connected == 1) << "only the host is ever opened";
        EXPECT_TRUE(op.Boxes().empty());
        if (c.connected == 0) {
            EXPECT_EQ(backend.opens, 0);
        }
        backend.opens = 0;
        link.CloseDevice();
    }
}

struct DiscoveryFailure {
    const char* name;
    bool EmulatedBackend::*flag;
    const char* text;
};

TEST_F(HidLinkTest, DiscoveryFailuresShowTheirApplicationBoxAndLeaveTheLinkDown) {
    const DiscoveryFailure cases[] = {
        {"path", &EmulatedBackend::pathFailure, "查找路径设备时出错!\n"},
        {"open", &EmulatedBackend::openFailure, "无法打开通信端口"},
        {"attributes", &EmulatedBackend::attributesFailure, "查询设备状态时出错!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        op.Clear();
        backend.*c.flag = true;
        EXPECT_EQ(link.FindDevice(), 0);
        ASSERT_EQ(op.Boxes().size(), 1u);
        EXPECT_EQ(op.Boxes()[0].text, c.text);
        EXPECT_EQ(op.Boxes()[0].caption, "Korvane");
        EXPECT_EQ(op.Boxes()[0].icon, BoxIcon::Exclamation);
        EXPECT_FALSE(backend.IsOpen());
        backend.*c.flag = false;
    }
}

TEST_F(HidLinkTest, DiscoveryBoxesNeverStack) {
    backend.openFailure = true;
    int nested = 0;
    // The poll ticks while the modal box is open.
    op.onBox = [&](const OperatorEvent&) {
        ++nested;
        EXPECT_EQ(link.FindDevice(), 0);
        EXPECT_EQ(link.FindDevice(), 0);
    };
    EXPECT_EQ(link.FindDevice(), 0);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(op.Boxes().size(), 1u);
    // Once closed, the next search may tell the operator again.
    op.onBox = nullptr;
    EXPECT_EQ(link.FindDevice(), 0);
    EXPECT_EQ(op.Boxes().size(), 2u);
}

// A host is chosen by its path, its serial number or its port; a form that
// matches no host opens nothing, and one host's serial or port never takes
// another that tells none.
TEST_F(HidLinkTest, EachFormOfTheChoiceTakesItsHostAndNoOther) {
    HostEmulator second(clock, 0x7890);
    backend.AddHost(second);
    backend.devicesAfter = {{"/dev/hidraw9", 0x0483, 0x1234, "", ""}};
    struct Case {
        const char* form;
        const char* opened;  // nullptr: none
    } cases[] = {
        {"", "emulated:0"},
        {"emulated:1", "emulated:1"},
        {"serial:EMU0002", "emulated:1"},
        {"port:emulated:1", "emulated:0"},
        {"serial:EMU0003", nullptr},
        {"port:1-1.3", nullptr},
        {"serial:", nullptr},
        {"/dev/hidraw7", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        link.wanted = HostChoice::Parse(c.form);
        EXPECT_EQ(link.wanted.Form(), c.form);
        backend.openedPaths.clear();
        EXPECT_EQ(link.FindDevice(), c.opened ? 1 : 0);
        EXPECT_EQ(backend.openedPaths,
                  c.opened ? std::vector<std::string>{c.opened} : std::vector<std::string>{});
        link.Disconnect();
    }
}

TEST_F(HidLinkTest, SearchStartsFromDisconnected) {
    ASSERT_EQ(link.FindDevice(), 1);
    host.Unplug();  // nobody noticed: connected still says 1
    EXPECT_EQ(link.connected, 1);
    EXPECT_EQ(link.FindDevice(), 0);
    EXPECT_EQ(link.connected, 0);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(HidLinkTest, ReadWithLinkDownAndNoHostReturnsAtOnce) {
    host.Unplug();
    Report in;
    in.fill(0x77);
    EXPECT_EQ(link.ReadReport(in, 1000), 0);
    EXPECT_EQ(clock.NowMs(), 0);
    EXPECT_EQ(link.WriteReport(Report{}), 0);
    EXPECT_EQ(clock.NowMs(), 0);
    EXPECT_EQ(backend.writes, 0);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(HidLinkTest, ReadTimeOutClosesTheLinkAndTheNextWriteSearchesAgain) {
    ASSERT_EQ(link.FindDevice(), 1);
    int pumps = 0;
    link.pump = [&] {
        ++pumps;
        return true;
    };
    Report in;
    EXPECT_EQ(link.ReadReport(in, 1000), 0);
    EXPECT_EQ(clock.NowMs(), 1000);
    EXPECT_EQ(link.connected, 0);
    EXPECT_FALSE(backend.IsOpen());
    // Waits in slices of 20 ms with the window served in between.
    EXPECT_GE(pumps, 50);
    EXPECT_EQ(in, Report{});

    const int searches = backend.enumerations;
    EXPECT_EQ(link.WriteReport(Report{}), 1);
    EXPECT_EQ(backend.enumerations, searches + 1);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(HidLinkTest, WriteThatStallsFailsAfter300ms) {
    ASSERT_EQ(link.FindDevice(), 1);
    EmulatorFaults f;
    f.writeStall = true;
    host.SetFaults(f);
    int pumps = 0;
    link.pump = [&] {
        ++pumps;
        return true;
    };
    EXPECT_EQ(link.WriteReport(Report{}), 0);
    EXPECT_EQ(clock.NowMs(), 300);
    EXPECT_EQ(link.connected, 0);
    EXPECT_FALSE(backend.IsOpen());
    EXPECT_GE(pumps, 10);
}

// The command line's pump only looks for Ctrl-C: the link itself looks at
// the thread's queue in every slice of a wait, so the hidden window that
// answers the session's end is answered through a 28 s format wait too.
TEST_F(HidLinkTest, EverySliceOfAWaitLooksAtTheQueueWhateverThePump) {
    const TransferSystem saved = TheTransferSystem();
    std::vector<int64_t> looks;
    TheTransferSystem().touchQueue = [&] { looks.push_back(clock.NowMs()); };
    link.pump = [] { return true; };
    for (const bool stalledWrite : {false, true}) {
        EmulatorFaults f;
        f.writeStall = stalledWrite;
        host.SetFaults(f);
        ASSERT_EQ(link.FindDevice(), 1);
        looks = {clock.NowMs()};
        Report in;
        EXPECT_EQ(stalledWrite ? link.WriteReport(Report{}) : link.ReadReport(in, 1000), 0);
        looks.push_back(clock.NowMs());
        for (std::size_t i = 1; i < looks.size(); ++i) EXPECT_LE(looks[i] - looks[i - 1], 20);
        EXPECT_GE(looks.size(), stalledWrite ? 15u : 50u);
    }
    TheTransferSystem() = saved;
}

TEST_F(HidLinkTest, WriteForcesReportIdZero) {
    Report out{};
    out[0] = 0x09;
    out[1] = 0x55;
    EXPECT_EQ(link.WriteReport(out), 1);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(ToHex(host.received[0]), Padded("00 55"));
}

struct PumpCase {
    const char* name;
    int holdMs;    // how long the first pump after the first slice keeps the thread
    bool givesUp;  // that pump tells the link the front end has given up
    int result;
    int64_t endMs;
};

TEST_F(HidLinkTest, AReplyThatCameWhileEventsHeldTheThreadIsTaken) {
    const PumpCase cases[] = {
        // A modal box open past the time-out: the reply waiting is still the answer.
        {"modal loop past the deadline", 2000, false, 1, 2020},
        {"modal loop, no reply", 2000, false, 0, 2020},
        // Ctrl-C on the command line: the wait ends now, as a failed one.
        {"front end gives up", 0, true, 0, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(link.FindDevice(), 1);
        const int64_t start = clock.NowMs();
        EmulatorFaults f;
        f.lateReplyMs = 30;  // after the first 20 ms slice
        f.noReply = c.result == 0 && !c.givesUp;
        host.SetFaults(f);
        bool held = false;
        link.pump = [&] {
            if (held || clock.NowMs() == start) return true;
            held = true;
            clock.SleepMs(c.holdMs);
            return !c.givesUp;
        };
        Report out{};
        const Bytes request = Hex("00 55 AA 01 D0 00 2E");
        std::copy(request.begin(), request.end(), out.begin());
        ASSERT_EQ(link.WriteReport(out), 1);
        Report in;
        EXPECT_EQ(link.ReadReport(in, 1000), c.result);
        EXPECT_EQ(clock.NowMs() - start, c.endMs);
        if (c.result == 1) {
            EXPECT_EQ(ToHex(in), Padded("00 55 AA 02 D0 00 2D"));
        }
        link.pump = nullptr;
    }
}

TEST_F(HidLinkTest, DiscoveryPassesOverOtherDevicesAndOpensTheFirstHostOnly) {
    // Another vendor's device with a host's product, the host's vendor with
    // another product, then the emulated host, then a second host.
    backend.devicesBefore = {{"other-vendor", 0x1111, 0x1234}, {"other-product", 0x0483, 0x5678}};
    backend.devicesAfter = {{"second-host", 0x0483, 0x7890}};
    EXPECT_EQ(link.FindDevice(), 1);
    EXPECT_EQ(backend.openedPaths, std::vector<std::string>{"emulated:0"});
    EXPECT_TRUE(op.Boxes().empty());

    // Without the emulated host, discovery goes on past the other two and
    // takes the second host (which cannot be opened here): one box, no link.
    host.Unplug();
    backend.openedPaths.clear();
    EXPECT_EQ(link.FindDevice(), 0);
    EXPECT_EQ(backend.openedPaths, std::vector<std::string>{"second-host"});
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "无法打开通信端口");
}

}  // namespace
}  // namespace korvane::test
