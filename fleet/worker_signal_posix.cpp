#include <signal.h>

#include "fleet/worker_signal.h"

namespace korvane::fleet {

void InterruptWorker(int64_t processId) {
    if (processId > 0) ::kill(static_cast<pid_t>(processId), SIGINT);
}

}  // namespace korvane::fleet
