#pragma once
// The small modeless window every device operation shows while it talks to
// the host. It keeps no transfer state: it shows what the operation writes
// into it and tells the view when the operator asks to cancel.
#include <QDialog>

class QLabel;
class QProgressBar;
class CFlatButton;

class CProgressDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CProgressDlg(QWidget* owner = nullptr);

    // Shows the window over its owner's client area, as a fresh window:
    // empty texts, position 0 and the pause caption "暂停".
    void Open();  // NOLINT(bugprone-virtual-near-miss): creates the window, unlike QDialog::open
    // Hides the window; the next Open starts afresh.
    void Close();
    bool IsOpen() const { return isVisible(); }

    void SetRange(int upper);
    void SetPosition(int pos);
    int Position() const;
    // controlId ids::kProgressDoing (what is being done) or
    // ids::kProgressOutcome; repaints at once, because the caller may block
    // right afterwards. Other IDs are ignored.
    void SetItemText(int controlId, const QString& text);
    QString ItemText(int controlId) const;

    CFlatButton* CancelButton() const { return cancelButton; }

  signals:
    // lParam is always 1: the operator asked to cancel.
    void cancelRequest(int lParam);
    // 0 = now shows "继续", 1 = shows "暂停" again. Nothing pauses on it.
    void pauseRequest(int lParam);

  public slots:
    void OnCancelTransfer();
    void OnPauseResume();

  protected:
    // Esc and the close command mean cancel; the window stays open,
    // because closing it is the operation's business.
    void reject() override;
    // Enter is the dialog's OK command: the pause toggle.
    void accept() override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void Reset();

    QProgressBar* progressBar;
    QLabel* doing;
    QLabel* outcome;
    CFlatButton* pauseButton;
    CFlatButton* cancelButton;
    int upper_ = 100;
    bool closingFromCode = false;
};
