#pragma once
// What the command line asks of the program.
#include <optional>
#include <string>
#include <vector>

#include "common/lamp_model.h"

struct StartOptions {
    std::optional<korvane::LampModel> emulateModel;
    std::string screenshotsDir;  // hidden: render each state to PNG and quit
    std::string documentPath;    // opened as the Open command opens a file
    // --record[=FILE]: empty for the default place; nullopt when not given.
    std::optional<std::string> record;
    // --trace[=FILE]: the same for the trace of every report exchanged.
    std::optional<std::string> trace;
    std::string error;  // non-empty: the command line was not understood
};

// args without the program name.
StartOptions ParseStartOptions(const std::vector<std::string>& args);
std::string UsageText();
std::string VersionText();
// "模拟主机 RT-220" when emulating, else empty.
std::string EmulationNote(const StartOptions& options);
