#include "view/korvane_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <map>
#include <set>

#include "tests/support/form_defaults.h"
#include "tests/support_qt/scripted_dialogs.h"

namespace {

using korvane::test::kFormAddress;
using korvane::test::kFormAlarmOffAddress;
using korvane::test::kFormPassword;

const std::vector<int> kBasic = {1052, 1019, 1020, 1046, 1075, 1074, 1071, 1057, 1047, 1053};
const std::vector<int> kAddress = {1067, 1005, 1006, 1008, 1010, 1013, 1021, 1024, 1025, 1026, 1027,
                                   1028, 1029, 1030, 1031, 1092, 1033, 1034, 1035, 1036, 1037, 1038,
                                   1039, 1040, 1041, 1045, 1011, 1014, 1018, 1042, 1043, 1076, 1015,
                                   1077, 1078, 1079, 1080, 1081, 1016, 1082, 1083, 1084, 1085, 1086,
                                   1017, 1087, 1088, 1089, 1090, 1091, 1044, 1059, 1060};
const std::vector<int> kAlways = {1022, 1007, 1048, 1049, 1069, 1051, 1050,
                                  1055, 1054, 1012, 1056, 1058, 1065, 1066};

struct Form {
    CKorvaneView view;
    ScriptedDialogProvider dialogs;
    Form() {
        view.SetDialogProvider(&dialogs);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.activateWindow();
        view.OnInitialUpdate();
    }
    QWidget* W(int id) { return view.Control(id); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(W(id)); }
    QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(W(id)); }
    QPushButton* Button(int id) { return qobject_cast<QPushButton*>(W(id)); }
    int Shown(const std::vector<int>& list) {
        int n = 0;
        for (int id : list) n += W(id)->isVisible() ? 1 : 0;
        return n;
    }
};

QStringList Items(QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

QString U(const char* s) { return QString::fromUtf8(s); }

}  // namespace

TEST(FormView, EveryControlOfTheFormIsThereByItsId) {
    Form f;
    for (const auto* list : {&kBasic, &kAddress, &kAlways})
        for (int id : *list) EXPECT_NE(f.W(id), nullptr) << id;
}

