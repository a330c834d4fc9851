// Windows: the thread's execution state keeps the system from sleeping, and
// a look at the queue (PM_NOREMOVE: nothing is taken, posted messages stay
// for the pump) tells the window manager the thread is alive and delivers
// the messages sent to its windows.
#include <windows.h>

#include "common/system_wait.h"

namespace korvane {

namespace {

void KeepAwake(bool awake) {
    SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

void TouchQueue() {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

}  // namespace

SystemWait& TheSystemWait() {
    static SystemWait system{KeepAwake, TouchQueue};
    return system;
}

}  // namespace korvane
