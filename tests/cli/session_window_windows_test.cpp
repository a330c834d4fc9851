// korvane-cli at log-off and shutdown, and through a sleep, on Windows: its
// hidden top-level window answers what Windows asks of top-level windows
// only. The emulated host takes five seconds to format, and the window
// answers throughout the wait for its reply; when the session ends all the
// same, the operation's failure texts come first, then the word on the sleep.
#include <gtest/gtest.h>
#include <windows.h>

#include <QProcess>
#include <optional>

#include "cli_runner.h"

namespace korvane::clitest {
namespace {

// The answer, or nullopt when the window's thread left it unanswered for a second.
std::optional<LRESULT> Ask(HWND w, UINT message, WPARAM wParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(w, message, wParam, ENDSESSION_LOGOFF, SMTO_NORMAL, 1000, &answer))
        return std::nullopt;
    return static_cast<LRESULT>(answer);
}

TEST(CliSessionWindow, ThroughAFormatWaitItSaysNoAndTheSleepIsToldLast) {
    CliScratch scratch;
    QProcess cli;
    scratch.Start(cli, {"--emulate", "rt220", "--quiet", "voice", "format", "custom"});
    ASSERT_TRUE(cli.waitForStarted(5000));
    HWND w = nullptr;
    for (int i = 0; i < 400 && w == nullptr; ++i) {
        for (HWND c = nullptr; (c = FindWindowExW(nullptr, c, L"KorvaneCliSession", nullptr));) {
            DWORD owner = 0;
            GetWindowThreadProcessId(c, &owner);
            if (owner == static_cast<DWORD>(cli.processId())) w = c;
        }
        Sleep(25);
    }
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(IsWindowVisible(w));
    // Yes until the format's wait begins, then no.
    std::optional<LRESULT> answer;
    for (int i = 0; i < 80 && answer != FALSE; ++i) {
        answer = Ask(w, WM_QUERYENDSESSION, 0);
        ASSERT_TRUE(answer) << "left unanswered for a second";
    }
    ASSERT_EQ(answer, std::optional<LRESULT>(FALSE));
    Sleep(1500);
    EXPECT_EQ(Ask(w, WM_QUERYENDSESSION, 0), std::optional<LRESULT>(FALSE));
    EXPECT_EQ(Ask(w, WM_POWERBROADCAST, PBT_APMSUSPEND), std::optional<LRESULT>(TRUE));
    EXPECT_EQ(Ask(w, WM_ENDSESSION, TRUE), std::optional<LRESULT>(0));
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_EQ(cli.readAllStandardOutput().replace("\r\n", "\n").toStdString(),
              "[失败2] 读取数据失败，请重新发送！\n"
              "格式化WAV音频区域失败！\n"
              "传输期间电脑进入了睡眠，请重新操作！\n");
}

}  // namespace
}  // namespace korvane::clitest
