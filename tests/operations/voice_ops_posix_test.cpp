// What only a POSIX file system holds: FIFOs, symbolic links to devices and
// to nothing, files the user may not read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "operations/voice_ops.h"
#include "tests/operations/ops_rig.h"
#include "tests/support/working_directory.h"

namespace korvane::test {
namespace {

using Kind = OperatorEvent::Kind;

TEST_F(VoiceTest, EntriesThatCannotBeReadStopEverything) {
    struct Case {
        const char* entry;
        std::function<bool(const std::string& path)> make;
    };
    const Case cases[] = {
        {"gone.wav",
         [](const std::string& p) { return symlink("/nonexistent-korvane", p.c_str()) == 0; }},
        {"pipe.wav", [](const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; }},
        {"zero.wav", [](const std::string& p) { return symlink("/dev/zero", p.c_str()) == 0; }},
    };
    int k = 0;
    for (const auto& c : cases) {
        const std::string dir = Folder("bad" + std::to_string(k++));
        WriteFile(dir + "/a.wav", Bytes(8, 1));
        ASSERT_TRUE(c.make(dir + "/" + c.entry)) << c.entry;
        op.folderAnswer = dir;
        op.Clear();
        EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom)) << c.entry;
        EXPECT_EQ(op.BoxTexts(),
                  Strings{std::string("无法读取语音文件：") + c.entry + "，没有发送任何数据！"});
        EXPECT_TRUE(op.OfKind(Kind::ProgressOpen).empty());
    }
    EXPECT_TRUE(host.received.empty());
}

TEST_F(VoiceTest, FileWithoutReadPermission) {
    if (geteuid() == 0) GTEST_SKIP() << "the super-user reads every file";
    const std::string dir = Folder("locked");
    WriteFile(dir + "/a.wav", Bytes(8, 1));
    ASSERT_EQ(chmod((dir + "/a.wav").c_str(), 0), 0);
    op.folderAnswer = dir;
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(op.BoxTexts(), Strings{"无法读取语音文件：a.wav，没有发送任何数据！"});
    EXPECT_TRUE(host.received.empty());
}

TEST_F(VoiceTest, AKeyFileThatIsAPipeOpensWithoutBlocking) {
    WorkingDirectory here(Folder("cwd"));
    ASSERT_EQ(mkfifo("pwd.txt", 0600), 0);
    op.passwordAnswer = "wrong";
    EXPECT_TRUE(ops::Authorize(op));
    EXPECT_EQ(op.BoxTexts(), Strings{});
}

}  // namespace
}  // namespace korvane::test
