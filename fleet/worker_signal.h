#pragma once
// Ctrl-C for one worker, however the system tells a process: SIGINT on
// POSIX. On Windows the workers share the console of the run, and a Ctrl-C
// or the console's closing reaches each of them there.
#include <cstdint>

namespace korvane::fleet {

void InterruptWorker(int64_t processId);

}  // namespace korvane::fleet
