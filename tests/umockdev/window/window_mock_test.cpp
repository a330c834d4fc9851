// The window on the real hidraw path: unmodified hidapi finds the mocked
// host, the emulated host answers behind its node, and udev's uevents for it
// reach the window through the program's own monitor.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <mutex>

#include "emulator/host_emulator.h"
#include "mock_hid_device.h"
#include "tests/support_qt/host_window.h"
#include "tests/support_qt/widget_tests.h"

namespace korvane::testing {
namespace {

using test::Strings;

// The emulated host behind /dev/hidraw0: what the PC writes goes in, its
// replies are queued on the node when they are due.
class Bridge {
  public:
    Bridge(MockHidDevice& mock, Clock& clock, uint16_t product)
        : mock_(mock), host_(clock, product), clock_(clock) {
        // Packets reach the host on umockdev's thread, after the node's: the
        // gaps are noted, not judged.
        host_.keepsTime = false;
        mock_.onWrite = [this](const std::vector<uint8_t>& bytes) {
            Report r{};
            for (std::size_t i = 0; i < bytes.size() && i < r.size(); ++i) r[i] = bytes[i];
            std::lock_guard<std::mutex> lock(mutex_);
            host_.Receive(r);
        };
        // Runs whenever the window pumps its events, as it does inside every wait.
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Deliver(); });
        timer_.start();
    }
    ~Bridge() { mock_.onWrite = nullptr; }

    template <typename F>
    auto WithHost(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(host_);
    }

  private:
    void Deliver() {
        std::lock_guard<std::mutex> lock(mutex_);
        while (auto reply = host_.TakeReply(clock_.NowMs()))
            mock_.QueueInput(std::vector<uint8_t>(reply->begin() + 1, reply->end()));
    }

    MockHidDevice& mock_;
    HostEmulator host_;
    Clock& clock_;
    std::mutex mutex_;
    QTimer timer_;
};

// The window on the real backend, its poll ticked by hand.
class RealWindow : public test::ClockFirst<SystemClock>, public test::FormWindow {
  public:
    RealWindow() : FormWindow(clock, SessionOptions{}) {
        Show();
        View().PollTimer().stop();
    }
};

TEST(WindowOnHidraw, FindsTheHostAndRunsCommandsAndBulkTransfersThroughHidapi) {
    MockHidIdentity id;
    id.productId = 0x7890;
    MockHidDevice mock(id);
    RealWindow w;
    Bridge bridge(mock, w.clock, 0x7890);

    w.controller->Poll();
    ASSERT_EQ(w.states, std::vector<int>{1});
    EXPECT_EQ(w.View().model, 1);
    EXPECT_TRUE(w.View().Control(1059)->isVisible());

    // One transaction.
    w.Click(1049);
    EXPECT_TRUE(w.Boxes().empty());
    EXPECT_EQ(w.Text(1069), "KV-HOST V2.1");
    // Every report went out as 65 bytes with report ID 0.
    for (const auto& bytes : mock.Writes()) {
        ASSERT_EQ(bytes.size(), 65u);
        EXPECT_EQ(bytes[0], 0x00);
    }

    // A bulk send with its acknowledgement, then a bulk read of it.
    w.Check(1014)->setChecked(true);
    w.Type(1015, "4321");
    w.Click(1059);
    EXPECT_EQ(w.Boxes(), Strings{"设置地址码参数成功！"});
    EXPECT_EQ(bridge.WithHost([](HostEmulator& h) { return h.addressCodes[0x32].size(); }), 22u);
    w.dialogs.boxes.clear();
    w.Type(1015, "0");
    w.Click(1060);
    EXPECT_EQ(w.Boxes(), Strings{"报警音数目为: 0 个。"});
    EXPECT_EQ(w.Text(1015), "0004321");
}

TEST(WindowOnHidraw, ANoReplyTimesOutAndTheNextClickFindsTheHostAgain) {
    MockHidDevice mock;
    RealWindow w;
    Bridge bridge(mock, w.clock, 0x1234);
    w.controller->Poll();
    ASSERT_EQ(w.states, std::vector<int>{1});
    bridge.WithHost([](HostEmulator& h) {
        EmulatorFaults f;
        f.noReply = true;
        h.SetFaults(f);
        return 0;
    });
    w.Click(1007);
    EXPECT_EQ(w.Boxes(), (Strings{"读取数据失败，请重新发送！", "初始化设备失败！"}));
    bridge.WithHost([](HostEmulator& h) {
        h.ClearFaults();
        return 0;
    });
    w.dialogs.boxes.clear();
    w.Click(1007);
    EXPECT_EQ(w.Boxes(), Strings{"初始化设备成功！"});
}

TEST(WindowOnHidraw, UeventsOfTheHostDriveTheConnectionState) {
    MockHidDevice mock;
    RealWindow w;
    ASSERT_TRUE(w.controller->WatchSystemDevices());
    w.controller->Poll();
    ASSERT_EQ(w.states, std::vector<int>{1});

    mock.Remove();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.states.size() >= 2; }, 3000));
    EXPECT_EQ(w.states[1], 0);
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
    EXPECT_EQ(w.View().linkUp, 0);
    EXPECT_TRUE(w.View().PollTimer().isActive());
    w.View().PollTimer().stop();
    w.controller->Poll();
    EXPECT_EQ(w.states.back(), 0);

    // The arrival changes nothing by itself; the next tick finds the host.
    const std::size_t before = w.states.size();
    mock.Add();
    QTest::qWait(300);
    EXPECT_EQ(w.states.size(), before);
    w.controller->Poll();
    EXPECT_EQ(w.states.back(), 1);
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "连接");
}

TEST(WindowOnHidraw, AHostThatCannotBeOpenedIsReportedOnceNotEverySecond) {
    MockHidDevice mock;
    mock.SetOpenable(false, MockHidDevice::Refusal::kDescriptorQuery);
    RealWindow w;
    for (int i = 0; i < 5; ++i) w.controller->Poll();
    EXPECT_EQ(w.Boxes(), Strings{"无法打开通信端口"});
    EXPECT_EQ(w.states, (std::vector<int>{0, 0, 0, 0, 0}));
    mock.SetOpenable(true);
    w.controller->Poll();
    EXPECT_EQ(w.states.back(), 1);
    EXPECT_EQ(w.Boxes(), Strings{"无法打开通信端口"});
}

}  // namespace
}  // namespace korvane::testing

int main(int argc, char** argv) {
    korvane::testing::RunUnderUmockdev(argc, argv);
    return korvane::test::RunWidgetTests(argc, argv);
}
