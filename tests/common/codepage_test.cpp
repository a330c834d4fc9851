// The code page conversions hold the same contract on every system: iconv on
// Linux, the Win32 conversions on Windows.
#include "common/codepage.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace korvane::test {
namespace {

TEST(Codepage, Utf8ToGbkEncodesOrRefusesWhole) {
    struct Case {
        const char* utf8;
        const char* gbk;  // nullptr: refused
    } cases[] = {
        {"", ""},
        {"Alarm1.WAV", "41 6C 61 72 6D 31 2E 57 41 56"},
        {"报警.wav", "B1 A8 BE AF 2E 77 61 76"},
        {"火警", "BB F0 BE AF"},
        {"\xE2\x82\xAC", "80"},         // the euro sign, GBK's one-byte 0x80
        {"\xC4\x81", "A8 A1"},          // a with macron, a pinyin letter
        {"\xEF\xBD\x9E", "A1 AB"},      // fullwidth tilde
        {"\xF0\x9F\x94\x94", nullptr},  // a bell emoji: no GBK form
        {"\xC3\x80", nullptr},          // A with grave: GBK has only the small letter
        {"A\xC3\x80"
         "B",
         nullptr},                  // no look-alike slips in for it either
        {"\xEF\xBE\x83", nullptr},  // halfwidth katakana
        {"\xFF", nullptr},          // not UTF-8
        {"\xE6\x8A", nullptr},      // a UTF-8 sequence cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const std::optional<std::string> got = Utf8ToGbk(c.utf8);
        if (c.gbk == nullptr) {
            EXPECT_FALSE(got.has_value());
        } else {
            ASSERT_TRUE(got.has_value());
            EXPECT_EQ(ToHex(*got), c.gbk);
        }
    }
}

TEST(Codepage, GbkToUtf8ReplacesEachBadByteAndReadsOn) {
    struct Case {
        const char* gbk;
        const char* utf8;
    } cases[] = {
        {"", ""},
        {"B1 A8 BE AF 2E 77 61 76", "报警.wav"},
        {"41 BB F0 42", "A火B"},
        {"80", "\xE2\x82\xAC"},
        {"FF", "\xEF\xBF\xBD"},
        {"41 81", "A\xEF\xBF\xBD"},      // a lead byte at the very end
        {"81 20 41", "\xEF\xBF\xBD A"},  // a lead byte before a space
        {"FF FF BB F0", "\xEF\xBF\xBD\xEF\xBF\xBD火"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gbk);
        const std::vector<uint8_t> bytes = Hex(c.gbk);
        EXPECT_EQ(GbkToUtf8(std::string(bytes.begin(), bytes.end())), c.utf8);
    }
}

}  // namespace
}  // namespace korvane::test
