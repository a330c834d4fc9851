#include "app/korvane_app.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QStatusBar>

#include "app/frame_broadcasts.h"
#include "app/main_frame.h"
#include "app/session_end.h"
#include "common/texts.h"
#include "dialogs/dialog_provider.h"
#include "dialogs/qt_translations.h"
#include "emulator/host_emulator.h"
#include "record/record_log.h"
#include "trace/trace_writer.h"
#include "view/form_controller.h"
#include "view/korvane_view.h"

namespace {
const char* kRecentGroup = "Recent File List";
}

void CKorvaneApp::SetSettingsNames() {
    QCoreApplication::setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));
}

void RecentFileList::Load() {
    QSettings s;
    s.beginGroup(QLatin1String(kRecentGroup));
    entries.clear();
    for (int i = 1; i <= kSize; ++i) {
        const QString v = s.value(QStringLiteral("File%1").arg(i)).toString();
        if (!v.isEmpty()) entries << v;
    }
}

void RecentFileList::Save() const {
    QSettings s;
    s.beginGroup(QLatin1String(kRecentGroup));
    for (int i = 1; i <= kSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (i <= entries.size())
            s.setValue(key, entries[i - 1]);
        else
            s.remove(key);
    }
}

void RecentFileList::Add(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    entries.removeAll(full);
    entries.prepend(full);
    while (entries.size() > kSize) entries.removeLast();
}

CKorvaneApp::CKorvaneApp() = default;
CKorvaneApp::~CKorvaneApp() {
    if (frame) recent.Save();
    broadcasts.reset();
    sessionEnd.reset();
    controller.reset();
}

bool CKorvaneApp::InitInstance(const StartOptions& startOptions) {
    options = startOptions;
    if (QCoreApplication* app = QCoreApplication::instance()) InstallQtTranslations(*app);
    SetSettingsNames();
    recent.Load();
    doc.OnNewDocument();
    frame =
        std::make_unique<CMainFrame>(doc, recent, QString::fromStdString(EmulationNote(options)));
    korvane::SessionOptions session;
    if (options.emulateModel) session.emulate = {*options.emulateModel};
    session.record = korvane::record::RecordPath(options.record);
    session.trace = korvane::trace::TracePath(options.trace);
    controller = std::make_unique<FormController>(*frame->View(), clock, session);
    // Sent, not posted: the lamp changes before the poll goes on.
    QObject::connect(controller.get(), &FormController::connectionState, frame.get(),
                     &CMainFrame::OnConnectionState, Qt::DirectConnection);
    QObject::connect(controller.get(), &FormController::deviceChange, frame.get(),
                     &CMainFrame::OnDeviceChange, Qt::DirectConnection);
    QObject::connect(controller.get(), &FormController::recordUnwritable, frame.get(),
                     [bar = frame->statusBar()](const QString& text) { bar->showMessage(text); });
    QObject::connect(controller.get(), &FormController::sleptDuringTransfer, frame.get(),
                     [bar = frame->statusBar()](const QString& text) { bar->showMessage(text); });
    sessionEnd = std::make_unique<SessionEndGuard>(*frame);
    broadcasts = std::make_unique<FrameBroadcasts>(*frame);
    const bool watching = controller->WatchSystemDevices();
    if (korvane::HostEmulator* host = controller->Emulator()) {
        frame->AddEmulatorMenu([host](bool plugged) {
            if (plugged)
                host->Plug();
            else
                host->Unplug();
        });
    }
    if (options.documentPath.empty())
        frame->InitialUpdateView();
    else
        frame->OpenDocumentFile(QString::fromStdString(options.documentPath));
    frame->show();
    frame->repaint();
    // Without device notifications the poll still finds the host, but a
    // removal goes unnoticed until the next exchange: say so.
    if (!watching) {
        frame->View()->Dialogs().ShowBox(korvane::texts::kCannotRegister, korvane::texts::kAppTitle,
                                         korvane::BoxIcon::Exclamation);
    }
    return true;
}
