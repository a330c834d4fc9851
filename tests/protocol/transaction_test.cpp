#include <gtest/gtest.h>

#include "tests/support/link_rig.h"

namespace korvane::test {
namespace {

// One request and its reply over the link to the emulated host.
class TransactionTest : public LinkTest {};

TEST_F(TransactionTest, CommandWritesTheFramedRequestAndTakesTheEchoingReply) {
    EXPECT_EQ(Send("01 D0 00 2E"), 1);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(ToHex(host.received[0]), Padded("00 55 AA 01 D0 00 2E"));
    EXPECT_EQ(ToHex(protocol.InputReport), Padded("00 55 AA 02 D0 00 2D"));
    EXPECT_EQ(ToHex(protocol.OutputReport), Padded("00 55 AA 01 D0 00 2E"));
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(TransactionTest, CommandWithoutReplyReturnsOnceWritten) {
    EXPECT_EQ(Send("01 D0 00 2E", 0), 1);
    EXPECT_EQ(clock.NowMs(), 0);
    EXPECT_EQ(protocol.InputReport, Report{});
}

TEST_F(TransactionTest, ReadFrequencyLeavesTheDigitsInTheInputReport) {
    host.frequencyDigits = "433500000";
    EXPECT_EQ(Send("01 E1 00 1D"), 1);
    EXPECT_EQ(ToHex(protocol.InputReport),
              Padded("00 55 AA 02 E1 09 34 33 33 35 30 30 30 30 30 54"));
}

struct FailureRow {
    const char* name;
    EmulatorFaults faults;
    const char* text;
    const char* caption;
    BoxIcon icon;
    int64_t elapsedMs;
};

EmulatorFaults Faults(void (*set)(EmulatorFaults&)) {
    EmulatorFaults f;
    set(f);
    return f;
}

TEST_F(TransactionTest, CommandFailuresEachShowTheirBox) {
    const FailureRow rows[] = {
        {"no reply", Faults([](EmulatorFaults& f) { f.noReply = true; }),
         "读取数据失败，请重新发送！", "失败2", BoxIcon::Exclamation, 1000},
        {"reply after 1001 ms", Faults([](EmulatorFaults& f) { f.lateReplyMs = 1000; }),
         "读取数据失败，请重新发送！", "失败2", BoxIcon::Exclamation, 1000},
        {"checksum off by one", Faults([](EmulatorFaults& f) { f.badChecksum = true; }),
         "发送数据失败，请重新发送！", "发送失败3", BoxIcon::Stop, 1},
        {"length byte 59", Faults([](EmulatorFaults& f) {
             f.mangle = [](uint8_t, std::vector<Report>& r) { r[0][5] = 59; };
         }),
         "发送数据失败，请重新发送！", "发送失败3", BoxIcon::Stop, 1},
        {"type byte 01", Faults([](EmulatorFaults& f) {
             f.mangle = [](uint8_t, std::vector<Report>& r) {
                 r[0][3] = 0x01;
                 r[0][6] = 0x2E;
             };
         }),
         "发送数据失败，请重新发送！", "发送失败3", BoxIcon::Stop, 1},
        {"only replies to other commands", Faults([](EmulatorFaults& f) {
             f.mangle = [](uint8_t, std::vector<Report>& r) {
                 r[0] = LampFrame::MakeReply(0xE1, nullptr, 0);
             };
             f.foreignReplyFirst = true;
         }),
         "读取数据失败，请重新发送！", "失败2", BoxIcon::Exclamation, 1001},
        {"write stalls", Faults([](EmulatorFaults& f) { f.writeStall = true; }),
         "设备未连接，请连接设备！", "失败1", BoxIcon::None, 1500},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        op.Clear();
        host.SetFaults(row.faults);
        const int64_t start = clock.NowMs();
        EXPECT_EQ(Send("01 D0 00 2E"), 0);
        EXPECT_EQ(clock.NowMs() - start, row.elapsedMs);
        ASSERT_EQ(op.Boxes().size(), 1u);
        EXPECT_EQ(op.Boxes()[0].text, row.text);
        EXPECT_EQ(op.Boxes()[0].caption, row.caption);
        EXPECT_EQ(op.Boxes()[0].icon, row.icon);
        host.ClearFaults();
        link.CloseDevice();
        link.connected = 0;
    }
}

TEST_F(TransactionTest, ReplyToAnotherCommandFirstIsSkipped) {
    EmulatorFaults f;
    f.foreignReplyFirst = true;
    host.SetFaults(f);
    EXPECT_EQ(Send("01 D0 00 2E"), 1);
    EXPECT_EQ(protocol.InputReport[4], 0xD0);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(TransactionTest, EveryStaleReplyIsDroppedBeforeTheRequest) {
    // Two answers to earlier requests that nobody waited for are queued.
    host.versionText = "OLD";
    EXPECT_EQ(Send("01 D4 00 2A", 0), 1);
    EXPECT_EQ(Send("01 D4 00 2A", 0), 1);
    clock.SleepMs(10);
    host.versionText = "NEW";
    EXPECT_EQ(Send("01 D4 00 2A"), 1);
    EXPECT_EQ(protocol.VersionText(), "NEW");
}

TEST_F(TransactionTest, FormatCommandsWaitUpTo28Seconds) {
    struct Case {
        const char* request;
        int extraMs;
        int result;
    };
    host.formatDelayMs = 1;
    const Case cases[] = {{"01 D6 00 28", 27999, 1},
                          {"01 DA 00 24", 27999, 1},
                          {"01 D6 00 28", 28000, 0},
                          {"01 D0 00 2E", 999, 1},
                          {"01 D0 00 2E", 1000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.request) + " +" + std::to_string(c.extraMs));
        EmulatorFaults f;
        f.lateReplyMs = c.extraMs;  // on top of the host's own 1 ms
        host.SetFaults(f);
        EXPECT_EQ(Send(c.request), c.result);
    }
}

TEST_F(TransactionTest, FormatEmptiesItsAreaAndRepliesAfterSeveralSeconds) {
    host.customSounds = {{"a", 10}};
    host.fixedSounds = {{"b", 20}};
    EXPECT_EQ(Send("01 D6 00 28"), 1);
    EXPECT_EQ(clock.NowMs(), 5000);
    EXPECT_TRUE(host.customSounds.empty());
    EXPECT_EQ(host.fixedSounds.size(), 1u);
}

TEST_F(TransactionTest, VersionTextEndsAtTheFirstZeroByte) {
    struct Case {
        std::string held;
        std::string shown;
    };
    const Case cases[] = {
        {"KV-HOST V2.1", "KV-HOST V2.1"}, {std::string("V3\0junk", 7), "V3"}, {"", ""}};
    for (const auto& c : cases) {
        host.versionText = c.held;
        std::string told = "unset";
        protocol.onVersionText = [&](const std::string& t) { told = t; };
        EXPECT_EQ(Send("01 D4 00 2A"), 1);
        EXPECT_EQ(protocol.VersionText(), c.shown);
        EXPECT_EQ(told, c.shown);
    }
}

TEST_F(TransactionTest, UnpluggedHostGetsFiveWritesEachAfterASearch) {
    host.Unplug();
    EXPECT_EQ(Send("01 D0 00 2E"), 0);
    EXPECT_EQ(backend.enumerations, 5);
    EXPECT_EQ(backend.writes, 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "设备未连接，请连接设备！");
    EXPECT_EQ(op.Boxes()[0].caption, "失败1");
    EXPECT_EQ(op.Boxes()[0].icon, BoxIcon::None);
}

TEST_F(TransactionTest, LostHostIsFoundAgainByTheNextCommand) {
    ASSERT_EQ(Send("01 D0 00 2E"), 1);
    host.Unplug();
    EXPECT_EQ(Send("01 D0 00 2E"), 0);
    EXPECT_EQ(link.connected, 0);
    host.Plug();
    op.Clear();
    EXPECT_EQ(Send("01 D4 00 2A"), 1);
    EXPECT_EQ(link.connected, 1);
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_EQ(protocol.VersionText(), "KV-HOST V2.1");
}

TEST_F(TransactionTest, HostThatStopsAnsweringIsSearchedForSilently) {
    ASSERT_EQ(Send("01 D0 00 2E"), 1);
    EmulatorFaults f;
    f.noReply = true;
    host.SetFaults(f);
    EXPECT_EQ(Send("01 D0 00 2E"), 0);
    EXPECT_EQ(link.connected, 0);
    host.ClearFaults();
    op.Clear();
    const int searches = backend.enumerations;
    EXPECT_EQ(Send("01 D0 00 2E"), 1);
    EXPECT_EQ(backend.enumerations, searches + 1);
    EXPECT_TRUE(op.Boxes().empty());
}

TEST_F(TransactionTest, SecondExchangeFromInsideAWaitIsRefused) {
    int inner = -1;
    link.pump = [&] {
        if (inner == -1) {
            inner = 2;
            const Bytes req = Hex("01 D4 00 2A");
            inner = protocol.SendCommand(1, 4, req.data());
        }
        return true;
    };
    EXPECT_EQ(Send("01 D0 00 2E"), 1);
    EXPECT_EQ(inner, 0);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(host.received[0][4], 0xD0);
    EXPECT_FALSE(link.busy());
}

TEST_F(TransactionTest, CancelIsOnlyTakenWithLParamOne) {
    EXPECT_EQ(protocol.OnCancelRequest(0), 1);
    EXPECT_EQ(protocol.cancelRequested, 0);
    EXPECT_EQ(protocol.OnCancelRequest(2), 1);
    EXPECT_EQ(protocol.cancelRequested, 0);
    EXPECT_EQ(protocol.OnCancelRequest(1), 1);
    EXPECT_EQ(protocol.cancelRequested, 1);
}

TEST_F(TransactionTest, WriteClearsTheInputReport) {
    protocol.InputReport.fill(0xEE);  // what an earlier exchange left
    EXPECT_EQ(Send("01 D0 00 2E", 0), 1);
    EXPECT_EQ(protocol.InputReport, Report{});
}

TEST_F(TransactionTest, WritesThatFailAreTriedFiveTimesInAll) {
    struct Row {
        int failures;
        int result;
        std::size_t written;
        int searches;
    } rows[] = {{1, 1, 1, 1}, {4, 1, 1, 4}, {5, 0, 0, 4}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.failures);
        op.Clear();
        host.received.clear();
        EmulatorFaults f;
        f.failedWrites = row.failures;
        host.SetFaults(f);
        ASSERT_EQ(link.FindDevice(), 1);
        const int searchesBefore = backend.enumerations;
        EXPECT_EQ(Send("01 D0 00 2E"), row.result);
        EXPECT_EQ(host.received.size(), row.written);
        // Each failed write takes the link down; the next attempt searches first.
        EXPECT_EQ(backend.enumerations - searchesBefore, row.searches);
        const auto boxes = op.Boxes();
        if (row.result == 1) {
            EXPECT_TRUE(boxes.empty());
        } else {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, "设备未连接，请连接设备！");
            EXPECT_EQ(boxes[0].caption, "失败1");
        }
        host.ClearFaults();
    }
}

}  // namespace
}  // namespace korvane::test
