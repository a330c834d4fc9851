#pragma once
// The one form of the program: every control the operator uses, the values
// bound to them, and the progress dialog the operations share.
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "protocol/form_values.h"

class CProgressDlg;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class DialogProvider;
class QtDialogProvider;

// The connection poll looks for the host once a second.
inline constexpr int kConnectionPollMs = 1000;

class CKorvaneView : public QWidget {
    Q_OBJECT
  public:
    explicit CKorvaneView(QWidget* parent = nullptr);
    ~CKorvaneView() override;

    // Values bound to controls by UpdateData.
    QString password = QString::fromUtf8(korvane::kDefaultPassword);  // ids::kEditPassword
    float frequency = korvane::kDefaultFrequencyMhz;                  // ids::kEditFrequency, MHz
    // 0 = RT-220 (ids::kRadioRt220), 1 = RT-221 (ids::kRadioRt221)
    int model = 0;
    int alarmTime = 0;  // speaker alarm time, as last sent or read back

    // 1 once the connection poll has found the host; OnHostLinked and
    // OnHostUnlinked keep it.
    int linkUp = 0;

    CProgressDlg* progress;

    // true: controls to values, with validation; stops at the first control
    // that fails, tells the operator and focuses it. false: values to controls.
    bool UpdateData(bool saveAndValidate);
    void OnInitialUpdate();
    void ApplyModel(bool showBasic);
    void ResetAddressCodeFields();

    // The RT-220 parameters as the operator set them (texts in UTF-8), and
    // back onto the controls; UpdateData(false) then shows the password.
    korvane::BasicParamValues BasicParams() const;
    void ShowBasicParams(const korvane::BasicParamValues& values);
    // The RT-221 parameters, check boxes included, and back onto the controls.
    korvane::AddressCodeValues AddressCodes() const;
    void ShowAddressCodes(const korvane::AddressCodeValues& values);
    void ShowVersion(const QString& text);

    // The poll found the host: it stops. Lost, or any device removed: the poll
    // looks again (restartPoll), or goes on looking.
    void OnHostLinked();
    void OnHostUnlinked(bool restartPoll);

    DialogProvider& Dialogs();
    // Not owned; nullptr goes back to the real dialogs.
    void SetDialogProvider(DialogProvider* provider);
    // The window the real dialogs are modal to.
    void SetDialogOwner(QWidget* owner);

    // Binds a button to the operation behind it (its On... handler), in
    // place of any bound before; whoever owns the link binds them. A click
    // that arrives while an operation runs is ignored.
    using Handler = std::function<void()>;
    void SetHandler(int buttonId, Handler handler);
    bool IsBusy() const { return busy; }

    QWidget* Control(int id) const;
    const QImage& Background() const { return background; }
    QTimer& PollTimer() { return pollTimer; }

  signals:
    // Every second after the initial update: the connection poll's turn.
    void pollTick();
    // A button's operation has returned.
    void operationFinished();

  public slots:
    void OnModelChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void ConnectButtons();
    QLineEdit* Edit(int id) const;
    QComboBox* List(int id) const;
    QAbstractButton* Button(int id) const;
    void ShowValidationBox(const char* text, QWidget* control);
    void RunHandler(const Handler& handler);

    QImage background;
    QTimer pollTimer;
    std::unique_ptr<QtDialogProvider> realDialogs;
    DialogProvider* dialogs = nullptr;
    std::map<int, QMetaObject::Connection> handlerBindings;
    bool busy = false;
};
