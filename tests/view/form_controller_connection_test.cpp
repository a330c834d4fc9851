// The connection poll, device changes and discovery as the window shows them.
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "tests/support/scratch_folder.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

constexpr int kArrival = 0x8000;
constexpr int kRemoval = 0x8004;

TEST(Connection, WithoutTheHostThePollKeepsSearchingUntilItIsPlugged) {
    HostWindow w(0, /*plugged=*/false);
    EXPECT_TRUE(w.View().PollTimer().isActive());
    EXPECT_EQ(w.View().PollTimer().interval(), 1000);
    w.controller->Poll();
    w.controller->Poll();
    EXPECT_EQ(w.states, (std::vector<int>{0, 0}));
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "未连接");
    EXPECT_TRUE(w.View().PollTimer().isActive());

    // The arrival itself changes nothing; the next tick finds the host.
    w.Host().Plug();
    HostWindow::Settle();
    EXPECT_EQ(w.states, (std::vector<int>{0, 0}));
    w.controller->Poll();
    EXPECT_EQ(w.states, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "连接");
    EXPECT_TRUE(w.frame.ConnectionLampLit());
    EXPECT_FALSE(w.View().PollTimer().isActive());
    EXPECT_EQ(w.View().linkUp, 1);

    // Linked: ticks and arrivals leave everything alone.
    const int searches = w.Backend().enumerations;
    w.controller->Poll();
    w.controller->OnDeviceChange(kArrival);
    EXPECT_EQ(w.Backend().enumerations, searches);
    EXPECT_EQ(w.states, (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "VelarinV1.0");
}

TEST(Connection, RemovalOfAnyWatchedDeviceSearchesAgainAndMarksTheTitle) {
    HostWindow w;
    w.Connect();
    // An unrelated stick pulled out: the host is still there.
    w.controller->OnDeviceChange(kRemoval);
    EXPECT_EQ(w.states, std::vector<int>{0});
    EXPECT_EQ(w.View().linkUp, 0);
    EXPECT_TRUE(w.View().PollTimer().isActive());
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
    w.controller->Poll();
    EXPECT_EQ(w.states, (std::vector<int>{0, 1}));
    // Reconnection does not give the old title back.
    EXPECT_EQ(w.frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "连接");
}

TEST(Connection, UnpluggingTheEmulatedHostReachesTheWindowAsARemoval) {
    HostWindow w;
    w.Connect();
    w.Host().Unplug();
    HostWindow::Settle();
    EXPECT_EQ(w.states, std::vector<int>{0});
    w.controller->Poll();
    EXPECT_EQ(w.states, (std::vector<int>{0, 0}));
    w.Host().Plug();
    HostWindow::Settle();
    w.controller->Poll();
    EXPECT_EQ(w.states, (std::vector<int>{0, 0, 1}));
}

TEST(Connection, FindingTheSecondModelSwitchesTheFormAndDropsUnappliedInput) {
    HostWindow w(1);
    ASSERT_TRUE(w.W(1047)->isVisible());
    w.Type(1012, "500.25");  // typed, never applied
    w.controller->Poll();
    EXPECT_EQ(w.View().model, 1);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(w.W(1066))->isChecked());
    EXPECT_TRUE(w.W(1059)->isVisible());
    EXPECT_FALSE(w.W(1047)->isVisible());
    EXPECT_EQ(w.Text(1012), "433.5");
}

TEST(Connection, ThePollKeepsOffTheLinkWhileAnExchangeHoldsIt) {
    HostWindow w;
    const int searches = w.Backend().enumerations;
    {
        HidLink::ExchangeGuard exchange(w.Link());
        w.controller->Poll();
    }
    EXPECT_EQ(w.Backend().enumerations, searches);
    EXPECT_TRUE(w.states.empty());
    EXPECT_EQ(w.View().linkUp, 0);
}

// The operation's waits pump events; the poll timer runs there in virtual
// time, a second after it was started and each second after that. `script`
// sees the time first.
void TickInVirtualTime(HostWindow& w, std::function<void(int64_t now)> script) {
    auto next = std::make_shared<int64_t>(-1);
    w.Link().pump = [&w, pump = w.Link().pump, script = std::move(script), next] {
        const int64_t now = w.clock.NowMs();
        script(now);
        if (!w.View().PollTimer().isActive()) {
            *next = -1;
        } else if (*next < 0) {
            *next = now + 1000;
        } else if (now >= *next) {
            *next += 1000;
            w.controller->Poll();
        }
        return pump();
    };
}

