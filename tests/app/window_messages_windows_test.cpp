// What Windows sends to the program's real top-level windows: the question
// whether the session may end, and device broadcasts (the windows platform;
// an X display under wine).
#include <gtest/gtest.h>
#include <windows.h>

#include <QGuiApplication>
#include <QStatusBar>
#include <QWidget>

#include "app/korvane_app.h"
#include "app/main_frame.h"
#include "app/session_end.h"
#include "common/transfer_system.h"
#include "view/form_controller.h"

namespace {

bool OnTheWindowsPlatform() { return QGuiApplication::platformName() == QLatin1String("windows"); }

LRESULT AskToEnd(QWidget& w) {
    return SendMessageW(reinterpret_cast<HWND>(w.winId()), WM_QUERYENDSESSION, 0, 0);
}

// Qt answers yes by itself; while a transfer runs the answer must be no,
// with the reason set for as long and withdrawn after.
TEST(SessionEnd, TheSessionMayNotEndWhileATransferRuns) {
    if (!OnTheWindowsPlatform()) GTEST_SKIP() << "needs the windows platform";
    QWidget window;
    window.show();
    SessionEndGuard guard(window);
    std::vector<bool> reasons;
    guard.setReason = [&](bool blocked) { reasons.push_back(blocked); };
    EXPECT_NE(AskToEnd(window), 0);
    {
        const korvane::StayAwake transfer;
        EXPECT_EQ(AskToEnd(window), 0);
    }
    EXPECT_NE(AskToEnd(window), 0);
    EXPECT_EQ(reasons, (std::vector<bool>{true, false}));
}

TEST(SessionEnd, TheMainWindowHoldsTheSessionThroughATransfer) {
    if (!OnTheWindowsPlatform()) GTEST_SKIP() << "needs the windows platform";
    StartOptions options;
    options.emulateModel = korvane::LampModel::Rt220;
    CKorvaneApp app;
    ASSERT_TRUE(app.InitInstance(options));
    const korvane::StayAwake transfer;
    EXPECT_EQ(AskToEnd(*app.Frame()), 0);
}

// The system's word that it goes to sleep reaches top-level windows only:
// the frame hears it for the transfer that runs, and the status bar takes
// the controller's word after the operation.
TEST(SessionEnd, TheFrameHearsTheSystemGoToSleepAndTheStatusBarSaysSo) {
    if (!OnTheWindowsPlatform()) GTEST_SKIP() << "needs the windows platform";
    StartOptions options;
    options.emulateModel = korvane::LampModel::Rt220;
    CKorvaneApp app;
    ASSERT_TRUE(app.InitInstance(options));
    const HWND hwnd = reinterpret_cast<HWND>(app.Frame()->winId());
    for (const WPARAM event : {WPARAM{PBT_APMRESUMEAUTOMATIC}, WPARAM{PBT_APMSUSPEND}}) {
        const korvane::StayAwake transfer;
        SendMessageW(hwnd, WM_POWERBROADCAST, event, 0);
        EXPECT_EQ(transfer.Slept(), event == PBT_APMSUSPEND) << event;
    }
    const char* said = "传输期间电脑进入了睡眠，请重新操作！";
    emit app.Controller()->sleptDuringTransfer(QString::fromUtf8(said));
    EXPECT_EQ(app.Frame()->statusBar()->currentMessage().toStdString(), said);
}

// Volumes and ports are broadcast to every top-level window; wine sends none
// of these for the devices it mocks, so here they are sent by hand.
TEST(DeviceBroadcasts, TheFramesTitleFollowsTheBroadcastsToItsOwnWindow) {
    if (!OnTheWindowsPlatform()) GTEST_SKIP() << "needs the windows platform";
    StartOptions options;
    options.emulateModel = korvane::LampModel::Rt220;
    CKorvaneApp app;
    ASSERT_TRUE(app.InitInstance(options));
    CMainFrame& frame = *app.Frame();
    const HWND hwnd = reinterpret_cast<HWND>(frame.winId());
    for (WPARAM code : {WPARAM{0x8000}, WPARAM{0x0007}})
        SendMessageW(hwnd, WM_DEVICECHANGE, code, 0);
    EXPECT_EQ(frame.windowTitle().toStdString(), "VelarinV1.0");
    SendMessageW(hwnd, WM_DEVICECHANGE, 0x8004, 0);
    EXPECT_EQ(frame.windowTitle().toStdString(), "KV_SystemDlg----------[未连接设备]");
}

}  // namespace
