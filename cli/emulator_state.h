#pragma once
// What an emulated host holds, kept in a JSON file between runs of the
// command line, so that a script can provision one emulated host and read it
// back in the next command.
#include <string>

namespace korvane {
class HostEmulator;
}

namespace korvane::cli {

// A missing file leaves the emulator as it starts; false for a file that is
// there but unreadable.
bool LoadEmulatorState(HostEmulator& host, const std::string& path);
bool SaveEmulatorState(const HostEmulator& host, const std::string& path);

}  // namespace korvane::cli
