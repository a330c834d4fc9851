#pragma once
// The summary of the last multi-host run, kept in the per-user data folder
// beside the record's default place, so that the hosts that failed can be
// chosen again (--device failed) and found by what stays with them.
#include <optional>
#include <string>
#include <vector>

#include "fleet/host_selection.h"

namespace korvane::fleet {

struct RunEntry {
    std::string path, serial, port, model;
    bool succeeded = false;
};

struct LastRun {
    std::string id;
    std::vector<RunEntry> hosts;
};

// $XDG_DATA_HOME/korvane/last-run.json (~/.local/share/korvane), on Windows
// %LOCALAPPDATA%\Korvane\last-run.json; empty when there is no such place.
std::string LastRunPath();
// false, with why, when it could not be written.
bool SaveLastRun(const std::string& path, const LastRun& run, std::string& why);
// nullopt when there is none, or it is not one.
std::optional<LastRun> LoadLastRun(const std::string& path);

// How to find each failed host again: serial:S, else port:P, never by the
// path alone (it may be another host's by now). A host that told neither
// cannot be found again: its path goes to `lost`.
std::vector<std::string> FailedForms(const LastRun& run, std::vector<std::string>& lost);

// A new run's id: the local time and the process, e.g. 20261209T0412-4711.
std::string NewRunId();

}  // namespace korvane::fleet
