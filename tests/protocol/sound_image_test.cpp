#include "protocol/sound_image.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace korvane {
namespace {

using test::Hex;
using test::Repeat;
using test::ToHex;

TEST(SoundImage, TwoFilesBackToBack) {
    const std::vector<uint8_t> a(10, 0xA1), b = Hex("B1 B2 B3");
    SoundImage image;
    image.Add("A.WAV", a.data(), a.size());
    image.Add("b.wav", b.data(), b.size());
    EXPECT_EQ(image.entries(), 2u);
    EXPECT_EQ(image.audioTotal(), 13u);
    EXPECT_EQ(image.imageLength(), 77u);
    const std::string expected = "61 FF FF FF FF FF FF FF 0A 00 00 00 " + Repeat("FF", 20) +
                                 " A1 A1 A1 A1 A1 A1 A1 A1 A1 A1 "
                                 "62 FF FF FF FF FF FF FF 03 00 00 00 " +
                                 Repeat("FF", 20) + " B1 B2 B3";
    EXPECT_EQ(ToHex(image.bytes()), expected);
}

TEST(SoundImage, SoundNames) {
    struct Case {
        const char* file;
        const char* name;
    } cases[] = {
        {"Alarm1.WAV", "alarm1"}, {"fire.wav.wav", "fire"}, {"FIRE.Wav", "fire"},
        {"x.wavy.wav", "xy"},     {"..wavwav.wav", ".wav"}, {"noext", "noext"},
    };
    for (const auto& c : cases) EXPECT_EQ(SoundName(c.file), c.name) << c.file;
}

TEST(SoundImage, ChineseNamesInCodePage936) {
    const auto gbk = Utf8ToGbk("报警.wav");
    ASSERT_TRUE(gbk);
    EXPECT_EQ(ToHex(*gbk), "B1 A8 BE AF 2E 77 61 76");
    EXPECT_EQ(ToHex(SoundName(*gbk)), "B1 A8 BE AF");
    EXPECT_EQ(GbkToUtf8(*gbk), "报警.wav");
    // A trail byte in the A-Z range belongs to its character and is not lower-cased.
    const auto upperTrail = Utf8ToGbk("癆.WAV");
    ASSERT_TRUE(upperTrail);
    EXPECT_EQ(ToHex(*upperTrail), "B0 41 2E 57 41 56");
    EXPECT_EQ(ToHex(SoundName(*upperTrail)), "B0 41");
    EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x94\x94"));  // a character GBK does not have
}

TEST(SoundImage, LongNamesNeverReachTheSoundBytes) {
    const std::vector<uint8_t> data = Hex("01 02");
    const std::string longName(40, 'n');
    const Bytes entry = EncodeSoundEntry(SoundName(longName + ".wav"), data.data(), data.size());
    ASSERT_EQ(entry.size(), 34u);
    EXPECT_EQ(ToHex(Bytes(entry.begin() + 8, entry.begin() + 12)), "02 00 00 00");
    EXPECT_EQ(ToHex(Bytes(entry.begin() + 32, entry.end())), "01 02");
    EXPECT_EQ(SoundName(longName).size(), 32u);
    // The name keeps its first 32 bytes, the length takes the place of 9 to 12.
    SoundImage image;
    image.Add("abcdefghijklmnopqrstuvwxyz0123456789ABCD.wav", data.data(), data.size());
    EXPECT_EQ(ToHex(image.bytes()),
              "61 62 63 64 65 66 67 68 02 00 00 00 "
              "6D 6E 6F 70 71 72 73 74 75 76 77 78 79 7A 30 31 32 33 34 35 "
              "01 02");
    // A cut never splits a double-byte character.
    std::string chinese;
    for (int i = 0; i < 17; ++i) chinese += *Utf8ToGbk("报");
    EXPECT_EQ(SoundName(chinese).size(), 32u);
    EXPECT_EQ(SoundName("x" + chinese).size(), 31u);
}

TEST(SoundImage, NamesOfNineToTwelveBytesLoseBytesToTheLength) {
    const std::vector<uint8_t> data(5, 0x00);
    const Bytes entry = EncodeSoundEntry("abcdefghijkl", data.data(), data.size());
    EXPECT_EQ(ToHex(Bytes(entry.begin(), entry.begin() + 12)),
              "61 62 63 64 65 66 67 68 05 00 00 00");
}

TEST(SoundImage, AudioLimit) {
    SoundImage exact;
    std::vector<uint8_t> big(3145728, 0x55);
    exact.Add("a.wav", big.data(), big.size());
    EXPECT_FALSE(exact.overLimit());
    EXPECT_EQ(exact.bytes().size(), 3145728u + 32u);

    SoundImage over;
    over.Add("a.wav", big.data(), big.size());
    const uint8_t one = 1;
    over.Add("b.wav", &one, 1);
    EXPECT_TRUE(over.overLimit());
    EXPECT_EQ(over.audioTotal(), 3145729u);
    EXPECT_TRUE(over.bytes().empty());
}

TEST(SoundImage, ParseRoundTripAndTruncation) {
    SoundImage image;
    const std::vector<uint8_t> a(10, 1), b(3, 2);
    image.Add("Alarm1.WAV", a.data(), a.size());
    image.Add("b.wav", b.data(), b.size());
    const auto entries = SoundImage::Parse(image.bytes().data(), image.bytes().size());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].name, "alarm1");
    EXPECT_EQ((*entries)[0].length, 10u);
    EXPECT_EQ((*entries)[1].name, "b");
    EXPECT_EQ((*entries)[1].length, 3u);
    EXPECT_FALSE(SoundImage::Parse(image.bytes().data(), image.bytes().size() - 1));
    EXPECT_FALSE(SoundImage::Parse(image.bytes().data(), 20));
}

}  // namespace
}  // namespace korvane
