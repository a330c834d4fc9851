#pragma once
// The field trace: every report exchanged with a host, kept as JSON lines
// when the operator asks for it, read back for a summary, a replay or a
// capture file. One line per event; times in microseconds since the trace
// began, on the session's clock.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/report.h"
#include "hid/hid_backend.h"

namespace korvane::trace {

struct TraceEvent {
    enum class Kind { Header, Host, Write, Read, Begin, End, Close };
    Kind kind = Kind::Header;
    int64_t us = 0;  // since the start of its trace (the header before it)

    // Header: who wrote the trace, on which system and backend, and when.
    std::string program;
    std::string version;
    std::string system;
    std::string backend;
    std::string start;  // local time with its offset, ISO 8601

    // Host: the host opened.
    HidDeviceInfo host;
    std::string model;

    // Write, Read: the report and how it went. A read that timed out has no
    // report; `waitedMs` is how long the reads before it found nothing (on
    // Timeout: the whole wait).
    Report report{};
    enum class Result { Ok, Timeout, Error };
    Result result = Result::Ok;
    std::string error;  // the system's text, where it gave one
    int64_t waitedMs = 0;

    // Begin, End: the operation; End also its outcome and every text shown.
    std::string operation;
    bool success = false;
    std::vector<std::string> texts;

    // Close: the host was lost (after a failed exchange), else closed.
    bool lost = false;
};

// One line of the trace, without its newline.
std::string TraceLine(const TraceEvent& event);
// The event of one line; nullopt, with why, for a line that is not one.
std::optional<TraceEvent> ParseTraceLine(const std::string& line, std::string* why);

struct Trace {
    std::vector<TraceEvent> events;
    std::size_t torn = 0;  // lines that were not whole (a write cut short)
};
// Every event of the trace file, in order. nullopt, with why, when the file
// cannot be read or holds no trace at all.
std::optional<Trace> ReadTrace(const std::string& path, std::string* why);

// Hex of 65 bytes, and back (nullopt unless exactly 65 bytes of hex).
std::string ReportHex(const Report& report);
std::optional<Report> HexReport(const std::string& hex);
// The hex with a space between bytes, for reading: "00 12 5a ...".
std::string SpacedHex(const Report& report);

}  // namespace korvane::trace
