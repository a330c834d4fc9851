#include "operations/voice_ops.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "operations/param_ops.h"
#include "tests/operations/ops_rig.h"
#include "tests/support/working_directory.h"

namespace korvane::test {
namespace {

using Kind = OperatorEvent::Kind;

struct Area {
    const char* name;
    ops::SoundArea area;
    uint8_t command;
    const char* title;
    const char* ok;
    const char* failed;
};
const Area kAreas[] = {
    {"custom", ops::SoundArea::Custom, 0xD5, "下载WAV音频报警音", "下载成功！", "下载失败！"},
    {"fixed", ops::SoundArea::Fixed, 0xD9, "下载固化WAV音频报警音", "下载固化WAV音频报警音成功！",
     "下载固化WAV音频报警音失败！"},
};

TEST_F(VoiceTest, TwoFilesGoOutAsOneImageToEitherArea) {
    const std::string dir = Folder("voices");
    WriteFile(dir + "/A.WAV", Bytes(10, 0xA1));
    WriteFile(dir + "/b.wav", Hex("B1 B2 B3"));
    WriteFile(dir + "/notes.txt", Bytes(5, 0x00));
    op.folderAnswer = dir;
    op.passwordAnswer = "guard7302";
    for (const Area& a : kAreas) {
        host.received.clear();
        op.Clear();
        const int64_t start = clock.NowMs();
        EXPECT_TRUE(ops::DownloadVoice(ctx, a.area)) << a.name;
        EXPECT_EQ(ToHex(SentImage(a.command)), "61 FF FF FF FF FF FF FF 0A 00 00 00 " +
                                                   Repeat("FF", 20) +
                                                   " A1 A1 A1 A1 A1 A1 A1 A1 A1 A1 "
                                                   "62 FF FF FF FF FF FF FF 03 00 00 00 " +
                                                   Repeat("FF", 20) + " B1 B2 B3")
            << a.name;
        ASSERT_EQ(host.received.size(), 2u) << a.name;
        // The host takes 5000 ms to prepare its area after the first packet.
        const auto lines = op.TextEvents(1001);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].timeMs - start, 5000) << a.name;
        EXPECT_EQ(lines[1].timeMs - start, 5010) << a.name;
        EXPECT_EQ(lines[0].text,
                  std::string(a.title) + ",共有2包数据,当前第1包数据正在发送.......");
        EXPECT_EQ(op.Texts(1002), Strings{std::string(a.title) + "发送成功"});
        ASSERT_EQ(op.BoxTexts(), Strings{a.ok}) << a.name;
        EXPECT_EQ(op.Boxes()[0].caption, "Korvane");
        EXPECT_FALSE(op.Boxes()[0].progressWasOpen);
        EXPECT_FALSE(StagingLeftovers());
    }
    ASSERT_EQ(host.customSounds.size(), 2u);
    EXPECT_EQ(host.customSounds[0].name, "a");
    EXPECT_EQ(host.customSounds[0].length, 10u);
    EXPECT_EQ(host.customSounds[1].name, "b");
    ASSERT_EQ(host.fixedSounds.size(), 2u);
}

TEST_F(VoiceTest, AudioTotalBound) {
    struct Case {
        const char* name;
        std::vector<std::size_t> sizes;
        bool sent;
        std::size_t packets;
    } cases[] = {
        {"one file of exactly 3M", {3145728}, true, 58255},
        {"one byte over in one file", {3145729}, false, 0},
        {"one byte over in two files", {1572864, 1572865}, false, 0},
    };
    int k = 0;
    for (const auto& c : cases) {
        const std::string dir = Folder("bound" + std::to_string(k++));
        for (std::size_t i = 0; i < c.sizes.size(); ++i)
            WriteFile(dir + "/s" + std::to_string(i) + ".wav", Bytes(c.sizes[i], 0x5A));
        op.folderAnswer = dir;
        host.received.clear();
        op.Clear();
        EXPECT_EQ(ops::DownloadVoice(ctx, ops::SoundArea::Custom), c.sent) << c.name;
        EXPECT_EQ(host.received.size(), c.packets) << c.name;
        if (c.sent) {
            EXPECT_EQ(op.BoxTexts(), Strings{"下载成功！"});
            ASSERT_EQ(host.customSounds.size(), 1u);
            EXPECT_EQ(host.customSounds[0].length, 3145728u);
        } else {
            EXPECT_EQ(op.BoxTexts(), Strings{"所有的语音文件不能超过3M！"}) << c.name;
            EXPECT_TRUE(op.OfKind(Kind::ProgressOpen).empty()) << c.name;
        }
        EXPECT_FALSE(StagingLeftovers());
    }
}

