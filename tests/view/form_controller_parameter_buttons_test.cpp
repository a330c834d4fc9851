// Basic and address-code parameters, set and read back through the real form.
#include <QFile>

#include "common/resource_ids.h"
#include "common/staging.h"
#include "tests/support/bytes.h"
#include "tests/support/form_defaults.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

namespace ids = korvane::ids;

Bytes StagedRequest() {
    const auto path = StagingPath(kWriteFileName);
    if (!path) return {};
    return ReadWholeFile(*path, 4096).value_or(Bytes());
}

bool ReadBackLeftBehind() {
    const auto path = StagingPath(kReadFileName);
    return path && QFile::exists(QString::fromStdString(*path));
}

const Bytes kDefaultBasic = {0x31, 0x2C, 0x00, 0x0A, 0x3B, 0x32, 0x2C, 0x31, 0x3B, 0x33,
                             0x2C, 0x30, 0x3B, 0x34, 0x2C, 'Q',  'K',  'M',  'R',  0x3B};

struct BasicParams : ::testing::Test {
    HostWindow w;
    void SetUp() override { w.Connect(); }
    void AlarmTime(const char* text) {
        w.Combo(ids::kComboAlarmTime)->setCurrentText(QString::fromUtf8(text));
    }
};

TEST_F(BasicParams, TheDefaultFormSendsItsTwentyBytesThroughTheStagingFile) {
    w.Click(ids::kBtnSetBasic);
    EXPECT_EQ(w.Boxes(), Strings{"设置参数成功！"});
    EXPECT_EQ(w.Host().basicParams, kDefaultBasic);
    EXPECT_EQ(StagedRequest(), kDefaultBasic);
    EXPECT_FALSE(w.View().progress->IsOpen());
}

// How other texts read is the records' rule.
TEST_F(BasicParams, AlarmTimeTextBecomesTwoBytes) {
    AlarmTime("300");
    w.Click(ids::kBtnSetBasic);
    ASSERT_EQ(w.Host().basicParams.size(), 20u);
    EXPECT_EQ(w.Host().basicParams[2], 0x01);
    EXPECT_EQ(w.Host().basicParams[3], 0x2C);
}

TEST_F(BasicParams, TheFormHandsItsTextsOverInUtf8) {
    // The alarm-time text is compared with "一直响" in the encoding the form
    // hands over: a match, not a number parse that happens to give 0.
    AlarmTime("一直响");
    EXPECT_EQ(w.View().BasicParams().alarmTimeText, "\xE4\xB8\x80\xE7\x9B\xB4\xE5\x93\x8D");
    w.Type(ids::kEditPassword, "报警");
    w.Click(ids::kBtnSetBasic);
    ASSERT_EQ(w.Host().basicParams.size(), 20u);
    EXPECT_EQ(ToHex(Bytes(w.Host().basicParams.begin() + 2, w.Host().basicParams.begin() + 4)),
              "00 00");
    // Two Chinese characters are the four bytes the host takes.
    EXPECT_EQ(ToHex(Bytes(w.Host().basicParams.begin() + 15, w.Host().basicParams.begin() + 19)),
              "B1 A8 BE AF");
}

TEST_F(BasicParams, AReadBackPasswordIsShownAsTheHostHoldsIt) {
    // Typed letters become capitals; what the host sends back is shown as it is.
    w.Host().basicParams = Hex("34 2C 61 62 31 63 3B");
    w.Click(ids::kBtnReadBasic);
    EXPECT_EQ(w.Text(ids::kEditPassword), "ab1c");
    w.Host().basicParams = Hex("34 2C B1 A8 BE AF 3B");
    w.Click(ids::kBtnReadBasic);
    EXPECT_EQ(w.Text(ids::kEditPassword), "报警");
}

// Which values are refused, and in what order, is the records' and the
// operation's: here, that a refusal sends nothing, and that a frequency the
// form cannot take stops the click before the parameters are looked at.
TEST_F(BasicParams, RefusalsSendNothingAndTheFrequencyComesFirst) {
    const Bytes before = w.Host().basicParams;
    AlarmTime("65536");
    w.Click(ids::kBtnSetBasic);
    EXPECT_EQ(w.Boxes(), Strings{"取值范围为0到65535！"});
    w.Clear();
    w.Type(ids::kEditPassword, "ABC");
    w.Type(ids::kEditFrequency, "abc");
    w.Click(ids::kBtnSetBasic);
    EXPECT_EQ(w.Boxes(), Strings{"请输入一个数字。"});
    EXPECT_TRUE(w.Host().received.empty());
    EXPECT_EQ(w.Host().basicParams, before);
}

