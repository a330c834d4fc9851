#include "trace/trace_summary.h"

#include <algorithm>
#include <cstdio>

namespace korvane::trace {

namespace {

using Kind = TraceEvent::Kind;
using Result = TraceEvent::Result;

bool IsReport(const TraceEvent& e) { return e.kind == Kind::Write || e.kind == Kind::Read; }

// Microseconds as seconds, to the microsecond.
std::string Seconds(int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld s", static_cast<long long>(us / 1000000),
                  static_cast<long long>(us % 1000000));
    return text;
}

std::string Millis(int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld ms", static_cast<long long>(us / 1000),
                  static_cast<long long>(us % 1000));
    return text;
}

std::string ReportLine(const TraceEvent& e) {
    std::string line = Seconds(e.us) + "  " + (e.kind == Kind::Write ? "write" : "read ") + "  ";
    switch (e.result) {
        case Result::Ok:
            line += SpacedHex(e.report);
            if (e.waitedMs > 0) line += "  (after " + std::to_string(e.waitedMs) + " ms)";
            break;
        case Result::Timeout:
            line += "time-out after " + std::to_string(e.waitedMs) + " ms";
            break;
        case Result::Error:
            line += "error: " + (e.error.empty() ? std::string("(no text)") : e.error);
            if (e.kind == Kind::Write) line += "  " + SpacedHex(e.report);
            break;
    }
    return line;
}

// Sums up the reports of one operation, from `first` to `last` (both kept).
void Sum(OperationSummary& s, const std::vector<TraceEvent>& events, std::size_t first,
         std::size_t last) {
    std::vector<int64_t> gaps;
    std::optional<int64_t> lastWrite;
    for (std::size_t i = first; i <= last && i < events.size(); ++i) {
        const TraceEvent& e = events[i];
        if (!IsReport(e)) continue;
        if (e.kind == Kind::Write) {
            ++s.out;
            if (lastWrite) gaps.push_back(e.us - *lastWrite);
            lastWrite = e.us;
        } else if (e.result == Result::Ok) {
            ++s.in;
        }
        if (e.result == Result::Timeout) ++s.timeouts;
        if (e.result == Result::Error) ++s.errors;
        if (e.result != Result::Ok && !s.firstFailure) {
            s.firstFailure = e;
            for (std::size_t j = i; j > first && s.beforeFailure.size() < kReportsBeforeFailure;) {
                --j;
                if (IsReport(events[j])) s.beforeFailure.insert(s.beforeFailure.begin(), events[j]);
            }
        }
    }
    s.gapMedianUs = Percentile(gaps, 50);
    s.gapP99Us = Percentile(gaps, 99);
    s.gapMaxUs = gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
}

}  // namespace

int64_t Percentile(std::vector<int64_t> values, int percent) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    // Nearest rank: the smallest value with `percent` of them at or below it.
    const std::size_t rank = (values.size() * static_cast<std::size_t>(percent) + 99) / 100;
    return values[std::max<std::size_t>(rank, 1) - 1];
}

std::vector<OperationSummary> Summarize(const Trace& trace) {
    const std::vector<TraceEvent>& events = trace.events;
    std::vector<OperationSummary> summaries;
    const TraceEvent* header = nullptr;
    std::optional<std::size_t> from;  // the first event of the stretch being summed
    OperationSummary current;
    auto close = [&](std::size_t last) {
        if (!from) return;
        Sum(current, events, *from, last);
        if (!current.name.empty() ||
            current.out + current.in + current.timeouts + current.errors > 0)
            summaries.push_back(current);
        from.reset();
    };
    for (std::size_t i = 0; i < events.size(); ++i) {
        const TraceEvent& e = events[i];
        if (e.kind == Kind::Header || e.kind == Kind::Begin) {
            if (i > 0) close(i - 1);
            if (e.kind == Kind::Header) header = &e;
            current = OperationSummary();
            current.header = header;
            current.name = e.kind == Kind::Begin ? e.operation : std::string();
            current.fromUs = e.us;
            from = i;
        } else if (e.kind == Kind::End) {
            if (!from) from = i;
            current.name = e.operation;
            current.ended = true;
            current.success = e.success;
            current.texts = e.texts;
            current.toUs = e.us;
            close(i);
            // What follows until the next operation is outside any.
            current = OperationSummary();
            current.header = header;
            current.fromUs = e.us;
            from = i + 1;
        } else {
            if (!from) from = i;
            current.toUs = e.us;
        }
    }
    if (!events.empty()) close(events.size() - 1);
    return summaries;
}

std::string SummaryText(const Trace& trace) {
    std::string out;
    const TraceEvent* header = nullptr;
    for (const OperationSummary& s : Summarize(trace)) {
        if (s.header != header && s.header != nullptr) {
            header = s.header;
            out += std::string(out.empty() ? "" : "\n") + "trace of " + header->program + " " +
                   header->version + " on " + header->system + ", backend " + header->backend +
                   ", started " + header->start + "\n";
        }
        out += "\n" + (s.name.empty() ? std::string("(outside any operation)") : s.name);
        out += s.ended          ? (s.success ? "  success" : "  failure")
               : s.name.empty() ? ""
                                : "  (no end)";
        out += "  " + Seconds(s.fromUs) + " .. " + Seconds(s.toUs) + "\n";
        out += "  reports:  " + std::to_string(s.out) + " out, " + std::to_string(s.in) + " in\n";
        out += "  failures: " + std::to_string(s.timeouts + s.errors) + " (" +
               std::to_string(s.timeouts) + " time-outs, " + std::to_string(s.errors) +
               " errors)\n";
        if (s.out > 1)
            out += "  gaps between writes: median " + Millis(s.gapMedianUs) + ", p99 " +
                   Millis(s.gapP99Us) + ", max " + Millis(s.gapMaxUs) + "\n";
        for (const std::string& text : s.texts) out += "  shown: " + text + "\n";
        if (!s.firstFailure) continue;
        out += "  first failure: " + ReportLine(*s.firstFailure) + "\n";
        if (!s.beforeFailure.empty()) out += "  the reports before it:\n";
        for (const TraceEvent& e : s.beforeFailure) out += "    " + ReportLine(e) + "\n";
    }
    if (trace.torn > 0)
        out += "\n" + std::to_string(trace.torn) + " lines were not whole and are left out\n";
    return out;
}

}  // namespace korvane::trace
