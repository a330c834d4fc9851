#pragma once
// What the system must be told while a long transfer runs. A sound download
// or a firmware upgrade takes up to ten minutes, and a laptop that sleeps in
// the middle of one leaves the host half written; a window whose thread
// leaves its message queue alone for five seconds is marked as not
// responding and offered for closing.
#include <functional>

namespace korvane {

// Keeps the system awake while any StayAwake lives (they nest); whoever
// watches (the window, to hold off the end of the session) is told when the
// first one begins and the last one ends.
class StayAwake {
  public:
    StayAwake();
    ~StayAwake();
    StayAwake(const StayAwake&) = delete;
    StayAwake& operator=(const StayAwake&) = delete;

    static bool Held();
    static void SetWatcher(std::function<void(bool held)> watcher);
};

// The system's side, one file per system; tests put their own in.
struct SystemWait {
    // Asks the system to stay awake, or lets it sleep again.
    std::function<void(bool awake)> keepAwake;
    // Looks at the thread's message queue without taking anything from it:
    // the system sees the thread alive, and messages sent to its windows
    // (the question whether the session may end) are answered.
    std::function<void()> touchQueue;
};
SystemWait& TheSystemWait();

}  // namespace korvane
