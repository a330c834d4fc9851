#pragma once
// Device arrival and removal on Linux, from a libudev monitor. The owner
// watches fd() in its event loop and calls ReadEvents() when it is readable.
#include <memory>
#include <string>
#include <vector>

struct udev;
struct udev_monitor;

namespace korvane {

struct DeviceEvent {
    enum class Kind { Arrival, Removal };
    Kind kind = Kind::Arrival;
    std::string subsystem;
    std::string devtype;
    std::string sysname;
};

// Whether a device of this kind counts: USB devices, disks, HID devices and
// their raw nodes, and network interfaces.
bool IsWatchedDevice(const std::string& subsystem, const std::string& devtype);

class UdevMonitor {
  public:
    enum class Source { Udev, Kernel };

    // Listens to the udev daemon's events where one runs (they come after the
    // rules have set the node's permissions), else to the kernel's.
    static std::unique_ptr<UdevMonitor> Create();
    static std::unique_ptr<UdevMonitor> Create(Source source);
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    int fd() const;
    Source source() const { return source_; }
    // Drains what has arrived, keeping the watched additions and removals.
    std::vector<DeviceEvent> ReadEvents();

  private:
    UdevMonitor(udev* u, udev_monitor* m, Source s) : udev_(u), monitor_(m), source_(s) {}
    udev* udev_;
    udev_monitor* monitor_;
    Source source_;
};

}  // namespace korvane
