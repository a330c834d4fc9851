#include "app/screenshots.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/korvane_app.h"
#include "app/main_frame.h"
#include "common/resource_ids.h"
#include "dialogs/confirm_dlg.h"
#include "dialogs/progress_dlg.h"
#include "view/korvane_view.h"

namespace {

// Lets the window run for a while, as an operator watching it would.
void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Grab(const QString& dir, const QString& name) {
    QApplication::processEvents();
    Wait(300);
    QScreen* screen = QGuiApplication::primaryScreen();
    screen->grabWindow(0).save(QDir(dir).filePath(name));
}

}  // namespace

void RunScreenshots(CKorvaneApp& app, const QString& dir) {
    QDir().mkpath(dir);
    CMainFrame* frame = app.Frame();
    frame->move(0, 0);
    CKorvaneView* view = frame->View();
    // The first tick of the connection poll comes a second after the start.
    Wait(1300);
    view->findChild<QPushButton*>(QString::number(korvane::ids::kBtnReadVersion))->click();
    Grab(dir, QStringLiteral("main-rt220.png"));
    view->findChild<QPushButton*>(QString::number(korvane::ids::kRadioRt221))->click();
    Grab(dir, QStringLiteral("main-rt221.png"));
    view->findChild<QPushButton*>(QString::number(korvane::ids::kRadioRt220))->click();

    view->progress->Open();
    view->progress->SetRange(40);
    view->progress->SetPosition(17);
    view->progress->SetItemText(korvane::ids::kProgressDoing,
                                QStringLiteral("下载WAV音频报警音,共有40包数据,当前第17包数据"));
    view->progress->SetItemText(korvane::ids::kProgressOutcome, QStringLiteral("正在发送......."));
    Grab(dir, QStringLiteral("progress.png"));
    // The cancel button as the pointer finds it.
    QWidget* cancel =
        view->progress->findChild<QWidget*>(QString::number(korvane::ids::kCancelButton));
    QCursor::setPos(cancel->mapToGlobal(cancel->rect().center()));
    Wait(100);
    Grab(dir, QStringLiteral("progress-hover.png"));
    view->progress->Close();

    CAboutDlg about(QString::fromStdString(EmulationNote(app.Options())), frame);
    about.show();
    about.move(frame->geometry().center() - about.rect().center());
    Grab(dir, QStringLiteral("about.png"));
    about.close();

    CConfirmDlg confirm(frame);
    confirm.show();
    confirm.move(frame->geometry().center() - confirm.rect().center());
    Grab(dir, QStringLiteral("confirm.png"));
    confirm.close();

    // The folder chooser of a sound download, in the language Qt was given.
    QFileDialog chooser(frame);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.show();
    chooser.move(frame->geometry().center() - chooser.rect().center());
    Grab(dir, QStringLiteral("folder-chooser.png"));
    chooser.close();

    // Unplugged from the emulator's menu where there is one.
    if (auto* unplug = frame->findChild<QAction*>(QStringLiteral("emulatorUnplug")))
        unplug->trigger();
    else
        frame->OnDeviceChange(korvane::ids::kDeviceRemoveComplete);
    Grab(dir, QStringLiteral("main-removed.png"));
}
