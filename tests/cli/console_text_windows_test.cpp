// The text korvane-cli writes, as Windows takes it: characters to a console,
// whose code page is left as the batch file that called the program set
// it; bytes to a pipe or a file, in UTF-8 or the OEM code page.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "cli/terminal_text.h"

namespace korvane::clitest {
namespace {

using cli::TextEncoding;

TEST(ConsoleText, APipeGetsUtf8OrTheOemCodePage) {
    struct Case {
        const char* text;
        TextEncoding encoding;
        unsigned codePage;
        std::string bytes;
    } cases[] = {
        {"报警 KV\n", TextEncoding::Utf8, 936, "\xE6\x8A\xA5\xE8\xAD\xA6 KV\n"},
        {"报警 KV\n", TextEncoding::Oem, 936, "\xB1\xA8\xBE\xAF KV\n"},
        {"报警 KV\n", TextEncoding::Oem, 437, "?? KV\n"},
        {"433.92\n", TextEncoding::Oem, 437, "433.92\n"},
        {"报\xFF警\n", TextEncoding::Oem, 936, "\xB1\xA8?\xBE\xAF\n"},
        {"报警 KV\n", TextEncoding::Oem, 65001, "\xE6\x8A\xA5\xE8\xAD\xA6 KV\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cli::TextForStream(c.text, c.encoding, c.codePage), c.bytes) << c.codePage;
}

// --encoding oem: the code page the console shows, after chcp 65001 too;
// without a console the OEM one.
TEST(ConsoleText, APipeGetsTheConsolesCodePageElseTheOemOne) {
    FreeConsole();
    EXPECT_EQ(cli::OemCodePage(), GetOEMCP());
    if (!AllocConsole()) GTEST_SKIP() << "no console here (" << GetLastError() << ")";
    for (const UINT codePage : {936u, 65001u, 437u}) {
        ASSERT_TRUE(SetConsoleOutputCP(codePage));
        EXPECT_EQ(cli::OemCodePage(), codePage);
    }
    FreeConsole();
}

TEST(ConsoleText, AConsoleShowsTheCharactersAndKeepsItsCodePage) {
    // A console of the test's own (under wine without a display: one with no window).
    FreeConsole();
    if (!AllocConsole()) GTEST_SKIP() << "no console here (" << GetLastError() << ")";
    SetConsoleOutputCP(936);
    const HANDLE h = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::FILE* console = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(h), 0), "w");
    ASSERT_NE(console, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO before{};
    // wine's console keeps a screen to read back only where it can show one.
    if (!GetConsoleScreenBufferInfo(h, &before)) GTEST_SKIP() << "a console without a screen";
    EXPECT_TRUE(cli::StreamIsTerminal(console));
    cli::SetTextEncoding(TextEncoding::Oem);
    cli::WriteText(console, "报警音数目为: 3 个。");
    cli::SetTextEncoding(TextEncoding::Utf8);
    wchar_t shown[32] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(h, shown, 20, before.dwCursorPosition, &read));
    std::wstring line(shown, read);
    line.erase(line.find_last_not_of(L' ') + 1);
    EXPECT_EQ(line, L"报警音数目为: 3 个。");
    EXPECT_EQ(GetConsoleOutputCP(), 936u);
    std::fclose(console);
}

}  // namespace
}  // namespace korvane::clitest
