#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "common/staging.h"
#include "protocol/sound_image.h"
#include "tests/support/link_rig.h"

namespace korvane::test {
namespace {

// Numbered packet sequences to the emulated host, and their acknowledgement.
class BulkSendTest : public LinkTest {};

using Kind = OperatorEvent::Kind;

// The dialog writes and boxes, one line each, with their times.
std::vector<std::string> Trace(const RecordingOperator& op) {
    std::vector<std::string> out;
    for (const auto& e : op.events) {
        const std::string at = "@" + std::to_string(e.timeMs);
        switch (e.kind) {
            case Kind::ProgressOpen:
                out.push_back("open" + at);
                break;
            case Kind::ProgressRange:
                out.push_back("range " + std::to_string(e.value) + at);
                break;
            case Kind::ProgressPosition:
                out.push_back("pos " + std::to_string(e.value) + at);
                break;
            case Kind::ProgressText:
                out.push_back(std::to_string(e.value) + " " + e.text + at);
                break;
            case Kind::ProgressClose:
                out.push_back("close" + at);
                break;
            case Kind::Box:
                out.push_back("box " + e.caption + ": " + e.text + at);
                break;
            default:
                out.push_back("other" + at);
        }
    }
    return out;
}

TEST_F(BulkSendTest, HundredByteImageGoesAsTwoPacketsWithItsDialogWrites) {
    const Bytes image = Counting(100);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 1);
    ASSERT_EQ(host.received.size(), 2u);
    EXPECT_EQ(ToHex(host.received[0]),
              "00 55 AA 01 D3 3A 00 02 00 01 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 "
              "12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 20 21 22 23 24 25 26 27 28 29 2A 2B 2C "
              "2D 2E 2F 30 31 32 33 34 35 36 21");
    EXPECT_EQ(ToHex(host.received[1]),
              Padded("00 55 AA 01 D3 32 00 02 00 02 37 38 39 3A 3B 3C 3D 3E 3F 40 41 42 43 44 45 "
                     "46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54 55 56 57 58 59 5A 5B 5C 5D 5E "
                     "5F 60 61 62 63 64 08"));
    const std::vector<std::string> want = {
        "open@0",
        "range 2@0",
        "pos 1@4000",
        "1001 升级程序,共有2包数据,当前第1包数据正在发送.......@4000",
        "pos 2@4010",
        "1001 升级程序,共有2包数据,当前第2包数据正在发送.......@4010",
        "1002 升级程序发送成功@4010",  // the host answered at 4001
        "close@5010",
    };
    EXPECT_EQ(Trace(op), want);
    EXPECT_EQ(host.firmware, image);
    // The staged copy is gone once the transfer is over.
    EXPECT_FALSE(std::ifstream(scratch.File("Temp.txt")).good());
}

TEST_F(BulkSendTest, ThreeByteParameterTextIsOnePacket) {
    const Bytes text = Hex("61 62 63");
    const std::string path = scratch.File("Write.txt");
    ASSERT_TRUE(WriteWholeFile(text.data(), text.size(), path));
    EXPECT_EQ(protocol.BulkSendFile(0xD1, path, "设置参数"), 1);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(ToHex(host.received[0]), Padded("00 55 AA 01 D1 07 00 01 00 01 61 62 63 FE"));
    EXPECT_EQ(host.basicParams, text);
    // The parameter list stays where it was staged.
    EXPECT_TRUE(std::ifstream(path).good());
}

TEST_F(BulkSendTest, FirstPacketWaitDependsOnTheCommandLaterOnesAre10ms) {
    struct Case {
        uint8_t cmd;
        int64_t firstWaitMs;
    };
    const Case cases[] = {{0xD3, 4000}, {0xD5, 5000}, {0xD9, 5000}, {0xD1, 50}, {0xE2, 50}};
    // A valid sound image, so every command is acknowledged.
    Bytes image = EncodeSoundEntry("alarm", Counting(100).data(), 100);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.cmd));
        op.Clear();
        const int64_t start = clock.NowMs();
        EXPECT_EQ(protocol.BulkSendBuffer(c.cmd, image.data(), image.size(), "t"), 1);
        const auto texts = op.TextEvents(1001);
        ASSERT_EQ(texts.size(), 3u);  // 132 bytes: three packets
        EXPECT_EQ(texts[0].timeMs - start, c.firstWaitMs);
        EXPECT_EQ(texts[1].timeMs - texts[0].timeMs, 10);
        EXPECT_EQ(texts[2].timeMs - texts[1].timeMs, 10);
        const auto result = op.TextEvents(1002);
        ASSERT_EQ(result.size(), 1u);
        EXPECT_EQ(op.OfKind(Kind::ProgressClose).back().timeMs - result[0].timeMs, 1000);
    }
    EXPECT_EQ(host.customSounds.size(), 1u);
    EXPECT_EQ(host.fixedSounds.size(), 1u);
    EXPECT_EQ(host.fixedSounds[0].name, "alarm");
    EXPECT_EQ(host.fixedSounds[0].length, 100u);
}

