// The program's UTF-8 as the wide system calls take it, and the system's
// error texts as the program shows them.
#include "common/utf16_windows.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace korvane::test {
namespace {

// A path names exactly the file it says or none; text that is only shown
// keeps what reads, with U+FFFD for each byte that starts no character.
// The runtime's std::system_category() reads a Windows error as an errno
// (32, a sharing violation, says "Broken pipe"); the system's table says
// what it is, without its line break (wine's English here).
TEST(Utf16, ShownTextKeepsWhatReadsAndErrorsAreTheSystemsOwn) {
    const std::pair<const char*, const wchar_t*> bad[] = {{"报\xFF警", L"报\uFFFD警"},
                                                          {"a\x80"
                                                           "b",
                                                           L"a\uFFFDb"},
                                                          {"\xC0", L"\uFFFD"}};
    for (const auto& [utf8, shown] : bad) {
        EXPECT_EQ(win::WidenText(utf8), shown);
        EXPECT_FALSE(win::Widen(utf8).has_value());
    }
    EXPECT_EQ(win::WidenText("报警 KV"), L"报警 KV");
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr) {
        EXPECT_EQ(win::ErrorText(ERROR_SHARING_VIOLATION), "Sharing violation.");
    }
    EXPECT_NE(win::ErrorText(ERROR_SHARING_VIOLATION), "Broken pipe");
    EXPECT_EQ(win::ErrorText(0x20000001), "error 536870913");  // no text for an application's own
}

}  // namespace
}  // namespace korvane::test
