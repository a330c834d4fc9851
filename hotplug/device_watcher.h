#pragma once
// Device arrival and removal of the watched kinds (USB devices, disks, HID
// devices, network interfaces), however the platform tells them: a udev
// monitor on Linux, device-interface notifications to a window on Windows.
// Whoever owns a watcher only sees deviceChange.
#include <QObject>
#include <functional>
#include <memory>

namespace korvane {

class DeviceWatcher : public QObject {
    Q_OBJECT
  public:
    // The native window the notifications go to, asked for only where the
    // platform sends them to a window.
    using NativeWindow = std::function<quintptr()>;

    // nullptr when the platform's notifications cannot be had.
    static std::unique_ptr<DeviceWatcher> Create(const NativeWindow& window);
    ~DeviceWatcher() override = default;

  signals:
    // ids::kDeviceArrival or ids::kDeviceRemoveComplete.
    void deviceChange(int event);

  protected:
    DeviceWatcher() = default;
};

}  // namespace korvane