TEST_F(VoiceTest, HeadersThatPushTheImagePastThePacketCountAreRefused) {
    // 3,145,728 audio bytes plus 12,288 headers of 32 bytes: 3,538,944 bytes,
    // past the 65,535 packets of 54 bytes a transfer can number.
    const std::string dir = Folder("many");
    WriteFile(dir + "/big.wav", Bytes(3145728, 0x11));
    for (int i = 0; i < 12287; ++i) WriteFile(dir + "/e" + std::to_string(i) + ".wav", {});
    op.folderAnswer = dir;
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(op.BoxTexts(), Strings{"数据过大，无法发送！"});
    EXPECT_TRUE(host.received.empty());
    EXPECT_TRUE(op.OfKind(Kind::ProgressOpen).empty());
}

TEST_F(VoiceTest, FoldersThatYieldNothingToSend) {
    const std::string empties = Folder("empties");
    WriteFile(empties + "/a.wav", {});
    WriteFile(empties + "/B.WAV", {});
    const std::string noWav = Folder("nowav");
    WriteFile(noWav + "/a.wav.txt", Bytes(4, 1));
    // Windows would match "*.wav" against its short name BELL~1.WAV; the
    // name the operator sees decides.
    WriteFile(noWav + "/bell.wave", Bytes(4, 1));
    Folder("nowav/sub.wa");
    for (const std::string& dir : {empties, noWav, Folder("bare")}) {
        op.folderAnswer = dir;
        op.Clear();
        EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom)) << dir;
        EXPECT_EQ(op.BoxTexts(), Strings{"没有找到语音文件或者语音文件为空！"}) << dir;
    }
    // A cancelled folder chooser says nothing at all.
    op.folderAnswer.reset();
    op.Clear();
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_TRUE(host.received.empty());
}

TEST_F(VoiceTest, SoundNamesAsTheHostStoresThem) {
    const std::string dir = Folder("names");
    WriteFile(dir + "/fire.wav.wav", Bytes(1, 1));
    WriteFile(dir + "/Alarm1.WAV", Bytes(2, 2));
    WriteFile(dir + "/报警.wav", Bytes(3, 3));
    op.folderAnswer = dir;
    EXPECT_TRUE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    const Bytes image = SentImage(0xD5);
    ASSERT_EQ(image.size(), 3u * 32 + 6);
    // Listed in name order: Alarm1.WAV, fire.wav.wav, then the GBK name.
    EXPECT_EQ(ToHex(Bytes(image.begin(), image.begin() + 12)),
              "61 6C 61 72 6D 31 FF FF 02 00 00 00");
    EXPECT_EQ(ToHex(Bytes(image.begin() + 34, image.begin() + 46)),
              "66 69 72 65 FF FF FF FF 01 00 00 00");
    EXPECT_EQ(ToHex(Bytes(image.begin() + 67, image.begin() + 79)),
              "B1 A8 BE AF FF FF FF FF 03 00 00 00");
}

TEST(ListedBefore, CapitalisedUtf16ThenTheExactBytes) {
    const struct {
        const char* a;
        const char* b;
    } inOrder[] = {
        {"alarm.wav", "Bell.WAV"},
        {"Bell.WAV", "crash.wav"},
        {"ALARM.wav", "alarm.wav"},  // a tie: the bytes decide
        {"ab.wav", "a_b.wav"},       // "_" stands after the capitals
        {"z.wav", "\xC3\xA9.wav"},   // é after Z, as É
        // A surrogate pair (U+1F514) before fullwidth a (U+FF41), as code units compare.
        {"报警.wav", "\xF0\x9F\x94\x94.wav"},
        {"\xF0\x9F\x94\x94.wav", "\xEF\xBD\x81.wav"},
    };
    for (const auto& c : inOrder) {
        EXPECT_TRUE(ops::ListedBefore(c.a, c.b)) << c.a << " " << c.b;
        EXPECT_FALSE(ops::ListedBefore(c.b, c.a)) << c.a << " " << c.b;
    }
    EXPECT_FALSE(ops::ListedBefore("a.wav", "a.wav"));
}

