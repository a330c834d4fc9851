// Linux: no sleep inhibitor is asked for (a desktop may offer one through
// its session bus, which the program does not use), and a window is never
// marked as hung for a quiet queue. The pauses of a bulk send are precise
// already; for the send, the thread's timer slack (50 us by default, by
// which the kernel may delay a wake to group it with others) is taken to
// its least, and the default comes back after it.
#include <sys/prctl.h>

#include "common/transfer_system.h"

namespace korvane {

namespace {

void HoldFineTimer(bool fine) { prctl(PR_SET_TIMERSLACK, fine ? 1UL : 0UL, 0UL, 0UL, 0UL); }

}  // namespace

TransferSystem& TheTransferSystem() {
    static TransferSystem system{nullptr, nullptr, HoldFineTimer, nullptr};
    return system;
}

}  // namespace korvane
