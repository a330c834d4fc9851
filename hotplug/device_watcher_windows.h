#pragma once
// The Windows watcher with the registration call given, and the window its
// notifications go to: open to the tests.
#include <windows.h>

#include <memory>

#include "hotplug/device_watcher.h"

namespace korvane {

using RegisterNotification = HDEVNOTIFY (*)(HANDLE recipient, LPVOID filter, DWORD flags);

std::unique_ptr<DeviceWatcher> CreateWindowsWatcher(OperatorSeam& op,
                                                    RegisterNotification registerOne);
// The message-only window the watcher's notifications are sent to.
HWND WatcherWindow(const DeviceWatcher& watcher);

}  // namespace korvane
