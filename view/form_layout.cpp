#include "view/form_layout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <algorithm>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "controls/dialog_units.h"
#include "protocol/form_values.h"

namespace korvane::form {

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }
QString Id(int id) { return QString::number(id); }

const QColor kLabelBlue(0, 0, 255);
const QColor kLineRed(255, 0, 0);

QStringList Entries(const std::vector<std::string>& entries) {
    QStringList list;
    for (const std::string& e : entries) list << QString::fromStdString(e);
    return list;
}

// Takes only the keys that keep an edit's text one its value would accept.
class JudgedValidator : public QValidator {
  public:
    JudgedValidator(bool (*accepts)(const std::string&), QObject* parent)
        : QValidator(parent), accepts_(accepts) {}
    State validate(QString& input, int&) const override {
        return accepts_(input.toStdString()) ? Acceptable : Invalid;
    }

  private:
    bool (*accepts_)(const std::string&);
};

// Where the three address-code groups stand, and how wide they are.
const int kGroupX[3] = {203, 310, 417};
const int kGroupW[3] = {108, 108, 104};

// Places the template's controls on the form, section by section, in the
// order the sections are called: a later control stacks above an earlier
// one, and the focus moves through them in that order.
class FormBuilder {
  public:
    explicit FormBuilder(QWidget& form) : form_(form), du_(form.font()) {
        bluePal_ = form.palette();
        bluePal_.setColor(QPalette::WindowText, kLabelBlue);
        redPal_ = form.palette();
        redPal_.setColor(QPalette::WindowText, kLineRed);
    }

    const DialogUnits& Units() const { return du_; }

    void GroupBoxes();
    void SystemOperations();
    void ModelButtons();
    void BasicParameters();
    void AddressCodes();
    void FrameLines();

  private:
    QWidget* Place(QWidget* w, int id, int x, int y, int wd, int ht);
    QPushButton* Button(int id, const char* text, int x, int y, int w, int h);
    QLabel* Label(int id, const QString& text, int x, int y);
    QLineEdit* Edit(int id, int x, int y, int w, int h, QLabel* buddy);
    QComboBox* Combo(int id, bool editable, const QStringList& items, int x, int y, int w,
                     QLabel* buddy);
    QGroupBox* Group(int id, const char* title, int x, int y, int w, int h);
    QCheckBox* Check(int id, int x, int y, const QString& accessibleName);
    QFrame* Line(int id, bool horizontal, int x, int y, int length);

    QWidget& form_;
    const DialogUnits du_;
    QPalette bluePal_;
    QPalette redPal_;
};

QWidget* FormBuilder::Place(QWidget* w, int id, int x, int y, int wd, int ht) {
    if (id) w->setObjectName(Id(id));
    w->setGeometry(du_.Rect(x, y, wd, ht));
    return w;
}

QPushButton* FormBuilder::Button(int id, const char* text, int x, int y, int w, int h) {
    auto* b = new QPushButton(U(text), &form_);
    b->setAutoDefault(false);
    Place(b, id, x, y, w, h);
    return b;
}

QLabel* FormBuilder::Label(int id, const QString& text, int x, int y) {
    auto* l = new QLabel(text, &form_);
    l->setPalette(bluePal_);
    if (id) l->setObjectName(Id(id));
    l->move(du_.X(x), du_.Y(y));
    l->resize(l->sizeHint().width(), std::max(l->sizeHint().height(), du_.Y(8)));
    return l;
}

QLineEdit* FormBuilder::Edit(int id, int x, int y, int w, int h, QLabel* buddy) {
    auto* e = new QLineEdit(&form_);
    Place(e, id, x, y, w, h);
    if (buddy) buddy->setBuddy(e);
    return e;
}

QComboBox* FormBuilder::Combo(int id, bool editable, const QStringList& items, int x, int y, int w,
                              QLabel* buddy) {
    auto* c = new QComboBox(&form_);
    c->setEditable(editable);
    // Enter in the typed text must not grow the list.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setObjectName(Id(id));
    const QRect r = du_.Rect(x, y, w, 12);
    c->setGeometry(r.x(), r.y(), r.width(), std::max(r.height(), c->sizeHint().height()));
    if (buddy) {
        buddy->setBuddy(c);
        c->setAccessibleName(buddy->text());
    }
    return c;
}

