#pragma once
#include <string>

namespace korvane::testing {

// Prints the figures of a sound download of `packets` packets; linuxBench is
// the Linux bulk_measure to run beside it (may be empty).
int RunFigures(int packets, const std::string& linuxBench);
// The same download on two hosts at once (korvane-cli.exe --device all, a
// worker process each) against one host alone.
int RunFleetFigures(int packets);

}  // namespace korvane::testing