struct AckRow {
    const char* name;
    EmulatorFaults faults;
};

TEST_F(BulkSendTest, AcknowledgementMissingLateOrDifferentFails) {
    std::vector<AckRow> rows(5);
    rows[0].name = "none";
    rows[0].faults.noReply = true;
    rows[1].name = "over 5000 ms after the wait";
    rows[1].faults.lateReplyMs = 5050;  // ready at 5051, the read began at 50
    rows[2].name = "refused with 5B";
    rows[2].faults.refuseAck = true;
    rows[3].name = "another command first";
    rows[3].faults.foreignReplyFirst = true;
    rows[4].name = "length 02";
    rows[4].faults.mangle = [](uint8_t cmd, std::vector<Report>& r) {
        const uint8_t data[2] = {0x5A, 0x00};
        r[0] = LampFrame::MakeReply(cmd, data, 2);
    };
    const Bytes text = Hex("31 2C 05 3B");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        op.Clear();
        host.SetFaults(row.faults);
        EXPECT_EQ(protocol.BulkSendBuffer(0xE2, text.data(), text.size(), "设置地址码参数"), 0);
        EXPECT_EQ(op.Texts(1002), std::vector<std::string>{"设置地址码参数发送失败"});
        EXPECT_TRUE(op.Boxes().empty());
        EXPECT_FALSE(op.ProgressIsOpen());
        host.ClearFaults();
    }
}

TEST_F(BulkSendTest, AcknowledgementIsAwaitedFor5000ms) {
    EmulatorFaults f;
    // Ready at 5050: the read began after the 50 ms wait of packet 1.
    f.lateReplyMs = 5049;
    host.SetFaults(f);
    const Bytes text = Hex("31 2C 05 3B");
    EXPECT_EQ(protocol.BulkSendBuffer(0xE2, text.data(), text.size(), "x"), 1);
    EXPECT_EQ(ToHex(protocol.InputReport), Padded("00 55 AA 02 E2 01 5A C0"));
}

TEST_F(BulkSendTest, PacketThatCannotBeWrittenEndsTheSendAtOnce) {
    EmulatorFaults f;
    f.vanishAfterPacket = 1;
    host.SetFaults(f);
    const Bytes image = Counting(100);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 0);
    const std::vector<std::string> want = {
        "open@0",
        "range 2@0",
        "pos 1@4000",
        "1001 升级程序,共有2包数据,当前第1包数据正在发送.......@4000",
        "box 失败1: 设备未连接，请连接设备！@4000",
        "close@4000"};
    EXPECT_EQ(Trace(op), want);
    EXPECT_EQ(backend.enumerations, 5);
}

TEST_F(BulkSendTest, CancelEndsTheSendAfterTheCurrentPacket) {
    const Bytes image = Counting(54 * 5);
    op.onProgress = [&](const OperatorEvent& e) {
        if (e.kind == Kind::ProgressText && e.text.find("当前第2包") != std::string::npos)
            protocol.OnCancelRequest(1);  // pressed while packet 2 shows
    };
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 0);
    EXPECT_EQ(host.received.size(), 3u);
    EXPECT_EQ(protocol.cancelRequested, 0);
    EXPECT_TRUE(op.Texts(1002).empty());
    EXPECT_FALSE(op.ProgressIsOpen());
    EXPECT_EQ(op.OfKind(Kind::ProgressClose).back().timeMs, 4010);
}

