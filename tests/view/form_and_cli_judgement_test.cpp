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

// Where a value goes: the window's control (and the check box that puts it
// in effect), and the command line that carries it, the value between
// `before` and `after`.
struct Setting {
    int control;
    int check;  // 0: none
    std::vector<std::string> args;
    std::string before;
    std::string after;
    // The record the host holds: bytes [from, to) of the basic parameters,
    // or (to == 0) the address-code record of id `from`.
    std::size_t from;
    std::size_t to;
};

const Setting kAlarmTime{ids::kComboAlarmTime, 0, {"basic", "set", "--alarm-time"}, "", "", 0, 5};
const Setting kPassword{ids::kEditPassword, 0, {"basic", "set", "--comm-password"}, "", "", 13, 20};
const Setting kVolume{ids::kEditSpeakerVolume,
                      ids::kCheckSpeakerVolume,
                      {"address", "set", "--volume"},
                      "",
                      "",
                      0x31,
                      0};
const Setting kAlarmOff{
    ids::kEditAlarmOff, ids::kCheckAlarmOff, {"address", "set", "--alarm-off"}, "", "", 0x35, 0};
const Setting kAddress{
    ids::kEditAddress[0], ids::kCheckGroup[0], {"address", "set", "--group"}, "1:", "", 0x32, 0};
const Setting kLampDuration{ids::kEditLampDuration[0],
                            ids::kCheckGroup[0],
                            {"address", "set", "--group"},
                            "1:0120120:red:flashing:",
                            ":1:0",
                            0x32,
                            0};

struct Row {
    const Setting* into;
    const char* text;
    const char* sent;     // the record the host holds afterwards, or nullptr
    const char* refusal;  // the box of a refused value, or nullptr
};

const char* const kRefused = "输入不正确，请重新输入！";
const Row kRows[] = {
    {&kAlarmTime, "10.7", "31 2C 00 0A 3B", nullptr},
    {&kAlarmTime, "一直响", "31 2C 00 00 3B", nullptr},
    {&kAlarmTime, "65536", nullptr, "取值范围为0到65535！"},
    {&kPassword, "abcd", "34 2C 41 42 43 44 3B", nullptr},
    {&kPassword, "报警", "34 2C B1 A8 BE AF 3B", nullptr},
    {&kPassword, "ａｂ", "34 2C A3 C1 A3 C2 3B", nullptr},  // fullwidth letters too
    {&kPassword, "ab1", nullptr, "密码长度必须是四位！"},
    {&kVolume, "05", "31 2C 30 35 3B", nullptr},
    {&kVolume, "", "31 2C 3B", nullptr},
    {&kVolume, "9", nullptr, kRefused},
    {&kVolume, "5x", nullptr, kRefused},
    {&kAlarmOff, "99", "35 2C 30 30 30 30 30 39 39 3B", nullptr},
    {&kAlarmOff, "", "35 2C 3B", nullptr},
    {&kAlarmOff, "12a", nullptr, kRefused},
    {&kAddress, "123", "32 2C 30 30 30 30 31 32 33 3A 00 3A 00 3A 00 00 3A 01 3A 00 00 3B",
     nullptr},
    {&kLampDuration, "1000", nullptr, "超出范围，请重设！"},
    {&kLampDuration, "5x", nullptr, "超出范围，请重设！"},
};

bool Basic(const Setting& s) { return s.to != 0; }

// The record of the setting as the host holds it; empty when nothing reached the host.
std::string Held(HostEmulator& host, const Setting& s) {
    if (host.acknowledgements == 0) return {};
    if (!Basic(s)) return ToHex(host.addressCodes[static_cast<uint8_t>(s.from)]);
    const auto start = host.basicParams.begin();
    return ToHex(Bytes(start + static_cast<std::ptrdiff_t>(s.from),
                       start + static_cast<std::ptrdiff_t>(s.to)));
}

// The row put into the window: typed into the password edit, whose typing
// makes capitals; set into the others as a read-back would set them.
Strings ThroughTheWindow(const Row& row, std::string& held) {
    const Setting& s = *row.into;
    HostWindow w(Basic(s) ? 0 : 1);
    w.Connect();
    if (s.check != 0) w.Check(s.check)->setChecked(true);
    const QString text = QString::fromUtf8(row.text);
    if (s.control == ids::kComboAlarmTime) {
        w.Combo(s.control)->setCurrentText(text);
    } else if (s.control == ids::kEditPassword) {
        w.Edit(s.control)->clear();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w.Edit(s.control), &press);
        }
    } else {
        w.Type(s.control, row.text);
    }
    w.Click(Basic(s) ? ids::kBtnSetBasic : ids::kBtnSetAddressCodes);
    held = Held(w.Host(), s);
    return w.Boxes();
}

// The row given to korvane-cli, run in this process on its emulated host.
Strings ThroughTheCli(const Row& row, int& status, std::string& held) {
    const Setting& s = *row.into;
    cli::Options options;
    options.session.emulate = {Basic(s) ? LampModel::Rt220 : LampModel::Rt221};
    options.args = s.args;
    options.args.push_back(s.before + row.text + s.after);
    std::FILE* sink = std::tmpfile();
    const cli::Output out(sink, sink);
    cli::TerminalOperator op(sink, sink);
    VirtualClock clock;
    cli::Runner runner(options, out, clock, op);
    status = cli::RunCommand(runner);
    std::fclose(sink);
    held = Held(*runner.session().emulator(), s);
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
