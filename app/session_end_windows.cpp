// Windows asks every top-level window whether the session may end
// (WM_QUERYENDSESSION, sent); Qt would answer it itself after asking its
// session manager, so the question is taken first, by a native event filter.
// The same filter hears the system go to sleep (WM_POWERBROADCAST, which
// only top-level windows get), for a transfer that fails after it.
#include <windows.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWidget>

#include "app/session_end.h"
#include "common/texts.h"
#include "common/transfer_system.h"
#include "common/utf16_windows.h"

struct SessionEndGuard::Filter : QAbstractNativeEventFilter {
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override {
        if (type != "windows_generic_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_POWERBROADCAST && msg->wParam == PBT_APMSUSPEND)
            korvane::StayAwake::NoteSuspend();
        if (msg->message != WM_QUERYENDSESSION || !korvane::StayAwake::Held()) return false;
        *result = FALSE;
        return true;
    }
};

SessionEndGuard::SessionEndGuard(QWidget& window) : filter_(std::make_unique<Filter>()) {
    QWidget* w = &window;
    setReason = [w](bool blocked) {
        const HWND hwnd = reinterpret_cast<HWND>(w->winId());
        if (blocked) {
            const std::wstring reason = korvane::win::WidenText(korvane::texts::kTransferRunning);
            ShutdownBlockReasonCreate(hwnd, reason.c_str());
        } else {
            ShutdownBlockReasonDestroy(hwnd);
        }
    };
    korvane::StayAwake::SetWatcher([this](bool held) {
        if (setReason) setReason(held);
    });
    QCoreApplication::instance()->installNativeEventFilter(filter_.get());
}

SessionEndGuard::~SessionEndGuard() {
    korvane::StayAwake::SetWatcher(nullptr);
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(filter_.get());
}
