#pragma once
// Device arrival and removal of the watched kinds (USB devices, disks, HID
// devices, network interfaces), however the platform tells them: a udev
// monitor on Linux, device-interface notifications to a window of the
// watcher's own on Windows. Whoever owns a watcher only sees deviceChange.
#include <QObject>
#include <memory>

#include "common/operator_seam.h"

namespace korvane {

class DeviceWatcher : public QObject {
    Q_OBJECT
  public:
    // nullptr when the platform's notifications cannot be had. A kind whose
    // notifications are refused is told to the operator, once, and the
    // others are watched all the same.
    static std::unique_ptr<DeviceWatcher> Create(OperatorSeam& op);
    ~DeviceWatcher() override = default;

  signals:
    // ids::kDeviceArrival or ids::kDeviceRemoveComplete.
    void deviceChange(int event);

  protected:
    DeviceWatcher() = default;
};

}  // namespace korvane
