#include <gtest/gtest.h>

#include <fstream>

#include "common/staging.h"
#include "tests/support/link_rig.h"

namespace korvane::test {
namespace {

using Kind = OperatorEvent::Kind;
using Mangle = std::function<void(uint8_t, std::vector<Report>&)>;

// Recomputes a reply's checksum after a test has bent its bytes.
void Reseal(Report& r) {
    const std::size_t n = std::min<std::size_t>(r[5], 58);
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 5 + n; ++i) sum += r[i];
    r[6 + n] = static_cast<uint8_t>(~sum);
}

class BulkReadTest : public LinkTest {
  protected:
    void SetUp() override {
        // Two packets of address-code text: 4 + 3 x 21 + 4 = 71 bytes with the count record.
        host.addressCodes[1] = Hex("31 2C 35 3B");
        for (uint8_t id = 0x32; id <= 0x34; ++id) {
            Bytes rec = {id, 0x2C};
            for (int k = 0; k < 18; ++k) rec.push_back(static_cast<uint8_t>(0x30 + k % 10));
            rec.push_back(0x3B);
            host.addressCodes[id] = rec;
        }
        host.customSounds = {{"a", 1}, {"b", 2}};
        host.fixedSounds = {{"c", 3}};
        path = scratch.File("RHost.txt");
    }

    std::optional<Bytes> File() const { return ReadWholeFile(path, 4096); }

    std::string path;
};

TEST_F(BulkReadTest, BasicParametersArriveAsOnePacket) {
    EXPECT_EQ(protocol.BulkReadToFile(0xD2, path, ""), 1);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(ToHex(host.received[0]), Padded("00 55 AA 01 D2 00 2C"));
    EXPECT_EQ(ToHex(*File()), "31 2C 00 0A 3B 32 2C 31 3B 33 2C 30 3B 34 2C 51 4B 4D 52 3B");
    const auto events = op.events;
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1].kind, Kind::ProgressRange);
    EXPECT_EQ(events[1].value, 1);
    EXPECT_EQ(events[2].text, "发送成功");
    EXPECT_EQ(events[3].kind, Kind::ProgressClose);
    EXPECT_EQ(events[3].timeMs - events[2].timeMs, 1000);
}

TEST_F(BulkReadTest, AddressCodesArriveInSeveralPacketsWithTheSoundCount) {
    EXPECT_EQ(protocol.BulkReadToFile(0xE3, path, "回读地址码参数"), 1);
    EXPECT_EQ(ToHex(host.received[0]), Padded("00 55 AA 01 E3 00 1B"));
    const Bytes file = *File();
    ASSERT_EQ(file.size(), 71u);
    EXPECT_EQ(ToHex(Bytes(file.begin(), file.begin() + 6)), "31 2C 35 3B 32 2C");
    EXPECT_EQ(ToHex(Bytes(file.end() - 4, file.end())), "36 2C 03 3B");
    EXPECT_EQ(op.Texts(1001),
              std::vector<std::string>{"回读地址码参数,共有2包数据,当前第2包数据正在发送......."});
    EXPECT_EQ(op.Texts(1002), std::vector<std::string>{"回读地址码参数发送成功"});
}

struct ReadRow {
    const char* name;
    Mangle mangle;
    int gapBeforeReply;
    int result;
    const char* box;  // text of the one box, or nullptr
    const char* caption;
    const char* outcome;  // text of 1002, or nullptr (dialog never shown)
};

TEST_F(BulkReadTest, BadSequencesAreRejectedWithoutOverrun) {
    const ReadRow rows[] = {
        {"first: type 01", [](uint8_t, std::vector<Report>& r) { r[0][3] = 0x01; }, 0, 0, nullptr,
         nullptr, nullptr},
        {"first: another command",
         [](uint8_t, std::vector<Report>& r) {
             r[0][4] = 0xD2;
             Reseal(r[0]);
         },
         0, 0, nullptr, nullptr, nullptr},
        {"first: checksum off", [](uint8_t, std::vector<Report>& r) { r[0][64] ^= 0x01; }, 0, 0,
         "接受数据不正确，请检查主机是否正常工作！", "警告", nullptr},
        {"first: length 3",
         [](uint8_t, std::vector<Report>& r) {
             r[0][5] = 3;
             Reseal(r[0]);
         },
         0, 0, "接受数据不正确，请检查主机是否正常工作！", "警告", nullptr},
        {"first: length 59", [](uint8_t, std::vector<Report>& r) { r[0][5] = 59; }, 0, 0,
         "接受数据不正确，请检查主机是否正常工作！", "警告", nullptr},
        {"first: N = 0 with payload",
         [](uint8_t, std::vector<Report>& r) {
             r[0][6] = 0;
             r[0][7] = 0;
             Reseal(r[0]);
         },
         0, 0, "接受数据不正确，请检查主机是否正常工作！", "警告", nullptr},
        {"later: another command", [](uint8_t, std::vector<Report>& r) { r[1][4] = 0xE2; }, 0, 0,
         nullptr, nullptr, "回读地址码参数  数据包错误"},
        {"later: type 01", [](uint8_t, std::vector<Report>& r) { r[1][3] = 0x01; }, 0, 0, nullptr,
         nullptr, "回读地址码参数  数据包错误"},
        {"later: length 59", [](uint8_t, std::vector<Report>& r) { r[1][5] = 59; }, 0, 0, nullptr,
         nullptr, "回读地址码参数  数据包错误"},
        {"later: length 2", [](uint8_t, std::vector<Report>& r) { r[1][5] = 2; }, 0, 0, nullptr,
         nullptr, "回读地址码参数  数据包错误"},
        {"later: 101 ms late", nullptr, 2, 0, nullptr, nullptr, "回读地址码参数  读取失败"},
        {"later: checksum off", [](uint8_t, std::vector<Report>& r) { r[1][26] ^= 0xFF; }, 0, 1,
         nullptr, nullptr, "回读地址码参数发送成功"},
        {"later: wrong number", [](uint8_t, std::vector<Report>& r) { r[1][9] = 7; }, 0, 1, nullptr,
         nullptr, "回读地址码参数发送成功"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        op.Clear();
        RemoveFile(path);
        EmulatorFaults f;
        f.mangle = row.mangle;
        f.gapBeforeReply = row.gapBeforeReply;
        f.gapMs = 100;  // on top of the 1 ms spacing
        host.SetFaults(f);
        EXPECT_EQ(protocol.BulkReadToFile(0xE3, path, "回读地址码参数"), row.result);
        const auto boxes = op.Boxes();
        if (row.box != nullptr) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, row.box);
            EXPECT_EQ(boxes[0].caption, row.caption);
            EXPECT_EQ(boxes[0].icon, BoxIcon::Exclamation);
            EXPECT_FALSE(boxes[0].progressWasOpen);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
        if (row.outcome != nullptr) {
            EXPECT_EQ(op.Texts(1002), std::vector<std::string>{row.outcome});
        } else {
            EXPECT_TRUE(op.OfKind(Kind::ProgressOpen).empty());
        }
        EXPECT_FALSE(op.ProgressIsOpen());
        EXPECT_EQ(File().has_value(), row.result == 1) << "no partial file";
        host.ClearFaults();
        link.CloseDevice();
        link.connected = 0;
    }
}

