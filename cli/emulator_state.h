#pragma once
// What an emulated host holds, kept in a JSON file between runs of the
// command line, so that a script can provision one emulated host and read it
// back in the next command.
#include <cstddef>
#include <string>

namespace korvane {
class HostEmulator;
}

namespace korvane::cli {

// A missing file leaves the emulator as it starts; false for a file that is
// there but unreadable.
bool LoadEmulatorState(HostEmulator& host, const std::string& path);
bool SaveEmulatorState(const HostEmulator& host, const std::string& path);
// Where emulated host `index` (from 0) keeps its state, given the file
// named: the first host in the file itself, each other one in a file
// beside it with its serial number before the extension (host.json,
// host.EMU0002.json, ...), so that hosts served at once by several runs
// never write one file.
std::string EmulatorStatePath(const std::string& file, std::size_t index);

}  // namespace korvane::cli
