#include "common/clock.h"

#include <chrono>
#include <thread>

#include "common/transfer_system.h"

namespace korvane {

void Clock::SleepUntilUs(int64_t deadlineUs) {
    for (int64_t left = deadlineUs - NowUs(); left > 0; left = deadlineUs - NowUs())
        SleepMs((left + 999) / 1000);
}

int64_t SystemClock::NowMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t SystemClock::NowUs() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepUntilUs(int64_t deadlineUs) {
    // A wake may come early (a timer coarser than the wait, a signal): the
    // rest is slept again, so the pause never ends before its deadline.
    for (int64_t left = deadlineUs - NowUs(); left > 0; left = deadlineUs - NowUs()) {
        const SleepFine& fine = TheTransferSystem().sleepFine;
        if (!fine || !fine(left)) std::this_thread::sleep_for(std::chrono::microseconds(left));
    }
}

}  // namespace korvane
