#include <windows.h>
// dbt.h needs the types of windows.h first.
#include <dbt.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include "app/frame_broadcasts.h"
#include "app/main_frame.h"

struct FrameBroadcasts::Filter : QAbstractNativeEventFilter {
    explicit Filter(CMainFrame& f) : frame(f) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "windows_generic_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        // The frame's window as it is now: Qt may have made it anew.
        if (msg->message != WM_DEVICECHANGE || frame.internalWinId() == 0 ||
            msg->hwnd != reinterpret_cast<HWND>(frame.internalWinId()))
            return false;
        if (msg->wParam == DBT_DEVICEARRIVAL || msg->wParam == DBT_DEVICEREMOVECOMPLETE)
            frame.OnDeviceChange(static_cast<int>(msg->wParam));
        // The window's own procedure still answers the message.
        return false;
    }
    CMainFrame& frame;
};

FrameBroadcasts::FrameBroadcasts(CMainFrame& frame) : filter_(std::make_unique<Filter>(frame)) {
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

FrameBroadcasts::~FrameBroadcasts() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(filter_.get());
}