TEST_F(VoiceTest, FilesGoOutInTheOrderWindowsListsThem) {
    const std::string dir = Folder("mixed");
    WriteFile(dir + "/crash.wav", Bytes(1, 3));
    WriteFile(dir + "/Bell.WAV", Bytes(1, 2));
    WriteFile(dir + "/alarm.wav", Bytes(1, 1));
    op.folderAnswer = dir;
    ASSERT_TRUE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    const Bytes image = SentImage(0xD5);
    ASSERT_EQ(image.size(), 3u * 33);
    std::string names;
    for (std::size_t at = 0; at < image.size(); at += 33)
        names += std::string(image.begin() + at, image.begin() + at + 5) + " ";
    EXPECT_EQ(names, "alarm bell\xFF crash ");
}

TEST_F(VoiceTest, ASubFolderNamedWavStopsEverything) {
    const std::string dir = Folder("sub");
    WriteFile(dir + "/a.wav", Bytes(8, 1));
    Folder("sub/x.wav");
    op.folderAnswer = dir;
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(op.BoxTexts(), Strings{"无法读取语音文件：x.wav，没有发送任何数据！"});
    EXPECT_TRUE(op.OfKind(Kind::ProgressOpen).empty());
    EXPECT_TRUE(host.received.empty());
}

TEST_F(VoiceTest, AFileNameTheHostCannotHold) {
    const std::string dir = Folder("bell");
    WriteFile(dir + "/\xF0\x9F\x94\x94.wav", Bytes(8, 1));
    op.folderAnswer = dir;
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(op.BoxTexts(),
              Strings{"语音文件名无法用于主机：\xF0\x9F\x94\x94.wav，没有发送任何数据！"});
    EXPECT_TRUE(host.received.empty());
}

TEST_F(VoiceTest, AuthorizationPasswordAndKeyFile) {
    const std::string cwd = Folder("cwd");
    WorkingDirectory here(cwd);
    struct Case {
        const char* keyFile;  // "": none, "file", "empty", "folder"
        std::optional<std::string> entered;
        bool accepted;
        bool complains;
    } cases[] = {
        {"", "guard7302", true, false},
        {"", "GUARD7302", false, true},
        {"", "Guard7302", false, true},
        {"", "guard730", false, true},
        {"", "", false, true},
        {"", std::nullopt, false, false},
        {"file", "anything", true, false},
        {"empty", "", true, false},
        {"empty", "GUARD7302", true, false},
        {"empty", std::nullopt, false, false},
        {"folder", "wrong", false, true},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(cwd + "/pwd.txt");
        if (std::string(c.keyFile) == "file") WriteFile(cwd + "/pwd.txt", Hex("31 32"));
        if (std::string(c.keyFile) == "empty") WriteFile(cwd + "/pwd.txt", {});
        if (std::string(c.keyFile) == "folder") Folder("cwd/pwd.txt");
        op.passwordAnswer = c.entered;
        op.Clear();
        const std::string label = std::string(c.keyFile) + "/" + c.entered.value_or("(cancel)");
        EXPECT_EQ(ops::Authorize(op), c.accepted) << label;
        // The password is asked for even where a key file stands in for it.
        EXPECT_EQ(op.OfKind(Kind::AskPassword).size(), 1u) << label;
        EXPECT_EQ(op.BoxTexts(), c.complains ? Strings{"授权密码错误，请认真操作！"} : Strings{})
            << label;
    }
}

