// Windows: the thread's execution state keeps the system from sleeping, and
// a look at the queue (PM_NOREMOVE: nothing is taken, posted messages stay
// for the pump) tells the window manager the thread is alive and delivers
// the messages sent to its windows.
//
// The pauses of a bulk send wait on a high-resolution waitable timer (from
// Windows 10 1803); without one, the system's tick is set to 1 ms for the
// send. A plain Sleep ends on the default 15.6 ms tick, and a wait shorter
// than a tick may end early. Windows 11 also lets the tick go coarse again
// while the process's windows are hidden, which is what an operator does
// through a ten-minute download, unless the process asks to be left alone.
#include <windows.h>
// windows.h first: timeapi.h needs its types.
#include <timeapi.h>

#include "common/transfer_system.h"

// Debian 12's headers predate the flag.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x2
#endif

namespace korvane {

namespace {

HANDLE g_timer = nullptr;
bool g_period = false;

void KeepAwake(bool awake) {
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

void TouchQueue() {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

// Windows 11's throttling of the timer resolution for hidden windows: opted
// out for the send, then the decision is the system's again (mask 0). A
// system that does not know the class refuses, which changes nothing.
void IgnoreTimerThrottling(bool ignore) {
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = ignore ? PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION : 0;
    state.StateMask = 0;
    SetProcessInformation(GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
}

void HoldFineTimer(bool fine) {
    if (fine) {
        g_timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                         TIMER_ALL_ACCESS);
        if (!g_timer) g_period = timeBeginPeriod(1) == TIMERR_NOERROR;
        IgnoreTimerThrottling(true);
        return;
    }
    IgnoreTimerThrottling(false);
    if (g_timer) CloseHandle(g_timer);
    g_timer = nullptr;
    if (g_period) timeEndPeriod(1);
    g_period = false;
}

bool SleepOnFineTimer(int64_t us) {
    if (!g_timer) return false;
    LARGE_INTEGER due;
    due.QuadPart = -us * 10;  // relative, in 100 ns units
    if (!SetWaitableTimer(g_timer, &due, 0, nullptr, nullptr, FALSE)) return false;
    return WaitForSingleObject(g_timer, INFINITE) == WAIT_OBJECT_0;
}

}  // namespace

TransferSystem& TheTransferSystem() {
    static TransferSystem system{KeepAwake, TouchQueue, HoldFineTimer, SleepOnFineTimer};
    return system;
}

}  // namespace korvane
