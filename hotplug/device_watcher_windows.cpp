// The device watcher of Windows: device-interface notifications registered for
// the form's window, picked out of the application's native events.
#include <windows.h>
// dbt.h needs the types of windows.h first.
#include <dbt.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <vector>

#include "common/resource_ids.h"
#include "hotplug/device_watcher.h"

namespace korvane {

namespace {

// USB devices, disks, HID devices, network adapters.
const GUID kWatchedClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
    {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}},
    {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}},
};

class WindowsWatcher final : public DeviceWatcher, public QAbstractNativeEventFilter {
  public:
    explicit WindowsWatcher(HWND window) : window_(window) {}

    ~WindowsWatcher() override {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            app->removeNativeEventFilter(this);
        }
        for (HDEVNOTIFY handle : handles_) UnregisterDeviceNotification(handle);
    }

    bool Register() {
        for (const GUID& cls : kWatchedClasses) {
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof(filter);
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            filter.dbcc_classguid = cls;
            HDEVNOTIFY handle =
                RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
            if (!handle) return false;
            handles_.push_back(handle);
        }
        QCoreApplication::instance()->installNativeEventFilter(this);
        return true;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "windows_generic_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        // Other windows of the program get their own broadcasts; only the
        // registered one counts, once.
        if (msg->hwnd != window_ || msg->message != WM_DEVICECHANGE) return false;
        if (msg->wParam == DBT_DEVICEARRIVAL) {
            emit deviceChange(ids::kDeviceArrival);
        } else if (msg->wParam == DBT_DEVICEREMOVECOMPLETE) {
            emit deviceChange(ids::kDeviceRemoveComplete);
        }
        // The window's own procedure still answers the message (TRUE to a query).
        return false;
    }

  private:
    HWND window_;
    std::vector<HDEVNOTIFY> handles_;
};

static_assert(DBT_DEVICEARRIVAL == ids::kDeviceArrival);
static_assert(DBT_DEVICEREMOVECOMPLETE == ids::kDeviceRemoveComplete);

}  // namespace

std::unique_ptr<DeviceWatcher> DeviceWatcher::Create(const NativeWindow& window) {
    HWND hwnd = reinterpret_cast<HWND>(window());
    if (!hwnd || !QCoreApplication::instance()) return nullptr;
    auto watcher = std::make_unique<WindowsWatcher>(hwnd);
    if (!watcher->Register()) return nullptr;
    return watcher;
}

}  // namespace korvane
