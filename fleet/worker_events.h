#pragma once
// What a worker (the one-host program, run for one host of a multi-host
// run) tells the run that started it: one JSON object per line on its
// standard error, each with a "worker" key. Its standard output keeps what
// the one-host program prints there (with --json, the command's data).
// Any other line on its standard error (a usage error, a warning) is a text
// it showed.
#include <QJsonObject>
#include <optional>
#include <string>

namespace korvane::fleet {

struct WorkerEvent {
    enum class Kind {
        Step,         // what the host is doing now (text)
        Progress,     // position of total
        Text,         // a text the operator would have seen (text)
        HalfWritten,  // interrupted after the host was sent something
    };
    Kind kind = Kind::Text;
    std::string text;
    int position = 0;
    int total = 0;
};

// The line for one event, without its newline.
std::string EncodeWorkerEvent(const WorkerEvent& event);
// A line of a worker's standard error: its event, or a text for a line of
// anything else; nullopt for an empty line.
std::optional<WorkerEvent> DecodeWorkerLine(const std::string& line);

}  // namespace korvane::fleet
