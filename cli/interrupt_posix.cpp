// Ctrl-C on a POSIX terminal: SIGINT raises a flag the command takes between
// two packets or two slices of a wait.
#include <signal.h>

#include <csignal>

#include "cli/interrupt.h"

namespace korvane::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

void InstallInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}

bool TakeInterrupt() {
    if (!gInterrupted) return false;
    gInterrupted = 0;
    return true;
}

}  // namespace korvane::cli
