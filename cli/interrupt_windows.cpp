// Ctrl-C in a Windows console: the console calls the handler on a thread of
// its own, which raises a flag the command takes between two packets or two
// slices of a wait.
#include <windows.h>

#include <atomic>

#include "cli/interrupt.h"

namespace korvane::cli {

namespace {

std::atomic<bool> gInterrupted{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    // Closing the console or logging off still ends the program.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    gInterrupted = true;
    return TRUE;
}

}  // namespace

void InstallInterruptHandler() { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool TakeInterrupt() { return gInterrupted.exchange(false); }

}  // namespace korvane::cli
