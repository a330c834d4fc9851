#include "hotplug/udev_monitor.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace korvane {
namespace {

TEST(UdevMonitor, WatchedClasses) {
    struct Case {
        const char* subsystem;
        const char* devtype;
        bool watched;
    } cases[] = {
        {"usb", "usb_device", true}, {"usb", "usb_interface", false},
        {"block", "disk", true},     {"block", "partition", false},
        {"hidraw", "", true},        {"hid", "", true},
        {"net", "", true},           {"input", "", false},
        {"tty", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWatchedDevice(c.subsystem, c.devtype), c.watched) << c.subsystem << c.devtype;
}

// Waits up to `ms` for an event of the given kind on interface `name`.
bool WaitFor(UdevMonitor& m, DeviceEvent::Kind kind, const std::string& name, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{m.fd(), POLLIN, 0};
        ::poll(&p, 1, 100);
        for (const DeviceEvent& e : m.ReadEvents())
            if (e.kind == kind && e.subsystem == "net" && e.sysname == name) return true;
    }
    return false;
}

// Real kernel events: a network tap device comes and goes.
TEST(UdevMonitor, KernelEventsOfATapDevice) {
    if (::geteuid() != 0) GTEST_SKIP() << "creating a tap device needs root";
    if (std::system("command -v ip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ip command";
    auto monitor = UdevMonitor::Create(UdevMonitor::Source::Kernel);
    ASSERT_NE(monitor, nullptr);
    const std::string name = "kvtap" + std::to_string(::getpid() % 10000);
    std::system(("ip tuntap del dev " + name + " mode tap >/dev/null 2>&1").c_str());
    monitor->ReadEvents();
    if (std::system(("ip tuntap add dev " + name + " mode tap").c_str()) != 0)
        GTEST_SKIP() << "this machine does not allow tap devices";
    EXPECT_TRUE(WaitFor(*monitor, DeviceEvent::Kind::Arrival, name, 3000));
    ASSERT_EQ(std::system(("ip tuntap del dev " + name + " mode tap").c_str()), 0);
    EXPECT_TRUE(WaitFor(*monitor, DeviceEvent::Kind::Removal, name, 3000));
}

}  // namespace
}  // namespace korvane
