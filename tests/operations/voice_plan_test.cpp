// A download worked out from a folder without sending: the same order,
// names and limits as the download, and what each file's header says.
#include "operations/voice_plan.h"

#include "tests/operations/ops_rig.h"
#include "tests/support/bytes.h"

namespace korvane::test {
namespace {

// A WAVE header (PCM, 1 channel, 8000 Hz, 8 bit) and `n` bytes of sound.
Bytes Wave(std::size_t n) {
    Bytes wav =
        Hex("52 49 46 46 00 00 00 00 57 41 56 45 66 6D 74 20 10 00 00 00 01 00 01 00 "
            "40 1F 00 00 40 1F 00 00 01 00 08 00 64 61 74 61");
    const auto size = static_cast<uint32_t>(n);
    for (int shift = 0; shift < 32; shift += 8) wav.push_back(static_cast<uint8_t>(size >> shift));
    wav.resize(wav.size() + n, 0x80);
    return wav;
}

TEST_F(VoiceTest, APlanShowsWhatTheHostWouldGetAndSendsNothing) {
    const std::string dir = Folder("sounds");
    WriteFile(dir + "/fire.wav", Wave(8000));
    WriteFile(dir + "/fire.wav.wav", Wave(4000));
    WriteFile(dir + "/AlarmSiren1234.wav", Wave(10));
    WriteFile(dir + "/notes.wav", Bytes{'h', 'e', 'l', 'l', 'o'});
    WriteFile(dir + "/empty.wav", {});

    const ops::SoundPlan plan = ops::PlanSoundFolder(dir);
    Strings files;
    for (const ops::PlannedSound& s : plan.sounds) files.push_back(s.file);
    EXPECT_EQ(files, (Strings{"AlarmSiren1234.wav", "empty.wav", "fire.wav", "fire.wav.wav",
                              "notes.wav"}));
    // The length (54 bytes) overwrites "en12"; "34" stays behind it.
    EXPECT_EQ(ToHex(plan.sounds[0].header),
              "61 6C 61 72 6D 73 69 72 36 00 00 00 33 34 " + Repeat("FF", 18));
    EXPECT_EQ(plan.sounds[0].gbkName, "alarmsiren1234");
    EXPECT_EQ(SoundNameField(plan.sounds[2].header), "fire");
    EXPECT_EQ(plan.sameNames, (std::vector<std::vector<std::size_t>>{{2, 3}}));
    EXPECT_EQ(plan.sounds[2].wave.Seconds(), 1.0);
    EXPECT_FALSE(plan.sounds[4].wave.riffWave);
    EXPECT_EQ(plan.audioTotal, 44u * 3 + 8000 + 4000 + 10 + 5);
    EXPECT_EQ(plan.imageLength, plan.audioTotal + 5 * 32);
    EXPECT_EQ(plan.packets, 228u);  // 12,307 bytes
    EXPECT_EQ(plan.pacingMs, 5000 + 227 * 10);
    EXPECT_EQ(plan.refusal, "");
    EXPECT_TRUE(host.received.empty());
}

TEST_F(VoiceTest, APlanIsRefusedWhereTheDownloadWouldBe) {
    const struct {
        std::size_t bytes;  // 0: no file at all
        const char* refusal;
        std::size_t packets;
    } cases[] = {
        {3145728, "", 58255},
        {3145729, "所有的语音文件不能超过3M！", 58255},
        {0, "没有找到语音文件或者语音文件为空！", 0},
    };
    int k = 0;
    for (const auto& c : cases) {
        const std::string dir = Folder("bound" + std::to_string(k++));
        if (c.bytes > 0) WriteFile(dir + "/s.wav", Bytes(c.bytes, 0x5A));
        const ops::SoundPlan plan = ops::PlanSoundFolder(dir);
        EXPECT_EQ(plan.refusal, c.refusal) << c.bytes;
        EXPECT_EQ(plan.packets, c.packets) << c.bytes;
    }
}

}  // namespace
}  // namespace korvane::test
