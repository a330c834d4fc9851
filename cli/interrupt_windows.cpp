// Ctrl-C, and closing the console, in a Windows console: the console calls
// the handler on a thread of its own. Ctrl-C raises the flag the command
// takes between two packets or two slices of a wait. Closing the console
// window ends the program once the handler returns, and at the latest five
// seconds after; the handler asks for the same cancel, lets the command
// finish its transfer's end (the staged image removed, the host left between
// packets) for up to four seconds, and ends the program with its status.
#include <windows.h>

#include "cli/interrupt.h"

namespace korvane::cli {

namespace {

constexpr int kCloseWaitMs = 4000;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            RaiseInterrupt();
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            ExitProcess(static_cast<UINT>(CloseRequested(kCloseWaitMs)));
        default:
            return FALSE;
    }
}

}  // namespace

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

}  // namespace korvane::cli
