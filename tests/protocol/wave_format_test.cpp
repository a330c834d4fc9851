#include "protocol/wave_format.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/bytes.h"

namespace korvane {
namespace {

std::string Shown(const WaveFormat& w) {
    if (!w.riffWave) return "not WAVE";
    std::string out = w.channels
                          ? std::to_string(*w.channels) + " ch " + std::to_string(*w.sampleRate) +
                                " Hz " + std::to_string(*w.bitsPerSample) + " bit"
                          : "no format";
    if (w.dataBytes) out += ", " + std::to_string(*w.dataBytes) + " B";
    if (const auto s = w.Seconds()) {
        char text[32];
        std::snprintf(text, sizeof text, " %.3f s", *s);
        out += text;
    }
    return out + (w.dataCutShort ? ", cut short" : "");
}

TEST(WaveFormat, HeadersAsTheyAreAndAsTheyLie) {
    const std::string riff = "52 49 46 46 00 00 00 00 57 41 56 45 ";
    // PCM, 1 channel, 8000 Hz, 16000 bytes a second, 16 bit.
    const std::string fmt =
        "66 6D 74 20 10 00 00 00 01 00 01 00 40 1F 00 00 80 3E 00 00 02 00 10 00 ";
    const std::string data16000 = "64 61 74 61 80 3E 00 00";
    const struct {
        std::string head;
        uint64_t fileSize;
        const char* shown;
    } cases[] = {
        {riff + fmt + data16000, 44 + 16000, "1 ch 8000 Hz 16 bit, 16000 B 1.000 s"},
        // A chunk of odd length is followed by a pad byte.
        {riff + "4C 49 53 54 03 00 00 00 61 62 63 00 " + fmt + data16000, 56 + 16000,
         "1 ch 8000 Hz 16 bit, 16000 B 1.000 s"},
        // A million bytes promised, a hundred there.
        {riff + fmt + "64 61 74 61 40 42 0F 00", 44 + 100,
         "1 ch 8000 Hz 16 bit, 100 B 0.006 s, cut short"},
        {riff + "4C 49 53 54 FF FF FF FF " + fmt + data16000, 1000, "no format"},
        {riff + "64 61 74 61 FF FF FF FF", 20, "no format, 0 B, cut short"},
        {riff + "66 6D 74 20 10 00 00 00 01 00 01 00", 24, "no format"},
        {"52 49 46 46 00 00 00 00 41 56 49 20", 12, "not WAVE"},
        {"52 49 46 46 00", 5, "not WAVE"},
        {"", 0, "not WAVE"},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> head = test::Hex(c.head);
        EXPECT_EQ(Shown(ReadWaveFormat(head.data(), head.size(), c.fileSize)), c.shown) << c.head;
    }
}

}  // namespace
}  // namespace korvane
