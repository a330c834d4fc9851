#include "view/korvane_view.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "controls/dialog_units.h"
#include "dialogs/dialog_provider.h"
#include "dialogs/progress_dlg.h"
#include "protocol/form_values.h"
#include "protocol/frequency.h"
#include "res/pictures.h"
#include "view/form_layout.h"

namespace ids = korvane::ids;
namespace texts = korvane::texts;

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
QString Id(int id) { return QString::number(id); }

}  // namespace

CKorvaneView::CKorvaneView(QWidget* parent)
    : QWidget(parent), realDialogs(std::make_unique<QtDialogProvider>()) {
    setObjectName(Id(ids::kFormDialog));
    dialogs = realDialogs.get();
    progress = new CProgressDlg(this);
    pollTimer.setObjectName(Id(ids::kConnectionPollTimer));
    pollTimer.setInterval(kConnectionPollMs);
    connect(&pollTimer, &QTimer::timeout, this, &CKorvaneView::pollTick);
    setFont(TemplateFont(QStringLiteral("SimSun"), 9));
    korvane::form::BuildFormLayout(*this);
    ConnectButtons();
    background = korvane::res::LoadBackground();
}

CKorvaneView::~CKorvaneView() = default;

void CKorvaneView::ConnectButtons() {
    for (int id : {ids::kRadioRt220, ids::kRadioRt221})
        connect(Button(id), &QAbstractButton::clicked, this, &CKorvaneView::OnModelChanged);
}

QLineEdit* CKorvaneView::Edit(int id) const { return static_cast<QLineEdit*>(Control(id)); }
QComboBox* CKorvaneView::List(int id) const { return static_cast<QComboBox*>(Control(id)); }
QAbstractButton* CKorvaneView::Button(int id) const {
    return static_cast<QAbstractButton*>(Control(id));
}