TEST_F(BasicParams, ASetRoundTripsThroughTheHost) {
    AlarmTime("59");  // its low byte is the records' separator
    w.Combo(ids::kComboVolume)->setCurrentIndex(3);
    w.Combo(ids::kComboChannel)->setCurrentIndex(9);
    w.Type(ids::kEditPassword, "ABCD");
    w.Click(ids::kBtnSetBasic);
    ASSERT_EQ(w.Boxes(), Strings{"设置参数成功！"});

    // Back to the defaults, then read what the host holds.
    AlarmTime("10");
    w.Combo(ids::kComboVolume)->setCurrentIndex(0);
    w.Combo(ids::kComboChannel)->setCurrentIndex(0);
    w.Type(ids::kEditPassword, kFormPassword);
    w.View().UpdateData(true);
    w.Type(ids::kEditFrequency, "500");  // typed, not applied: the read-back rewrites it
    w.Clear();
    w.Click(ids::kBtnReadBasic);
    EXPECT_TRUE(w.Boxes().empty());
    EXPECT_EQ(w.Combo(ids::kComboAlarmTime)->currentText().toStdString(), "59");
    EXPECT_EQ(w.View().alarmTime, 59);
    EXPECT_EQ(w.Combo(ids::kComboVolume)->currentIndex(), 3);
    EXPECT_EQ(w.Combo(ids::kComboChannel)->currentIndex(), 9);
    EXPECT_EQ(w.Text(ids::kEditPassword), "ABCD");
    EXPECT_EQ(w.Text(ids::kEditFrequency), "433.5");
    EXPECT_FALSE(ReadBackLeftBehind());
}

// What a read-back replaces is the form values' rule; an empty reply is not
// even shown.
TEST_F(BasicParams, AnEmptyReadBackLeavesTheFormAloneAndSaysNothing) {
    AlarmTime("25");
    w.Combo(ids::kComboVolume)->setCurrentIndex(3);
    w.Host().basicParams.clear();
    w.Click(ids::kBtnReadBasic);
    EXPECT_TRUE(w.Boxes().empty());
    EXPECT_EQ(w.Combo(ids::kComboAlarmTime)->currentText().toStdString(), "25");
    EXPECT_EQ(w.Combo(ids::kComboVolume)->currentIndex(), 3);
    EXPECT_FALSE(ReadBackLeftBehind());
}

TEST_F(BasicParams, FailedTransfersAreToldAndChangeNothing) {
    w.Host().SetFaults(Fault(&EmulatorFaults::refuseAck));
    w.Click(ids::kBtnSetBasic);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "设置参数失败！");

    w.Host().SetFaults(Fault(&EmulatorFaults::noReply));
    w.Clear();
    w.Type(ids::kEditPassword, "ZZZZ");
    w.View().UpdateData(true);
    w.Click(ids::kBtnReadBasic);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "读取失败！");
    EXPECT_EQ(w.Text(ids::kEditPassword), "ZZZZ");
    EXPECT_FALSE(ReadBackLeftBehind());
    EXPECT_FALSE(w.View().progress->IsOpen());
}

struct AddressCodes : ::testing::Test {
    HostWindow w{1};
    void SetUp() override { w.Connect(); }
    Bytes Record(uint8_t id) { return w.Host().addressCodes[id]; }
};

TEST_F(AddressCodes, GroupOneAloneGivesItsTwentyTwoBytes) {
    w.Check(ids::kCheckGroup[0])->setChecked(true);
    w.Type(ids::kEditAddress[0], "123");
    w.Combo(ids::kComboColor[0])->setCurrentIndex(2);
    w.Combo(ids::kComboEffect[0])->setCurrentIndex(1);
    w.Type(ids::kEditLampDuration[0], "999");
    w.Type(ids::kEditSoundEffect[0], "255");
    w.Type(ids::kEditSoundDuration[0], "300");
    w.Click(ids::kBtnSetAddressCodes);
    EXPECT_EQ(w.Boxes(), Strings{"设置地址码参数成功！"});
    const Bytes expected = {0x32, 0x2C, '0',  '0',  '0',  '0',  '1',  '2',  '3',  0x3A, 2,
                            0x3A, 1,    0x3A, 0x03, 0xE7, 0x3A, 0xFF, 0x3A, 0x01, 0x2C, 0x3B};
    EXPECT_EQ(StagedRequest(), expected);
    EXPECT_EQ(Record(0x32), expected);
}

// Which fields are checked, and against what, is the records' rule.
TEST_F(AddressCodes, AValueOutOfRangeSendsNothing) {
    w.Check(ids::kCheckGroup[0])->setChecked(true);
    w.Type(ids::kEditLampDuration[0], "1000");
    w.Click(ids::kBtnSetAddressCodes);
    EXPECT_EQ(w.Boxes(), Strings{"超出范围，请重设！"});
    EXPECT_TRUE(w.Host().received.empty());
}

