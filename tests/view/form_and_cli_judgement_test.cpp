// One value given to the window and to korvane-cli: the host gets the same
// bytes from both, or both refuse it with the same text and send nothing.
#include <QKeyEvent>
#include <cstdio>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "common/resource_ids.h"
#include "tests/support/bytes.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

namespace ids = korvane::ids;

enum class Into { AlarmTime, Password, Volume, AlarmOff, Address, LampDuration };

struct Row {
    Into into;
    const char* text;
    const char* sent;     // the record the host holds afterwards, or nullptr
    const char* refusal;  // the box of a refused value, or nullptr
};

const char* const kRefused = "输入不正确，请重新输入！";
const Row kRows[] = {
    {Into::AlarmTime, "10.7", "31 2C 00 0A 3B", nullptr},
    {Into::AlarmTime, "一直响", "31 2C 00 00 3B", nullptr},
    {Into::AlarmTime, "65536", nullptr, "取值范围为0到65535！"},
    {Into::Password, "abcd", "34 2C 41 42 43 44 3B", nullptr},
    {Into::Password, "报警", "34 2C B1 A8 BE AF 3B", nullptr},
    {Into::Password, "ａｂ", "34 2C A3 C1 A3 C2 3B", nullptr},  // fullwidth letters too
    {Into::Password, "ab1", nullptr, "密码长度必须是四位！"},
    {Into::Volume, "05", "31 2C 30 35 3B", nullptr},
    {Into::Volume, "", "31 2C 3B", nullptr},
    {Into::Volume, "9", nullptr, kRefused},
    {Into::Volume, "5x", nullptr, kRefused},
    {Into::AlarmOff, "99", "35 2C 30 30 30 30 30 39 39 3B", nullptr},
    {Into::AlarmOff, "", "35 2C 3B", nullptr},
    {Into::AlarmOff, "12a", nullptr, kRefused},
    {Into::Address, "123", "32 2C 30 30 30 30 31 32 33 3A 00 3A 00 3A 00 00 3A 01 3A 00 00 3B",
     nullptr},
    {Into::LampDuration, "1000", nullptr, "超出范围，请重设！"},
    {Into::LampDuration, "5x", nullptr, "超出范围，请重设！"},
};

bool Basic(Into into) { return into == Into::AlarmTime || into == Into::Password; }

// The record of the row's setting, as the host holds it; empty when nothing
// reached the host.
std::string Held(HostEmulator& host, Into into) {
    if (host.acknowledgements == 0) return {};
    switch (into) {
        case Into::AlarmTime:
            return ToHex(Bytes(host.basicParams.begin(), host.basicParams.begin() + 5));
        case Into::Password:
            return ToHex(Bytes(host.basicParams.begin() + 13, host.basicParams.end()));
        case Into::Volume:
            return ToHex(host.addressCodes[0x31]);
        case Into::AlarmOff:
            return ToHex(host.addressCodes[0x35]);
        default:
            return ToHex(host.addressCodes[0x32]);
    }
}

// Key presses that each type one character, Chinese ones too.
void TypeKeys(QWidget* edit, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
    }
}

// The row typed into the window, as the operator or a read-back puts it there.
Strings ThroughTheWindow(const Row& row, std::string& held) {
    HostWindow w(Basic(row.into) ? 0 : 1);
    w.Connect();
    switch (row.into) {
        case Into::AlarmTime:
            w.Combo(ids::kComboAlarmTime)->setCurrentText(QString::fromUtf8(row.text));
            break;
        case Into::Password:
            w.Edit(ids::kEditPassword)->clear();
            TypeKeys(w.Edit(ids::kEditPassword), QString::fromUtf8(row.text));
            break;
        case Into::Volume:
            w.Check(ids::kCheckSpeakerVolume)->setChecked(true);
            w.Type(ids::kEditSpeakerVolume, row.text);
            break;
        case Into::AlarmOff:
            w.Check(ids::kCheckAlarmOff)->setChecked(true);
            w.Type(ids::kEditAlarmOff, row.text);
            break;
        case Into::Address:
        case Into::LampDuration:
            w.Check(ids::kCheckGroup[0])->setChecked(true);
            w.Type(row.into == Into::Address ? ids::kEditAddress[0] : ids::kEditLampDuration[0],
                   row.text);
            break;
    }
    w.Click(Basic(row.into) ? ids::kBtnSetBasic : ids::kBtnSetAddressCodes);
    held = Held(w.Host(), row.into);
    return w.Boxes();
}

// The row given to korvane-cli as its option.
Strings ThroughTheCli(const Row& row, int& status, std::string& held) {
    cli::Options options;
    options.session.emulate = Basic(row.into) ? LampModel::Rt220 : LampModel::Rt221;
    const std::string text = row.text;
    switch (row.into) {
        case Into::AlarmTime:
            options.args = {"basic", "set", "--alarm-time", text};
            break;
        case Into::Password:
            options.args = {"basic", "set", "--comm-password", text};
            break;
        case Into::Volume:
            options.args = {"address", "set", "--volume", text};
            break;
        case Into::AlarmOff:
            options.args = {"address", "set", "--alarm-off", text};
            break;
        case Into::Address:
            options.args = {"address", "set", "--group", "1:" + text};
            break;
        case Into::LampDuration:
            options.args = {"address", "set", "--group", "1:0120120:red:flashing:" + text + ":1:0"};
            break;
    }
    std::FILE* sink = std::tmpfile();
    const cli::Output out(sink, sink);
    cli::TerminalOperator op(sink, sink);
    VirtualClock clock;
    cli::Runner runner(options, out, clock, op);
    status = cli::RunCommand(runner);
    std::fclose(sink);
    held = Held(*runner.session().emulator(), row.into);
    return op.boxes();
}

TEST(FormAndCli, TheSameValueGivesTheSameBytesOrTheSameRefusal) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.text);
        std::string windowHeld;
        std::string cliHeld;
        int status = -1;
        const Strings windowBoxes = ThroughTheWindow(row, windowHeld);
        const Strings cliBoxes = ThroughTheCli(row, status, cliHeld);
        if (row.sent != nullptr) {
            EXPECT_EQ(windowHeld, row.sent);
            EXPECT_EQ(cliHeld, row.sent);
            EXPECT_EQ(status, 0);
        } else {
            EXPECT_EQ(windowBoxes, Strings{row.refusal});
            EXPECT_EQ(cliBoxes, Strings{row.refusal});
            EXPECT_EQ(status, 2);
            EXPECT_EQ(windowHeld, "");
            EXPECT_EQ(cliHeld, "");
        }
    }
}

}  // namespace
}  // namespace korvane::test