TEST_F(VoiceTest, FixedAreaAsksEveryTimeAndARefusalSendsNothing) {
    WorkingDirectory here(Folder("cwd"));
    const std::string dir = Folder("voices");
    WriteFile(dir + "/a.wav", Bytes(8, 1));
    op.folderAnswer = dir;

    op.passwordAnswer = "guard7302 ";
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Fixed));
    EXPECT_FALSE(ops::FormatVoiceArea(ctx, ops::SoundArea::Fixed));
    EXPECT_EQ(op.BoxTexts(), (Strings{"授权密码错误，请认真操作！", "授权密码错误，请认真操作！"}));
    EXPECT_TRUE(op.OfKind(Kind::ChooseFolder).empty());
    EXPECT_TRUE(op.OfKind(Kind::ProgressOpen).empty());

    op.passwordAnswer.reset();
    op.Clear();
    EXPECT_FALSE(ops::DownloadVoice(ctx, ops::SoundArea::Fixed));
    EXPECT_FALSE(ops::FormatVoiceArea(ctx, ops::SoundArea::Fixed));
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_TRUE(host.received.empty());

    op.passwordAnswer = "guard7302";
    op.Clear();
    EXPECT_TRUE(ops::FormatVoiceArea(ctx, ops::SoundArea::Fixed));
    EXPECT_TRUE(ops::FormatVoiceArea(ctx, ops::SoundArea::Fixed));
    EXPECT_EQ(op.OfKind(Kind::AskPassword).size(), 2u);
    // The custom area needs no authorization.
    EXPECT_TRUE(ops::FormatVoiceArea(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(op.OfKind(Kind::AskPassword).size(), 2u);
}

// Open, range, text and the result box while the dialog is up; it closes last.
std::vector<std::string> Shape(const RecordingOperator& op) {
    std::vector<std::string> out;
    for (const auto& e : op.events) {
        switch (e.kind) {
            case Kind::ProgressOpen:
                out.push_back("open");
                break;
            case Kind::ProgressRange:
                out.push_back("range " + std::to_string(e.value));
                break;
            case Kind::ProgressText:
                out.push_back(std::to_string(e.value) + " " + e.text);
                break;
            case Kind::Box:
                out.push_back(std::string(e.progressWasOpen ? "box over dialog: " : "box: ") +
                              e.caption + " " + e.text);
                break;
            case Kind::ProgressClose:
                out.push_back("close");
                break;
            default:
                break;
        }
    }
    return out;
}

TEST_F(VoiceTest, FormatsOfBothAreas) {
    struct Case {
        ops::SoundArea area;
        const char* request;
        const char* progress;
        const char* ok;
        const char* failed;
    } cases[] = {
        {ops::SoundArea::Custom, "01 D6 00 28", "正在格式化WAV音频区域.....",
         "格式化WAV音频区域成功！", "格式化WAV音频区域失败！"},
        {ops::SoundArea::Fixed, "01 DA 00 24", "正在格式化固化WAV音频区域.....",
         "格式化固化WAV音频区域成功！", "格式化固化WAV音频区域失败！"},
    };
    op.passwordAnswer = "guard7302";
    for (const auto& c : cases) {
        // The host may take up to 28000 ms to answer.
        host.customSounds = {{"a", 1}};
        host.fixedSounds = {{"b", 1}};
        host.formatDelayMs = 28000;
        host.received.clear();
        op.Clear();
        int64_t start = clock.NowMs();
        EXPECT_TRUE(ops::FormatVoiceArea(ctx, c.area));
        EXPECT_EQ(Requests(), Strings{c.request});
        EXPECT_EQ(op.Boxes().at(0).timeMs - start, 28000);
        EXPECT_EQ(Shape(op), (Strings{"open", "range 100", std::string("1001 ") + c.progress,
                                      std::string("box over dialog: Korvane ") + c.ok, "close"}));
        EXPECT_EQ(host.customSounds.empty(), c.area == ops::SoundArea::Custom);
        EXPECT_EQ(host.fixedSounds.empty(), c.area == ops::SoundArea::Fixed);

        // One millisecond later is too late.
        host.formatDelayMs = 28001;
        op.Clear();
        start = clock.NowMs();
        EXPECT_FALSE(ops::FormatVoiceArea(ctx, c.area));
        EXPECT_EQ(op.Boxes().at(0).timeMs - start, 28000);
        EXPECT_EQ(Shape(op),
                  (Strings{"open", "range 100", std::string("1001 ") + c.progress,
                           "box over dialog: 失败2 读取数据失败，请重新发送！",
                           std::string("box over dialog: Korvane ") + c.failed, "close"}));

        // No host at all.
        host.Unplug();
        op.Clear();
        EXPECT_FALSE(ops::FormatVoiceArea(ctx, c.area));
        EXPECT_EQ(Shape(op),
                  (Strings{"open", "range 100", std::string("1001 ") + c.progress,
                           "box over dialog: 失败1 设备未连接，请连接设备！",
                           std::string("box over dialog: Korvane ") + c.failed, "close"}));
        host.Plug();
    }
}

TEST_F(VoiceTest, DownloadToAnAbsentHost) {
    const std::string dir = Folder("voices");
    WriteFile(dir + "/a.wav", Bytes(8, 1));
    op.folderAnswer = dir;
    op.passwordAnswer = "guard7302";
    host.Unplug();
    for (const Area& a : kAreas) {
        op.Clear();
        EXPECT_FALSE(ops::DownloadVoice(ctx, a.area));
        const Strings want = {"open", "range 1", "box over dialog: 失败1 设备未连接，请连接设备！",
                              "close", std::string("box: Korvane ") + a.failed};
        EXPECT_EQ(Shape(op), want) << a.name;
        EXPECT_FALSE(StagingLeftovers());
    }
}

TEST_F(VoiceTest, CancelBetweenPacketsEndsInTheFailureMessage) {
    const std::string dir = Folder("voices");
    WriteFile(dir + "/a.wav", Counting(200));  // 232 bytes: 5 packets
    op.folderAnswer = dir;
    op.passwordAnswer = "guard7302";
    op.onProgress = [&](const OperatorEvent& e) {
        if (e.kind == Kind::ProgressText && e.text.find("当前第2包") != std::string::npos)
            protocol.OnCancelRequest(1);
    };
    for (const Area& a : kAreas) {
        host.received.clear();
        op.Clear();
        EXPECT_FALSE(ops::DownloadVoice(ctx, a.area));
        // The packet in flight when the cancel came still goes out, then nothing.
        EXPECT_EQ(host.received.size(), 3u) << a.name;
        EXPECT_EQ(host.acknowledgements, 0);
        EXPECT_TRUE(op.Texts(1002).empty());
        EXPECT_EQ(op.BoxTexts(), Strings{a.failed});
        EXPECT_FALSE(op.Boxes()[0].progressWasOpen);
        EXPECT_EQ(protocol.cancelRequested, 0);
        EXPECT_FALSE(StagingLeftovers());
    }
    EXPECT_TRUE(host.customSounds.empty());
    // The host is none the worse for it.
    op.onProgress = nullptr;
    EXPECT_TRUE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    ASSERT_EQ(host.customSounds.size(), 1u);
    EXPECT_EQ(host.customSounds[0].length, 200u);
}

TEST_F(VoiceTest, RealWaveFilesMadeBySox) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    const std::string dir = Folder("sox");
    const std::string made = "sox -q -n -r 8000 -c 1 -b 16 " + dir +
                             "/Beep.wav synth 0.25 sine 880 && sox -q -n -r 8000 -c 1 -b 8 " + dir +
                             "/tone2.WAV synth 0.1 sine 440";
    ASSERT_EQ(std::system(made.c_str()), 0);
    const Bytes beep = ReadFile(dir + "/Beep.wav");
    const Bytes tone = ReadFile(dir + "/tone2.WAV");
    ASSERT_GT(beep.size(), 4000u);
    ASSERT_EQ(ToHex(Bytes(beep.begin(), beep.begin() + 4)), "52 49 46 46");  // RIFF

    op.folderAnswer = dir;
    EXPECT_TRUE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(op.BoxTexts(), Strings{"下载成功！"});
    const Bytes image = SentImage(0xD5);
    ASSERT_EQ(image.size(), 64 + beep.size() + tone.size());
    // The files travel unchanged, RIFF header and all.
    EXPECT_EQ(Bytes(image.begin() + 32, image.begin() + 32 + static_cast<long>(beep.size())), beep);
    EXPECT_EQ(Bytes(image.end() - static_cast<long>(tone.size()), image.end()), tone);
    ASSERT_EQ(host.customSounds.size(), 2u);
    EXPECT_EQ(host.customSounds[0].name, "beep");
    EXPECT_EQ(host.customSounds[0].length, beep.size());
    EXPECT_EQ(host.customSounds[1].name, "tone2");
}