TEST_F(AddressCodes, VolumeAboveEightSendsNothing) {
    w.Check(ids::kCheckSpeakerVolume)->setChecked(true);
    w.Type(ids::kEditSpeakerVolume, "9");
    w.Click(ids::kBtnSetAddressCodes);
    EXPECT_EQ(w.Boxes(), Strings{"输入不正确，请重新输入！"});
    EXPECT_TRUE(w.Host().received.empty());
}

TEST_F(AddressCodes, ReadBackFillsTheControlsAndTellsTheSoundCount) {
    w.Check(ids::kCheckSpeakerVolume)->setChecked(true);
    w.Type(ids::kEditSpeakerVolume, "5");
    w.Check(ids::kCheckGroup[2])->setChecked(true);
    w.Type(ids::kEditAddress[2], "7654321");
    w.Combo(ids::kComboColor[2])->setCurrentIndex(1);
    w.Type(ids::kEditLampDuration[2], "12");
    w.Click(ids::kBtnSetAddressCodes);
    ASSERT_EQ(w.Boxes(), Strings{"设置地址码参数成功！"});
    w.Host().customSounds.resize(2);
    w.Host().fixedSounds.resize(1);

    w.View().ResetAddressCodeFields();
    w.Check(ids::kCheckSpeakerVolume)->setChecked(false);
    w.Check(ids::kCheckGroup[2])->setChecked(false);
    w.Check(ids::kCheckGroup[0])->setChecked(true);  // not in the reply: unchecked by the read
    w.Clear();
    w.Click(ids::kBtnReadAddressCodes);
    EXPECT_EQ(w.Boxes(), Strings{"报警音数目为: 3 个。"});
    EXPECT_TRUE(w.Check(ids::kCheckSpeakerVolume)->isChecked());
    EXPECT_EQ(w.Text(ids::kEditSpeakerVolume), "5");
    EXPECT_FALSE(w.Check(ids::kCheckGroup[0])->isChecked());
    EXPECT_TRUE(w.Check(ids::kCheckGroup[2])->isChecked());
    EXPECT_EQ(w.Text(ids::kEditAddress[2]), "7654321");
    EXPECT_EQ(w.Combo(ids::kComboColor[2])->currentIndex(), 1);
    EXPECT_EQ(w.Text(ids::kEditLampDuration[2]), "12");
    EXPECT_FALSE(w.Check(ids::kCheckAlarmOff)->isChecked());
    EXPECT_FALSE(ReadBackLeftBehind());
}

TEST_F(AddressCodes, TheSoundCountIsToldBeforeTheRecordsAfterIt) {
    // The count first, then group 1 with nothing but its id, then an
    // unterminated group 3 that must stay unused.
    EmulatorFaults f;
    f.mangle = [](uint8_t command, std::vector<Report>& replies) {
        if (command != 0xE3) return;
        const Bytes data = {0x00, 0x01, 0x00, 0x01, 0x36, 0x2C, 4,  0x3B,
                            0x32, 0x2C, 0x3B, 0x34, 0x2C, '9',  '9'};
        replies = {LampFrame::MakeReply(0xE3, data)};
    };
    w.Host().SetFaults(f);
    w.Type(ids::kEditAddress[0], "5555555");
    w.Type(ids::kEditAddress[2], "1111111");
    bool groupSetAtBox = true;
    w.dialogs.progressVisibleProbe = [&] {
        groupSetAtBox = w.Check(ids::kCheckGroup[0])->isChecked();
        return false;
    };
    w.Click(ids::kBtnReadAddressCodes);
    EXPECT_EQ(w.Boxes(), Strings{"报警音数目为: 4 个。"});
    EXPECT_FALSE(groupSetAtBox);
    EXPECT_TRUE(w.Check(ids::kCheckGroup[0])->isChecked());
    EXPECT_EQ(w.Text(ids::kEditAddress[0]), "");
    EXPECT_EQ(w.Text(ids::kEditLampDuration[0]), "0");
    EXPECT_FALSE(w.Check(ids::kCheckGroup[2])->isChecked());
    EXPECT_EQ(w.Text(ids::kEditAddress[2]), "1111111");
}

TEST_F(AddressCodes, FailuresAreToldAndLeaveTheControls) {
    w.Check(ids::kCheckGroup[0])->setChecked(true);
    w.Host().SetFaults(Fault(&EmulatorFaults::refuseAck));
    w.Click(ids::kBtnSetAddressCodes);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "设置地址码参数失败！");
    w.Clear();
    w.Host().SetFaults(Fault(&EmulatorFaults::noReply));
    w.Click(ids::kBtnReadAddressCodes);
    ASSERT_FALSE(w.Boxes().empty());
    EXPECT_EQ(w.Boxes().back(), "读取失败！");
    EXPECT_TRUE(w.Check(ids::kCheckGroup[0])->isChecked());
}

}  // namespace
}  // namespace korvane::test