TEST(Connection, ARemovalDuringADownloadIsAnsweredByTheLinkTheDownloadHolds) {
    const ScratchFolder folder;
    WriteFile(folder.File("a.wav"), Bytes(54 * 400, 'a'));  // 5 s pause, then 4 s of packets
    HostWindow w;
    w.Connect();
    const int searches = w.Backend().enumerations;
    const int opens = w.Backend().opens;
    int64_t removedAt = -1;
    int64_t litAt = -1;
    TickInVirtualTime(w, [&](int64_t now) {
        if (removedAt < 0 && w.Host().received.size() >= 200) {
            removedAt = now;
            w.controller->OnDeviceChange(kRemoval);  // a USB stick
        }
        if (removedAt >= 0 && litAt < 0 && w.frame.ConnectionLampLit()) litAt = now;
    });
    w.dialogs.folderAnswers.push_back(folder.path);
    w.Click(1050);
    EXPECT_EQ(w.Boxes(), Strings{"下载成功！"});
    EXPECT_EQ(w.states, (std::vector<int>{0, 1}));
    ASSERT_GE(removedAt, 0);
    EXPECT_GE(litAt - removedAt, 1000);
    EXPECT_LT(litAt - removedAt, 1100);
    EXPECT_EQ(w.View().linkUp, 1);
    EXPECT_FALSE(w.View().PollTimer().isActive());
    // The tick took the download's word for it and left the handles alone.
    EXPECT_EQ(w.Backend().enumerations, searches);
    EXPECT_EQ(w.Backend().opens, opens);
}

TEST(Connection, AHostLostAfterTheExchangeVouchedForItIsSearchedForAgain) {
    HostWindow w;
    w.Connect();
    w.Host().formatDelayMs = 20000;
    const int64_t start = w.clock.NowMs();
    bool pulled = false;
    TickInVirtualTime(w, [&](int64_t now) {
        // The host pulled out: the system tells at once, the waiting read
        // finds out only later.
        if (!pulled && now >= start + 500) {
            pulled = true;
            w.controller->OnDeviceChange(kRemoval);
        }
        if (now >= start + 3000 && w.Host().present()) {
            const auto announce = w.Host().onPlug;
            w.Host().onPlug = nullptr;
            w.Host().Unplug();
            w.Host().onPlug = announce;
        }
    });
    w.Click(1051);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "格式化WAV音频区域失败！");
    EXPECT_EQ(w.states, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(w.frame.ConnectionText().toStdString(), "未连接");
    EXPECT_TRUE(w.View().PollTimer().isActive());
    w.controller->Poll();
    EXPECT_EQ(w.states, (std::vector<int>{0, 1, 0, 0}));
}

TEST(Connection, AHostThatCannotBeOpenedIsReportedOncePerPlugging) {
    HostWindow w;
    w.Backend().openFailure = true;
    for (int i = 0; i < 5; ++i) w.controller->Poll();
    EXPECT_EQ(w.Boxes(), Strings{"无法打开通信端口"});
    EXPECT_EQ(w.states, (std::vector<int>{0, 0, 0, 0, 0}));

    // Plugged again: worth telling once more.
    w.controller->OnDeviceChange(kArrival);
    w.controller->Poll();
    w.controller->Poll();
    EXPECT_EQ(w.Boxes(), (Strings{"无法打开通信端口", "无法打开通信端口"}));

    // An operation the operator started always says why it cannot reach the host.
    w.dialogs.boxes.clear();
    w.Click(1007);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().front(), "无法打开通信端口");
    EXPECT_EQ(w.Boxes().back(), "初始化设备失败！");

    // Rights granted: found at the next tick, without a box.
    w.Backend().openFailure = false;
    w.dialogs.boxes.clear();
    w.controller->Poll();
    EXPECT_TRUE(w.Boxes().empty());
    EXPECT_EQ(w.View().linkUp, 1);
}

TEST(Connection, DiscoveryBoxesNeverStack) {
    HostWindow w;
    w.Backend().attributesFailure = true;
    // Ticks arriving while the box is open, as a modal box lets them.
    int nested = 0;
    w.dialogs.progressVisibleProbe = [&] {
        if (nested++ < 3) w.controller->Poll();
        return false;
    };
    w.controller->Poll();
    EXPECT_EQ(w.Boxes(), Strings{"查询设备状态时出错!"});
}

}  // namespace
}  // namespace korvane::test
