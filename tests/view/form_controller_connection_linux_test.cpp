// Device changes the kernel announces, as the udev monitor hands them to the
// window (Linux).
#include <unistd.h>

#include <QTest>
#include <cstdlib>
#include <string>

#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

// Real kernel events: a network tap device that comes and goes is a removal
// the window must see, host or no host.
TEST(Connection, ATapDeviceRemovedReachesTheWindowAsARemoval) {
    if (::geteuid() != 0) GTEST_SKIP() << "creating a tap device needs root";
    if (std::system("command -v ip >/dev/null 2>&1") != 0) GTEST_SKIP() << "no ip command";
    HostWindow w;
    w.Connect();
    ASSERT_TRUE(w.controller->WatchSystemDevices());
    const std::string name = "kvwtap" + std::to_string(::getpid() % 10000);
    std::system(("ip tuntap del dev " + name + " mode tap >/dev/null 2>&1").c_str());
    if (std::system(("ip tuntap add dev " + name + " mode tap").c_str()) != 0)
        GTEST_SKIP() << "this machine does not allow tap devices";
    QTest::qWait(200);
    w.states.clear();
    ASSERT_EQ(std::system(("ip tuntap del dev " + name + " mode tap").c_str()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.states.empty(); }, 3000));
    ASSERT_FALSE(w.states.empty());
    EXPECT_EQ(w.states.front(), 0);
    EXPECT_EQ(w.View().linkUp, 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
    // The host is still there: the next tick finds it.
    w.controller->Poll();
    EXPECT_EQ(w.states.back(), 1);
}

}  // namespace
}  // namespace korvane::test
