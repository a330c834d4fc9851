#include "view/form_controller.h"

#include <QApplication>
#include <QDebug>
#include <cstdio>
#include <utility>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "dialogs/progress_dlg.h"
#include "emulator/host_emulator.h"
#include "hotplug/device_watcher.h"
#include "operations/param_ops.h"
#include "operations/system_ops.h"
#include "operations/voice_ops.h"
#include "protocol/form_values.h"
#include "protocol/sound_image.h"
#include "view/korvane_view.h"

namespace ids = korvane::ids;
namespace ops = korvane::ops;
namespace texts = korvane::texts;

FormController::FormController(CKorvaneView& form, korvane::Clock& clock,
                               const korvane::SessionOptions& options, QObject* parent)
    : QObject(parent),
      view(form),
      op(form),
      session(std::make_unique<korvane::HostSession>(clock, op, options)) {
    korvane::HidLink& link = session->link();
    // Waits for reports keep the window alive; the operation that waits runs
    // to its end even when the window is asked to close meanwhile.
    link.pump = [] {
        QApplication::processEvents(QEventLoop::AllEvents);
        return true;
    };
    link.onHostFound = [this](korvane::LampModel model) { OnHostFound(model); };
    session->onVersionText = [this](const std::string& text) {
        view.ShowVersion(QString::fromStdString(korvane::GbkToUtf8(text)));
    };
    session->onRecordUnwritable = [this](const std::string& path, const std::string&) {
        emit recordUnwritable(QString::fromUtf8(texts::kRecordUnwritable) +
                              QString::fromStdString(path));
    };
    session->onTraceUnwritable = [this](const std::string& path, const std::string&) {
        emit recordUnwritable(QString::fromUtf8(texts::kTraceUnwritable) +
                              QString::fromStdString(path));
    };
    connect(view.progress, &CProgressDlg::cancelRequest, this,
            [this](int lParam) { session->protocol().OnCancelRequest(lParam); });
    connect(&view, &CKorvaneView::pollTick, this, &FormController::Poll);
    connect(&view, &CKorvaneView::operationFinished, this, &FormController::OnOperationFinished);
    if (korvane::HostEmulator* host = session->emulator()) {
        host->onPlug = [this](bool arrived) {
            // As the system announces it, after the current event.
            const int event = arrived ? ids::kDeviceArrival : ids::kDeviceRemoveComplete;
            QMetaObject::invokeMethod(
                this, [this, event] { OnDeviceChange(event); }, Qt::QueuedConnection);
        };
    }
    BindButtons();
}

FormController::~FormController() {
    if (korvane::HostEmulator* host = session->emulator()) host->onPlug = nullptr;
    korvane::HidLink& link = session->link();
    link.pump = nullptr;
    link.onHostFound = nullptr;
    session->onVersionText = nullptr;
    session->onRecordUnwritable = nullptr;
}

bool FormController::WatchSystemDevices() {
    watcher = korvane::DeviceWatcher::Create(op);
    if (!watcher) return false;
    connect(watcher.get(), &korvane::DeviceWatcher::deviceChange, this,
            &FormController::OnDeviceChange);
    return true;
}

void FormController::OnDeviceChange(int event) {
    emit deviceChange(event);
    if (event == ids::kDeviceArrival) {
        qDebug().noquote() << QString::fromUtf8(texts::kDeviceArrivalTrace);
        session->link().ForgetFailedOpen();
    } else if (event == ids::kDeviceRemoveComplete) {
        // Whatever was removed: the poll looks for the host again.
        emit connectionState(0);
        view.OnHostUnlinked(true);
    }
}

void FormController::Poll() {
    if (view.linkUp == 1) return;
    korvane::HidLink& link = session->link();
    // A tick pumped inside a discovery box must not start a second search.
    if (polling) return;
    if (link.busy()) {
        // Nor may one pumped inside an exchange reopen or close the handles
        // the exchange is using. While they are open the host answers it,
        // whatever else was removed meanwhile: that is the tick's answer, or
        // a ten-minute download would show the host as gone throughout.
        if (link.connected == 1 && link.backend().IsOpen()) {
            linkedByExchange = true;
            view.OnHostLinked();
            emit connectionState(1);
        }
        return;
    }
    polling = true;
    const int found = link.FindDevice(korvane::HidLink::Search::Poll);
    polling = false;
    if (found == 1) {
        view.OnHostLinked();
        emit connectionState(1);
    } else {
        view.OnHostUnlinked(false);
        link.Disconnect();
        emit connectionState(0);
    }
}

void FormController::OnOperationFinished() {
    if (session->protocol().TakeSleepNotice())
        emit sleptDuringTransfer(QString::fromUtf8(texts::kSleptDuringTransfer));
    // An exchange that lost the host it vouched for leaves the poll to look
    // again; a host lost without such a word stays shown as linked.
    const bool vouchedForLost = linkedByExchange && session->link().connected != 1;
    linkedByExchange = false;
    if (vouchedForLost && view.linkUp == 1) {
        view.OnHostUnlinked(true);
        emit connectionState(0);
    }
}

void FormController::OnHostFound(korvane::LampModel model) {
    // The stored values win over what was typed but not applied.
    view.model = korvane::ModelIndex(model);
    view.UpdateData(false);
    view.UpdateData(true);
    view.ApplyModel(view.model == 0);
}

