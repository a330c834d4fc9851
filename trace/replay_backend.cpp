#include "trace/replay_backend.h"

#include <algorithm>
#include <cstdio>

#include "common/texts.h"

namespace korvane::trace {

namespace {
// The report ID, the frame's start and its command.
constexpr std::ptrdiff_t kHeadBytes = 5;
}  // namespace

ReplayBackend::ReplayBackend(const Trace& trace, Clock& clock, bool strict)
    : clock_(clock), strict_(strict) {
    for (const TraceEvent& e : trace.events) {
        if (e.kind == TraceEvent::Kind::Host) {
            const bool known = std::any_of(hosts_.begin(), hosts_.end(),
                                           [&](const auto& h) { return h.path == e.host.path; });
            if (!known) hosts_.push_back(e.host);
        } else if (e.kind == TraceEvent::Kind::Write) {
            writes_.push_back(Recorded{e.report, e.result == TraceEvent::Result::Ok, e.error, {}});
        } else if (e.kind == TraceEvent::Kind::Read && !writes_.empty()) {
            writes_.back().reads.push_back(e);
        }
    }
}

std::vector<HidDeviceInfo> ReplayBackend::Enumerate() { return hosts_; }

bool ReplayBackend::Open(const std::string& path) {
    Close();
    for (std::size_t i = 0; i < hosts_.size(); ++i)
        if (hosts_[i].path == path) open_ = i;
    return open_.has_value();
}

void ReplayBackend::Close() {
    open_.reset();
    answer_.clear();
    // A bulk send ends with the device closed, whether it was answered or not.
    silentRun_ = 0;
    withhold_ = false;
}

bool ReplayBackend::ReadAttributes(uint16_t& vendor, uint16_t& product) {
    if (!open_) return false;
    vendor = hosts_[*open_].vendor;
    product = hosts_[*open_].product;
    return true;
}

std::optional<std::size_t> ReplayBackend::Match(const Report& report) const {
    const std::size_t n = writes_.size();
    const std::size_t next = cursor_ ? *cursor_ + 1 : 0;
    if (strict_) {
        if (next < n && writes_[next].report == report) return next;
        return std::nullopt;
    }
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t i = (next + k) % n;
        if (writes_[i].report == report) return i;
    }
    return std::nullopt;
}

bool ReplayBackend::Write(const Report& report, int) {
    ++written_;
    answer_.clear();
    answerAt_ = 0;
    waitedMs_ = 0;
    if (!open_) {
        error_ = "the host is not open";
        return false;
    }
    const std::optional<std::size_t> m = Match(report);
    if (!m) {
        // Where the trace expected a write it answers nothing, with the same
        // head (the frame's start and its command), this is a packet of a
        // bulk send: only the acknowledgement at its end would tell, so it
        // is withheld.
        const std::size_t expected = cursor_ ? *cursor_ + 1 : 0;
        const bool packet = expected < writes_.size() && writes_[expected].reads.empty() &&
                            std::equal(report.begin(), report.begin() + kHeadBytes,
                                       writes_[expected].report.begin());
        unmatched_.push_back(Unmatched{written_, report, packet ? ++silentRun_ : 0});
        if (packet) withhold_ = true;
        if (strict_ && expected < writes_.size()) cursor_ = expected;
        return true;
    }
    cursor_ = *m;
    const Recorded& w = writes_[*m];
    if (!w.ok) {
        error_ = w.error;
        return false;
    }
    if (w.reads.empty()) {
        ++silentRun_;
        return true;
    }
    silentRun_ = 0;
    if (withhold_) {
        withhold_ = false;
        return true;
    }
    answer_ = w.reads;
    return true;
}

HidBackend::ReadResult ReplayBackend::Read(Report& report, int timeoutMs) {
    if (!open_) {
        error_ = "the host is not open";
        return ReadResult::Error;
    }
    if (answerAt_ >= answer_.size()) {
        clock_.SleepMs(timeoutMs);
        return ReadResult::Timeout;
    }
    const TraceEvent& r = answer_[answerAt_];
    // The host kept the reader waiting this long before it answered.
    if (waitedMs_ < r.waitedMs) {
        const int64_t left = r.waitedMs - waitedMs_;
        if (timeoutMs <= 0) return ReadResult::Timeout;
        if (left > timeoutMs) {
            clock_.SleepMs(timeoutMs);
            waitedMs_ += timeoutMs;
            return ReadResult::Timeout;
        }
        clock_.SleepMs(left);
    }
    ++answerAt_;
    waitedMs_ = 0;
    switch (r.result) {
        case TraceEvent::Result::Ok:
            report = r.report;
            report[0] = 0x00;
            return ReadResult::Ok;
        case TraceEvent::Result::Timeout:
            return ReadResult::Timeout;
        case TraceEvent::Result::Error:
            error_ = r.error;
            return ReadResult::Error;
    }
    return ReadResult::Timeout;
}

std::vector<std::string> ReplayBackend::Findings() const {
    std::vector<std::string> lines;
    for (const Unmatched& u : unmatched_) {
        const std::string bytes = SpacedHex(u.report);
        std::vector<char> line(bytes.size() + 256);
        if (u.packet > 0)
            std::snprintf(line.data(), line.size(), texts::kReplayPacketUnmatched, u.packet,
                          u.write, bytes.c_str());
        else
            std::snprintf(line.data(), line.size(), texts::kReplayUnmatched, u.write,
                          bytes.c_str());
        lines.emplace_back(line.data());
    }
    return lines;
}

}  // namespace korvane::trace
