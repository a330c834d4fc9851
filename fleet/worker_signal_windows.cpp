#include "fleet/worker_signal.h"

namespace korvane::fleet {

// The console's Ctrl-C reaches every process attached to it, the workers
// among them; a run with no console has no Ctrl-C to pass on.
void InterruptWorker(int64_t) {}

}  // namespace korvane::fleet