void FormController::BindButtons() {
    // Each button runs one operation, named in the trace as korvane-cli names it.
    struct Button {
        int id;
        const char* name;
        bool (FormController::*handler)();
    };
    const Button buttons[] = {
        {ids::kBtnInit, "init", &FormController::OnInitDevice},
        {ids::kBtnSetFrequency, "frequency set", &FormController::OnSetFrequency},
        {ids::kBtnReadFrequency, "frequency get", &FormController::OnReadFrequency},
        {ids::kBtnUpgrade, "upgrade", &FormController::OnUpgradeFirmware},
        {ids::kBtnReadVersion, "version", &FormController::OnReadVersion},
        {ids::kBtnDownloadVoice, "voice download custom", &FormController::OnDownloadVoice},
        {ids::kBtnFormatVoice, "voice format custom", &FormController::OnFormatVoiceArea},
        {ids::kBtnDownloadFixedVoice, "voice download fixed",
         &FormController::OnDownloadFixedVoice},
        {ids::kBtnFormatFixedVoice, "voice format fixed", &FormController::OnFormatFixedVoiceArea},
        {ids::kBtnSetBasic, "basic set", &FormController::OnSetBasicParams},
        {ids::kBtnReadBasic, "basic get", &FormController::OnReadBasicParams},
        {ids::kBtnSetAddressCodes, "address set", &FormController::OnSetAddressCodes},
        {ids::kBtnReadAddressCodes, "address get", &FormController::OnReadAddressCodes},
    };
    for (const Button& b : buttons) {
        view.SetHandler(b.id, [this, b] {
            session->RunOperation(b.name, [this, &b] { return (this->*b.handler)(); });
        });
    }
}

bool FormController::OnInitDevice() {
    return session->RunRecorded([this] { return ops::InitDevice(session->context()); });
}

bool FormController::OnSetFrequency() {
    if (!view.UpdateData(true)) return false;
    const float mhz = view.frequency;
    return session->RunRecorded([this, mhz] { return ops::SetFrequency(session->context(), mhz); });
}

bool FormController::OnUpgradeFirmware() {
    return session->RunRecorded([this] { return ops::UpgradeFirmware(session->context()); });
}

bool FormController::OnReadVersion() { return ops::ReadVersion(session->context()).has_value(); }

bool FormController::OnDownloadVoice() { return Download(ops::SoundArea::Custom); }

bool FormController::OnFormatVoiceArea() { return Format(ops::SoundArea::Custom); }

// The fixed area asks for the authorization first, each time.
bool FormController::OnDownloadFixedVoice() { return Download(ops::SoundArea::Fixed); }

bool FormController::OnFormatFixedVoiceArea() { return Format(ops::SoundArea::Fixed); }

bool FormController::Download(ops::SoundArea area) {
    return session->RunRecorded(
        [this, area] { return ops::DownloadVoice(session->context(), area); });
}

bool FormController::Format(ops::SoundArea area) {
    return session->RunRecorded(
        [this, area] { return ops::FormatVoiceArea(session->context(), area); });
}

bool FormController::OnReadFrequency() {
    // A value that fails validation is reported and the read goes on.
    view.UpdateData(true);
    const std::optional<float> mhz = ops::ReadFrequency(session->context());
    if (mhz) view.frequency = *mhz;
    // After a failed read the controls show again what was read before it.
    view.UpdateData(false);
    return mhz.has_value();
}

bool FormController::OnSetBasicParams() {
    if (!view.UpdateData(true)) return false;
    const korvane::BasicParamValues values = view.BasicParams();
    // The alarm time is kept even when it is refused, as it was read.
    view.alarmTime = korvane::AlarmTimeFromText(values.alarmTimeText);
    return session->RunRecorded([&] { return ops::SetBasicParams(session->context(), values); });
}

bool FormController::OnReadBasicParams() {
    const std::optional<ops::BasicReadResult> result = ops::ReadBasicParams(session->context());
    if (!result) return false;
    if (result->empty) return true;
    korvane::BasicParamValues values = view.BasicParams();
    korvane::ApplyReadBack(values, result->values);
    view.ShowBasicParams(values);
    view.UpdateData(false);
    return true;
}

bool FormController::OnSetAddressCodes() {
    const korvane::AddressCodeValues values = view.AddressCodes();
    return session->RunRecorded([&] { return ops::SetAddressCodes(session->context(), values); });
}

bool FormController::OnReadAddressCodes() {
    const auto items = ops::ReadAddressCodes(session->context());
    if (!items) return false;
    korvane::AddressCodeValues values = view.AddressCodes();
    korvane::ClearInEffect(values);
    view.ShowAddressCodes(values);
    for (const korvane::AddressReadItem& item : *items) {
        if (item.kind != korvane::AddressReadItem::Kind::SoundCount) {
            korvane::ApplyReadBackItem(values, item);
            continue;
        }
        // The count is told the moment it is met, over the records before it.
        view.ShowAddressCodes(values);
        char line[64];
        std::snprintf(line, sizeof line, texts::kAlarmSoundCount, item.soundCount);
        korvane::ShowAppBox(op, line);
    }
    view.ShowAddressCodes(values);
    return true;
}
