#pragma once
// The main window: title, menu, the empty toolbar strip, the status bar with
// the connection lamp, and the form inside.
#include <QDialog>
#include <QMainWindow>
#include <QString>
#include <functional>

class QLabel;
class QScrollArea;
class CKorvaneDoc;
class CKorvaneView;
class RecentFileList;

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    // secondLine: below "Korvane 1.0 版".
    explicit CAboutDlg(const QString& secondLine, QWidget* parent = nullptr);
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // note: shown with the idle text and in the About box (e.g. the emulated host).
    CMainFrame(CKorvaneDoc& doc, RecentFileList& recent, const QString& note = {},
               QWidget* parent = nullptr);

    CKorvaneView* View() const { return view; }
    QString ConnectionText() const;
    // true while the lit (connected) lamp is shown.
    bool ConnectionLampLit() const { return lampLit; }

    // Runs the form's initial update and fits the frame to the form; after
    // the first time, only a frame larger than the form changes.
    void InitialUpdateView();
    // Emulate mode only: a menu to plug and unplug the emulated host.
    void AddEmulatorMenu(const std::function<void(bool plugged)>& plug);
    // A close asked for while an operation runs waits for its end.
    bool ClosePending() const { return closePending; }
    // No menu of the bars on a right click.
    QMenu* createPopupMenu() override;

  public slots:
    // 1 = connected, 0 = not connected; anything else leaves the pane alone.
    int OnConnectionState(int wParam);
    // Device-change broadcast: an arrival is traced, a removal marks the
    // title; other events change nothing.
    void OnDeviceChange(int event);
    void OnFileNew();
    void OnFileOpen();
    // Opens the given path as the document, without reading it.
    void OpenDocumentFile(const QString& path);
    // The document has nothing to write, and an existing file must never be
    // replaced by an empty one: saving writes nothing.
    void OnFileSave();
    void OnAppAbout();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenu();
    void BuildStatusBar();
    void UpdateLockKeys();
    // What pane 0 shows when no command prompt is up.
    QString PaneZeroText() const;

    static constexpr int kLockKeysPollMs = 200;

    CKorvaneDoc& doc;
    RecentFileList& recent;
    QString note;
    QString idleText;
    CKorvaneView* view;
    QScrollArea* scroll;
    QLabel* lampIcon;
    QLabel* lampText;
    QLabel* lockPanes[3] = {};
    bool lampLit = false;
    bool closePending = false;
    bool fitted = false;  // the frame has been fitted to the form once
};