namespace {

// A read-back index the list does not have leaves it without a selection.
void SelectOrNone(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

korvane::BasicParamValues CKorvaneView::BasicParams() const {
    korvane::BasicParamValues v;
    v.alarmTimeText = List(ids::kComboAlarmTime)->currentText().toStdString();
    v.volumeIndex = List(ids::kComboVolume)->currentIndex();
    v.channelIndex = List(ids::kComboChannel)->currentIndex();
    v.password = password.toStdString();
    return v;
}

void CKorvaneView::ShowBasicParams(const korvane::BasicParamValues& v) {
    List(ids::kComboAlarmTime)->setCurrentText(QString::fromStdString(v.alarmTimeText));
    SelectOrNone(List(ids::kComboVolume), v.volumeIndex);
    SelectOrNone(List(ids::kComboChannel), v.channelIndex);
    password = QString::fromStdString(v.password);
    alarmTime = korvane::AlarmTimeFromText(v.alarmTimeText);
}

korvane::AddressCodeValues CKorvaneView::AddressCodes() const {
    auto text = [this](int id) { return Edit(id)->text().toStdString(); };
    auto checked = [this](int id) { return Button(id)->isChecked(); };
    korvane::AddressCodeValues v;
    v.volumeInEffect = checked(ids::kCheckSpeakerVolume);
    v.volume = text(ids::kEditSpeakerVolume);
    for (int g = 0; g < 3; ++g) {
        korvane::AddressGroupValues& group = v.groups[g];
        group.inEffect = checked(ids::kCheckGroup[g]);
        group.address = text(ids::kEditAddress[g]);
        group.colorIndex = List(ids::kComboColor[g])->currentIndex();
        group.effectIndex = List(ids::kComboEffect[g])->currentIndex();
        group.lampDuration = text(ids::kEditLampDuration[g]);
        group.soundEffect = text(ids::kEditSoundEffect[g]);
        group.soundDuration = text(ids::kEditSoundDuration[g]);
    }
    v.alarmOffInEffect = checked(ids::kCheckAlarmOff);
    v.alarmOffAddress = text(ids::kEditAlarmOff);
    return v;
}

void CKorvaneView::ShowAddressCodes(const korvane::AddressCodeValues& v) {
    auto setText = [this](int id, const std::string& t) {
        Edit(id)->setText(QString::fromStdString(t));
    };
    Button(ids::kCheckSpeakerVolume)->setChecked(v.volumeInEffect);
    setText(ids::kEditSpeakerVolume, v.volume);
    for (int g = 0; g < 3; ++g) {
        const korvane::AddressGroupValues& group = v.groups[g];
        Button(ids::kCheckGroup[g])->setChecked(group.inEffect);
        setText(ids::kEditAddress[g], group.address);
        SelectOrNone(List(ids::kComboColor[g]), group.colorIndex);
        SelectOrNone(List(ids::kComboEffect[g]), group.effectIndex);
        setText(ids::kEditLampDuration[g], group.lampDuration);
        setText(ids::kEditSoundEffect[g], group.soundEffect);
        setText(ids::kEditSoundDuration[g], group.soundDuration);
    }
    Button(ids::kCheckAlarmOff)->setChecked(v.alarmOffInEffect);
    setText(ids::kEditAlarmOff, v.alarmOffAddress);
}

void CKorvaneView::ShowVersion(const QString& text) { Edit(ids::kEditVersion)->setText(text); }

void CKorvaneView::OnHostLinked() {
    pollTimer.stop();
    linkUp = 1;
}

void CKorvaneView::OnHostUnlinked(bool restartPoll) {
    linkUp = 0;
    if (restartPoll) pollTimer.start();
}

QWidget* CKorvaneView::Control(int id) const {
    return findChild<QWidget*>(Id(id), Qt::FindDirectChildrenOnly);
}

DialogProvider& CKorvaneView::Dialogs() { return *dialogs; }

void CKorvaneView::SetDialogProvider(DialogProvider* provider) {
    dialogs = provider ? provider : realDialogs.get();
}

void CKorvaneView::SetDialogOwner(QWidget* owner) { realDialogs->SetOwner(owner); }

void CKorvaneView::ShowValidationBox(const char* text, QWidget* control) {
    dialogs->ShowBox(text, texts::kAppTitle, korvane::BoxIcon::Exclamation);
    control->setFocus(Qt::OtherFocusReason);
    if (auto* e = qobject_cast<QLineEdit*>(control)) e->selectAll();
}

bool CKorvaneView::UpdateData(bool saveAndValidate) {
    QLineEdit* passwordEdit = Edit(ids::kEditPassword);
    QLineEdit* frequencyEdit = Edit(ids::kEditFrequency);
    QAbstractButton* rt220 = Button(ids::kRadioRt220);
    QAbstractButton* rt221 = Button(ids::kRadioRt221);
    if (!saveAndValidate) {
        passwordEdit->setText(password);
        frequencyEdit->setText(QString::fromStdString(korvane::FormatMhz(frequency)));
        if (model == 1)
            rt221->setChecked(true);
        else if (model == 0)
            rt220->setChecked(true);
        return true;
    }
    password = passwordEdit->text();
    const std::optional<float> mhz = korvane::ParseMhzText(frequencyEdit->text().toStdString());
    if (!mhz) {
        ShowValidationBox(texts::kEnterNumber, frequencyEdit);
        return false;
    }
    if (!korvane::FrequencyInRange(*mhz)) {
        ShowValidationBox(texts::kFrequencyBounds, frequencyEdit);
        return false;
    }
    frequency = *mhz;
    model = rt221->isChecked() ? 1 : rt220->isChecked() ? 0 : -1;
    return true;
}

void CKorvaneView::OnInitialUpdate() {
    UpdateData(false);
    background = korvane::res::LoadBackground();
    update();
    pollTimer.start();

    // Emptied first, so a repeated update does not pile up a second hundred entries.
    QComboBox* alarm = List(ids::kComboAlarmTime);
    alarm->clear();
    alarm->addItem(U(texts::kAlarmForever));
    for (int i = 1; i <= 99; ++i) alarm->addItem(QString::number(i));
    alarm->setCurrentIndex(10);

    List(ids::kComboVolume)->setCurrentIndex(0);
    List(ids::kComboChannel)->setCurrentIndex(0);
    Edit(ids::kEditPassword)->setMaxLength(4);
    ResetAddressCodeFields();
    ApplyModel(model == 0);
}

void CKorvaneView::ResetAddressCodeFields() {
    for (int id : ids::kEditAddress) Edit(id)->setMaxLength(korvane::kAddressLength);
    Edit(ids::kEditAlarmOff)->setMaxLength(korvane::kAddressLength);
    // The check boxes keep their state: only the values return to their defaults.
    korvane::AddressCodeValues defaults = korvane::DefaultAddressCodes();
    const korvane::AddressCodeValues now = AddressCodes();
    defaults.volumeInEffect = now.volumeInEffect;
    for (int g = 0; g < 3; ++g) defaults.groups[g].inEffect = now.groups[g].inEffect;
    defaults.alarmOffInEffect = now.alarmOffInEffect;
    ShowAddressCodes(defaults);
}

void CKorvaneView::ApplyModel(bool showBasic) {
    for (int id : korvane::form::BasicControls()) Control(id)->setVisible(showBasic);
    for (int id : korvane::form::AddressControls()) Control(id)->setVisible(!showBasic);
}

void CKorvaneView::OnModelChanged() {
    // A failed exchange leaves `model` as it was, so the old model's controls stay.
    UpdateData(true);
    ApplyModel(model == 0);
}

void CKorvaneView::SetHandler(int buttonId, Handler handler) {
    disconnect(handlerBindings[buttonId]);
    handlerBindings[buttonId] = connect(Button(buttonId), &QAbstractButton::clicked, this,
                                        [this, run = std::move(handler)] { RunHandler(run); });
}

void CKorvaneView::RunHandler(const Handler& handler) {
    // Operations pump events while they wait, so a second click can arrive
    // in the middle of one; the report buffers serve one exchange at a time.
    if (busy || !handler) return;
    busy = true;
    handler();
    busy = false;
    emit operationFinished();
}

void CKorvaneView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), background);
}

void CKorvaneView::keyPressEvent(QKeyEvent* event) {
    // Enter on the form is the OK command of a form, which does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
