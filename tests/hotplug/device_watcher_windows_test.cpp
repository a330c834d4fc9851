// Device notifications as Windows delivers them: WM_DEVICECHANGE sent to the
// form's own window, on the real windows platform (an X display under wine).
#include <windows.h>

#include <QGuiApplication>

#include "hotplug/device_watcher.h"
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

TEST_F(DeviceWatcherWindows, RemovalSentToTheFormsWindowShowsTheHostGoneAndArrivalNothing) {
    HostWindow w;
    w.Connect();
    w.frame.OnConnectionState(1);
    ASSERT_TRUE(w.controller->WatchSystemDevices());
    const HWND form = reinterpret_cast<HWND>(w.View().winId());
    const HWND frame = reinterpret_cast<HWND>(w.frame.winId());
    ASSERT_NE(form, frame);

    SendMessageW(form, WM_DEVICECHANGE, 0x8000, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "VelarinV1.0");
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "连接");
    EXPECT_TRUE(w.frame.ConnectionLampLit());
    EXPECT_EQ(w.View().linkUp, 1);

    // Broadcasts reach the frame too; only the registered window counts.
    SendMessageW(frame, WM_DEVICECHANGE, 0x8004, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "VelarinV1.0");
    EXPECT_TRUE(w.states.empty());

    // Other device-change events (a configuration change, say) are no removal.
    SendMessageW(form, WM_DEVICECHANGE, 0x0007, 0);
    EXPECT_TRUE(w.states.empty());

    SendMessageW(form, WM_DEVICECHANGE, 0x8004, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "未连接");
    EXPECT_FALSE(w.frame.ConnectionLampLit());
    EXPECT_EQ(w.states, std::vector<int>{0});
    EXPECT_EQ(w.View().linkUp, 0);
}

TEST_F(DeviceWatcherWindows, NoNotificationsOnceTheWatcherIsGone) {
    HostWindow w;
    w.Connect();
    w.frame.OnConnectionState(1);
    const HWND form = reinterpret_cast<HWND>(w.View().winId());
    {
        std::unique_ptr<DeviceWatcher> watcher =
            DeviceWatcher::Create([form] { return quintptr(form); });
        ASSERT_NE(watcher, nullptr);
    }
    SendMessageW(form, WM_DEVICECHANGE, 0x8004, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "VelarinV1.0");
    EXPECT_TRUE(w.states.empty());
}

}  // namespace
}  // namespace korvane::test
