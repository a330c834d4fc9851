#pragma once
// The seam under the device link: how reports reach a host. Real hardware
// is driven by the hidapi backend on Linux and by the SetupAPI + hid.dll
// backend on Windows; the emulated backend serves HostEmulator.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/report.h"

namespace korvane {

struct HidDeviceInfo {
    std::string path;  // empty when the platform could not tell the device's path
    uint16_t vendor = 0;
    uint16_t product = 0;
    // What stays with a host when it is plugged in again, and where it sits:
    // its USB serial number string (UTF-8) and the place of its USB device on
    // the bus ("1-1.3", a location path). Each empty where the host or the
    // system gives none; listed for the hosts, and for the vendor's other
    // products where the listing has them for free (hidraw) or was asked to
    // (EnumerateWholeVendor); never for other vendors' devices.
    std::string serial = {};
    std::string port = {};
    // The product string the device gives, where the listing tells it.
    std::string productName = {};
};

class HidBackend {
  public:
    virtual ~HidBackend() = default;

    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    // The same list, with every device of the host's vendor identified
    // (serial, port), other products of it too. It may open devices for a
    // query that the once-a-second search leaves alone: for a one-off look.
    virtual std::vector<HidDeviceInfo> EnumerateWholeVendor() { return Enumerate(); }
    virtual bool Open(const std::string& path) = 0;
    // Never blocks on I/O still in flight: a stalled write finishes on its own.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Vendor and product of the open device, asked of the device itself.
    virtual bool ReadAttributes(uint16_t& vendor, uint16_t& product) = 0;

    // One 65-byte report (byte 0 the report ID). false when it did not
    // complete within the time-out or the device is gone.
    virtual bool Write(const Report& report, int timeoutMs) = 0;

    enum class ReadResult { Ok, Timeout, Error };
    // Waits at most one slice. On Ok, `report` holds 65 bytes, byte 0 = 0x00.
    virtual ReadResult Read(Report& report, int timeoutMs) = 0;
    // The system's text for the last write or read that failed; empty where
    // the backend has none.
    virtual std::string ErrorText() const { return {}; }

    // Called between the short slices of a write wait, so the window stays alive.
    std::function<void()> onIdle;
};

}  // namespace korvane
