#include <windows.h>
// windows.h first: psapi.h needs its types.
#include <psapi.h>

#include "tests/support/process_memory.h"

namespace korvane::test {

long ResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.WorkingSetSize / 1024);
}

}  // namespace korvane::test
