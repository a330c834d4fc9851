#pragma once
// How much memory the process holds, for suites that watch it grow.
namespace korvane::test {

// Resident set (Linux) or working set (Windows) in KiB; 0 when unknown.
long ResidentKiB();

}  // namespace korvane::test
