#include "common/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "common/transfer_system.h"

namespace korvane::test {
namespace {

// A wait on the system's timer may end before its time (a tick coarser than
// the wait, a signal): the clock sleeps again, so a pause never ends short,
// whether a fine timer is held or not.
TEST(SystemClockTest, APauseNeverEndsBeforeItsDeadline) {
    const TransferSystem saved = TheTransferSystem();
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "fine timer held" : "none held");
        std::vector<int64_t> asked;
        TheTransferSystem().sleepFine = [&](int64_t us) {
            asked.push_back(us);
            if (!held) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(us / 3));
            return true;
        };
        SystemClock clock;
        const int64_t deadline = clock.NowUs() + 3000;
        clock.SleepUntilUs(deadline);
        EXPECT_GE(clock.NowUs(), deadline);
        ASSERT_FALSE(asked.empty());
        EXPECT_LE(asked.front(), 3000);
    }
    TheTransferSystem() = saved;
}

}  // namespace
}  // namespace korvane::test
