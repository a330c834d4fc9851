#include "hotplug/udev_monitor.h"

#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

namespace korvane {

namespace {

struct Watched {
    const char* subsystem;
    const char* devtype;  // nullptr: any
};

constexpr Watched kWatched[] = {
    {"usb", "usb_device"}, {"block", "disk"}, {"hidraw", nullptr},
    {"hid", nullptr},      {"net", nullptr},
};

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

}  // namespace

bool IsWatchedDevice(const std::string& subsystem, const std::string& devtype) {
    for (const Watched& w : kWatched) {
        if (subsystem == w.subsystem && (w.devtype == nullptr || devtype == w.devtype)) return true;
    }
    return false;
}

std::unique_ptr<UdevMonitor> UdevMonitor::Create() {
    const bool daemon = ::access("/run/udev/control", F_OK) == 0;
    return Create(daemon ? Source::Udev : Source::Kernel);
}

std::unique_ptr<UdevMonitor> UdevMonitor::Create(Source source) {
    udev* u = udev_new();
    if (u == nullptr) return nullptr;
    udev_monitor* m = udev_monitor_new_from_netlink(u, source == Source::Udev ? "udev" : "kernel");
    if (m == nullptr) {
        udev_unref(u);
        return nullptr;
    }
    for (const Watched& w : kWatched)
        udev_monitor_filter_add_match_subsystem_devtype(m, w.subsystem, w.devtype);
    if (udev_monitor_enable_receiving(m) < 0) {
        udev_monitor_unref(m);
        udev_unref(u);
        return nullptr;
    }
    return std::unique_ptr<UdevMonitor>(new UdevMonitor(u, m, source));
}

UdevMonitor::~UdevMonitor() {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
}

int UdevMonitor::fd() const { return udev_monitor_get_fd(monitor_); }

std::vector<DeviceEvent> UdevMonitor::ReadEvents() {
    std::vector<DeviceEvent> events;
    for (;;) {
        pollfd p{fd(), POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0 || (p.revents & POLLIN) == 0) break;
        udev_device* dev = udev_monitor_receive_device(monitor_);
        if (dev == nullptr) break;
        const std::string action = Str(udev_device_get_action(dev));
        DeviceEvent e;
        e.subsystem = Str(udev_device_get_subsystem(dev));
        e.devtype = Str(udev_device_get_devtype(dev));
        e.sysname = Str(udev_device_get_sysname(dev));
        udev_device_unref(dev);
        if (!IsWatchedDevice(e.subsystem, e.devtype)) continue;
        if (action == "add") {
            e.kind = DeviceEvent::Kind::Arrival;
        } else if (action == "remove") {
            e.kind = DeviceEvent::Kind::Removal;
        } else {
            continue;
        }
        events.push_back(std::move(e));
    }
    return events;
}

}  // namespace korvane