// The first packet of a download makes the host erase its area, and a
// format empties it: a cancel dispatched just before either goes out keeps
// it back, so the host is never left emptied by a request the operator took
// back. Once that packet is out, the cancel ends the send after it.
TEST_F(BulkSendTest, ACancelSeenAsTheFirstPacketOrAFormatGoesOutSendsNothing) {
    const Bytes image = Counting(54 * 3);
    struct Case {
        const char* name;
        std::size_t cancelAtReceived;  // the pump before this write sees the cancel
        std::function<int()> run;
        std::size_t sent;
    } cases[] = {
        {"download, before packet 1", 0,
         [&] { return protocol.BulkSendBuffer(0xD5, image.data(), image.size(), ""); }, 0},
        {"download, once packet 1 is out", 1,
         [&] { return protocol.BulkSendBuffer(0xD5, image.data(), image.size(), ""); }, 1},
        {"format", 0, [&] { return Send("01 D6 00 28"); }, 0},
        {"fixed-area format", 0, [&] { return Send("01 DA 00 24"); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.received.clear();
        op.events.clear();
        bool pressed = false;
        link.pump = [&] {
            if (!pressed && host.received.size() == c.cancelAtReceived) {
                pressed = true;
                protocol.OnCancelRequest(1);
            }
            return true;
        };
        EXPECT_EQ(c.run(), 0);
        EXPECT_EQ(host.received.size(), c.sent);
        EXPECT_EQ(protocol.cancelRequested, 0);
        EXPECT_TRUE(op.OfKind(Kind::Box).empty());
        EXPECT_FALSE(op.ProgressIsOpen());
    }
}

TEST_F(BulkSendTest, ACancelPressedDuringACommandDoesNotStopTheNextSend) {
    link.pump = [&] {
        if (host.received.size() == 1 && host.received[0][4] == 0xD0) protocol.OnCancelRequest(1);
        return true;
    };
    EXPECT_EQ(Send("01 D0 00 2E"), 1);
    link.pump = nullptr;
    const Bytes image = Counting(54 * 3);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 1);
    EXPECT_EQ(host.received.size(), 4u);
    EXPECT_EQ(host.firmware, image);
    EXPECT_EQ(op.Texts(1002), std::vector<std::string>{"升级程序发送成功"});
}

TEST_F(BulkSendTest, MissingFileSendsNothingAndStillAwaitsTheAcknowledgement) {
    EXPECT_EQ(protocol.BulkSendFile(0xD1, scratch.File("absent.txt"), "设置参数"), 0);
    EXPECT_TRUE(host.received.empty());
    EXPECT_EQ(clock.NowMs(), 6000);  // 5000 ms read, 1000 ms result
    const std::vector<std::string> want = {"open@0", "range 0@0", "1002 设置参数发送失败@5000",
                                           "close@6000"};
    EXPECT_EQ(Trace(op), want);
}

TEST_F(BulkSendTest, ImageBeyondTheSixteenBitPacketCountIsRefusedBeforeSending) {
    const Bytes image(3538891, 0x11);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 0);
    const std::string path = scratch.File("big.bin");
    ASSERT_TRUE(WriteWholeFile(image.data(), image.size(), path));
    EXPECT_EQ(protocol.BulkSendFile(0xD3, path, "升级程序"), 0);
    EXPECT_TRUE(host.received.empty());
    const std::vector<std::string> want = {"box Korvane: 数据过大，无法发送！@0",
                                           "box Korvane: 数据过大，无法发送！@0"};
    EXPECT_EQ(Trace(op), want);
}

TEST_F(BulkSendTest, LargestImageIs65535Packets) {
    const Bytes image(3538890, 0x22);
    op.onProgress = nullptr;
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 1);
    ASSERT_EQ(host.received.size(), 65535u);
    EXPECT_EQ(ToHex(Bytes(host.received.back().begin(), host.received.back().begin() + 11)),
              "00 55 AA 01 D3 3A FF FF FF FF 22");
    EXPECT_EQ(host.firmware.size(), 3538890u);
    EXPECT_EQ(op.upper(), 65535);
}

TEST_F(BulkSendTest, StagingThatCannotBeWrittenSendsNothing) {
    // The staging folder's name is taken by a plain file: refused.
    const std::string taken = scratch.File("taken");
    WriteFile(taken, Hex("78"));
    SetEnv("KORVANE_STAGING_DIR", taken);
    const Bytes image = Counting(10);
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, image.data(), image.size(), "升级程序"), 0);
    EXPECT_TRUE(host.received.empty());
    // The operator is told which folder to look at.
    const std::vector<std::string> want = {
        "box Korvane: 无法写入暂存文件，操作已取消！\n暂存文件夹：" + taken + "@0"};
    EXPECT_EQ(Trace(op), want);
}

TEST_F(BulkSendTest, EmptyImageSendsNoPacket) {
    EXPECT_EQ(protocol.BulkSendBuffer(0xD3, nullptr, 0, "升级程序"), 0);
    EXPECT_TRUE(host.received.empty());
    EXPECT_EQ(op.OfKind(Kind::ProgressRange).at(0).value, 0);
}

TEST_F(BulkSendTest, LeftoverAcknowledgementDoesNotPassForTheNextOne) {
    // The first send reads a stray reply in place of its acknowledgement,
    // which stays behind in the device's queue.
    EmulatorFaults f;
    f.foreignReplyFirst = true;
    host.SetFaults(f);
    const Bytes text = Hex("31 2C 05 3B");
    EXPECT_EQ(protocol.BulkSendBuffer(0xE2, text.data(), text.size(), "x"), 0);
    // The second is never acknowledged at all.
    f = EmulatorFaults{};
    f.noReply = true;
    host.SetFaults(f);
    EXPECT_EQ(protocol.BulkSendBuffer(0xE2, text.data(), text.size(), "x"), 0);
    EXPECT_EQ(op.Texts(1002), (std::vector<std::string>{"x发送失败", "x发送失败"}));
}

}  // namespace
}  // namespace korvane::test
