#pragma once
// HidBackend over a HostEmulator: the link talks to the stand-in host as it
// would to a device node, in the time of the given clock.
#include <string>

#include "common/clock.h"
#include "emulator/host_emulator.h"
#include "hid/hid_backend.h"

namespace korvane {

class EmulatedBackend final : public HidBackend {
  public:
    EmulatedBackend(HostEmulator& host, Clock& clock) : host_(host), clock_(clock) {}

    static constexpr const char* kPath = "emulated:0";

    // Discovery failures: the path cannot be told, the device cannot be
    // opened, its attributes cannot be read.
    bool pathFailure = false;
    bool openFailure = false;
    bool attributesFailure = false;

    // Other devices on the bus, listed before and after the emulated host
    // (another vendor's, another product of the host's vendor, a second host).
    // None of them can be opened: only the emulated host answers.
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
    bool IsOpen() const override { return open_; }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override;
    bool Write(const Report& report, int timeoutMs) override;
    ReadResult Read(Report& report, int timeoutMs) override;

  private:
    HostEmulator& host_;
    Clock& clock_;
    bool open_ = false;
};

}  // namespace korvane
