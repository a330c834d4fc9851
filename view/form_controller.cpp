#include "view/form_controller.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <QSocketNotifier>
#include <cstdio>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "dialogs/progress_dlg.h"
#include "emulator/host_emulator.h"
#include "hotplug/udev_monitor.h"
#include "operations/param_ops.h"
#include "operations/system_ops.h"
#include "operations/voice_ops.h"
#include "protocol/sound_image.h"
#include "view/korvane_view.h"

namespace ids = korvane::ids;
namespace ops = korvane::ops;
namespace texts = korvane::texts;

namespace {

// The host and the staging files speak the Chinese ANSI code page; what the
// operator typed goes out in it when it can, else as typed.
std::string ToHostText(const QString& text) {
    const std::string utf8 = text.toStdString();
    return korvane::Utf8ToGbk(utf8).value_or(utf8);
}

// A read-back index the list does not have leaves it without a selection.
void SelectOrNone(QWidget* control, int index) {
    auto* list = qobject_cast<QComboBox*>(control);
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

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
    session->protocol().onVersionText = [this](const std::string& text) { ShowVersion(text); };
    connect(view.progress, &CProgressDlg::cancelRequest, this,
            [this](int lParam) { session->protocol().OnCancelRequest(lParam); });
    connect(&view, &CKorvaneView::pollTick, this, &FormController::Poll);
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
    session->protocol().onVersionText = nullptr;
}

bool FormController::WatchSystemDevices() {
    monitor = korvane::UdevMonitor::Create();
    if (!monitor) return false;
    notifier = new QSocketNotifier(monitor->fd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &FormController::ReadSystemEvents);
    return true;
}

void FormController::ReadSystemEvents() {
    for (const korvane::DeviceEvent& e : monitor->ReadEvents()) {
        OnDeviceChange(e.kind == korvane::DeviceEvent::Kind::Arrival ? ids::kDeviceArrival
                                                                     : ids::kDeviceRemoveComplete);
    }
}

void FormController::OnDeviceChange(int event) {
    emit deviceChange(event);
    if (event == ids::kDeviceArrival) {
        qDebug().noquote() << QString::fromUtf8(texts::kDeviceArrivalTrace);
        session->link().ForgetFailedOpen();
    } else if (event == ids::kDeviceRemoveComplete) {
        // Whatever was removed: the poll looks for the host again.
        emit connectionState(0);
        view.linkUp = 0;
        view.PollTimer().start();
    }
}

void FormController::Poll() {
    if (view.linkUp == 1) return;
    korvane::HidLink& link = session->link();
    // A tick pumped inside an exchange must not reopen or close the handles
    // that exchange is using, nor one pumped inside a discovery box start a
    // second search.
    if (link.busy() || polling) return;
    polling = true;
    const int found = link.FindDevice(korvane::HidLink::Search::Poll);
    polling = false;
    if (found == 1) {
        view.PollTimer().stop();
        view.linkUp = 1;
        emit connectionState(1);
    } else {
        view.linkUp = 0;
        link.CloseDevice();
        link.connected = 0;
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

void FormController::ShowVersion(const std::string& bytes) {
    auto* edit = qobject_cast<QLineEdit*>(view.Control(ids::kEditVersion));
    if (edit) edit->setText(QString::fromStdString(korvane::GbkToUtf8(bytes)));
}

void FormController::BindButtons() {
    auto bind = [this](int id, CKorvaneView::Handler run) { view.SetHandler(id, std::move(run)); };
    korvane::OperationContext& ctx = session->context();
    bind(ids::kBtnInit, [&ctx] { ops::InitDevice(ctx); });
    bind(ids::kBtnSetFrequency, [this, &ctx] {
        if (!view.UpdateData(true)) return;
        ops::SetFrequency(ctx, view.frequency);
    });
    bind(ids::kBtnReadFrequency, [this] { ReadFrequency(); });
    bind(ids::kBtnUpgrade, [&ctx] { ops::UpgradeFirmware(ctx); });
    bind(ids::kBtnReadVersion, [&ctx] { ops::ReadVersion(ctx); });
    bind(ids::kBtnDownloadVoice, [&ctx] { ops::DownloadVoice(ctx, ops::SoundArea::Custom); });
    bind(ids::kBtnFormatVoice, [&ctx] { ops::FormatVoiceArea(ctx, ops::SoundArea::Custom); });
    // The fixed area asks for the authorization first, each time.
    bind(ids::kBtnDownloadFixedVoice, [&ctx] { ops::DownloadVoice(ctx, ops::SoundArea::Fixed); });
    bind(ids::kBtnFormatFixedVoice, [&ctx] { ops::FormatVoiceArea(ctx, ops::SoundArea::Fixed); });
    bind(ids::kBtnSetBasic, [this] { SetBasicParams(); });
    bind(ids::kBtnReadBasic, [this] { ReadBasicParams(); });
    bind(ids::kBtnSetAddressCodes, [this] { SetAddressCodes(); });
    bind(ids::kBtnReadAddressCodes, [this] { ReadAddressCodes(); });
}

void FormController::ReadFrequency() {
    // A value that fails validation is reported and the read goes on.
    view.UpdateData(true);
    const std::optional<float> mhz = ops::ReadFrequency(session->context());
    if (!mhz) return;
    view.frequency = *mhz;
    view.UpdateData(false);
}

void FormController::SetBasicParams() {
    if (!view.UpdateData(true)) return;
    korvane::BasicParamValues values;
    values.alarmTimeText =
        ToHostText(qobject_cast<QComboBox*>(view.Control(ids::kComboAlarmTime))->currentText());
    values.volumeIndex = qobject_cast<QComboBox*>(view.Control(ids::kComboVolume))->currentIndex();
    values.channelIndex =
        qobject_cast<QComboBox*>(view.Control(ids::kComboChannel))->currentIndex();
    values.password = ToHostText(view.password);
    // The alarm time is kept even when it is refused, as it was read.
    view.alarmTime = korvane::AlarmTimeFromText(values.alarmTimeText);
    ops::SetBasicParams(session->context(), values);
}

void FormController::ReadBasicParams() {
    const std::optional<ops::BasicReadResult> result = ops::ReadBasicParams(session->context());
    if (!result || result->empty) return;
    const korvane::BasicReadBack& v = result->values;
    if (v.alarmTime) {
        view.alarmTime = *v.alarmTime;
        auto* box = qobject_cast<QComboBox*>(view.Control(ids::kComboAlarmTime));
        box->setCurrentText(view.alarmTime == 0 ? QString::fromUtf8(texts::kAlarmForever)
                                                : QString::number(view.alarmTime));
    }
    if (v.volumeIndex) SelectOrNone(view.Control(ids::kComboVolume), *v.volumeIndex);
    if (v.channelIndex) SelectOrNone(view.Control(ids::kComboChannel), *v.channelIndex);
    if (v.password) view.password = QString::fromStdString(korvane::GbkToUtf8(*v.password));
    view.UpdateData(false);
}

void FormController::SetAddressCodes() {
    auto text = [this](int id) {
        return ToHostText(qobject_cast<QLineEdit*>(view.Control(id))->text());
    };
    auto checked = [this](int id) {
        return qobject_cast<QCheckBox*>(view.Control(id))->isChecked();
    };
    auto index = [this](int id) {
        return qobject_cast<QComboBox*>(view.Control(id))->currentIndex();
    };
    korvane::AddressCodeValues values;
    values.volumeInEffect = checked(ids::kCheckSpeakerVolume);
    values.volume = text(ids::kEditSpeakerVolume);
    for (int g = 0; g < 3; ++g) {
        korvane::AddressGroupValues& group = values.groups[g];
        group.inEffect = checked(ids::kCheckGroup[g]);
        group.address = text(ids::kEditAddress[g]);
        group.colorIndex = index(ids::kComboColor[g]);
        group.effectIndex = index(ids::kComboEffect[g]);
        group.lampDuration = text(ids::kEditLampDuration[g]);
        group.soundEffect = text(ids::kEditSoundEffect[g]);
        group.soundDuration = text(ids::kEditSoundDuration[g]);
    }
    values.alarmOffInEffect = checked(ids::kCheckAlarmOff);
    values.alarmOffAddress = text(ids::kEditAlarmOff);
    ops::SetAddressCodes(session->context(), values);
}

void FormController::ReadAddressCodes() {
    const auto items = ops::ReadAddressCodes(session->context());
    if (!items) return;
    auto check = [this](int id, bool on) {
        qobject_cast<QCheckBox*>(view.Control(id))->setChecked(on);
    };
    auto setText = [this](int id, const QString& t) {
        qobject_cast<QLineEdit*>(view.Control(id))->setText(t);
    };
    check(ids::kCheckSpeakerVolume, false);
    for (int id : ids::kCheckGroup) check(id, false);
    check(ids::kCheckAlarmOff, false);

    for (const korvane::AddressReadItem& item : *items) {
        const QString itemText = QString::fromStdString(korvane::GbkToUtf8(item.text));
        switch (item.kind) {
            case korvane::AddressReadItem::Kind::Volume:
                check(ids::kCheckSpeakerVolume, true);
                setText(ids::kEditSpeakerVolume, itemText);
                break;
            case korvane::AddressReadItem::Kind::Group: {
                const int g = item.group;
                if (g < 0 || g > 2) break;
                check(ids::kCheckGroup[g], true);
                setText(ids::kEditAddress[g], itemText);
                SelectOrNone(view.Control(ids::kComboColor[g]), item.colorIndex);
                SelectOrNone(view.Control(ids::kComboEffect[g]), item.effectIndex);
                setText(ids::kEditLampDuration[g], QString::number(item.lampDuration));
                setText(ids::kEditSoundEffect[g], QString::number(item.soundEffect));
                setText(ids::kEditSoundDuration[g], QString::number(item.soundDuration));
                break;
            }
            case korvane::AddressReadItem::Kind::AlarmOff:
                check(ids::kCheckAlarmOff, true);
                setText(ids::kEditAlarmOff, itemText);
                break;
            case korvane::AddressReadItem::Kind::SoundCount: {
                char line[64];
                std::snprintf(line, sizeof line, texts::kAlarmSoundCount, item.soundCount);
                korvane::ShowAppBox(op, line);
                break;
            }
        }
    }
}
