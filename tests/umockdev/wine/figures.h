#pragma once
#include <string>

namespace korvane::testing {

// Prints the figures of a sound download of `packets` packets; linuxBench is
// the Linux bulk_measure to run beside it (may be empty).
int RunFigures(int packets, const std::string& linuxBench);

}  // namespace korvane::testing
