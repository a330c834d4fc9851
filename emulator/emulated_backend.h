#pragma once
// HidBackend over HostEmulators: the link talks to the stand-in hosts as it
// would to device nodes, in the time of the given clock.
#include <string>
#include <vector>

#include "common/clock.h"
#include "emulator/host_emulator.h"
#include "hid/hid_backend.h"

namespace korvane {

class EmulatedBackend final : public HidBackend {
  public:
    EmulatedBackend(HostEmulator& host, Clock& clock) : hosts_{&host}, clock_(clock) {}

    // One more host on the bus, listed after those before it. Host i (from
    // 0) is at the path "emulated:i", with the serial number EMU000(i+1)
    // and the port "emulated:(i+1)".
    void AddHost(HostEmulator& host) { hosts_.push_back(&host); }
    static std::string PathOf(std::size_t index);
    static std::string SerialOf(std::size_t index);
    static std::string PortOf(std::size_t index);
    static constexpr const char* kPath = "emulated:0";

    // Discovery failures: the path cannot be told, the device cannot be
    // opened, its attributes cannot be read.
    bool pathFailure = false;
    bool openFailure = false;
    bool attributesFailure = false;

    // Other devices on the bus, listed before and after the emulated hosts
    // (another vendor's, another product of the host's vendor, a second host).
    // None of them can be opened: only the emulated hosts answer.
    std::vector<HidDeviceInfo> devicesBefore;
    std::vector<HidDeviceInfo> devicesAfter;

    // How often each was asked for, for tests and the benchmark.
    int enumerations = 0;
    int opens = 0;
    int writes = 0;
    std::vector<std::string> openedPaths;  // every path Open was asked for, in order

    std::vector<HidDeviceInfo> Enumerate() override;
    bool Open(const std::string& path) override;
    void Close() override;
    bool IsOpen() const override { return open_ != nullptr; }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override;
    bool Write(const Report& report, int timeoutMs) override;
    ReadResult Read(Report& report, int timeoutMs) override;

  private:
    std::vector<HostEmulator*> hosts_;
    Clock& clock_;
    HostEmulator* open_ = nullptr;
};

}  // namespace korvane
