#pragma once
// Processor time this process has used (user and system), in seconds.
namespace korvane::bench {

double ProcessCpuSeconds();

}  // namespace korvane::bench
