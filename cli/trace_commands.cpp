// trace show FILE, trace export FILE OUT.pcapng
#include "cli/commands.h"
#include "trace/trace.h"
#include "trace/trace_export.h"
#include "trace/trace_summary.h"

namespace korvane::cli {

namespace {

std::optional<trace::Trace> Read(Runner& r, const std::string& file) {
    std::string why;
    std::optional<trace::Trace> read = trace::ReadTrace(file, &why);
    if (!read) r.out().Error("cannot read the trace " + file + ": " + why);
    return read;
}

}  // namespace

int RunTraceShow(Runner& r) {
    const std::optional<trace::Trace> read = Read(r, r.Arg(2));
    if (!read) return kExitFailed;
    r.out().Text(trace::SummaryText(*read));
    return kExitOk;
}

int RunTraceExport(Runner& r) {
    const std::optional<trace::Trace> read = Read(r, r.Arg(2));
    if (!read) return kExitFailed;
    std::string why;
    if (!trace::WriteCapture(*read, r.Arg(3), &why)) {
        r.out().Error("cannot write " + r.Arg(3) + ": " + why);
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace korvane::cli
