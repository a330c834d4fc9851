#include <windows.h>

#include "bench/cpu_time.h"

namespace korvane::bench {

namespace {

double Seconds(const FILETIME& t) {
    const auto ticks = (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return static_cast<double>(ticks) / 1e7;  // 100 ns units
}

}  // namespace

double ProcessCpuSeconds() {
    FILETIME created{};
    FILETIME ended{};
    FILETIME kernel{};
    FILETIME user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0.0;
    return Seconds(kernel) + Seconds(user);
}

}  // namespace korvane::bench