QGroupBox* FormBuilder::Group(int id, const char* title, int x, int y, int w, int h) {
    auto* g = new QGroupBox(U(title), &form_);
    g->setPalette(bluePal_);
    g->setFlat(false);
    Place(g, id, x, y, w, h);
    return g;
}

QCheckBox* FormBuilder::Check(int id, int x, int y, const QString& accessibleName) {
    auto* c = new QCheckBox(U(texts::kEffectiveLabel), &form_);
    c->setPalette(bluePal_);
    Place(c, id, x, y, 30, 10);
    c->setAccessibleName(accessibleName);
    return c;
}

QFrame* FormBuilder::Line(int id, bool horizontal, int x, int y, int length) {
    auto* f = new QFrame(&form_);
    f->setFrameShape(horizontal ? QFrame::HLine : QFrame::VLine);
    f->setFrameShadow(QFrame::Sunken);
    f->setObjectName(Id(id));
    if (horizontal)
        f->setGeometry(du_.X(x), du_.Y(y), du_.X(length), 2);
    else
        f->setGeometry(du_.X(x), du_.Y(y), 2, du_.Y(length));
    if (id == ids::kGroupLines[1] || id == ids::kLineRight) {
        // An etched line draws in the palette's shades, not its text
        // colour: the two red lines are drawn plain, in red.
        f->setFrameShadow(QFrame::Plain);
        f->setPalette(redPal_);
    }
    return f;
}

// Group boxes first, so the controls inside them stack above.
void FormBuilder::GroupBoxes() {
    Group(ids::kSystemGroup, texts::kSystemGroupTitle, 4, 14, 185, 272);
    Group(0, texts::kCustomVoiceGroupTitle, 20, 119, 143, 43);
    Group(0, texts::kFixedVoiceGroupTitle, 19, 172, 143, 44);
    for (int g = 0; g < 3; ++g)
        Group(ids::kGroupBoxes[g], texts::kAddressGroupTitles[g], kGroupX[g], 57, kGroupW[g], 186);
}

// Shown for both models.
void FormBuilder::SystemOperations() {
    Button(ids::kBtnInit, texts::kInitButton, 29, 29, 55, 23);
    Button(ids::kBtnUpgrade, texts::kUpgradeButton, 98, 29, 55, 23);
    Button(ids::kBtnReadVersion, texts::kReadVersionButton, 29, 66, 125, 23);
    auto* version = Edit(ids::kEditVersion, 29, 103, 90, 12, nullptr);
    version->setAccessibleName(U(texts::kVersionFieldName));
    // The two voice groups hold the same two captions: the group tells them apart.
    const QString custom = U(texts::kCustomVoiceGroupTitle) + QStringLiteral(" ");
    const QString fixed = U(texts::kFixedVoiceGroupTitle) + QStringLiteral(" ");
    auto* formatVoice = Button(ids::kBtnFormatVoice, texts::kFormatVoiceButton, 26, 132, 61, 23);
    auto* downloadVoice =
        Button(ids::kBtnDownloadVoice, texts::kDownloadVoiceButton, 96, 132, 61, 23);
    auto* formatFixed =
        Button(ids::kBtnFormatFixedVoice, texts::kFormatVoiceButton, 26, 184, 61, 23);
    auto* downloadFixed =
        Button(ids::kBtnDownloadFixedVoice, texts::kDownloadVoiceButton, 96, 184, 61, 23);
    formatVoice->setAccessibleName(custom + U(texts::kFormatVoiceButton));
    downloadVoice->setAccessibleName(custom + U(texts::kDownloadVoiceButton));
    formatFixed->setAccessibleName(fixed + U(texts::kFormatVoiceButton));
    downloadFixed->setAccessibleName(fixed + U(texts::kDownloadVoiceButton));
    auto* freqLabel = Label(0, U(texts::kFrequencyLabel), 36, 233);
    Edit(ids::kEditFrequency, 62, 229, 72, 14, freqLabel);
    Label(0, U(texts::kFrequencyUnit), 136, 231);
    Button(ids::kBtnSetFrequency, texts::kSetFrequencyButton, 36, 255, 56, 18);
    Button(ids::kBtnReadFrequency, texts::kReadFrequencyButton, 102, 255, 56, 18);
}

