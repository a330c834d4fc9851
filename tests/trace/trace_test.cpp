// The trace's lines, its writer behind the backend seam, the replay of it
// as the host, its summary and the capture file's bytes.
#include "trace/trace.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

#include "common/clock.h"
#include "tests/support/scratch_folder.h"
#include "trace/pcapng.h"
#include "trace/replay_backend.h"
#include "trace/trace_summary.h"
#include "trace/trace_writer.h"

namespace korvane::trace {
namespace {

using Kind = TraceEvent::Kind;
using Result = TraceEvent::Result;
using RR = HidBackend::ReadResult;

Report R(uint8_t b1, uint8_t b2 = 0) {
    Report r{};
    r[1] = b1;
    r[2] = b2;
    return r;
}

TraceEvent Ev(Kind kind, int64_t us, Report report = {}, Result result = Result::Ok,
              int64_t waitedMs = 0) {
    TraceEvent e;
    e.kind = kind;
    e.us = us;
    e.report = report;
    e.result = result;
    e.waitedMs = waitedMs;
    return e;
}

TEST(TraceLines, EachKindReadsBackAsWrittenAndBrokenLinesAreRefused) {
    TraceEvent host = Ev(Kind::Host, 5);
    host.host = HidDeviceInfo{"/dev/hidraw3", 0x0483, 0x7890, "KV0042", "1-1.3"};
    TraceEvent end = Ev(Kind::End, 9);
    end.operation = "voice download";
    end.success = true;
    end.texts = {"下载成功！", "[失败1] x"};
    TraceEvent error = Ev(Kind::Read, 7, {}, Result::Error);
    error.error = "Input/output error";
    TraceEvent lost = Ev(Kind::Close, 10);
    lost.lost = true;
    for (const TraceEvent& e :
         {host, Ev(Kind::Write, 6, R(0x5a, 0xff)), Ev(Kind::Read, 8, R(1), Result::Ok, 40),
          Ev(Kind::Read, 8, {}, Result::Timeout, 300), error, end, lost}) {
        std::string why;
        const std::optional<TraceEvent> back = ParseTraceLine(TraceLine(e), &why);
        ASSERT_TRUE(back) << TraceLine(e) << ": " << why;
        EXPECT_EQ(TraceLine(*back), TraceLine(e));
    }
    const std::string hex(130, '0');
    for (const std::string& bad : {
             std::string("not json"),
             std::string(R"({"kind":"write","result":"ok","hex":")") + hex + "\"}",  // no time
             std::string(R"({"kind":"write","t":1,"result":"ok","hex":"00"})"),
             std::string(R"({"kind":"write","t":1,"result":"ok","hex":")") + std::string(129, '0') +
                 "g\"}",
             std::string(R"({"kind":"read","t":1,"result":"late","hex":")") + hex + "\"}",
             std::string(R"({"kind":"host","t":1,"vendor":"10000","product":"7890"})"),
             std::string(R"({"kind":"nap","t":1})"),
         }) {
        std::string why;
        EXPECT_FALSE(ParseTraceLine(bad, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
}

// A backend that answers from a script.
class Scripted final : public HidBackend {
  public:
    explicit Scripted(VirtualClock& clock) : clock_(clock) {}
    std::deque<RR> reads;
    bool writeOk = true;
    bool open = false;
    std::vector<HidDeviceInfo> Enumerate() override {
        return {HidDeviceInfo{"p", 0x0483, 0x7890, "S1", "1-2"}};
    }
    bool Open(const std::string&) override { return open = true; }
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    bool ReadAttributes(uint16_t&, uint16_t&) override { return true; }
    bool Write(const Report&, int) override { return writeOk; }
    ReadResult Read(Report& report, int timeoutMs) override {
        clock_.SleepMs(timeoutMs);
        const RR r = reads.empty() ? RR::Timeout : reads.front();
        if (!reads.empty()) reads.pop_front();
        if (r == RR::Ok) report = R(0x77);
        return r;
    }
    std::string ErrorText() const override { return "gone"; }

  private:
    VirtualClock& clock_;
};

// Each event as "kind result waited @time", its report left out.
std::vector<std::string> Lines(const std::string& path, Trace* read) {
    std::string why;
    const std::optional<Trace> t = ReadTrace(path, &why);
    if (!t) return {why};
    *read = *t;
    std::vector<std::string> lines;
    const char* kinds[] = {"header", "host", "write", "read", "begin", "end", "close"};
    const char* results[] = {"ok", "timeout", "error"};
    for (const TraceEvent& e : t->events) {
        std::string line = kinds[static_cast<int>(e.kind)];
        if (e.kind == Kind::Write || e.kind == Kind::Read)
            line += std::string(" ") + results[static_cast<int>(e.result)] + " " +
                    std::to_string(e.waitedMs);
        if (e.kind == Kind::Close) line += e.lost ? " lost" : " closed";
        lines.push_back(line + " @" + std::to_string(e.us));
    }
    return lines;
}

TEST(TraceWriter, WaitsBecomeOneLineALookNoneAndACloseAfterAFailureIsALoss) {
    test::ScratchFolder scratch;
    const std::string path = scratch.File("t.jsonl");
    VirtualClock clock;
    clock.SleepMs(1000);  // the trace counts from its start, not the clock's
    Scripted real(clock);
    TraceWriter writer({path, "korvane-cli", "system"}, clock);
    writer.Start();
    TraceTap tap(real, writer);
    Report r{};
    tap.Enumerate();
    tap.Open("p");
    tap.Write(R(1), 300);
    EXPECT_EQ(tap.Read(r, 0), RR::Timeout);  // a look: no line
    real.reads = {RR::Timeout, RR::Timeout, RR::Ok, RR::Timeout, RR::Timeout};
    for (int i = 0; i < 5; ++i) tap.Read(r, 20);
    tap.Close();
    Trace t;
    EXPECT_EQ(Lines(path, &t),
              (std::vector<std::string>{"header @0", "host @0", "write ok 0 @0",
                                        // its report came after 40 ms of slices with none
                                        "read ok 40 @60000", "read timeout 40 @60000",
                                        "close lost @100000"}));
    ASSERT_EQ(t.events.size(), 6u);
    EXPECT_EQ(t.events[0].program, "korvane-cli");
    EXPECT_EQ(t.events[0].backend, "system");
    EXPECT_EQ(t.events[1].host.serial, "S1");
    EXPECT_EQ(t.events[1].model, "RT-221");
    EXPECT_EQ(t.events[3].report, R(0x77));
}

TEST(TraceWriter, AFileThatCannotBeWrittenIsToldOnceAndFailsNothing) {
    VirtualClock clock;
    Scripted real(clock);
    TraceWriter writer({"/nonexistent-folder/t.jsonl", "korvane", "system"}, clock);
    int told = 0;
    writer.onUnwritable = [&](const std::string& why) {
        ++told;
        EXPECT_FALSE(why.empty());
    };
    writer.Start();
    TraceTap tap(real, writer);
    tap.Open("p");
    EXPECT_TRUE(tap.Write(R(1), 300));
    EXPECT_TRUE(tap.Write(R(2), 300));
    EXPECT_EQ(told, 1);
}

Trace Recorded(std::vector<TraceEvent> events) {
    TraceEvent host = Ev(Kind::Host, 0);
    host.host = HidDeviceInfo{"p", 0x0483, 0x7890, "", ""};
    events.insert(events.begin(), host);
    events.insert(events.begin(), Ev(Kind::Header, 0));
    return Trace{events, 0};
}

// Each write of the list with what the reads after it bring: the second
// byte of the report, 't' for a time-out, 'e' for an error.
std::string Play(ReplayBackend& replay, VirtualClock& clock, const std::vector<Report>& writes) {
    std::string got;
    replay.Open("p");
    for (const Report& w : writes) {
        if (!replay.Write(w, 300)) {
            got += "!";
            continue;
        }
        Report in{};
        const int64_t start = clock.NowMs();
        switch (replay.Read(in, 200)) {
            case RR::Ok:
                got += std::to_string(in[1]);
                break;
            case RR::Timeout:
                got += "t";
                break;
            case RR::Error:
                got += "e";
                break;
        }
        if (clock.NowMs() - start != 200) got += "@" + std::to_string(clock.NowMs() - start);
        got += " ";
    }
    return got;
}

TEST(Replay, AWriteIsAnsweredAsInTheTrace) {
    const Trace t = Recorded({
        Ev(Kind::Write, 1, R(1)), Ev(Kind::Read, 2, R(11)),                     //
        Ev(Kind::Write, 3, R(2)), Ev(Kind::Read, 4, R(12), Result::Ok, 40),     //
        Ev(Kind::Write, 5, R(1)), Ev(Kind::Read, 6, R(13)),                     //
        Ev(Kind::Write, 7, R(3)), Ev(Kind::Read, 8, {}, Result::Timeout, 300),  //
        Ev(Kind::Write, 9, R(4)), Ev(Kind::Read, 10, {}, Result::Error),        //
        Ev(Kind::Write, 11, R(5), Result::Error),                               //
    });
    struct Case {
        bool strict;
        std::vector<Report> writes;
        std::string answers;
        std::size_t unmatched;
    } cases[] = {
        // Forward from the last one matched, wrapping at the end; the wait
        // before an answer and a recorded error are played.
        {false, {R(1), R(1), R(1), R(2), R(4), R(5)}, "11@0 13@0 11@0 12@40 e@0 !", 0},
        {false, {R(3)}, "t ", 0},
        // Nothing like it in the trace: no answer, and told.
        {false, {R(9), R(2)}, "t 12@40 ", 1},
        // Strict: only the next one of the trace.
        {true, {R(1), R(1), R(2)}, "11@0 t t ", 2},
        {true, {R(1), R(2), R(1)}, "11@0 12@40 13@0 ", 0},
    };
    for (const Case& c : cases) {
        VirtualClock clock;
        ReplayBackend replay(t, clock, c.strict);
        EXPECT_EQ(Play(replay, clock, c.writes), c.answers) << c.answers;
        EXPECT_EQ(replay.Findings().size(), c.unmatched) << c.answers;
    }
}

// A packet of a bulk send: its head, then its number and data.
Report Packet(uint8_t data) {
    Report r = R(0x30);
    r[9] = data;
    return r;
}

TEST(Replay, AChangedPacketOfABulkSendLosesItsAcknowledgementAndIsNamed) {
    const Trace t = Recorded({
        Ev(Kind::Write, 1, R(1)), Ev(Kind::Read, 2, R(11)),  // the request before it
        Ev(Kind::Write, 3, Packet(1)), Ev(Kind::Write, 4, Packet(2)), Ev(Kind::Write, 5, Packet(3)),
        Ev(Kind::Read, 6, R(0xAC)),  // the acknowledgement
    });
    VirtualClock clock;
    ReplayBackend unchanged(t, clock, false);
    unchanged.Open("p");
    EXPECT_EQ(Play(unchanged, clock, {R(1), Packet(1), Packet(2), Packet(3)}), "11@0 t t 172@0 ");
    ReplayBackend changed(t, clock, false);
    EXPECT_EQ(Play(changed, clock, {R(1), Packet(1), Packet(0xEE), Packet(3)}), "11@0 t t t ");
    ASSERT_EQ(changed.unmatched().size(), 1u);
    EXPECT_EQ(changed.unmatched()[0].packet, 2u);
    EXPECT_EQ(changed.unmatched()[0].write, 3u);
    const std::string finding = changed.Findings().at(0);
    EXPECT_NE(finding.find("packet 2 of a bulk send (write 3)"), std::string::npos) << finding;
    EXPECT_NE(finding.find("00 30 00 00 00 00 00 00 00 ee"), std::string::npos) << finding;
    // Once the device is closed the next exchange is answered again; a
    // request of another kind where a packet was expected is no packet.
    changed.Close();
    EXPECT_EQ(Play(changed, clock, {R(1), R(7)}), "11@0 t ");
    EXPECT_EQ(changed.unmatched().back().packet, 0u);
}

TEST(TraceSummary, PercentilesByNearestRank) {
    const struct {
        std::vector<int64_t> values;
        int percent;
        int64_t expected;
    } cases[] = {
        {{}, 50, 0},           {{7}, 99, 7},          {{3, 1, 2}, 50, 2},
        {{1, 2, 3, 4}, 50, 2}, {{1, 2, 3, 4}, 99, 4}, {std::vector<int64_t>(99, 1), 99, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(Percentile(c.values, c.percent), c.expected);
}

TEST(TraceSummary, EachOperationWithItsCountsGapsAndFirstFailure) {
    TraceEvent begin = Ev(Kind::Begin, 0);
    begin.operation = "voice download custom";
    TraceEvent end = Ev(Kind::End, 200000);
    end.operation = begin.operation;
    end.texts = {"下载WAV音频报警音发送失败"};
    const Trace t = Recorded({
        Ev(Kind::Write, 0, R(9)),  // outside any operation
        begin,
        Ev(Kind::Write, 1000, R(1)),
        Ev(Kind::Read, 1500, R(11)),
        Ev(Kind::Write, 11000, R(2)),
        Ev(Kind::Write, 21000, R(3)),
        Ev(Kind::Write, 5021000, R(4)),
        Ev(Kind::Read, 5100000, {}, Result::Timeout, 3000),
        Ev(Kind::Read, 5200000, {}, Result::Error),
        end,
    });
    const std::vector<OperationSummary> s = Summarize(t);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].name, "");
    EXPECT_EQ(s[0].out, 1u);
    const OperationSummary& d = s[1];
    EXPECT_EQ(d.name, "voice download custom");
    EXPECT_TRUE(d.ended);
    EXPECT_FALSE(d.success);
    EXPECT_EQ(d.out, 4u);
    EXPECT_EQ(d.in, 1u);
    EXPECT_EQ(d.timeouts, 1u);
    EXPECT_EQ(d.errors, 1u);
    EXPECT_EQ(d.gapMedianUs, 10000);
    EXPECT_EQ(d.gapP99Us, 5000000);
    EXPECT_EQ(d.gapMaxUs, 5000000);
    ASSERT_TRUE(d.firstFailure);
    EXPECT_EQ(d.firstFailure->result, Result::Timeout);
    EXPECT_EQ(d.beforeFailure.size(), 5u);
    EXPECT_EQ(d.beforeFailure.back().report, R(4));
    const std::string text = SummaryText(t);
    EXPECT_NE(text.find("gaps between writes: median 10.000 ms, p99 5000.000 ms, max 5000.000 ms"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("first failure: 5.100000 s  read   time-out after 3000 ms"),
              std::string::npos)
        << text;
}

TEST(Pcapng, BlocksAndTheUsbHeaderByteForByte) {
    const Bytes data = {0xAA, 0xBB, 0xCC};
    const struct {
        Bytes got;
        Bytes expected;
    } cases[] = {
        {pcapng::SectionHeader(),
         {0x0A, 0x0D, 0x0D, 0x0A, 28,   0,    0,    0,    0x4D, 0x3C, 0x2B, 0x1A, 1, 0, 0, 0,  //
          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 28,   0,    0,    0}},
        {pcapng::InterfaceDescription(249, 0xFFFF),
         {1, 0, 0, 0, 20, 0, 0, 0, 249, 0, 0, 0, 0xFF, 0xFF, 0, 0, 20, 0, 0, 0}},
        // The packet padded to 32 bits; the time split high word first.
        {pcapng::EnhancedPacket(0, 0x0000000100000002ull, data),
         {6, 0, 0, 0, 36, 0, 0, 0, 0,    0,    0,    0, 1,  0, 0, 0, 2, 0, 0, 0,  //
          3, 0, 0, 0, 3,  0, 0, 0, 0xAA, 0xBB, 0xCC, 0, 36, 0, 0, 0}},
        {pcapng::UsbPcapInterrupt({7, 1, 2, 0x01, data.data(), data.size()}),
         {27, 0, 7, 0, 0,    0,    0,   0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 1, 0, 2, 0, 0x01, 1,  //
          3,  0, 0, 0, 0xAA, 0xBB, 0xCC}},
        // In from the device: a completion.
        {pcapng::UsbPcapInterrupt({7, 1, 2, 0x81, nullptr, 0}),
         {27, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 1, 1, 0, 2, 0, 0x81, 1, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected);
}

}  // namespace
}  // namespace korvane::trace
