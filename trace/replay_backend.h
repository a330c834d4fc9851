#pragma once
// A trace served as the host: a write is answered with the reads that
// followed the same write in the trace, with their waits, time-outs and
// errors. The hosts listed are the trace's.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "hid/hid_backend.h"
#include "trace/trace.h"

namespace korvane::trace {

class ReplayBackend final : public HidBackend {
  public:
    // Strict: each write must be the next one of the trace; else a write's
    // match is searched forward from the last one matched, wrapping at the end.
    ReplayBackend(const Trace& trace, Clock& clock, bool strict);

    std::vector<HidDeviceInfo> Enumerate() override;
    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return open_.has_value(); }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override;
    bool Write(const Report& report, int timeoutMs) override;
    ReadResult Read(Report& report, int timeoutMs) override;
    std::string ErrorText() const override { return error_; }

    // A write that matched nothing: its place among this run's writes (from
    // 1), its bytes, and where it was a packet of a bulk send (writes the
    // trace answers nothing), which one of it (from 1; 0 otherwise).
    struct Unmatched {
        std::size_t write = 0;
        Report report{};
        std::size_t packet = 0;
    };
    const std::vector<Unmatched>& unmatched() const { return unmatched_; }
    // What the replay has to tell at the end: each write that matched
    // nothing, with its bytes. Empty when all matched.
    std::vector<std::string> Findings() const;

  private:
    struct Recorded {
        Report report{};
        bool ok = true;
        std::string error;
        std::vector<TraceEvent> reads;  // what followed it, up to the next write
    };
    std::optional<std::size_t> Match(const Report& report) const;

    Clock& clock_;
    bool strict_;
    std::vector<HidDeviceInfo> hosts_;
    std::vector<Recorded> writes_;
    std::optional<std::size_t> open_;    // the host open, by its place in hosts_
    std::optional<std::size_t> cursor_;  // the write matched last
    std::vector<TraceEvent> answer_;     // the reads still to come, in order
    std::size_t answerAt_ = 0;
    int64_t waitedMs_ = 0;  // the time the read at answerAt_ has been waited for
    std::size_t written_ = 0;
    std::size_t silentRun_ = 0;  // writes the trace answers nothing, since one it answers
    bool withhold_ = false;      // a packet of this bulk send matched nothing
    std::vector<Unmatched> unmatched_;
    std::string error_;
};

}  // namespace korvane::trace