// Push-like, one of them always down.
void FormBuilder::ModelButtons() {
    auto* rt220 = Button(ids::kRadioRt220, texts::kRt220Button, 191, 17, 134, 14);
    auto* rt221 = Button(ids::kRadioRt221, texts::kRt221Button, 324, 17, 134, 14);
    auto* models = new QButtonGroup(&form_);
    for (QPushButton* b : {rt220, rt221}) {
        b->setCheckable(true);
        models->addButton(b);
    }
    models->setExclusive(true);
    rt220->setChecked(true);
}

// The RT-220's parameters.
void FormBuilder::BasicParameters() {
    QStringList alarmTimes;  // filled by the initial update
    auto* alarmLabel = Label(ids::kLabelAlarmTime, U(texts::kAlarmTimeLabel), 202, 53);
    Combo(ids::kComboAlarmTime, true, alarmTimes, 262, 51, 54, alarmLabel);
    auto* volumeLabel = Label(ids::kLabelVolume, U(texts::kVolumeLabel), 208, 71);
    Combo(ids::kComboVolume, false, Entries(VolumeEntries()), 262, 69, 54, volumeLabel);
    auto* channelLabel = Label(ids::kLabelChannel, U(texts::kChannelLabel), 208, 91);
    Combo(ids::kComboChannel, false, Entries(ChannelEntries()), 262, 87, 54, channelLabel);
    auto* passwordLabel = Label(ids::kLabelPassword, U(texts::kPasswordLabel), 208, 109);
    auto* passwordEdit = Edit(ids::kEditPassword, 262, 107, 54, 13, passwordLabel);
    // Typed letters become capitals, as an upper-case edit does; a password
    // read back from the host is shown as the host holds it (a validator would
    // change that one too, and the next set would send another password).
    QObject::connect(
        passwordEdit, &QLineEdit::textEdited, passwordEdit, [passwordEdit](const QString& t) {
            const QString upper = QString::fromStdString(TypedPassword(t.toStdString()));
            if (upper == t) return;
            const int cursor = passwordEdit->cursorPosition();
            passwordEdit->setText(upper);
            passwordEdit->setCursorPosition(cursor);
        });
    Button(ids::kBtnSetBasic, texts::kSetBasicButton, 208, 133, 56, 18);
    Button(ids::kBtnReadBasic, texts::kReadBasicButton, 274, 133, 56, 18);
}

// The RT-221's parameters.
void FormBuilder::AddressCodes() {
    auto* digits = new JudgedValidator(IsDigitText, &form_);
    auto* address = new JudgedValidator(IsAddressText, &form_);
    const QString volumeText = U(texts::kVolumeLabel);
    auto* speakerLabel = Label(ids::kLabelSpeakerVolume, volumeText, 202, 38);
    Edit(ids::kEditSpeakerVolume, 243, 36, 54, 12, speakerLabel)->setValidator(digits);
    Check(ids::kCheckSpeakerVolume, 308, 38,
          volumeText + QStringLiteral(" ") + U(texts::kEffectiveLabel));

    const QStringList colours = {U(texts::kColorRed), U(texts::kColorYellow),
                                 U(texts::kColorGreen)};
    const QStringList effects = {U(texts::kEffectFlash), U(texts::kEffectSteady)};
    const int rowY[6] = {73, 97, 120, 142, 165, 189};
    const int columnX[3] = {243, 350, 456};
    const int labelX[3] = {207, 314, 420};
    for (int g = 0; g < 3; ++g) {
        const QString prefix = U(texts::kAddressGroupTitles[g]) + QStringLiteral(" ");
        const int fieldIds[6] = {ids::kEditAddress[g],     ids::kComboColor[g],
                                 ids::kComboEffect[g],     ids::kEditLampDuration[g],
                                 ids::kEditSoundEffect[g], ids::kEditSoundDuration[g]};
        for (int row = 0; row < 6; ++row) {
            const QString rowLabel = U(texts::kGroupFieldLabels[row]);
            QLabel* l = Label(ids::kGroupLabels[g][row], rowLabel, labelX[g], rowY[row] + 2);
            QWidget* field;
            if (row == 1 || row == 2) {
                field = Combo(fieldIds[row], false, row == 1 ? colours : effects, columnX[g],
                              rowY[row], 56, l);
            } else {
                auto* e = Edit(fieldIds[row], columnX[g], rowY[row], 56, 12, l);
                e->setValidator(row == 0 ? address : digits);
                field = e;
            }
            // The three columns share their labels; the group tells them apart.
            // A list is announced by its current item and the label it is
            // labelled by, so the label carries the group's name as well.
            field->setAccessibleName(prefix + rowLabel);
            l->setAccessibleName(prefix + rowLabel);
        }
        Line(ids::kGroupLines[g], true, kGroupX[g] + 4, 214, kGroupW[g] - 8);
        Check(ids::kCheckGroup[g], columnX[g], 222, prefix + U(texts::kEffectiveLabel));
    }
    const QString alarmOffText = U(texts::kAlarmOffLabel);
    auto* alarmOffLabel = Label(ids::kLabelAlarmOff, alarmOffText, 207, 253);
    Edit(ids::kEditAlarmOff, 263, 251, 56, 12, alarmOffLabel)->setValidator(address);
    Check(ids::kCheckAlarmOff, 327, 253,
          alarmOffText + QStringLiteral(" ") + U(texts::kEffectiveLabel));
    Button(ids::kBtnSetAddressCodes, texts::kSetAddressCodesButton, 390, 262, 56, 18);
    Button(ids::kBtnReadAddressCodes, texts::kReadAddressCodesButton, 457, 262, 56, 18);
}

