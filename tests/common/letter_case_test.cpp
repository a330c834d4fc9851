#include "common/letter_case.h"

#include <gtest/gtest.h>

namespace korvane::test {
namespace {

TEST(LetterCase, CapitalsOfTheScriptsTheHostsCodePageHolds) {
    const struct {
        const char* text;
        const char* upper;
    } cases[] = {
        {"abz09_-", "ABZ09_-"},
        {"\xC3\xA0\xC3\xBE\xC3\xB7\xC3\xBF", "\xC3\x80\xC3\x9E\xC3\xB7\xC5\xB8"},  // àþ÷ÿ -> ÀÞ÷Ÿ
        {"\xC4\x81\xC4\x82\xC5\x88\xC5\x89\xC7\x8E\xC7\x9C",                       // āĂňŉǎǜ
         "\xC4\x80\xC4\x82\xC5\x87\xC5\x89\xC7\x8D\xC7\x9B"},                      // ĀĂŇŉǍǛ
        {"\xCE\xB1\xCF\x82\xCF\x89\xCE\xAC", "\xCE\x91\xCE\xA3\xCE\xA9\xCE\x86"},  // αςωά
        {"\xD0\xB0\xD1\x8F\xD1\x91", "\xD0\x90\xD0\xAF\xD0\x81"},                  // аяё
        {"\xE2\x85\xB0\xEF\xBD\x81\xEF\xBD\x9A", "\xE2\x85\xA0\xEF\xBC\xA1\xEF\xBC\xBA"},  // ⅰａｚ
        {"报警\xF0\x9F\x94\x94", "报警\xF0\x9F\x94\x94"},
        {"a\xFF"
         "b\xC3",
         "A\xFF"
         "B\xC3"},  // bytes that are no UTF-8 stay
    };
    for (const auto& c : cases) EXPECT_EQ(UpperUtf8(c.text), c.upper) << c.text;

    EXPECT_EQ(UpperUtf16("a\xC3\xA9\xF0\x9F\x94\x94\xFF"),
              (std::u16string{u'A', 0x00C9, 0xD83D, 0xDD14, 0xFFFD}));
}

}  // namespace
}  // namespace korvane::test
