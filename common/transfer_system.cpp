#include "common/transfer_system.h"

#include <utility>

namespace korvane {

namespace {

int g_held = 0;
int g_precise = 0;
int g_suspends = 0;
std::function<void(bool)> g_watcher;

}  // namespace

// One thread only (the one that runs the transfers), as everything that
// holds one.
StayAwake::StayAwake() : suspendsBefore_(g_suspends) {
    if (g_held++ > 0) return;
    if (TheTransferSystem().keepAwake) TheTransferSystem().keepAwake(true);
    if (g_watcher) g_watcher(true);
}

StayAwake::~StayAwake() {
    if (--g_held > 0) return;
    if (TheTransferSystem().keepAwake) TheTransferSystem().keepAwake(false);
    if (g_watcher) g_watcher(false);
}

bool StayAwake::Held() { return g_held > 0; }

void StayAwake::SetWatcher(std::function<void(bool held)> watcher) {
    g_watcher = std::move(watcher);
}

void StayAwake::NoteSuspend() { ++g_suspends; }

bool StayAwake::Slept() const { return g_suspends != suspendsBefore_; }

PreciseTimer::PreciseTimer() {
    if (g_precise++ == 0 && TheTransferSystem().preciseTimer)
        TheTransferSystem().preciseTimer(true);
}

PreciseTimer::~PreciseTimer() {
    if (--g_precise == 0 && TheTransferSystem().preciseTimer)
        TheTransferSystem().preciseTimer(false);
}

bool PreciseTimer::Held() { return g_precise > 0; }

}  // namespace korvane
