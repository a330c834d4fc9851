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

QSize BuildFormLayout(QWidget& form) {
    const DialogUnits du(form.font());
    const QSize size = du.Size(542, 296);
    form.setMinimumSize(size);

    QPalette bluePal = form.palette();
    bluePal.setColor(QPalette::WindowText, kLabelBlue);
    QPalette redPal = form.palette();
    redPal.setColor(QPalette::WindowText, kLineRed);

    auto place = [&](QWidget* w, int id, int x, int y, int wd, int ht) {
        if (id) w->setObjectName(Id(id));
        w->setGeometry(du.Rect(x, y, wd, ht));
        return w;
    };
    auto button = [&](int id, const char* text, int x, int y, int w, int h) {
        auto* b = new QPushButton(U(text), &form);
        b->setAutoDefault(false);
        place(b, id, x, y, w, h);
        return b;
    };
    auto label = [&](int id, const QString& text, int x, int y) {
        auto* l = new QLabel(text, &form);
        l->setPalette(bluePal);
        if (id) l->setObjectName(Id(id));
        l->move(du.X(x), du.Y(y));
        l->resize(l->sizeHint().width(), std::max(l->sizeHint().height(), du.Y(8)));
        return l;
    };
    auto edit = [&](int id, int x, int y, int w, int h, QLabel* buddy) {
        auto* e = new QLineEdit(&form);
        place(e, id, x, y, w, h);
        if (buddy) buddy->setBuddy(e);
        return e;
    };
    auto combo = [&](int id, bool editable, const QStringList& items, int x, int y, int w,
                     QLabel* buddy) {
        auto* c = new QComboBox(&form);
        c->setEditable(editable);
        // Enter in the typed text must not grow the list.
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(items);
        c->setObjectName(Id(id));
        const QRect r = du.Rect(x, y, w, 12);
        c->setGeometry(r.x(), r.y(), r.width(), std::max(r.height(), c->sizeHint().height()));
        if (buddy) {
            buddy->setBuddy(c);
            c->setAccessibleName(buddy->text());
        }
        return c;
    };
    auto group = [&](int id, const char* title, int x, int y, int w, int h) {
        auto* g = new QGroupBox(U(title), &form);
        g->setPalette(bluePal);
        g->setFlat(false);
        place(g, id, x, y, w, h);
        return g;
    };
    auto check = [&](int id, int x, int y, const QString& accessibleName) {
        auto* c = new QCheckBox(U(texts::kEffectiveLabel), &form);
        c->setPalette(bluePal);
        place(c, id, x, y, 30, 10);
        c->setAccessibleName(accessibleName);
        return c;
    };
    auto line = [&](int id, bool horizontal, int x, int y, int length) {
        auto* f = new QFrame(&form);
        f->setFrameShape(horizontal ? QFrame::HLine : QFrame::VLine);
        f->setFrameShadow(QFrame::Sunken);
        f->setObjectName(Id(id));
        if (horizontal)
            f->setGeometry(du.X(x), du.Y(y), du.X(length), 2);
        else
            f->setGeometry(du.X(x), du.Y(y), 2, du.Y(length));
        if (id == ids::kGroupLines[1] || id == ids::kLineRight) {
            // An etched line draws in the palette's shades, not its text
            // colour: the two red lines are drawn plain, in red.
            f->setFrameShadow(QFrame::Plain);
            f->setPalette(redPal);
        }
        return f;
    };

    // Group boxes first, so the controls inside them stack above.
    group(ids::kSystemGroup, "系统操作(需谨慎！)", 4, 14, 185, 272);
    group(0, "自定义语音操作", 20, 119, 143, 43);
    group(0, "固化语音操作", 19, 172, 143, 44);
    const char* groupTitles[3] = {"地址码一", "地址码二", "地址码三"};
    const int groupX[3] = {203, 310, 417};
    const int groupW[3] = {108, 108, 104};
    for (int g = 0; g < 3; ++g)
        group(ids::kGroupBoxes[g], groupTitles[g], groupX[g], 57, groupW[g], 186);

    // System operations, shown for both models.
    button(ids::kBtnInit, "初始化", 29, 29, 55, 23);
    button(ids::kBtnUpgrade, "下载升级程序", 98, 29, 55, 23);
    button(ids::kBtnReadVersion, "读取程序版本号", 29, 66, 125, 23);
    auto* version = edit(ids::kEditVersion, 29, 103, 90, 12, nullptr);
    version->setAccessibleName(U(texts::kVersionFieldName));
    auto* formatVoice = button(ids::kBtnFormatVoice, "格式化WAV", 26, 132, 61, 23);
    auto* downloadVoice = button(ids::kBtnDownloadVoice, "下载语音文件", 96, 132, 61, 23);
    auto* formatFixed = button(ids::kBtnFormatFixedVoice, "格式化WAV", 26, 184, 61, 23);
    auto* downloadFixed = button(ids::kBtnDownloadFixedVoice, "下载语音文件", 96, 184, 61, 23);
    formatVoice->setAccessibleName(QStringLiteral("自定义语音操作 格式化WAV"));
    downloadVoice->setAccessibleName(QStringLiteral("自定义语音操作 下载语音文件"));
    formatFixed->setAccessibleName(QStringLiteral("固化语音操作 格式化WAV"));
    downloadFixed->setAccessibleName(QStringLiteral("固化语音操作 下载语音文件"));
    auto* freqLabel = label(0, QStringLiteral("频率:"), 36, 233);
    edit(ids::kEditFrequency, 62, 229, 72, 14, freqLabel);
    label(0, QStringLiteral("MHz"), 136, 231);
    button(ids::kBtnSetFrequency, "设置接收频率", 36, 255, 56, 18);
    button(ids::kBtnReadFrequency, "读取接收频率", 102, 255, 56, 18);

    // Model buttons: push-like, one of them always down.
    auto* rt220 = button(ids::kRadioRt220, "RT-220Tolvo码报警灯", 191, 17, 134, 14);
    auto* rt221 = button(ids::kRadioRt221, "RT-221 POCSAG 报警灯", 324, 17, 134, 14);
    auto* models = new QButtonGroup(&form);
    for (QPushButton* b : {rt220, rt221}) {
        b->setCheckable(true);
        models->addButton(b);
    }
    models->setExclusive(true);
    rt220->setChecked(true);

    // Basic parameters (RT-220).
    QStringList alarmTimes;  // filled by the initial update
    auto* alarmLabel = label(ids::kLabelAlarmTime, QStringLiteral("喇叭报警时间:"), 202, 53);
    combo(ids::kComboAlarmTime, true, alarmTimes, 262, 51, 54, alarmLabel);
    auto* volumeLabel = label(ids::kLabelVolume, QStringLiteral("喇叭音量:"), 208, 71);
    combo(ids::kComboVolume, false, Entries(VolumeEntries()), 262, 69, 54, volumeLabel);
    auto* channelLabel = label(ids::kLabelChannel, QStringLiteral("信道:"), 208, 91);
    combo(ids::kComboChannel, false, Entries(ChannelEntries()), 262, 87, 54, channelLabel);
    auto* passwordLabel = label(ids::kLabelPassword, QStringLiteral("通信密码:"), 208, 109);
    auto* passwordEdit = edit(ids::kEditPassword, 262, 107, 54, 13, passwordLabel);
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
    button(ids::kBtnSetBasic, "设置基本参数", 208, 133, 56, 18);
    button(ids::kBtnReadBasic, "回读基本参数", 274, 133, 56, 18);

    // Address codes (RT-221).
    auto* digits = new JudgedValidator(IsDigitText, &form);
    auto* address = new JudgedValidator(IsAddressText, &form);
    const QString volumeText = QStringLiteral("喇叭音量:");
    auto* speakerLabel = label(ids::kLabelSpeakerVolume, volumeText, 202, 38);
    edit(ids::kEditSpeakerVolume, 243, 36, 54, 12, speakerLabel)->setValidator(digits);
    check(ids::kCheckSpeakerVolume, 308, 38,
          volumeText + QStringLiteral(" ") + U(texts::kEffectiveLabel));

    const QStringList colours = {U(texts::kColorRed), U(texts::kColorYellow),
                                 U(texts::kColorGreen)};
    const QStringList effects = {U(texts::kEffectFlash), U(texts::kEffectSteady)};
    const QString rowLabels[6] = {QStringLiteral("地址码:"), QStringLiteral("灯颜色:"),
                                  QStringLiteral("灯效果:"), QStringLiteral("灯时长:"),
                                  QStringLiteral("音效:"),   QStringLiteral("音时长:")};
    const int rowY[6] = {73, 97, 120, 142, 165, 189};
    const int columnX[3] = {243, 350, 456};
    const int labelX[3] = {207, 314, 420};
    for (int g = 0; g < 3; ++g) {
        const QString prefix = U(groupTitles[g]) + QStringLiteral(" ");
        const int fieldIds[6] = {ids::kEditAddress[g],     ids::kComboColor[g],
                                 ids::kComboEffect[g],     ids::kEditLampDuration[g],
                                 ids::kEditSoundEffect[g], ids::kEditSoundDuration[g]};
        for (int row = 0; row < 6; ++row) {
            QLabel* l = label(ids::kGroupLabels[g][row], rowLabels[row], labelX[g], rowY[row] + 2);
            QWidget* field;
            if (row == 1 || row == 2) {
                field = combo(fieldIds[row], false, row == 1 ? colours : effects, columnX[g],
                              rowY[row], 56, l);
            } else {
                auto* e = edit(fieldIds[row], columnX[g], rowY[row], 56, 12, l);
                e->setValidator(row == 0 ? address : digits);
                field = e;
            }
            // The three columns share their labels; the group tells them apart.
            // A list is announced by its current item and the label it is
            // labelled by, so the label carries the group's name as well.
            field->setAccessibleName(prefix + rowLabels[row]);
            l->setAccessibleName(prefix + rowLabels[row]);
        }
        line(ids::kGroupLines[g], true, groupX[g] + 4, 214, groupW[g] - 8);
        check(ids::kCheckGroup[g], columnX[g], 222, prefix + U(texts::kEffectiveLabel));
    }
    const QString alarmOffText = QStringLiteral("报警关闭地址:");
    auto* alarmOffLabel = label(ids::kLabelAlarmOff, alarmOffText, 207, 253);
    edit(ids::kEditAlarmOff, 263, 251, 56, 12, alarmOffLabel)->setValidator(address);
    check(ids::kCheckAlarmOff, 327, 253,
          alarmOffText + QStringLiteral(" ") + U(texts::kEffectiveLabel));
    button(ids::kBtnSetAddressCodes, "设置", 390, 262, 56, 18);
    button(ids::kBtnReadAddressCodes, "回读", 457, 262, 56, 18);

    // Frame lines around the model panel.
    line(ids::kLineLeft, false, 191, 14, 271);
    line(ids::kLineRight, false, 529, 14, 271);
    line(ids::kLineBottom, true, 191, 285, 338);
    line(ids::kLineTopRight, true, 191, 14, 338);

    // Until the first initial update the form shows the RT-220 controls.
    for (int id : AddressControls()) form.findChild<QWidget*>(Id(id))->hide();
    return size;
}

}  // namespace korvane::form
