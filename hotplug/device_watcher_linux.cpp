// The device watcher of Linux: a udev monitor read when its socket is readable.
#include <QSocketNotifier>

#include "common/resource_ids.h"
#include "hotplug/device_watcher.h"
#include "hotplug/udev_monitor.h"

namespace korvane {

namespace {

class UdevWatcher final : public DeviceWatcher {
  public:
    explicit UdevWatcher(std::unique_ptr<UdevMonitor> monitor)
        : monitor_(std::move(monitor)), notifier_(monitor_->fd(), QSocketNotifier::Read, this) {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] {
            for (const DeviceEvent& e : monitor_->ReadEvents()) {
                emit deviceChange(e.kind == DeviceEvent::Kind::Arrival
                                      ? ids::kDeviceArrival
                                      : ids::kDeviceRemoveComplete);
            }
        });
    }

  private:
    std::unique_ptr<UdevMonitor> monitor_;
    QSocketNotifier notifier_;
};

}  // namespace

std::unique_ptr<DeviceWatcher> DeviceWatcher::Create(OperatorSeam&) {
    std::unique_ptr<UdevMonitor> monitor = UdevMonitor::Create();
    if (!monitor) return nullptr;
    return std::make_unique<UdevWatcher>(std::move(monitor));
}

}  // namespace korvane