// Around the model panel.
void FormBuilder::FrameLines() {
    Line(ids::kLineLeft, false, 191, 14, 271);
    Line(ids::kLineRight, false, 529, 14, 271);
    Line(ids::kLineBottom, true, 191, 285, 338);
    Line(ids::kLineTopRight, true, 191, 14, 338);
}

}  // namespace

const std::vector<int>& BasicControls() {
    static const std::vector<int> list = {
        ids::kLabelChannel,   ids::kLabelPassword, ids::kLabelVolume,  ids::kLabelAlarmTime,
        ids::kComboAlarmTime, ids::kComboVolume,   ids::kComboChannel, ids::kEditPassword,
        ids::kBtnSetBasic,    ids::kBtnReadBasic};
    return list;
}

const std::vector<int>& AddressControls() {
    static const std::vector<int> list = [] {
        std::vector<int> v(std::begin(ids::kGroupBoxes), std::end(ids::kGroupBoxes));
        v.insert(v.end(), std::begin(ids::kGroupLines), std::end(ids::kGroupLines));
        v.push_back(ids::kLabelSpeakerVolume);
        for (const auto& row : ids::kGroupLabels) v.insert(v.end(), std::begin(row), std::end(row));
        v.push_back(ids::kLabelAlarmOff);
        v.push_back(ids::kCheckSpeakerVolume);
        v.insert(v.end(), std::begin(ids::kCheckGroup), std::end(ids::kCheckGroup));
        v.push_back(ids::kCheckAlarmOff);
        v.push_back(ids::kEditSpeakerVolume);
        for (int g = 0; g < 3; ++g) {
            v.insert(v.end(), {ids::kEditAddress[g], ids::kComboColor[g], ids::kComboEffect[g],
                               ids::kEditLampDuration[g], ids::kEditSoundEffect[g],
                               ids::kEditSoundDuration[g]});
        }
        v.push_back(ids::kEditAlarmOff);
        v.push_back(ids::kBtnSetAddressCodes);
        v.push_back(ids::kBtnReadAddressCodes);
        return v;
    }();
    return list;
}

void BuildFormLayout(QWidget& form) {
    FormBuilder build(form);
    form.setMinimumSize(build.Units().Size(542, 296));
    build.GroupBoxes();
    build.SystemOperations();
    build.ModelButtons();
    build.BasicParameters();
    build.AddressCodes();
    build.FrameLines();
    // Until the first initial update the form shows the RT-220 controls.
    for (int id : AddressControls()) form.findChild<QWidget*>(Id(id))->hide();
}

}  // namespace korvane::form
