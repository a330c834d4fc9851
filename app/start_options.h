#pragma once
// What the command line asks of the program.
#include <optional>
#include <string>
#include <vector>

struct StartOptions {
    std::optional<int> emulateModel;  // 0 = RT-220, 1 = RT-221
    bool showHelp = false;
    bool showVersion = false;
    std::string screenshotsDir;  // hidden: render each state to PNG and quit
    std::string documentPath;    // opened as the Open command opens a file
    std::string error;           // non-empty: the command line was not understood
};

// args without the program name.
StartOptions ParseStartOptions(const std::vector<std::string>& args);
std::string UsageText();
std::string VersionText();
// "RT-220" / "RT-221"
std::string ModelName(int model);
// "模拟主机 RT-220" when emulating, else empty.
std::string EmulationNote(const StartOptions& options);
