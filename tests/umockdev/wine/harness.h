#pragma once
// What the cases and the figures of the harness share: the Windows build
// under test, the process's one prefix, devices on nodes of their own, and
// runs of korvane-cli.exe.
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "emulated_node.h"
#include "wine_prefix.h"

namespace korvane::testing {

// The Windows build under test: --build DIR, else $KORVANE_WINDOWS_BUILD.
std::string& WindowsBuild();
// Where the harness keeps its prefixes and files: <build>/winehid.
std::string HarnessDir();
// A program of the Windows build: "cli/korvane-cli.exe", "app/korvane.exe".
std::string Program(const std::string& relative);
// Names the prefix that the first Prefix() boots (<harness>/prefix-NAME);
// false once it is booted, when the name goes unused.
bool NamePrefix(const std::string& name);
// The process's one prefix, booted by the first call.
WinePrefix& Prefix();
// A folder of the harness's own, emptied first.
std::string EmptyFolder(const std::string& name);

template <typename Pred>
bool Within(int timeoutMs, Pred done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A device on a node, and so a sysfs path, of its own, plugged in and
// unplugged two seconds after the last removal at the earliest, which gives
// wine's bus time to finish each removal (see quietAfterRemovalMs).
MockHidIdentity Device(uint16_t vendor, uint16_t product);
// wine's HID class driver has taken the device in (it asks for the report
// descriptor when it does).
bool AwaitWine(MockHidDevice& mock);
// The host is listed by korvane-cli.exe: its interface is there to open.
bool AwaitListed(EmulatedNode& host);

struct Cli {
    int status;
    std::string out;  // line ends as on Linux
    std::string err;
    int64_t wallMs;
    double cpuSeconds;
};
Cli RunCli(const std::vector<std::string>& args, int timeoutMs = 120000);

std::string Lower(std::string s);
std::string Unix(std::string s);
// The request frames (01, command, n, data, checksum) among the reports a
// host took, as hex.
std::vector<std::string> Requests(const std::vector<Report>& log);
bool Holds(const std::vector<std::string>& lines, const std::string& line);
// n bytes that begin as a WAVE file does.
void WriteWave(const std::string& path, std::size_t n, uint8_t fill);

}  // namespace korvane::testing
