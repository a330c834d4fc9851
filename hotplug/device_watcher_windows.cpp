// The device watcher of Windows: device-interface notifications registered
// for a message-only window of the watcher's own. The form's native window
// is Qt's to recreate, and a registration made for it would then be lost.
#include "hotplug/device_watcher_windows.h"

// dbt.h needs the types of windows.h first.
#include <dbt.h>

#include <vector>

#include "common/resource_ids.h"
#include "common/texts.h"

namespace korvane {

namespace {

// USB devices, disks, HID devices, network adapters.
const GUID kWatchedClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}},
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}},
    {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}},
    {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}},
};

constexpr wchar_t kWindowClass[] = L"KorvaneDeviceWatcher";

static_assert(DBT_DEVICEARRIVAL == ids::kDeviceArrival);
static_assert(DBT_DEVICEREMOVECOMPLETE == ids::kDeviceRemoveComplete);

class WindowsWatcher final : public DeviceWatcher {
  public:
    WindowsWatcher() = default;
    ~WindowsWatcher() override {
        for (HDEVNOTIFY handle : handles_) UnregisterDeviceNotification(handle);
        if (window_) DestroyWindow(window_);
    }
    WindowsWatcher(const WindowsWatcher&) = delete;
    WindowsWatcher& operator=(const WindowsWatcher&) = delete;

    bool Start(OperatorSeam& op, RegisterNotification registerOne) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Procedure;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        // A second watcher of the process finds the class made.
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
        window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);
        if (!window_) return false;
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        for (const GUID& cls : kWatchedClasses) {
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof(filter);
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            filter.dbcc_classguid = cls;
            if (HDEVNOTIFY handle = registerOne(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE)) {
                handles_.push_back(handle);
            } else {
                ShowAppBox(op, texts::kCannotRegister);
            }
        }
        return !handles_.empty();
    }

    HWND window() const { return window_; }

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DEVICECHANGE) {
            auto* self = reinterpret_cast<WindowsWatcher*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            if (self && wParam == DBT_DEVICEARRIVAL) emit self->deviceChange(ids::kDeviceArrival);
            if (self && wParam == DBT_DEVICEREMOVECOMPLETE)
                emit self->deviceChange(ids::kDeviceRemoveComplete);
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<HDEVNOTIFY> handles_;
};

HDEVNOTIFY RegisterWithTheSystem(HANDLE recipient, LPVOID filter, DWORD flags) {
    return RegisterDeviceNotificationW(recipient, filter, flags);
}

}  // namespace

std::unique_ptr<DeviceWatcher> CreateWindowsWatcher(OperatorSeam& op,
                                                    RegisterNotification registerOne) {
    auto watcher = std::make_unique<WindowsWatcher>();
    if (!watcher->Start(op, registerOne)) return nullptr;
    return watcher;
}

HWND WatcherWindow(const DeviceWatcher& watcher) {
    return static_cast<const WindowsWatcher&>(watcher).window();
}

std::unique_ptr<DeviceWatcher> DeviceWatcher::Create(OperatorSeam& op) {
    return CreateWindowsWatcher(op, RegisterWithTheSystem);
}

}  // namespace korvane
