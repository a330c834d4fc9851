// The program's UTF-8 as the wide system calls take it, and the system's
// error texts as the program shows them.
#include "common/utf16_windows.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace korvane::test {
namespace {

// A path must name exactly the file it says or none; text only shown keeps
// what reads, with U+FFFD for each byte that starts no character.
TEST(Utf16, ShownTextKeepsWhatReadsWhereAPathFails) {
    struct Case {
        const char* utf8;
        const wchar_t* shown;
        bool path;
    } cases[] = {
        {"报警 KV", L"报警 KV", true},
        {"", L"", true},
        {"报\xFF警", L"报\uFFFD警", false},
        {"a\x80"
         "b",
         L"a\uFFFDb", false},
        {"\xC0", L"\uFFFD", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(win::WidenText(c.utf8), c.shown);
        const std::optional<std::wstring> path = win::Widen(c.utf8);
        EXPECT_EQ(path.has_value(), c.path);
        if (path) {
            EXPECT_EQ(*path, c.shown);
        }
    }
}

bool UnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The runtime's std::system_category() reads a Windows error as an errno
// (32 would say "Broken pipe"); the system's own table says what it is, in
// the user's language (wine's English here), without its line break.
TEST(Utf16, ErrorTextsAreTheSystemsOwn) {
    const std::string sharing = win::ErrorText(ERROR_SHARING_VIOLATION);
    std::printf("  32: %s\n", sharing.c_str());
    if (UnderWine()) {
        EXPECT_EQ(sharing, "Sharing violation.");
        EXPECT_EQ(win::ErrorText(ERROR_ACCESS_DENIED), "Access denied.");
    }
    EXPECT_NE(sharing, "Broken pipe");
    EXPECT_TRUE(win::Widen(sharing).has_value());
    EXPECT_NE(sharing.back(), '\n');
    // A code of an application's own, which the system has no text for.
    EXPECT_EQ(win::ErrorText(0x20000001), "error 536870913");
}

}  // namespace
}  // namespace korvane::test
