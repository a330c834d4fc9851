#include "cli/interrupt.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace korvane::cli {

namespace {

// Lock-free, so a signal handler may set it.
std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

std::mutex g_mutex;
std::condition_variable g_finished;
bool g_done = false;
int g_status = 1;

}  // namespace

bool TakeInterrupt() { return g_interrupted.exchange(false); }
bool InterruptPending() { return g_interrupted.load(); }
void RaiseInterrupt() { g_interrupted = true; }

int CloseRequested(int waitMs) {
    RaiseInterrupt();
    std::unique_lock<std::mutex> lock(g_mutex);
    if (!g_finished.wait_for(lock, std::chrono::milliseconds(waitMs), [] { return g_done; }))
        return 1;
    return g_status;
}

void CommandFinished(int status) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_done = true;
        g_status = status;
    }
    g_finished.notify_all();
}

}  // namespace korvane::cli