int SoundCount(OperationContext& ctx) {
    const auto items = ops::ReadAddressCodes(ctx);
    if (!items) return -1;
    for (const auto& item : *items)
        if (item.kind == AddressReadItem::Kind::SoundCount) return item.soundCount;
    return -2;
}

TEST_F(VoiceTest, TheReadBackCountsWhatEachAreaHolds) {
    host.SetProduct(0x7890);
    const std::string two = Folder("two");
    WriteFile(two + "/a.wav", Bytes(30, 1));
    WriteFile(two + "/b.wav", Bytes(70, 2));
    const std::string one = Folder("one");
    WriteFile(one + "/c.wav", Bytes(5, 3));
    op.passwordAnswer = "guard7302";

    EXPECT_EQ(SoundCount(ctx), 0);
    op.folderAnswer = two;
    ASSERT_TRUE(ops::DownloadVoice(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(SoundCount(ctx), 2);
    op.folderAnswer = one;
    ASSERT_TRUE(ops::DownloadVoice(ctx, ops::SoundArea::Fixed));
    EXPECT_EQ(SoundCount(ctx), 3);
    ASSERT_TRUE(ops::FormatVoiceArea(ctx, ops::SoundArea::Custom));
    EXPECT_EQ(SoundCount(ctx), 1);
    ASSERT_TRUE(ops::FormatVoiceArea(ctx, ops::SoundArea::Fixed));
    EXPECT_EQ(SoundCount(ctx), 0);
    EXPECT_FALSE(StagingLeftovers());
}

}  // namespace
}  // namespace korvane::test
