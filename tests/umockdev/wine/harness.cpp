#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace korvane::testing {

std::string& WindowsBuild() {
    static std::string build = [] {
        const char* b = std::getenv("KORVANE_WINDOWS_BUILD");
        return std::string(b ? b : "");
    }();
    return build;
}

std::string HarnessDir() { return WindowsBuild() + "/winehid"; }

std::string Program(const std::string& relative) { return WindowsBuild() + "/" + relative; }

namespace {

std::string prefixName;
bool prefixBooted = false;

}  // namespace

bool NamePrefix(const std::string& name) {
    if (prefixBooted) return false;
    prefixName = name;
    return true;
}

WinePrefix& Prefix() {
    // The testbed first, so that wine's services start inside it.
    static std::shared_ptr<MockHidBus> bus = MockHidBus::Shared();
    static WinePrefix prefix(WindowsBuild(), HarnessDir() + "/prefix-" + prefixName);
    prefixBooted = true;
    return prefix;
}

std::string EmptyFolder(const std::string& name) {
    namespace fs = std::filesystem;
    const std::string dir = HarnessDir() + "/files/" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

MockHidIdentity Device(uint16_t vendor, uint16_t product) {
    static unsigned next = 0;
    MockHidIdentity id;
    id.vendorId = vendor;
    id.productId = product;
    id.node = next++;
    char serial[16];
    std::snprintf(serial, sizeof serial, "MOCK%04u", id.node + 1);
    id.serial = serial;
    id.hangUpOnRemoval = false;
    id.quietAfterRemovalMs = 2000;
    return id;
}

bool AwaitWine(MockHidDevice& mock) {
    if (Within(30000, [&] { return mock.DescriptorReads() > 0; })) return true;
    std::fprintf(stderr, "%s: wine did not take the device in (%zu handles open)\n",
                 mock.DevNode().c_str(), mock.OpenHandles());
    return false;
}

bool AwaitListed(EmulatedNode& host) {
    if (!AwaitWine(host.mock())) return false;
    std::string listed;
    for (int i = 0; i < 20; ++i) {
        listed = RunCli({"list"}).out;
        if (listed.find(Lower(host.identity().serial)) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    std::fprintf(stderr, "%s is not listed; the list:\n%s", host.identity().serial.c_str(),
                 listed.c_str());
    return false;
}

Cli RunCli(const std::vector<std::string>& args, int timeoutMs) {
    std::vector<std::string> argv{Program("cli/korvane-cli.exe"), "--quiet"};
    argv.insert(argv.end(), args.begin(), args.end());
    const RunResult r = Prefix().Run(argv, timeoutMs);
    return {r.status, Unix(r.out), Unix(r.err), r.wallMs, r.cpuSeconds};
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return s;
}

std::string Unix(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '\r'), s.end());
    return s;
}

std::vector<std::string> Requests(const std::vector<Report>& log) {
    std::vector<std::string> out;
    for (const Report& r : log) {
        if (r[1] != 0x55 || r[2] != 0xAA || r[3] != 0x01 || r[5] > 57) continue;
        std::string hex;
        for (std::size_t i = 3; i <= 6u + r[5]; ++i) {
            char b[4];
            std::snprintf(b, sizeof b, "%02X ", r[i]);
            hex += b;
        }
        hex.pop_back();
        out.push_back(hex);
    }
    return out;
}

bool Holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void WriteWave(const std::string& path, std::size_t n, uint8_t fill) {
    std::ofstream out(path, std::ios::binary);
    const std::string riff("RIFF\x24\x08\x00\x00WAVE", 12);
    out << riff.substr(0, std::min(n, riff.size()));
    for (std::size_t i = riff.size(); i < n; ++i) out.put(static_cast<char>(fill + i % 7));
}

}  // namespace korvane::testing
