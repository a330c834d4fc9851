// korvane-cli at log-off and shutdown, and through a sleep, on Windows: its
// hidden top-level window, on the thread that runs the transfers, answers
// what Windows asks of top-level windows only.
#include <gtest/gtest.h>
#include <windows.h>

#include <QProcess>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "cli/interrupt.h"
#include "cli_runner.h"
#include "common/system_wait.h"

namespace korvane::clitest {
namespace {

HWND SessionWindowOf(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t name[64] = {};
            GetClassNameW(w, name, 64);
            if (owner != s->pid || std::wstring(name) != L"KorvaneCliSession") return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The answer, or nullopt when the window's thread left it unanswered for a second.
std::optional<LRESULT> Ask(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(w, message, wParam, lParam, SMTO_NORMAL, 1000, &answer))
        return std::nullopt;
    return static_cast<LRESULT>(answer);
}

TEST(CliSessionWindow, ItAnswersForTheTransferThatRuns) {
    cli::InstallInterruptHandler();
    const HWND w = SessionWindowOf(GetCurrentProcessId());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(w, nullptr), GetCurrentThreadId());
    EXPECT_FALSE(IsWindowVisible(w));
    // Top-level: a message-only window gets neither question nor broadcast.
    EXPECT_EQ(GetAncestor(w, GA_PARENT), GetDesktopWindow());
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool transfer;
        LRESULT answer;
        bool slept;
        bool interrupted;
    } cases[] = {
        {"may the session end", WM_QUERYENDSESSION, 0, false, TRUE, false, false},
        {"may it end, in a transfer", WM_QUERYENDSESSION, 0, true, FALSE, false, false},
        {"it ends", WM_ENDSESSION, TRUE, false, 0, false, false},
        {"it ends, in a transfer", WM_ENDSESSION, TRUE, true, 0, false, true},
        {"it goes on, in a transfer", WM_ENDSESSION, FALSE, true, 0, false, false},
        {"the system sleeps", WM_POWERBROADCAST, PBT_APMSUSPEND, true, TRUE, true, false},
        {"the system wakes", WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, true, TRUE, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cli::TakeInterrupt();
        std::optional<StayAwake> transfer;
        if (c.transfer) transfer.emplace();
        EXPECT_EQ(SendMessageW(w, c.message, c.wParam, ENDSESSION_LOGOFF), c.answer);
        if (transfer) {
            EXPECT_EQ(transfer->Slept(), c.slept);
        }
        EXPECT_EQ(cli::TakeInterrupt(), c.interrupted);
    }
}

// The emulated host takes five seconds to format: the run's window answers
// throughout the wait for its reply, the sleep is heard, and when the
// session ends after all the wait ends with the operation's failure texts
// and then the word on the sleep.
TEST(CliSessionWindow, ThroughAFormatWaitItSaysNoAndTheSleepIsToldLast) {
    CliScratch scratch;
    QProcess cli;
    scratch.Start(cli, {"--emulate", "rt220", "--quiet", "voice", "format", "custom"});
    ASSERT_TRUE(cli.waitForStarted(5000));
    cli.closeWriteChannel();
    const auto pid = static_cast<DWORD>(cli.processId());
    HWND w = nullptr;
    for (int i = 0; i < 200 && w == nullptr; ++i) {
        w = SessionWindowOf(pid);
        if (w == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_NE(w, nullptr);
    bool holding = false;
    for (int i = 0; i < 80 && !holding; ++i) {
        const std::optional<LRESULT> answer = Ask(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        ASSERT_TRUE(answer) << "left unanswered for a second";
        holding = *answer == FALSE;
        if (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_TRUE(holding);
    // Well inside the wait, only the link's look at the queue can answer.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(Ask(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), std::optional<LRESULT>(FALSE));
    EXPECT_EQ(Ask(w, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), std::optional<LRESULT>(TRUE));
    EXPECT_EQ(Ask(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF), std::optional<LRESULT>(0));
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 1);
    EXPECT_EQ(cli.readAllStandardOutput().replace("\r\n", "\n").toStdString(),
              "[失败2] 读取数据失败，请重新发送！\n"
              "格式化WAV音频区域失败！\n"
              "传输期间电脑进入了睡眠，请重新操作！\n");
}

}  // namespace
}  // namespace korvane::clitest
