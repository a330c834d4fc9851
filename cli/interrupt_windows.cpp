// Ctrl-C, closing the console, and the end of the session, on Windows.
//
// The console calls its handler on a thread of its own. Ctrl-C raises the
// flag the command takes between two packets or two slices of a wait.
// Closing the console window ends the program once the handler returns, and
// at the latest five seconds after; the handler asks for the same cancel,
// lets the command finish its transfer's end (the staged image removed, the
// host left between packets) for up to four seconds, and ends the program
// with its status.
//
// A log-off or a shutdown is no console event for a program that loads
// user32 (Qt does): Windows asks its top-level windows instead, and ends a
// program that has none in the middle of its transfer. So the program has
// a hidden one, on the thread that runs the transfers (the link looks at
// the thread's queue in every slice of a wait). While a transfer runs it
// answers no, with the reason the window's frame gives. It also hears the
// system go to sleep, which reaches top-level windows only.
#include <windows.h>

#include "cli/interrupt.h"
#include "common/texts.h"
#include "common/transfer_system.h"
#include "common/utf16_windows.h"

namespace korvane::cli {

namespace {

constexpr int kCloseWaitMs = 4000;
constexpr wchar_t kSessionWindowClass[] = L"KorvaneCliSession";

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            RaiseInterrupt();
            return TRUE;
        case CTRL_CLOSE_EVENT:
            ExitProcess(static_cast<UINT>(CloseRequested(kCloseWaitMs)));
        default:
            return FALSE;
    }
}

LRESULT CALLBACK OnSessionMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_QUERYENDSESSION:
            return StayAwake::Held() ? FALSE : TRUE;
        case WM_ENDSESSION:
            // Ended all the same (the person shutting down chose to): the
            // transfer stops between two packets, as when the console closes,
            // in whatever time the system still gives.
            if (wParam != FALSE && StayAwake::Held()) RaiseInterrupt();
            return 0;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMSUSPEND) StayAwake::NoteSuspend();
            return TRUE;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

void MakeSessionWindow() {
    static HWND window = nullptr;
    if (window != nullptr) return;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW kind{};
    kind.lpfnWndProc = OnSessionMessage;
    kind.hInstance = instance;
    kind.lpszClassName = kSessionWindowClass;
    RegisterClassW(&kind);
    // Never shown; the name is what the shutdown screen lists beside the reason.
    window = CreateWindowExW(0, kSessionWindowClass, L"korvane-cli", WS_OVERLAPPED, 0, 0, 0, 0,
                             nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return;
    StayAwake::SetWatcher([](bool held) {
        if (held) {
            ShutdownBlockReasonCreate(window, win::WidenText(texts::kTransferRunning).c_str());
        } else {
            ShutdownBlockReasonDestroy(window);
        }
    });
}

}  // namespace

void InstallInterruptHandler() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    MakeSessionWindow();
}

}  // namespace korvane::cli
