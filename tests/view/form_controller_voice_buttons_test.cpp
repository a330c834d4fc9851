// Sound downloads and formats of both areas, with the authorization step.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

struct Voice : ::testing::Test {
    QTemporaryDir folder;
    HostWindow w{1};
    void SetUp() override {
        w.Connect();
        Put("A.WAV", QByteArray(10, 'a'));
        Put("b.wav", QByteArray(3, 'b'));
        Put("notes.txt", QByteArray(5, 'n'));
    }
    void Put(const char* name, const QByteArray& data) {
        QFile f(QDir(folder.path()).filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    void ChooseFolder() { w.dialogs.folderAnswers.push_back(folder.path().toStdString()); }
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

    // Cancelled: nothing at all.
    w.Clear();
    w.dialogs.passwordAnswers.push_back(std::nullopt);
    w.Click(1055);
    EXPECT_TRUE(w.Boxes().empty());
    EXPECT_TRUE(w.Host().received.empty());

    w.Clear();
    w.dialogs.passwordAnswers.push_back(std::string("guard7302"));
    w.Click(1055);
    EXPECT_EQ(w.Boxes(), Strings{"格式化固化WAV音频区域成功！"});
    EXPECT_TRUE(w.Host().fixedSounds.empty());
    EXPECT_EQ(w.dialogs.passwordPrompts, 4);
}

TEST_F(Voice, TheKeyFileInTheWorkingFolderStandsForThePassword) {
    QFile key(QStringLiteral("pwd.txt"));
    ASSERT_TRUE(key.open(QIODevice::WriteOnly));  // empty will do
    key.close();
    w.dialogs.passwordAnswers.push_back(std::string());
    ChooseFolder();
    w.Click(1054);
    QFile::remove(QStringLiteral("pwd.txt"));
    EXPECT_EQ(w.Boxes(), Strings{"下载固化WAV音频报警音成功！"});
    EXPECT_EQ(w.dialogs.passwordPrompts, 1);
}

TEST_F(Voice, FoldersThatGiveNothingToSendAreToldAndSendNothing) {
    w.dialogs.folderAnswers.push_back("");  // chooser cancelled
    w.Click(1050);
    EXPECT_TRUE(w.Boxes().empty());

    QTemporaryDir empty;
    w.dialogs.folderAnswers.push_back(empty.path().toStdString());
    w.Click(1050);
    EXPECT_EQ(w.Boxes(), Strings{"没有找到语音文件或者语音文件为空！"});

    // A sub-folder named like a sound cannot be read as one.
    w.Clear();
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("x.wav")));
    ChooseFolder();
    w.Click(1050);
    EXPECT_EQ(w.Boxes(), Strings{"无法读取语音文件：x.wav，没有发送任何数据！"});
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

}  // namespace
}  // namespace korvane::test
