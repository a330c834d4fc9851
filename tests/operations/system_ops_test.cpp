#include "operations/system_ops.h"

#include <gtest/gtest.h>

#include "tests/operations/ops_rig.h"

namespace korvane::test {
namespace {

// Initialise, frequency, version and upgrade.
class SystemOpsTest : public OpsTest {};

TEST_F(SystemOpsTest, InitialiseShowsItsResultWhileTheDialogIsUp) {
    EXPECT_TRUE(ops::InitDevice(ctx));
    EXPECT_EQ(Requests(), Strings{"01 D0 00 2E"});
    EXPECT_EQ(op.Texts(1001), Strings{"正在初始化设备....."});
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "初始化设备成功！");
    EXPECT_EQ(op.Boxes()[0].caption, "Korvane");
    EXPECT_EQ(op.Boxes()[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(op.Boxes()[0].progressWasOpen);
    EXPECT_FALSE(op.ProgressIsOpen());
}

TEST_F(SystemOpsTest, InitialiseWithoutAHost) {
    host.Unplug();
    EXPECT_FALSE(ops::InitDevice(ctx));
    const auto boxes = op.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "设备未连接，请连接设备！");
    EXPECT_EQ(boxes[0].caption, "失败1");
    EXPECT_EQ(boxes[1].text, "初始化设备失败！");
    EXPECT_TRUE(boxes[1].progressWasOpen);
    EXPECT_FALSE(op.ProgressIsOpen());
}

TEST_F(SystemOpsTest, InitialiseAcceptsAnEchoWithData) {
    EmulatorFaults f;
    f.mangle = [](uint8_t, std::vector<Report>& replies) {
        const Bytes data = {'O', 'K'};
        replies = {LampFrame::MakeReply(0xD0, data)};
    };
    host.SetFaults(f);
    EXPECT_TRUE(ops::InitDevice(ctx));
    EXPECT_EQ(op.BoxTexts(), Strings{"初始化设备成功！"});
}

// The digits of other frequencies are the frequency codec's.
TEST_F(SystemOpsTest, SetFrequencySendsTheHertzDigits) {
    EXPECT_TRUE(ops::SetFrequency(ctx, 433.5f));
    EXPECT_EQ(Requests(), Strings{"01 E0 09 34 33 33 35 30 30 30 30 30 56"});
    EXPECT_EQ(host.frequencyDigits, "433500000");
    EXPECT_EQ(op.BoxTexts(), Strings{"设置接收频率成功！"});
}

// How other digits read is the frequency codec's.
TEST_F(SystemOpsTest, ReadFrequency) {
    host.frequencyDigits = "433920013";
    const auto f = ops::ReadFrequency(ctx);
    ASSERT_TRUE(f);
    EXPECT_FLOAT_EQ(*f, 433.920013f);
    EXPECT_EQ(op.BoxTexts(), Strings{"回读接收频率成功！"});
    EXPECT_EQ(op.Texts(1001), Strings{"回读接收频率....."});

    host.Unplug();
    op.Clear();
    EXPECT_FALSE(ops::ReadFrequency(ctx));
    EXPECT_EQ(op.BoxTexts(), (Strings{"设备未连接，请连接设备！", "回读接收频率失败！"}));
}

// Where the text ends is the transaction's rule; an empty one is still a version.
TEST_F(SystemOpsTest, ReadVersion) {
    struct Case {
        std::string hostText;
        std::string shown;
    } cases[] = {{"KV-HOST V2.1", "KV-HOST V2.1"}, {"", ""}};
    for (const auto& c : cases) {
        op.Clear();
        host.versionText = c.hostText;
        const auto v = ops::ReadVersion(ctx);
        ASSERT_TRUE(v);
        EXPECT_EQ(*v, c.shown);
        EXPECT_TRUE(op.Boxes().empty());
        EXPECT_EQ(op.Texts(1001), Strings{"正在读取版本号....."});
    }
}

TEST_F(SystemOpsTest, ReadVersionFailuresKeepTheDialogBehindTheBoxes) {
    struct Case {
        const char* name;
        EmulatorFaults faults;
        Strings boxes;
    };
    EmulatorFaults none, noReply, badSum;
    noReply.noReply = true;
    badSum.badChecksum = true;
    const Case cases[] = {
        {"no reply", noReply, {"读取数据失败，请重新发送！", "读取版本号失败！"}},
        {"bad checksum", badSum, {"发送数据失败，请重新发送！", "读取版本号失败！"}},
    };
    for (const auto& c : cases) {
        op.Clear();
        host.SetFaults(c.faults);
        EXPECT_FALSE(ops::ReadVersion(ctx)) << c.name;
        EXPECT_EQ(op.BoxTexts(), c.boxes) << c.name;
        for (const auto& b : op.Boxes()) EXPECT_TRUE(b.progressWasOpen) << c.name;
        EXPECT_FALSE(op.ProgressIsOpen());
    }
}

class UpgradeTest : public OpsTest {
  protected:
    std::string image = scratch.File("fw.bin");
};

TEST_F(UpgradeTest, HundredByteImage) {
    const Bytes fw = Counting(100);
    WriteFile(image, fw);
    op.fileAnswer = image;
    const int64_t start = clock.NowMs();
    EXPECT_TRUE(ops::UpgradeFirmware(ctx));
    EXPECT_EQ(op.OfKind(OperatorEvent::Kind::ChooseFile).at(0).text, "*.bin|*.bin||");
    EXPECT_EQ(host.firmware, fw);
    ASSERT_EQ(op.Boxes().size(), 1u);
    EXPECT_EQ(op.Boxes()[0].text, "升级成功！");
    EXPECT_FALSE(op.Boxes()[0].progressWasOpen);  // the result comes after the dialog is gone
    EXPECT_EQ(op.Texts(1001).front(), "升级程序,共有2包数据,当前第1包数据正在发送.......");
    EXPECT_EQ(op.Texts(1002), Strings{"升级程序发送成功"});
    EXPECT_GE(clock.NowMs() - start, 4000 + 10 + 1000);
    EXPECT_FALSE(std::filesystem::exists(scratch.File("Temp.txt")));
}

TEST_F(UpgradeTest, RefusalsAndCancels) {
    // Cancelled chooser: nothing at all.
    EXPECT_FALSE(ops::UpgradeFirmware(ctx));
    EXPECT_TRUE(op.events.size() == 1u);  // only the chooser

    // An empty image sends nothing, and the host does not acknowledge it.
    WriteFile(image, {});
    op.fileAnswer = image;
    op.Clear();
    EXPECT_FALSE(ops::UpgradeFirmware(ctx));
    EXPECT_EQ(op.BoxTexts(), Strings{"升级失败！"});
    EXPECT_EQ(host.acknowledgements, 0);

    // 3,000,000 bytes are the most: one more is refused before anything is
    // sent, the largest goes out (here until a cancel after its second packet).
    const struct {
        std::size_t size;
        const char* box;
        std::size_t sent;
    } sizes[] = {{3000001, "升级程序文件不能超过3000000字节！", 0}, {3000000, "升级失败！", 2}};
    for (const auto& c : sizes) {
        SCOPED_TRACE(c.size);
        WriteFile(image, Bytes(c.size, 0x11));
        op.Clear();
        host.received.clear();
        op.onProgress = [&](const OperatorEvent& e) {
            if (e.kind == OperatorEvent::Kind::ProgressText &&
                e.text.find("当前第1包") != std::string::npos)
                protocol.OnCancelRequest(1);
        };
        EXPECT_FALSE(ops::UpgradeFirmware(ctx));
        EXPECT_EQ(op.BoxTexts(), Strings{c.box});
        EXPECT_EQ(host.received.size(), c.sent);
        EXPECT_FALSE(op.ProgressIsOpen());
    }
    op.onProgress = nullptr;

    // A cancel between packets ends in the failure box.
    WriteFile(image, Counting(200));
    op.Clear();
    op.onProgress = [&](const OperatorEvent& e) {
        if (e.kind == OperatorEvent::Kind::ProgressText &&
            e.text.find("当前第2包") != std::string::npos)
            protocol.OnCancelRequest(1);
    };
    EXPECT_FALSE(ops::UpgradeFirmware(ctx));
    EXPECT_EQ(op.BoxTexts(), Strings{"升级失败！"});
    EXPECT_EQ(protocol.cancelRequested, 0);

    // A file that cannot be opened closes the dialog without a word.
    op.onProgress = nullptr;
    op.fileAnswer = scratch.File("missing.bin");
    op.Clear();
    host.received.clear();
    EXPECT_FALSE(ops::UpgradeFirmware(ctx));
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_TRUE(host.received.empty());
    EXPECT_FALSE(op.ProgressIsOpen());
}

TEST_F(UpgradeTest, AFolderIsNoImage) {
    op.fileAnswer = scratch.path;
    EXPECT_FALSE(ops::UpgradeFirmware(ctx));
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_FALSE(op.ProgressIsOpen());
    EXPECT_TRUE(host.received.empty());
}

}  // namespace
}  // namespace korvane::test
