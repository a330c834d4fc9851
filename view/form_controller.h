#pragma once
// Ties the form to the host: the operations behind its buttons, the
// once-a-second connection poll, and device arrival and removal.
#include <QObject>
#include <QString>
#include <memory>

#include "common/clock.h"
#include "session/host_session.h"
#include "view/qt_operator.h"

class CKorvaneView;

namespace korvane {
class DeviceWatcher;
}

class FormController : public QObject {
    Q_OBJECT
  public:
    // clock: every wait of the operations (a virtual one in tests).
    FormController(CKorvaneView& form, korvane::Clock& clock,
                   const korvane::SessionOptions& options, QObject* parent = nullptr);
    ~FormController() override;

    korvane::HostSession& Session() { return *session; }
    // The emulated host, or nullptr on real hardware.
    korvane::HostEmulator* Emulator() { return session->emulator(); }

    // Listens to the system's device arrivals and removals. false when no
    // monitor could be made; the poll then still finds the host.
    bool WatchSystemDevices();

  signals:
    // 1 = host connected, 0 = not connected; delivered before the sender goes on.
    void connectionState(int state);
    // ids::kDeviceArrival or ids::kDeviceRemoveComplete, as the frame receives it.
    void deviceChange(int event);
    // The provisioning record, or the trace, cannot be written: what the
    // status bar says, once each.
    void recordUnwritable(const QString& text);
    // An operation ended whose transfer failed after the system had gone to
    // sleep in the middle of it: what the status bar says, after the
    // operation's own boxes.
    void sleptDuringTransfer(const QString& text);

  public slots:
    // Looks for the host while none is linked; a tick that comes while a
    // search or an exchange runs leaves the link as it is.
    void Poll();
    // A device of any watched kind arrived or was removed.
    void OnDeviceChange(int event);

  private:
    void BindButtons();
    void OnHostFound(korvane::LampModel model);
    void OnOperationFinished();

    // The handlers of the form's buttons.
    bool OnInitDevice();
    bool OnSetFrequency();
    bool OnReadFrequency();
    bool OnUpgradeFirmware();
    bool OnReadVersion();
    bool OnDownloadVoice();
    bool OnFormatVoiceArea();
    bool OnDownloadFixedVoice();
    bool OnFormatFixedVoiceArea();
    bool OnSetBasicParams();
    bool OnReadBasicParams();
    bool OnSetAddressCodes();
    bool OnReadAddressCodes();
    bool Download(korvane::ops::SoundArea area);
    bool Format(korvane::ops::SoundArea area);

    CKorvaneView& view;
    QtOperator op;
    std::unique_ptr<korvane::HostSession> session;
    std::unique_ptr<korvane::DeviceWatcher> watcher;
    bool polling = false;
    // Linked on the word of the running exchange rather than by a search.
    bool linkedByExchange = false;
};