TEST_F(BulkReadTest, FirstReplyIsAwaitedFor5000ms) {
    EmulatorFaults f;
    f.lateReplyMs = 4999;
    host.SetFaults(f);
    EXPECT_EQ(protocol.BulkReadToFile(0xD2, path, ""), 1);
    f.lateReplyMs = 5000;
    host.SetFaults(f);
    op.Clear();
    const int64_t start = clock.NowMs();
    EXPECT_EQ(protocol.BulkReadToFile(0xD2, path, ""), 0);
    EXPECT_EQ(clock.NowMs() - start, 5000);
    EXPECT_TRUE(op.events.empty());
}

TEST_F(BulkReadTest, OnlyACancelPressedDuringTheReadStopsIt) {
    struct Row {
        const char* name;
        bool pendingBefore;   // pressed during an earlier command
        bool pressedAtStart;  // pressed once the first packet is in
        int result;
        const char* outcome;
    } rows[] = {
        {"pending from a command", true, false, 1, "回读地址码参数发送成功"},
        {"pressed during the read", false, true, 0, "回读地址码参数  取消读取"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        op.Clear();
        RemoveFile(path);
        if (row.pendingBefore) {
            link.pump = [&] {
                protocol.OnCancelRequest(1);
                return true;
            };
            ASSERT_EQ(Send("01 D0 00 2E"), 1);
            link.pump = nullptr;
        }
        op.onProgress = [&](const OperatorEvent& e) {
            if (row.pressedAtStart && e.kind == Kind::ProgressOpen) protocol.OnCancelRequest(1);
        };
        EXPECT_EQ(protocol.BulkReadToFile(0xE3, path, "回读地址码参数"), row.result);
        EXPECT_EQ(op.Texts(1002), std::vector<std::string>{row.outcome});
        EXPECT_EQ(protocol.cancelRequested, 0);
        EXPECT_EQ(File().has_value(), row.result == 1);
        op.onProgress = nullptr;
    }
}

TEST_F(BulkReadTest, RequestThatCannotBeWrittenShowsFail1) {
    host.Unplug();
    EXPECT_EQ(protocol.BulkReadToFile(0xD2, path, ""), 0);
    ASSERT_EQ(op.events.size(), 1u);
    EXPECT_EQ(op.events[0].text, "下发数据失败，请重新发送！");
    EXPECT_EQ(op.events[0].caption, "失败1");
    EXPECT_EQ(op.events[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(backend.enumerations, 1) << "written once, no repetition";
}

TEST_F(BulkReadTest, FileThatCannotBeWrittenIsAFailure) {
    const std::string inMissingFolder = scratch.File("gone/RHost.txt");
    EXPECT_EQ(protocol.BulkReadToFile(0xD2, inMissingFolder, ""), 0);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text.rfind("无法写入暂存文件，操作已取消！\n", 0), 0u);
}

TEST_F(BulkReadTest, LaterPacketsAreAwaitedFor100ms) {
    // Packet 2 comes 1 ms after packet 1 plus the gap.
    struct Row {
        int gapMs;
        int result;
        const char* outcome;
    } rows[] = {{98, 1, "回读地址码参数发送成功"}, {100, 0, "回读地址码参数  读取失败"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.gapMs + 1);
        op.Clear();
        EmulatorFaults f;
        f.gapBeforeReply = 2;
        f.gapMs = row.gapMs;
        host.SetFaults(f);
        EXPECT_EQ(protocol.BulkReadToFile(0xE3, path, "回读地址码参数"), row.result);
        EXPECT_EQ(op.Texts(1002), std::vector<std::string>{row.outcome});
        host.ClearFaults();
        link.Disconnect();
    }
}

}  // namespace
}  // namespace korvane::test
