#pragma once
// Writes the field trace while the session runs: the tap in front of the
// backend hands it every report, the session every operation.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "hid/backend_tap.h"
#include "hid/hid_backend.h"
#include "trace/trace.h"

namespace korvane::trace {

// Where the trace goes, or nullopt when it is off. `option` is the --trace
// option: nullopt when it was not given, empty for a bare --trace (the
// default place), else the file. Without it, KORVANE_TRACE decides: "1" for
// the default place, empty or "0" for off, anything else names the file.
std::optional<std::string> TracePath(const std::optional<std::string>& option);
// A new file in the per-user data folder beside the record, named by the
// local date and time and the process: trace-20261209-054712-4711.jsonl.
// Empty when there is no such folder.
std::string DefaultTracePath();
bool IsDefaultTracePath(const std::string& path);
// The default trace as the help names it.
std::string DefaultTracePlace();

struct TraceOptions {
    std::string path;
    std::string program;  // "korvane", "korvane-cli"
    std::string backend;  // "system", "emulated", "replay"
};

class TraceWriter {
  public:
    TraceWriter(TraceOptions options, const Clock& clock);
    // A wait still open is written as the time-out it became.
    ~TraceWriter();
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    // The header: where the times count from.
    void Start();
    void Host(const HidDeviceInfo& host);
    int64_t Now() const;
    void Wrote(const Report& report, bool ok, const std::string& error);
    // A read that began at `startUs` (Now()) and asked for `timeoutMs`. The
    // time-outs of consecutive slices make one wait: it is written with the
    // report that ends it, or as one time-out when none came. A read of no
    // time that found nothing is only a look.
    void Read(HidBackend::ReadResult result, const Report& report, int64_t startUs, int timeoutMs,
              const std::string& error);
    void Closed(bool lost);
    void Begin(const std::string& operation);
    void End(const std::string& operation, bool success, std::vector<std::string> texts);

    const std::string& path() const { return options_.path; }
    // Told once, the first time a line cannot be written, with why.
    std::function<void(const std::string& why)> onUnwritable;

  private:
    void Put(const TraceEvent& event);
    void FlushWait();

    TraceOptions options_;
    const Clock& clock_;
    int64_t startUs_ = 0;
    std::optional<int64_t> waitFromUs_;  // the first slice of a wait still open
    int64_t waitToUs_ = 0;
    bool warned_ = false;
};

// The backend in front of the real one: passes everything on, and hands
// the trace each report, each host opened and each close.
class TraceTap final : public BackendTap {
  public:
    TraceTap(HidBackend& real, TraceWriter& trace) : BackendTap(real), trace_(trace) {}

    bool Open(const std::string& path) override;
    void Close() override;
    bool Write(const Report& report, int timeoutMs) override;
    ReadResult Read(Report& report, int timeoutMs) override;

  private:
    TraceWriter& trace_;
    bool failed_ = false;  // the last exchange failed: a close now is a loss
};

}  // namespace korvane::trace
