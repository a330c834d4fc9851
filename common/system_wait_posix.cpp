// Linux: no sleep inhibitor is asked for (a desktop may offer one through
// its session bus, which the program does not use), and a window is never
// marked as hung for a quiet queue.
#include "common/system_wait.h"

namespace korvane {

SystemWait& TheSystemWait() {
    static SystemWait system;
    return system;
}

}  // namespace korvane
