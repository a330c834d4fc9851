#pragma once
// What `korvane-cli trace show` tells of a trace: each operation summed up.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "trace/trace.h"

namespace korvane::trace {

struct OperationSummary {
    std::string name;  // empty: reports exchanged outside any operation
    bool ended = false;
    bool success = false;
    std::vector<std::string> texts;
    const TraceEvent* header = nullptr;  // of the run it belongs to
    int64_t fromUs = 0;
    int64_t toUs = 0;
    std::size_t out = 0;
    std::size_t in = 0;
    std::size_t timeouts = 0;  // waits that ended with no report
    std::size_t errors = 0;    // writes and reads that failed
    // The gaps between consecutive writes, in microseconds.
    int64_t gapMedianUs = 0;
    int64_t gapP99Us = 0;
    int64_t gapMaxUs = 0;
    // The first failure (a time-out or an error) and the reports just before it.
    std::optional<TraceEvent> firstFailure;
    std::vector<TraceEvent> beforeFailure;
};

// How many reports before the first failure are kept.
inline constexpr std::size_t kReportsBeforeFailure = 8;

// The events of `trace` must outlive the summaries (they point at its headers).
std::vector<OperationSummary> Summarize(const Trace& trace);
// The summary as text, for a terminal.
std::string SummaryText(const Trace& trace);

// The value at `percent` (nearest rank) of `values`; 0 when there are none.
int64_t Percentile(std::vector<int64_t> values, int percent);

}  // namespace korvane::trace
