// Ctrl-C on a POSIX terminal: SIGINT raises the flag the command takes
// between two packets or two slices of a wait.
#include <signal.h>

#include "cli/interrupt.h"

namespace korvane::cli {

namespace {

extern "C" void OnInterrupt(int) { RaiseInterrupt(); }

}  // namespace

void InstallInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace korvane::cli
