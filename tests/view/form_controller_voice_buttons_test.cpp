// Sound downloads and formats of both areas, with the authorization step.
#include <QTimer>

#include "common/transfer_system.h"
#include "tests/support/scratch_folder.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

struct Voice : ::testing::Test {
    ScratchFolder folder;
    HostWindow w{1};
    void SetUp() override {
        w.Connect();
        WriteFile(folder.File("A.WAV"), Bytes(10, 'a'));
        WriteFile(folder.File("b.wav"), Bytes(3, 'b'));
        WriteFile(folder.File("notes.txt"), Bytes(5, 'n'));
    }
    void ChooseFolder() { w.dialogs.folderAnswers.push_back(folder.path); }
    std::vector<std::string> Names(const std::vector<SoundEntry>& area) {
        std::vector<std::string> out;
        for (const SoundEntry& e : area) out.push_back(e.name);
        return out;
    }
    std::string SoundCount() {
        w.dialogs.boxes.clear();
        w.Click(1060);
        return w.Boxes().empty() ? std::string() : w.Boxes().back();
    }
};

TEST_F(Voice, TheCustomAreaTakesTheWavFilesOfTheChosenFolder) {
    ChooseFolder();
    w.Click(1050);
    EXPECT_EQ(w.dialogs.folderTitles, Strings{""});
    EXPECT_EQ(w.Boxes(), Strings{"下载成功！"});
    EXPECT_EQ(w.ProgressBehindBoxes(), std::vector<bool>{false});
    EXPECT_EQ(Names(w.Host().customSounds), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(w.Host().fixedSounds.empty());
    EXPECT_EQ(w.dialogs.passwordPrompts, 0);
    EXPECT_EQ(SoundCount(), "报警音数目为: 2 个。");

    // The format waits up to 28 s for the host to clear the area.
    w.Clear();
    w.Host().formatDelayMs = 27500;
    const int64_t start = w.clock.NowMs();
    w.Click(1051);
    EXPECT_EQ(w.Boxes(), Strings{"格式化WAV音频区域成功！"});
    EXPECT_EQ(w.ProgressBehindBoxes(), std::vector<bool>{true});
    EXPECT_GE(w.clock.NowMs() - start, 27500);
    EXPECT_FALSE(w.View().progress->IsOpen());
    EXPECT_TRUE(w.Host().customSounds.empty());
    EXPECT_EQ(SoundCount(), "报警音数目为: 0 个。");
}

// Which answers pass, and the key file that stands in for one, are the
// operation's rule.
TEST_F(Voice, TheFixedAreaAsksForTheAuthorizationEachTime) {
    w.dialogs.passwordAnswers.push_back(std::string("guard7302"));
    ChooseFolder();
    w.Click(1054);
    EXPECT_EQ(w.Boxes(), Strings{"下载固化WAV音频报警音成功！"});
    EXPECT_EQ(Names(w.Host().fixedSounds), (std::vector<std::string>{"a", "b"}));

    w.Clear();
    w.dialogs.passwordAnswers.push_back(std::string("GUARD7302"));
    w.Click(1055);
    EXPECT_EQ(w.Boxes(), Strings{"授权密码错误，请认真操作！"});
    EXPECT_TRUE(w.Host().received.empty());

    w.Clear();
    w.dialogs.passwordAnswers.push_back(std::string("guard7302"));
    w.Click(1055);
    EXPECT_EQ(w.Boxes(), Strings{"格式化固化WAV音频区域成功！"});
    EXPECT_TRUE(w.Host().fixedSounds.empty());
    EXPECT_EQ(w.dialogs.passwordPrompts, 3);
}

// Which folders give nothing to send, a cancelled chooser among them, is the
// operation's rule.
TEST_F(Voice, AFolderWithNothingToSendIsToldAndSendsNothing) {
    const ScratchFolder empty;
    w.dialogs.folderAnswers.push_back(empty.path);
    w.Click(1050);
    EXPECT_EQ(w.Boxes(), Strings{"没有找到语音文件或者语音文件为空！"});
    EXPECT_TRUE(w.Host().received.empty());
    EXPECT_TRUE(w.Host().customSounds.empty());
}

TEST_F(Voice, AFailedDownloadIsToldForItsArea) {
    w.Host().SetFaults(Fault(&EmulatorFaults::refuseAck));
    ChooseFolder();
    w.Click(1050);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "下载失败！");
    EXPECT_FALSE(w.View().progress->IsOpen());
    // A host slower than the format wait.
    w.Clear();
    w.Host().ClearFaults();
    w.Host().formatDelayMs = 28500;
    w.Click(1051);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "格式化WAV音频区域失败！");
    EXPECT_FALSE(w.View().progress->IsOpen());
}

// A closed lid in the middle of a format: the operation's own boxes first,
// then the status bar's word on why. A format that goes through says nothing.
TEST_F(Voice, AFormatTheSystemSleptThroughIsToldAfterItsBoxes) {
    std::vector<Strings> boxesWhenTold;
    QObject::connect(w.controller.get(), &FormController::sleptDuringTransfer,
                     [&](const QString& text) {
                         EXPECT_EQ(text.toStdString(), "传输期间电脑进入了睡眠，请重新操作！");
                         boxesWhenTold.push_back(w.Boxes());
                     });
    for (const int delayMs : {1000, 28500}) {
        w.Clear();
        w.Host().formatDelayMs = delayMs;
        QTimer::singleShot(0, [] { StayAwake::NoteSuspend(); });
        w.Click(1051);
    }
    // Only the second, which failed, and after both of its boxes.
    EXPECT_EQ(boxesWhenTold,
              (std::vector<Strings>{{"读取数据失败，请重新发送！", "格式化WAV音频区域失败！"}}));
}

}  // namespace
}  // namespace korvane::test