TEST(FormView, StartsWithRt220ControlsAndDefaults) {
    Form f;
    EXPECT_EQ(f.Shown(kBasic), 10);
    EXPECT_EQ(f.Shown(kAddress), 0);
    EXPECT_EQ(f.Shown(kAlways), static_cast<int>(kAlways.size()));
    EXPECT_TRUE(f.Button(1065)->isChecked());
    EXPECT_FALSE(f.Button(1066)->isChecked());
    EXPECT_EQ(f.Edit(1057)->text(), kFormPassword);
    EXPECT_EQ(f.Edit(1012)->text(), "433.5");

    QComboBox* alarm = f.Combo(1075);
    ASSERT_EQ(alarm->count(), 100);
    EXPECT_EQ(alarm->itemText(0), U("一直响"));
    EXPECT_EQ(alarm->itemText(1), "1");
    EXPECT_EQ(alarm->itemText(99), "99");
    EXPECT_EQ(alarm->currentText(), "10");
    EXPECT_TRUE(alarm->isEditable());
    EXPECT_EQ(Items(f.Combo(1074)), QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(f.Combo(1074)->currentIndex(), 0);
    EXPECT_EQ(Items(f.Combo(1071)),
              QStringList({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(f.Combo(1071)->currentIndex(), 0);
    EXPECT_EQ(f.Edit(1057)->maxLength(), 4);

    const std::map<int, QString> texts = {{1015, kFormAddress}, {1016, kFormAddress},
                                          {1017, kFormAddress}, {1044, kFormAlarmOffAddress},
                                          {1079, "0"},          {1084, "0"},
                                          {1089, "0"},          {1081, "0"},
                                          {1086, "0"},          {1091, "0"},
                                          {1080, "1"},          {1085, "1"},
                                          {1090, "1"},          {1076, "0"}};
    for (const auto& [id, text] : texts) EXPECT_EQ(f.Edit(id)->text(), text) << id;
    for (int id : {1015, 1016, 1017, 1044}) EXPECT_EQ(f.Edit(id)->maxLength(), 7) << id;
    for (int id : {1077, 1082, 1087}) {
        EXPECT_EQ(Items(f.Combo(id)), QStringList({U("红色"), U("黄色"), U("绿色")})) << id;
        EXPECT_EQ(f.Combo(id)->currentIndex(), 0);
    }
    for (int id : {1078, 1083, 1088}) {
        EXPECT_EQ(Items(f.Combo(id)), QStringList({U("闪烁"), U("静止")})) << id;
        EXPECT_EQ(f.Combo(id)->currentIndex(), 0);
    }
}

TEST(FormView, SwitchingModelsSwapsControlsAndKeepsValues) {
    Form f;
    f.Edit(1057)->setText("ABCD");
    f.Combo(1071)->setCurrentIndex(7);
    f.Edit(1015)->setText("1234567");
    f.Combo(1082)->setCurrentIndex(2);

    QTest::mouseClick(f.Button(1066), Qt::LeftButton);
    EXPECT_EQ(f.view.model, 1);
    EXPECT_EQ(f.Shown(kBasic), 0);
    EXPECT_EQ(f.Shown(kAddress), 53);
    EXPECT_EQ(f.Shown(kAlways), static_cast<int>(kAlways.size()));
    EXPECT_TRUE(f.Button(1066)->isChecked());
    EXPECT_FALSE(f.Button(1065)->isChecked());

    QTest::mouseClick(f.Button(1065), Qt::LeftButton);
    EXPECT_EQ(f.view.model, 0);
    EXPECT_EQ(f.Shown(kBasic), 10);
    EXPECT_EQ(f.Shown(kAddress), 0);
    EXPECT_EQ(f.Edit(1057)->text(), "ABCD");
    EXPECT_EQ(f.view.password, "ABCD");
    EXPECT_EQ(f.Combo(1071)->currentText(), "7");
    EXPECT_EQ(f.Edit(1015)->text(), "1234567");
    EXPECT_EQ(f.Combo(1082)->currentText(), U("绿色"));
    EXPECT_TRUE(f.dialogs.boxes.empty());
}

// One text per message: which texts are numbers, and which lie in range, is
// the frequency codec's rule.
TEST(FormView, BadFrequencyKeepsRt220ControlsAndSaysWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"abc", "请输入一个数字。"}, {"99.9", "请输入一个介于 100 和 999 之间的数字。"}};
    for (const auto& [text, message] : cases) {
        Form f;
        f.Edit(1057)->setText("WXYZ");
        f.Edit(1012)->setText(QString::fromUtf8(text));
        QTest::mouseClick(f.Button(1066), Qt::LeftButton);
        ASSERT_EQ(f.dialogs.boxes.size(), 1u) << text;
        EXPECT_EQ(f.dialogs.boxes[0].text, message) << text;
        EXPECT_EQ(f.dialogs.boxes[0].caption, "Korvane");
        EXPECT_EQ(f.dialogs.boxes[0].icon, korvane::BoxIcon::Exclamation);
        EXPECT_EQ(f.view.model, 0) << text;
        EXPECT_FLOAT_EQ(f.view.frequency, 433.5f) << text;
        // The password comes before the frequency and is taken.
        EXPECT_EQ(f.view.password, "WXYZ") << text;
        EXPECT_EQ(f.Shown(kBasic), 10) << text;
        EXPECT_EQ(f.Shown(kAddress), 0) << text;
        EXPECT_TRUE(f.Button(1066)->isChecked()) << text;
        EXPECT_EQ(f.view.focusWidget(), f.W(1012)) << text;
    }
}

// Other texts, and how they are shown, are the frequency codec's.
TEST(FormView, AGoodFrequencyTextIsTakenAndShownBack) {
    Form f;
    f.Edit(1012)->setText(QString::fromUtf8(" 4.335e2\t"));
    ASSERT_TRUE(f.view.UpdateData(true));
    EXPECT_FLOAT_EQ(f.view.frequency, 433.5f);
    f.view.UpdateData(false);
    EXPECT_EQ(f.Edit(1012)->text(), "433.5");
    EXPECT_TRUE(f.dialogs.boxes.empty());
}

TEST(FormView, EditsAcceptOnlyWhatTheyShould) {
    Form f;
    // The password: upper case, four characters.
    for (const auto& [typed, kept] : {std::pair{"qk1mr", "QK1M"}, std::pair{"abcdef", "ABCD"}}) {
        f.Edit(1057)->clear();
        QTest::keyClicks(f.Edit(1057), typed);
        EXPECT_EQ(f.Edit(1057)->text(), kept) << typed;
    }
    for (int id :
         {1076, 1015, 1016, 1017, 1044, 1079, 1080, 1081, 1084, 1085, 1086, 1089, 1090, 1091}) {
        f.Edit(id)->clear();
        QTest::keyClicks(f.Edit(id), "4a5-6 .7");
        EXPECT_EQ(f.Edit(id)->text(), "4567") << id;
    }
    f.Edit(1015)->clear();
    QTest::keyClicks(f.Edit(1015), "123456789");
    EXPECT_EQ(f.Edit(1015)->text(), "1234567");
}

TEST(FormView, EnterDoesNothing) {
    Form f;
    std::vector<int> ran;
    const int buttons[] = {1007, 1048, 1049, 1050, 1051, 1054, 1055,
                           1056, 1058, 1047, 1053, 1059, 1060};
    for (int id : buttons) f.view.SetHandler(id, [&ran, id] { ran.push_back(id); });
    for (int id : {1012, 1057, 1075, 1007, 1056, 1066, 1074, 1069}) {
        f.W(id)->setFocus();
        QTest::keyClick(f.W(id), Qt::Key_Return);
        QTest::keyClick(f.W(id), Qt::Key_Enter);
    }
    QTest::keyClick(&f.view, Qt::Key_Return);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(f.Combo(1075)->count(), 100);
    EXPECT_EQ(f.view.model, 0);
    EXPECT_EQ(f.Shown(kBasic), 10);
    EXPECT_TRUE(f.dialogs.boxes.empty());
}

TEST(FormView, TypedAlarmTimeDoesNotGrowTheList) {
    Form f;
    QComboBox* alarm = f.Combo(1075);
    alarm->lineEdit()->setText("250");
    QTest::keyClick(alarm->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(alarm->count(), 100);
    EXPECT_EQ(alarm->currentText(), "250");
}

TEST(FormView, RepeatedInitialUpdateRestoresDefaultsWithoutDuplicates) {
    Form f;
    f.Combo(1074)->setCurrentIndex(5);
    f.Combo(1071)->setCurrentIndex(3);
    f.Edit(1016)->setText("5");
    f.Combo(1088)->setCurrentIndex(1);
    f.Combo(1075)->setCurrentIndex(50);
    f.view.password = "ZZZZ";
    f.view.frequency = 868.25f;
    f.view.model = 1;
    f.view.OnInitialUpdate();
    f.view.OnInitialUpdate();
    EXPECT_EQ(f.Combo(1075)->count(), 100);
    EXPECT_EQ(f.Combo(1075)->currentText(), "10");
    EXPECT_EQ(f.Combo(1074)->currentIndex(), 0);
    EXPECT_EQ(f.Combo(1071)->currentIndex(), 0);
    EXPECT_EQ(f.Edit(1016)->text(), kFormAddress);
    EXPECT_EQ(f.Combo(1088)->currentIndex(), 0);
    EXPECT_EQ(f.Edit(1057)->text(), "ZZZZ");
    EXPECT_EQ(f.Edit(1012)->text(), "868.25");
    EXPECT_TRUE(f.Button(1066)->isChecked());
    EXPECT_EQ(f.Shown(kAddress), 53);
    EXPECT_TRUE(f.view.PollTimer().isActive());
    EXPECT_EQ(f.view.PollTimer().interval(), 1000);
}

TEST(FormView, ButtonsRunTheirBoundOperationOneAtATime) {
    Form f;
    const std::pair<int, const char*> buttons[] = {
        {1007, "init"},        {1048, "upgrade"},    {1049, "version"},     {1050, "voice"},
        {1051, "formatVoice"}, {1054, "fixedVoice"}, {1055, "formatFixed"}, {1056, "setFreq"},
        {1058, "readFreq"},    {1047, "setBasic"},   {1053, "readBasic"},   {1059, "setCodes"},
        {1060, "readCodes"}};
    std::vector<std::string> ran;
    for (const auto& [id, name] : buttons) {
        const std::string n = name;
        f.view.SetHandler(id, [&ran, n] { ran.push_back(n); });
    }
    for (const auto& [id, name] : buttons) {
        f.view.ApplyModel(id != 1059 && id != 1060);
        ran.clear();
        QTest::mouseClick(f.Button(id), Qt::LeftButton);
        ASSERT_EQ(ran.size(), 1u) << id;
        EXPECT_EQ(ran[0], name);
    }
    // A click that arrives while an operation runs is ignored.
    ran.clear();
    f.view.ApplyModel(true);
    f.view.SetHandler(1007, [&] {
        ran.push_back("init");
        EXPECT_TRUE(f.view.IsBusy());
        f.Button(1056)->click();
    });
    f.Button(1007)->click();
    EXPECT_EQ(ran, std::vector<std::string>({"init"}));
    EXPECT_FALSE(f.view.IsBusy());
    f.Button(1056)->click();
    EXPECT_EQ(ran.back(), "setFreq");
}

// What a screen reader announces. On Linux a combo box's accessible name is
// its current text and its label comes through the buddy relation, so the
// name the form gives it is read from the widget.
QString NameOf(QWidget* w) {
    if (qobject_cast<QComboBox*>(w)) return w->accessibleName();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

TEST(FormView, EveryControlHasANameAndTheColumnsAreToldApart) {
    Form f;
    for (bool basic : {true, false}) {
        f.view.ApplyModel(basic);
        std::set<QString> seen;
        for (QWidget* w : f.view.findChildren<QWidget*>()) {
            if (!w->isVisible() || w->parentWidget() != &f.view) continue;
            if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
                !qobject_cast<QComboBox*>(w) && !qobject_cast<QGroupBox*>(w))
                continue;
            const QString name = NameOf(w);
            EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
            if (qobject_cast<QGroupBox*>(w)) continue;
            EXPECT_TRUE(seen.insert(name).second) << "duplicate name " << name.toStdString()
                                                  << " on " << w->objectName().toStdString();
        }
    }
    auto name = [&](int id) { return NameOf(f.W(id)); };
    EXPECT_EQ(name(1077), U("地址码一 灯颜色:"));
    EXPECT_EQ(name(1082), U("地址码二 灯颜色:"));
    EXPECT_EQ(name(1087), U("地址码三 灯颜色:"));
    EXPECT_EQ(name(1012), U("频率:"));
    EXPECT_EQ(name(1057), U("通信密码:"));
    EXPECT_EQ(name(1007), U("初始化"));
}

TEST(FormView, LabelsAreBlueOverTheBackground) {
    Form f;
    for (int id : {1046, 1020, 1052, 1019}) {
        auto* l = qobject_cast<QLabel*>(f.W(id));
        ASSERT_TRUE(l) << id;
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << id;
        EXPECT_FALSE(l->autoFillBackground()) << id;
    }
    const QImage shot = f.view.grab(f.W(1046)->geometry()).toImage();
    int blue = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb c = shot.pixel(x, y);
            if (qBlue(c) > 200 && qRed(c) < 100 && qGreen(c) < 100) ++blue;
        }
    EXPECT_GT(blue, 5);
}

TEST(FormView, TheLinesOfTheSecondGroupAndTheRightEdgeAreRed) {
    Form f;
    f.view.ApplyModel(false);
    auto redPixels = [&](int id) {
        const QImage shot = f.W(id)->grab().toImage();
        int red = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (QColor(shot.pixel(x, y)) == QColor(255, 0, 0)) ++red;
        return red;
    };
    EXPECT_GT(redPixels(1010), 10);
    EXPECT_GT(redPixels(1032), 10);
    // The other lines stay etched.
    EXPECT_EQ(redPixels(1008), 0);
    EXPECT_EQ(redPixels(1023), 0);
}

TEST(FormView, BackgroundIsOwnBitmapUnlessSkyBmpIsHere) {
    {
        Form f;
        const QImage& bg = f.view.Background();
        EXPECT_EQ(bg.size(), QSize(48, 48));
        EXPECT_LE(bg.colorCount(), 16);
        EXPECT_GT(bg.colorCount(), 0);
    }
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(QColor(200, 0, 0));
    ASSERT_TRUE(red.save(QDir::current().filePath("Sky.bmp"), "BMP"));
    {
        Form f;
        EXPECT_EQ(f.view.Background().size(), QSize(8, 8));
        // Stretched over the whole form, right to its far corner.
        const QImage shot = f.view.grab().toImage();
        EXPECT_EQ(QColor(shot.pixel(shot.width() - 2, shot.height() - 2)), QColor(200, 0, 0));
        EXPECT_EQ(QColor(shot.pixel(1, 1)), QColor(200, 0, 0));
    }
    QFile::remove(QDir::current().filePath("Sky.bmp"));
}

TEST(FormView, EveryCaptionOfTheFormIsTheTemplatesOwn) {
    Form f;
    const std::map<int, const char*> byId = {
        {1022, "系统操作(需谨慎！)"},
        {1007, "初始化"},
        {1048, "下载升级程序"},
        {1049, "读取程序版本号"},
        {1051, "格式化WAV"},
        {1050, "下载语音文件"},
        {1055, "格式化WAV"},
        {1054, "下载语音文件"},
        {1056, "设置接收频率"},
        {1058, "读取接收频率"},
        {1065, "RT-220Tolvo码报警灯"},
        {1066, "RT-221 POCSAG 报警灯"},
        {1046, "喇叭报警时间:"},
        {1020, "喇叭音量:"},
        {1052, "信道:"},
        {1019, "通信密码:"},
        {1047, "设置基本参数"},
        {1053, "回读基本参数"},
        {1021, "喇叭音量:"},
        {1011, "生效"},
        {1067, "地址码一"},
        {1005, "地址码二"},
        {1006, "地址码三"},
        {1045, "报警关闭地址:"},
        {1043, "生效"},
        {1059, "设置"},
        {1060, "回读"},
    };
    for (const auto& [id, caption] : byId) {
        QWidget* w = f.W(id);
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
        if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) text = g->title();
        EXPECT_EQ(text, U(caption)) << id;
    }
    const char* rows[] = {"地址码:", "灯颜色:", "灯效果:", "灯时长:", "音效:", "音时长:"};
    const int firstLabels[3][6] = {{1024, 1025, 1026, 1027, 1028, 1029},
                                   {1030, 1031, 1092, 1033, 1034, 1035},
                                   {1036, 1037, 1038, 1039, 1040, 1041}};
    for (const auto& group : firstLabels) {
        for (int row = 0; row < 6; ++row) {
            EXPECT_EQ(qobject_cast<QLabel*>(f.W(group[row]))->text(), U(rows[row])) << group[row];
        }
    }
    // The controls without an ID are found by their captions.
    QStringList unnamed;
    for (QGroupBox* g : f.view.findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly))
        if (g->objectName().isEmpty()) unnamed << g->title();
    for (QLabel* l : f.view.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        if (l->objectName().isEmpty()) unnamed << l->text();
    EXPECT_EQ(unnamed, QStringList({U("自定义语音操作"), U("固化语音操作"), U("频率:"), "MHz"}));
    EXPECT_EQ(NameOf(f.W(1055)), U("固化语音操作 格式化WAV"));
    EXPECT_EQ(NameOf(f.W(1050)), U("自定义语音操作 下载语音文件"));
}
