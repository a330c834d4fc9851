#pragma once
// What the system must be told while a long transfer runs. A sound download
// or a firmware upgrade takes up to ten minutes, and a laptop that sleeps in
// the middle of one leaves the host half written; a window whose thread
// leaves its message queue alone for five seconds is marked as not
// responding and offered for closing.
#include <cstdint>
#include <functional>

namespace korvane {

// Keeps the system from sleeping on its own while any StayAwake lives (they
// nest); whoever watches (the window, to hold off the end of the session) is
// told when the first one begins and the last one ends. Nothing keeps a
// laptop awake whose lid is closed or whose power button is pressed: the
// window that hears the system go to sleep says so, and a transfer that
// fails after it can tell the operator why.
class StayAwake {
  public:
    StayAwake();
    ~StayAwake();
    StayAwake(const StayAwake&) = delete;
    StayAwake& operator=(const StayAwake&) = delete;

    static bool Held();
    static void SetWatcher(std::function<void(bool held)> watcher);
    // The system is going to sleep now.
    static void NoteSuspend();
    // The system went to sleep while this one was held.
    bool Slept() const;

  private:
    int suspendsBefore_;
};

// Holds the system's finest timer while any PreciseTimer lives (they nest).
// The host needs 10 ms between two packets of a bulk send, and a default
// tick of 15.6 ms would stretch each pause by half; held for a send only, so
// an idle window costs a laptop's battery nothing.
class PreciseTimer {
  public:
    PreciseTimer();
    ~PreciseTimer();
    PreciseTimer(const PreciseTimer&) = delete;
    PreciseTimer& operator=(const PreciseTimer&) = delete;

    static bool Held();
};

// Sleeps about `us` microseconds on the fine timer; false when none is held.
using SleepFine = std::function<bool(int64_t us)>;

// The system's side of a long transfer, one file per system: the wake lock,
// the look at the message queue, and the precise timer. Tests put their own in.
struct TransferSystem {
    // Asks the system to stay awake, or lets it sleep again.
    std::function<void(bool awake)> keepAwake;
    // Looks at the thread's message queue without taking anything from it:
    // the system sees the thread alive, and messages sent to its windows
    // (the question whether the session may end) are answered.
    std::function<void()> touchQueue;
    // Takes the finest timer the system offers, with whatever keeps it
    // fine while the windows are hidden, or hands both back.
    std::function<void(bool fine)> preciseTimer;
    // The wait the system clock makes on that timer (see SleepFine).
    SleepFine sleepFine;
};
TransferSystem& TheTransferSystem();

}  // namespace korvane
