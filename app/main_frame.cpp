#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <iterator>

#include "app/korvane_app.h"
#include "app/lock_keys.h"
#include "common/resource_ids.h"
#include "common/texts.h"
#include "controls/dialog_units.h"
#include "dialogs/dialog_provider.h"
#include "res/pictures.h"
#include "view/korvane_view.h"

namespace ids = korvane::ids;
namespace texts = korvane::texts;

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// A scroll area that asks for exactly the room its form needs, so the frame
// can shrink to fit the form; a larger frame stretches the form's background.
class FormArea : public QScrollArea {
  public:
    using QScrollArea::QScrollArea;
    QSize sizeHint() const override {
        const QSize inner = widget() ? widget()->minimumSize() : QSize();
        const int f = 2 * frameWidth();
        return inner + QSize(f, f);
    }
};

}  // namespace

CAboutDlg::CAboutDlg(const QString& secondLine, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(ids::kAboutDialog));
    setWindowTitle(U(texts::kAboutCaption));
    setFont(TemplateFont(QStringLiteral("SimSun"), 9));
    const DialogUnits du(font());
    setFixedSize(du.Size(235, 55));
    auto* icon = new QLabel(this);
    icon->setPixmap(korvane::res::AppIcon().pixmap(32, 32));
    icon->setGeometry(du.X(11), du.Y(17), 32, 32);
    icon->setAccessibleName(U(texts::kAppTitle));
    auto* version = new QLabel(U(texts::kAboutVersion), this);
    version->setGeometry(du.Rect(40, 10, 119, 8).adjusted(0, 0, 0, 4));
    auto* second = new QLabel(secondLine.isEmpty() ? U(texts::kAboutLine2) : secondLine, this);
    second->setObjectName(QStringLiteral("secondLine"));
    second->setGeometry(du.Rect(40, 25, 119, 8).adjusted(0, 0, 0, 4));
    auto* ok = new QPushButton(U(texts::kOk), this);
    ok->setObjectName(QString::number(ids::kIdOk));
    ok->setGeometry(du.Rect(178, 7, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

CMainFrame::CMainFrame(CKorvaneDoc& document, RecentFileList& recentFiles, const QString& noteText,
                       QWidget* parent)
    : QMainWindow(parent), doc(document), recent(recentFiles), note(noteText) {
    setWindowTitle(U(texts::kFrameTitle));
    setWindowIcon(korvane::res::AppIcon());

    view = new CKorvaneView;
    view->SetDialogOwner(this);
    scroll = new FormArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(view);
    setCentralWidget(scroll);

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QString::number(ids::kToolBar));
    toolbar->setMovable(true);
    toolbar->setFloatable(true);
    toolbar->setAllowedAreas(Qt::AllToolBarAreas);
    // A strip of the height a row of buttons would have, with its gripper.
    toolbar->setMinimumHeight(26);
    addToolBar(Qt::TopToolBarArea, toolbar);

    BuildMenu();
    BuildStatusBar();
    // The report buffers, the progress dialog and the staging files belong
    // to the running operation until it returns.
    connect(view, &CKorvaneView::operationFinished, this, [this] {
        if (closePending) close();
    });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (view->IsBusy()) {
        // A transfer runs for up to ten minutes: a close box that seems dead
        // meanwhile would be pressed again, or the PC switched off.
        closePending = true;
        statusBar()->showMessage(PaneZeroText());
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

QMenu* CMainFrame::createPopupMenu() {
    // The toolbar has no title, so the framework's menu would be one blank
    // item that hides it; the View menu is where the bars are shown and hidden.
    return nullptr;
}

QString CMainFrame::PaneZeroText() const {
    return closePending ? U(texts::kTransferRunning) : idleText;
}

void CMainFrame::AddEmulatorMenu(const std::function<void(bool plugged)>& plug) {
    QMenu* menu = new QMenu(U(texts::kEmulatorMenu), this);
    QAction* unplug = menu->addAction(U(texts::kUnplugHostItem));
    QAction* replug = menu->addAction(U(texts::kPlugHostItem));
    unplug->setObjectName(QStringLiteral("emulatorUnplug"));
    replug->setObjectName(QStringLiteral("emulatorPlug"));
    unplug->setStatusTip(U(texts::kUnplugHostPrompt));
    replug->setStatusTip(U(texts::kPlugHostPrompt));
    replug->setEnabled(false);
    connect(unplug, &QAction::triggered, this, [plug, unplug, replug] {
        unplug->setEnabled(false);
        replug->setEnabled(true);
        plug(false);
    });
    connect(replug, &QAction::triggered, this, [plug, unplug, replug] {
        replug->setEnabled(false);
        unplug->setEnabled(true);
        plug(true);
    });
    // Before Help, as a menu of the program's own.
    const QList<QAction*> menus = menuBar()->actions();
    menuBar()->insertMenu(menus.isEmpty() ? nullptr : menus.last(), menu);
}

void CMainFrame::BuildMenu() {
    auto command = [&](QMenu* menu, int id, const char* text, const char* prompt) {
        QAction* a = menu->addAction(U(text));
        a->setObjectName(QString::number(id));
        a->setStatusTip(U(prompt));
        return a;
    };
    QMenu* file = menuBar()->addMenu(U(texts::kFileMenu));
    connect(command(file, ids::kCmdExit, texts::kExitItem, texts::kExitPrompt), &QAction::triggered,
            this, &QWidget::close);

    // The edit commands have no handler: shown disabled, and no window-wide
    // shortcut takes Ctrl+C and the rest away from the edits.
    QMenu* edit = menuBar()->addMenu(U(texts::kEditMenu));
    command(edit, ids::kCmdUndo, texts::kUndoItem, texts::kUndoPrompt)->setEnabled(false);
    edit->addSeparator();
    command(edit, ids::kCmdCut, texts::kCutItem, texts::kCutPrompt)->setEnabled(false);
    command(edit, ids::kCmdCopy, texts::kCopyItem, texts::kCopyPrompt)->setEnabled(false);
    command(edit, ids::kCmdPaste, texts::kPasteItem, texts::kPastePrompt)->setEnabled(false);

    QMenu* viewMenu = menuBar()->addMenu(U(texts::kViewMenu));
    QAction* showToolbar =
        command(viewMenu, ids::kToolBar, texts::kToolBarItem, texts::kToolBarPrompt);
    QAction* showStatus =
        command(viewMenu, ids::kStatusBar, texts::kStatusBarItem, texts::kStatusBarPrompt);
    auto* toolbar = findChild<QToolBar*>(QString::number(ids::kToolBar));
    showToolbar->setCheckable(true);
    showToolbar->setChecked(true);
    connect(showToolbar, &QAction::toggled, toolbar, &QWidget::setVisible);
    connect(toolbar, &QToolBar::visibilityChanged, showToolbar, &QAction::setChecked);
    showStatus->setCheckable(true);
    showStatus->setChecked(true);
    connect(showStatus, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    QMenu* help = menuBar()->addMenu(U(texts::kHelpMenu));
    connect(command(help, ids::kCmdAbout, texts::kAboutItem, texts::kAboutPrompt),
            &QAction::triggered, this, &CMainFrame::OnAppAbout);

    // Accelerators without a menu item.
    auto accelerator = [&](int id, const QKeySequence& keys, void (CMainFrame::*slot)()) {
        auto* a = new QAction(this);
        a->setObjectName(QString::number(id));
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, slot);
    };
    accelerator(ids::kCmdNew, QKeySequence(Qt::CTRL | Qt::Key_N), &CMainFrame::OnFileNew);
    accelerator(ids::kCmdOpen, QKeySequence(Qt::CTRL | Qt::Key_O), &CMainFrame::OnFileOpen);
    accelerator(ids::kCmdSave, QKeySequence(Qt::CTRL | Qt::Key_S), &CMainFrame::OnFileSave);
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(ids::kStatusBar));
    idleText = U(texts::kReady);
    if (!note.isEmpty()) idleText += QStringLiteral("    ") + note;
    bar->showMessage(idleText);
    // Pane 0 returns to the idle text (or to why a close waits) whenever a
    // command prompt goes away.
    connect(bar, &QStatusBar::messageChanged, this, [this](const QString& m) {
        if (m.isEmpty()) statusBar()->showMessage(PaneZeroText());
    });

    auto* pane = new QFrame(bar);
    pane->setObjectName(QString::number(ids::kConnectionPane));
    pane->setFrameShape(QFrame::Panel);
    pane->setFrameShadow(QFrame::Sunken);
    pane->setFixedWidth(70);
    auto* layout = new QHBoxLayout(pane);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(2);
    lampIcon = new QLabel(pane);
    lampIcon->setObjectName(QStringLiteral("lamp"));
    lampIcon->setFixedSize(16, 16);
    lampIcon->setScaledContents(true);
    lampText = new QLabel(pane);
    layout->addWidget(lampIcon);
    layout->addWidget(lampText, 1);
    bar->addPermanentWidget(pane);
    lampIcon->setPixmap(korvane::res::LampIcon(false));
    lampText->setText(U(texts::kDisconnected));
    pane->setAccessibleName(lampText->text());

    // The lock-key panes keep their place; they name the key while it is on,
    // where the system tells that, and stay blank elsewhere.
    const std::pair<int, const char*> locks[] = {{ids::kCapsPane, texts::kCapsLockPane},
                                                 {ids::kNumPane, texts::kNumLockPane},
                                                 {ids::kScrollPane, texts::kScrollLockPane}};
    for (size_t i = 0; i < std::size(locks); ++i) {
        const auto& [id, text] = locks[i];
        auto* l = new QLabel(bar);
        l->setObjectName(QString::number(id));
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setFixedWidth(l->fontMetrics().horizontalAdvance(QLatin1String(text)) + 8);
        l->setAccessibleName(QLatin1String(text));
        bar->addPermanentWidget(l);
        lockPanes[i] = l;
    }
    if (korvane::LockKeysReadable()) {
        // A key pressed while another program has the focus changes the
        // state too: polled, not taken from this window's key events.
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &CMainFrame::UpdateLockKeys);
        timer->start(kLockKeysPollMs);
        UpdateLockKeys();
    }
}

void CMainFrame::UpdateLockKeys() {
    const korvane::LockKeys keys = korvane::ReadLockKeys();
    const bool on[] = {keys.caps, keys.num, keys.scroll};
    const char* names[] = {texts::kCapsLockPane, texts::kNumLockPane, texts::kScrollLockPane};
    for (size_t i = 0; i < std::size(on); ++i) {
        const QString text = on[i] ? QLatin1String(names[i]) : QString();
        if (lockPanes[i]->text() != text) lockPanes[i]->setText(text);
    }
}

QString CMainFrame::ConnectionText() const { return lampText->text(); }

int CMainFrame::OnConnectionState(int wParam) {
    if (wParam != 0 && wParam != 1) return 0;
    lampLit = wParam == 1;
    lampIcon->setPixmap(korvane::res::LampIcon(lampLit));
    lampText->setText(U(lampLit ? texts::kConnected : texts::kDisconnected));
    lampText->parentWidget()->setAccessibleName(lampText->text());
    lampText->parentWidget()->repaint();
    return 0;
}

void CMainFrame::OnDeviceChange(int event) {
    if (event == ids::kDeviceArrival) {
        qDebug().noquote() << U(texts::kDeviceArrivalTrace);
    } else if (event == ids::kDeviceRemoveComplete) {
        // Stays until the program ends; reconnection only changes the lamp.
        setWindowTitle(U(texts::kRemovedTitle));
    }
}

void CMainFrame::InitialUpdateView() {
    view->OnInitialUpdate();
    // Fit the frame to the form; adjustSize would stop at two thirds of the
    // screen. A screen too small for the form gets scroll bars instead.
    QSize size = sizeHint();
    if (const QScreen* screen = this->screen()) size = size.boundedTo(screen->availableSize());
    // The first fit replaces a size nobody chose. Later ones (New, Open)
    // only shrink: a frame the operator made smaller keeps its size.
    if (fitted) size = size.boundedTo(this->size());
    fitted = true;
    resize(size);
}

void CMainFrame::OnFileNew() {
    doc.OnNewDocument();
    InitialUpdateView();
}

void CMainFrame::OnFileOpen() {
    const std::optional<std::string> path = view->Dialogs().ChooseFile(std::string());
    if (!path || path->empty()) return;
    OpenDocumentFile(QString::fromStdString(*path));
}

void CMainFrame::OpenDocumentFile(const QString& path) {
    doc.OnOpenDocument(path);
    recent.Add(path);
    recent.Save();
    InitialUpdateView();
}

void CMainFrame::OnFileSave() {}

void CMainFrame::OnAppAbout() {
    CAboutDlg dlg(note, this);
    dlg.exec();
}
