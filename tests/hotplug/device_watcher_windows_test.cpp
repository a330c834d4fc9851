// Device notifications as Windows delivers them: WM_DEVICECHANGE sent to the
// watcher's own message-only window, which the form and the frame follow
// (the windows platform: an X display under wine). That wine delivers them
// there itself is shown by the window case of the wine HID harness.
#include "hotplug/device_watcher_windows.h"
// dbt.h after windows.h, which the watcher's header brings.
#include <dbt.h>

#include <QGuiApplication>

#include "tests/support/recording_operator.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

class DeviceWatcherWindows : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("windows")) {
            GTEST_SKIP() << "needs the windows platform, not "
                         << QGuiApplication::platformName().toStdString();
        }
    }
};

// A registration that fails (the disk class here) is told once; the other
// classes stay registered and their notifications still come.
TEST_F(DeviceWatcherWindows, AClassThatCannotBeRegisteredIsToldOnceAndTheOthersStay) {
    static std::vector<GUID> asked;
    static std::vector<HANDLE> recipients;
    asked.clear();
    recipients.clear();
    auto refuseDisks = [](HANDLE recipient, LPVOID filter, DWORD flags) -> HDEVNOTIFY {
        const GUID cls = static_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(filter)->dbcc_classguid;
        asked.push_back(cls);
        recipients.push_back(recipient);
        if (cls.Data1 == 0x53F56307) return nullptr;
        return RegisterDeviceNotificationW(recipient, filter, flags);
    };
    RecordingOperator op;
    std::unique_ptr<DeviceWatcher> watcher = CreateWindowsWatcher(op, refuseDisks);
    ASSERT_NE(watcher, nullptr);
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(op.BoxTexts(), std::vector<std::string>{"Can't register device notification: "});
    EXPECT_EQ(op.Boxes()[0].caption, "Korvane");
    // All to the watcher's own window, which is no window of the form's.
    for (HANDLE r : recipients) EXPECT_EQ(r, WatcherWindow(*watcher));
    EXPECT_EQ(GetParent(WatcherWindow(*watcher)), nullptr);

    std::vector<int> events;
    QObject::connect(watcher.get(), &DeviceWatcher::deviceChange,
                     [&](int event) { events.push_back(event); });
    for (WPARAM code : {WPARAM{0x8000}, WPARAM{0x0007}, WPARAM{0x8004}})
        SendMessageW(WatcherWindow(*watcher), WM_DEVICECHANGE, code, 0);
    EXPECT_EQ(events, (std::vector<int>{0x8000, 0x8004}));
}

// The form's watcher: arrival changes nothing visible, removal shows the host
// gone, and the frame's title follows.
TEST_F(DeviceWatcherWindows, RemovalAtTheWatchersWindowShowsTheHostGone) {
    HostWindow w;
    w.Connect();
    w.frame.OnConnectionState(1);
    ASSERT_TRUE(w.controller->WatchSystemDevices());
    const HWND watcher = FindWindowExW(HWND_MESSAGE, nullptr, L"KorvaneDeviceWatcher", nullptr);
    ASSERT_NE(watcher, nullptr);

    SendMessageW(watcher, WM_DEVICECHANGE, 0x8000, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "VelarinV1.0");
    EXPECT_TRUE(w.frame.ConnectionLampLit());
    EXPECT_EQ(w.View().linkUp, 1);

    SendMessageW(watcher, WM_DEVICECHANGE, 0x8004, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "未连接");
    EXPECT_FALSE(w.frame.ConnectionLampLit());
    EXPECT_EQ(w.states, std::vector<int>{0});
    EXPECT_EQ(w.View().linkUp, 0);
}

}  // namespace
}  // namespace korvane::test
