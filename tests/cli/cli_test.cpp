// korvane-cli as a script sees it: the real executable, its exact output
// lines and exit statuses, against the emulated host whose state is kept in
// a file between two runs.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>
#include <tuple>

#include "cli_runner.h"

namespace korvane::clitest {
namespace {

class Cli : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch.valid()); }

    // One run on the emulated host of `model`, whose state lives in `state`.
    CliResult Emu(const QString& model, const QStringList& args,
                  const QString& state = "host.json") const {
        return scratch.Run(
            QStringList{"--emulate", model, "--emulator-state", scratch.Path(state), "--quiet"} +
            args);
    }
    QJsonObject State(const QString& state = "host.json") const {
        return QJsonDocument::fromJson(scratch.ReadFile(state)).object();
    }

    CliScratch scratch;
};

QJsonObject JsonOf(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

TEST_F(Cli, HelpNamesEveryCommandAndVersionPrintsTheNumber) {
    const CliResult help = scratch.Run({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* command : {"list",
                                "init",
                                "version",
                                "frequency get",
                                "frequency set MHZ",
                                "basic get",
                                "basic set",
                                "address get",
                                "address set",
                                "--alarm-off",
                                "voice download [--plan] custom|fixed",
                                "voice plan FOLDER",
                                "record [--since YYYY-MM-DD]",
                                "--record[=FILE]",
                                "voice format custom|fixed",
                                "upgrade FILE",
                                "dump [FILE]",
                                "apply FILE",
                                "--device PATH|serial:S|port:P",
                                "--emulate MODEL[,MODEL]",
                                "--json",
                                "--password"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;

    const CliResult version = scratch.Run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "korvane-cli 1.1.0\n");
}

// Several emulated hosts, each known by its serial number and port, each
// keeping its own state; a form that matches no host sends nothing.
TEST_F(Cli, EachEmulatedHostIsChosenByItsFormAndKeepsItsState) {
    const QStringList three = {"--emulate", "rt221,rt221,rt220", "--emulator-state",
                               scratch.Path("host.json"), "--quiet"};
    const CliResult list = scratch.Run(three + QStringList{"list"});
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out,
              "emulated:0\t0483:7890\tRT-221\tEMU0001\temulated:1\n"
              "emulated:1\t0483:7890\tRT-221\tEMU0002\temulated:2\n"
              "emulated:2\t0483:1234\tRT-220\tEMU0003\temulated:3\n");
    struct Case {
        QStringList args;
        int code;
        const char* out;
        const char* err;
    } cases[] = {
        {{"--device", "serial:EMU0002", "frequency", "set", "868.3"},
         0,
         "设置接收频率成功！\n",
         ""},
        {{"--device", "serial:EMU0002", "frequency", "get"},
         0,
         "回读接收频率成功！\n868.3\n",
         nullptr},
        {{"--device", "port:emulated:3", "basic", "get"}, 0, nullptr, nullptr},
        {{"--device", "emulated:0", "frequency", "get"},
         0,
         "回读接收频率成功！\n433.92\n",
         nullptr},
        {{"--device", "serial:EMU0009", "init"},
         1,
         "",
         "korvane-cli: no host matches serial:EMU0009\n"},
        {{"--device", "port:1-1.3", "init"}, 1, "", "korvane-cli: no host matches port:1-1.3\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = scratch.Run(three + c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        if (c.out) {
            EXPECT_EQ(r.out, c.out);
        }
        if (c.err) {
            EXPECT_EQ(r.err, c.err);
        }
    }
    // Only the hosts a run opened wrote their files.
    EXPECT_TRUE(State("host.EMU0002.json")["frequencyDigits"].toString().startsWith("868"));
    EXPECT_EQ(State("host.json")["frequencyDigits"].toString(), "433920000");
    EXPECT_TRUE(scratch.Exists("host.EMU0003.json"));
}

// Every spelling of an option that the README shows, and the ones scripts
// use, read as they always did; --record FILE before the command is told
// how to give the file.
TEST_F(Cli, EveryOptionSpellingOfTheReadmeReads) {
    Environment env;
    env.Set("KORVANE_RECORD", QByteArray());
    for (const char* place : {"XDG_DATA_HOME", "LOCALAPPDATA"})
        env.Set(place, scratch.Path("data").toUtf8());
    const QString record = scratch.Path("r.jsonl");
    QDir(scratch.Path("")).mkdir("sounds");
    scratch.WriteFile("sounds/fire.wav", QByteArray("RIFF\x24\x01\x00\x00WAVEfmt ", 16));
    const struct {
        QStringList args;
        int code;
        const char* says;  // in standard output or error
    } cases[] = {
        {{"--record=" + record, "--quiet", "init"}, 0, "初始化设备成功！"},
        {{"--record", "--quiet", "init"}, 0, "初始化设备成功！"},
        {{"--record", record, "init"}, 2, "a file for the record is given as --record="},
        {{"record", "--record", record, "--json"}, 0, "\"operation\":\"init\""},
        {{"record", "--record=" + record, "--since", "2000-01-01", "--host", "emulated:0"},
         0,
         "emulated:0"},
        {{"record", "--since=2000-01-01", "--record=" + record}, 0, "init"},
        {{"--quiet", "voice", "download", "--plan", "custom", scratch.Path("sounds")},
         0,
         "The download would go ahead."},
        {{"--device", "serial:EMU0001", "--device=port:emulated:1", "--jobs", "1", "--quiet",
          "init"},
         0,
         "1 of 1 hosts succeeded"},
        // Its text is in the OEM code page, which need not hold Chinese.
        {{"--encoding", "oem", "--quiet", "init"}, 0, ""},
        {{"--json", "frequency", "get"}, 0, "\"frequency\""},
        {{"--quiet=yes", "init"}, 2, "--quiet takes no value"},
        {{"--jobs", "0", "init"}, 2, "--jobs takes a number of hosts"},
        {{"--device"}, 2, "--device needs a value"},
        {{"--help"}, 0, "the default FILE is\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = Emu("rt221", c.args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
    }
#ifdef _WIN32
    EXPECT_NE(scratch.Run({"--help"}).out.find("%LOCALAPPDATA%\\Korvane\\record.jsonl"),
              std::string::npos);
#else
    EXPECT_NE(scratch.Run({"--help"}).out.find("$XDG_DATA_HOME/korvane/record.jsonl"),
              std::string::npos);
#endif
}

TEST_F(Cli, UsageErrorsExitTwoWithAMessageAndLeaveTheHostAlone) {
    scratch.WriteFile("notjson.json", "{ \"model\": ");
    const QString state = scratch.Path("host.json");
    const QStringList emu{"--emulate", "rt221", "--emulator-state", state};
    const std::vector<QStringList> cases = {
        {},
        {"bogus"},
        {"--bogus", "init"},
        {"--emulate", "rt999", "init"},
        {"--emulate"},
        {"--device"},
        {"--emulator-state", state, "init"},  // a state file needs the emulator
        emu + QStringList{"frequency"},
        emu + QStringList{"frequency", "get", "now"},
        emu + QStringList{"init", "again"},
        emu + QStringList{"frequency", "set", "abc"},
        emu + QStringList{"frequency", "set", "99.9"},
        emu + QStringList{"frequency", "set", "999.1"},
        emu + QStringList{"basic", "set", "--volume", "9"},
        emu + QStringList{"basic", "set", "--volume", "0"},
        emu + QStringList{"basic", "set", "--channel", "10"},
        emu + QStringList{"basic", "set", "--channel", ""},
        emu + QStringList{"basic", "set", "--volume"},
        emu + QStringList{"basic", "set", "--colour", "red"},
        emu + QStringList{"address", "set"},
        emu + QStringList{"address", "set", "--group", "4:123"},
        emu + QStringList{"address", "set", "--group", "1:1:blue:steady:1:1:1"},
        emu + QStringList{"address", "set", "--group", "1:1:red:blinking:1:1:1"},
        emu + QStringList{"address", "set", "--group", "1:1:red"},
        emu + QStringList{"voice", "download", "other", "."},
        emu + QStringList{"voice", "download", "custom"},
        emu + QStringList{"voice", "erase", "custom"},
        emu + QStringList{"upgrade"},
        emu + QStringList{"upgrade", "missing.bin"},
        emu + QStringList{"upgrade", "."},
        emu + QStringList{"apply"},
        emu + QStringList{"apply", "missing.json"},
        emu + QStringList{"apply", scratch.Path("notjson.json")},
    };
    for (const QStringList& args : cases) {
        const CliResult r = scratch.Run(args);
        const std::string shown = args.join(' ').toStdString();
        EXPECT_EQ(r.code, 2) << shown;
        EXPECT_EQ(r.err.rfind("korvane-cli: ", 0), 0u) << shown << "\n" << r.err;
        EXPECT_EQ(r.out, "") << shown;
    }
    // Nothing reached the host: the emulated one still holds its first frequency.
    const CliResult f = Emu("rt221", {"frequency", "get"});
    EXPECT_EQ(f.out, "回读接收频率成功！\n433.92\n");
}

TEST_F(Cli, NoHostGivesTheWindowsFailureTextsAndExitOne) {
    // --device names a host that is not attached; the emulated one is elsewhere.
    const QStringList absent{"--emulate", "rt221", "--device", "/dev/hidraw99", "--quiet"};
    const CliResult init = scratch.Run(absent + QStringList{"init"});
    EXPECT_EQ(init.code, 1);
    EXPECT_EQ(init.out, "[失败1] 设备未连接，请连接设备！\n初始化设备失败！\n");

    const CliResult freq = scratch.Run(absent + QStringList{"frequency", "get"});
    EXPECT_EQ(freq.code, 1);
    EXPECT_EQ(freq.out, "[失败1] 设备未连接，请连接设备！\n回读接收频率失败！\n");

    const CliResult version = scratch.Run(absent + QStringList{"--json", "version"});
    EXPECT_EQ(version.code, 1);
    // Under --json a failure is JSON too, with every text shown.
    EXPECT_EQ(version.out,
              "{\"error\":\"读取版本号失败！\",\"texts\":[\"[失败1] 设备未连接，请连接设备！\","
              "\"读取版本号失败！\"]}\n");
    EXPECT_NE(version.err.find("读取版本号失败！"), std::string::npos);

    const CliResult dump = scratch.Run(absent + QStringList{"dump", "profile.json"});
    EXPECT_EQ(dump.code, 1);
    EXPECT_FALSE(scratch.Exists("profile.json"));

    // The emulated host is found at its own path.
    const CliResult found =
        scratch.Run({"--emulate", "rt221", "--device", "emulated:0", "--quiet", "init"});
    EXPECT_EQ(found.code, 0);
    EXPECT_EQ(found.out, "初始化设备成功！\n");
}

TEST_F(Cli, SystemCommandsAndFrequencyRoundTripAcrossTwoRuns) {
    const CliResult init = Emu("rt221", {"init"});
    EXPECT_EQ(init.code, 0);
    EXPECT_EQ(init.out, "初始化设备成功！\n");

    const CliResult version = Emu("rt221", {"version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "KV-HOST V2.1\n");

    const CliResult set = Emu("rt221", {"frequency", "set", "434.5"});
    EXPECT_EQ(set.code, 0);
    EXPECT_EQ(set.out, "设置接收频率成功！\n");

    const CliResult get = Emu("rt221", {"frequency", "get"});
    EXPECT_EQ(get.code, 0);
    EXPECT_EQ(get.out, "回读接收频率成功！\n434.5\n");

    // With --json, standard output is the JSON alone; the result line moves to standard error.
    const CliResult json = Emu("rt221", {"--json", "frequency", "get"});
    EXPECT_EQ(json.code, 0);
    EXPECT_EQ(JsonOf(json.out)["frequency"].toString(), "434.5");
    EXPECT_NE(json.err.find("回读接收频率成功！"), std::string::npos);
    EXPECT_EQ(JsonOf(Emu("rt221", {"--json", "version"}).out)["version"].toString(),
              "KV-HOST V2.1");

    const CliResult list = Emu("rt220", {"list"});
    EXPECT_EQ(list.code, 0);
    EXPECT_EQ(list.out, "emulated:0\t0483:1234\tRT-220\tEMU0001\temulated:1\n");
    const QJsonArray hosts = JsonOf(Emu("rt221", {"--json", "list"}).out)["hosts"].toArray();
    ASSERT_EQ(hosts.size(), 1);
    EXPECT_EQ(hosts[0].toObject()["id"].toString(), "0483:7890");
    EXPECT_EQ(hosts[0].toObject()["model"].toString(), "RT-221");
}

TEST_F(Cli, BasicParametersSetThenGet) {
    const CliResult set = Emu("rt220", {"basic", "set", "--alarm-time", "300", "--volume", "5",
                                        "--channel", "7", "--comm-password", "ab12"});
    EXPECT_EQ(set.code, 0);
    EXPECT_EQ(set.out, "设置参数成功！\n");

    const CliResult get = Emu("rt220", {"basic", "get"});
    EXPECT_EQ(get.code, 0);
    EXPECT_EQ(get.out, "alarmTime: 300\nchannel: 7\npassword: AB12\nvolume: 5\n");

    // Values the window refuses: its text, exit 2, nothing sent (the list
    // staged for the last send stays as it was).
    const QByteArray lastSent = scratch.ReadFile("staging/Write.txt");
    ASSERT_FALSE(lastSent.isEmpty());
    const CliResult range = Emu("rt220", {"basic", "set", "--alarm-time", "65536"});
    EXPECT_EQ(range.code, 2);
    EXPECT_EQ(range.out, "取值范围为0到65535！\n");
    // The password is judged in the host's bytes, as in the window: three or
    // five bytes are refused, never cut to four.
    for (const char* refused : {"AB1", "ABCDE", "中文字", "中abc"}) {
        const CliResult r = Emu("rt220", {"basic", "set", "--comm-password", refused});
        EXPECT_EQ(r.code, 2) << refused;
        EXPECT_EQ(r.out, "密码长度必须是四位！\n") << refused;
    }
    EXPECT_EQ(scratch.ReadFile("staging/Write.txt"), lastSent);
    EXPECT_EQ(Emu("rt220", {"basic", "get"}).out,
              "alarmTime: 300\nchannel: 7\npassword: AB12\nvolume: 5\n");
}

TEST_F(Cli, AddressCodesSetThenGet) {
    // Numbers with a 3B byte (the records' separator) come back as they were set.
    const CliResult set = Emu("rt221", {"address", "set", "--volume", "5", "--group",
                                        "2:1234567:green:steady:315:59:59", "--alarm-off", "99"});
    EXPECT_EQ(set.code, 0);
    EXPECT_EQ(set.out, "设置地址码参数成功！\n");

    const CliResult get = Emu("rt221", {"address", "get"});
    EXPECT_EQ(get.code, 0);
    EXPECT_EQ(get.out,
              "volume: 5\n"
              "group 2: address 1234567, green, steady, lamp 315, sound effect 59, sound 59\n"
              "alarm-off address: 0000099\n"
              "报警音数目为: 0 个。\n");

    const CliResult range =
        Emu("rt221", {"address", "set", "--group", "1:1:red:flashing:1000:1:1"});
    EXPECT_EQ(range.code, 2);
    EXPECT_EQ(range.out, "超出范围，请重设！\n");
    // What the window's edits cannot hold is refused as the window refuses it.
    for (const QStringList& args :
         {QStringList{"--volume", "9"}, QStringList{"--alarm-off", "12345678", "--volume", "5x"},
          QStringList{"--group", "1:12a"}}) {
        const CliResult refused = Emu("rt221", QStringList{"address", "set"} + args);
        EXPECT_EQ(refused.code, 2) << args.join(' ').toStdString();
        EXPECT_EQ(refused.out, "输入不正确，请重新输入！\n") << args.join(' ').toStdString();
    }
    EXPECT_EQ(Emu("rt221", {"address", "get"}).out, get.out);
}

TEST_F(Cli, DumpAndApplyCopyOneHostToAnother) {
    ASSERT_EQ(Emu("rt221",
                  {"address", "set", "--volume", "3", "--group", "1:7654321:yellow:flashing:5:2:6",
                   "--group", "3:42:red:steady:999:255:0"},
                  "a.json")
                  .code,
              0);
    ASSERT_EQ(Emu("rt221", {"frequency", "set", "868.3"}, "a.json").code, 0);

    const CliResult dumpA = Emu("rt221", {"dump", scratch.Path("profile.json")}, "a.json");
    ASSERT_EQ(dumpA.code, 0);
    const QByteArray profile = scratch.ReadFile("profile.json");
    const QJsonObject p = QJsonDocument::fromJson(profile).object();
    EXPECT_EQ(p["model"].toString(), "RT-221");
    EXPECT_EQ(p["frequency"].toString(), "868.3");
    // The groups in effect, each by its number.
    const QJsonArray groups = p["address"].toObject()["groups"].toArray();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[1].toObject()["group"].toInt(), 3);
    EXPECT_EQ(groups[1].toObject()["address"].toString(), "0000042");
    EXPECT_EQ(groups[1].toObject()["lampDuration"].toInt(), 999);

    const CliResult apply = Emu("rt221", {"apply", scratch.Path("profile.json")}, "b.json");
    EXPECT_EQ(apply.code, 0);
    EXPECT_EQ(apply.out, "设置接收频率成功！\n设置地址码参数成功！\n");

    // Dumped to standard output, the profile is the JSON alone and equals the first host's.
    const CliResult dumpB = Emu("rt221", {"dump"}, "b.json");
    EXPECT_EQ(dumpB.code, 0);
    EXPECT_EQ(dumpB.out, profile.toStdString());

    // The basic parameters of an RT-220 travel the same way: a frequency as a
    // JSON number, an alarm time as the combo box reads its text, and a
    // password of two Chinese characters, four bytes for the host.
    scratch.WriteFile("basic.json", R"({"model": "RT-220", "frequency": 433.5,
        "basic": {"alarmTime": "10.7", "volume": 8, "channel": 9, "password": "报警"}})");
    const CliResult apply220 = Emu("rt220", {"apply", scratch.Path("basic.json")}, "c.json");
    EXPECT_EQ(apply220.code, 0);
    EXPECT_EQ(apply220.out, "设置接收频率成功！\n设置参数成功！\n");
    const QJsonObject back = JsonOf(Emu("rt220", {"dump"}, "c.json").out);
    EXPECT_EQ(back["frequency"].toString(), "433.5");
    const QJsonObject basic = back["basic"].toObject();
    EXPECT_EQ(basic["alarmTime"].toInt(), 10);
    EXPECT_EQ(basic["volume"].toInt(), 8);
    EXPECT_EQ(basic["channel"].toInt(), 9);
    EXPECT_EQ(basic["password"].toString(), "报警");
}

TEST_F(Cli, APasswordWithASemicolonIsDumpedWholeAndAppliesAgain) {
    ASSERT_EQ(Emu("rt220", {"basic", "set", "--comm-password", "a;bc"}, "a.json").code, 0);
    ASSERT_EQ(Emu("rt220", {"dump", scratch.Path("profile.json")}, "a.json").code, 0);
    const QJsonObject basic =
        QJsonDocument::fromJson(scratch.ReadFile("profile.json")).object()["basic"].toObject();
    EXPECT_EQ(basic["password"].toString().toStdString(), "A;BC");

    const CliResult apply = Emu("rt220", {"apply", scratch.Path("profile.json")}, "b.json");
    EXPECT_EQ(apply.code, 0);
    EXPECT_EQ(apply.out, "设置接收频率成功！\n设置参数成功！\n");
    EXPECT_EQ(
        QByteArray::fromBase64(State("b.json")["basicParams"].toString().toLatin1()).toHex(' '),
        "31 2c 00 0a 3b 32 2c 31 3b 33 2c 30 3b 34 2c 41 3b 42 43 3b");
}

// What 1.0.0 wrote still works: its profiles apply, and its record lines
// are read (the files kept under tests/data are 1.0.0's own).
TEST_F(Cli, ProfilesAndRecordLinesThatVersion1_0_0WroteStillWork) {
    const QString data = KORVANE_TEST_DATA;
    const CliResult a221 = Emu("rt221", {"apply", data + "/profile-1.0.0-rt221.json"}, "a.json");
    EXPECT_EQ(a221.code, 0) << a221.err;
    EXPECT_EQ(a221.out, "设置接收频率成功！\n设置地址码参数成功！\n");
    const QJsonObject address = JsonOf(Emu("rt221", {"dump"}, "a.json").out)["address"].toObject();
    EXPECT_EQ(address["volume"].toInt(), 5);
    EXPECT_EQ(address["alarmOff"].toString(), "0000099");
    const QJsonArray groups = address["groups"].toArray();
    ASSERT_EQ(groups.size(), 2);  // group 2 was there, but not in effect
    EXPECT_EQ(groups[1].toObject()["group"].toInt(), 3);
    EXPECT_EQ(groups[1].toObject()["soundEffect"].toInt(), 59);

    const CliResult a220 = Emu("rt220", {"apply", data + "/profile-1.0.0-rt220.json"}, "b.json");
    EXPECT_EQ(a220.code, 0) << a220.err;
    const QJsonObject basic = JsonOf(Emu("rt220", {"dump"}, "b.json").out)["basic"].toObject();
    EXPECT_EQ(basic["alarmTime"].toInt(), 30);
    EXPECT_EQ(basic["password"].toString(), "ABCD");

    const QString record = data + "/record-1.0.0.jsonl";
    const CliResult table = scratch.Run({"record", "--record", record});
    EXPECT_EQ(table.code, 0) << table.err;
    EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 10) << table.out;
    EXPECT_NE(table.out.find("firmware upgrade  success"), std::string::npos) << table.out;
    const CliResult lines = scratch.Run({"record", "--json", "--record=" + record});
    EXPECT_EQ(std::count(lines.out.begin(), lines.out.end(), '\n'), 9);
    EXPECT_TRUE(lines.err.empty()) << lines.err;
}

TEST_F(Cli, DumpKeepsTheWindowsDefaultsForWhatTheHostDoesNotSend) {
    // A new RT-221 host holds no address codes: nothing is in effect, so
    // nothing is written.
    const QJsonObject dumped = JsonOf(Emu("rt221", {"dump"}, "a.json").out);
    EXPECT_TRUE(dumped.contains("address"));
    EXPECT_TRUE(dumped["address"].toObject().isEmpty());

    // An RT-220 host that sends no password record: basic get leaves the line
    // out, dump keeps the window's "QKMR".
    const QByteArray noPassword("\x31\x2c\x01\x2c\x3b\x32\x2c\x33\x3b\x33\x2c\x35\x3b");
    scratch.WriteFile("b.json", "{\"basicParams\": \"" + noPassword.toBase64() + "\"}");
    EXPECT_EQ(Emu("rt220", {"basic", "get"}, "b.json").out,
              "alarmTime: 300\nchannel: 5\nvolume: 3\n");
    const QJsonObject basic = JsonOf(Emu("rt220", {"dump"}, "b.json").out)["basic"].toObject();
    EXPECT_EQ(basic["alarmTime"].toInt(), 300);
    EXPECT_EQ(basic["volume"].toInt(), 3);
    EXPECT_EQ(basic["channel"].toInt(), 5);
    EXPECT_EQ(basic["password"].toString().toStdString(), "QKMR");
}

TEST_F(Cli, ProfilesWithABadValueAreRefusedBeforeAnythingIsSent) {
    const char* group = R"({"inEffect": true, "address": "1", "color": "red", "effect": "steady",
                            "lampDuration": "1", "soundEffect": "1", "soundDuration": "1"})";
    auto rt221 = [&](const std::string& address) {
        return R"({"model": "RT-221", "frequency": "434", "address": )" + address + "}";
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"not json", "not a JSON object"},
        {R"({"model": "RT-999"})", "\"model\""},
        {R"({"model": "RT-221", "frequency": "fast"})", "\"frequency\" is not a number"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 1, "volume": 1}})", "\"basic\" needs"},
        {R"({"model": "RT-220", "frequency": 50, "basic": {"alarmTime": 1, "volume": 1,
            "channel": 0, "password": "ABCD"}})",
         "frequency: must lie in 100..999 MHz"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 1, "volume": 9, "channel": 0,
            "password": "ABCD"}})",
         "basic.volume"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 70000, "volume": 1, "channel": 0,
            "password": "ABCD"}})",
         "basic.alarmTime: 取值范围为0到65535！"},
        // No edit takes a number with a fraction.
        {R"({"model": "RT-220", "basic": {"alarmTime": 10.7, "volume": 1, "channel": 0,
            "password": "ABCD"}})",
         "basic.alarmTime is not a whole number"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 1, "volume": 1, "channel": 2.5,
            "password": "ABCD"}})",
         "basic.channel is not a whole number"},
        {rt221(R"({"groups": [{"inEffect": true, "address": "1", "lampDuration": 5.5}]})"),
         "address.groups[0].lampDuration is not a whole number"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 1, "volume": 1, "channel": 0,
            "password": "ABC"}})",
         "basic.password: 密码长度必须是四位！"},
        {rt221(R"({"groups": [{"inEffect": true, "address": "12345678"}]})"),
         "address.groups[0].address"},
        // A JSON number is read as its digits, never as an empty address.
        {rt221(R"({"groups": [{"inEffect": true, "address": 12345678}]})"),
         "address.groups[0].address"},
        {rt221(R"({"groups": [)" + std::string(group) +
               R"(, {"inEffect": true, "color": "blue"}]})"),
         "address.groups[1].color"},
        {rt221(R"({"groups": [)" + std::string(group) + "," + group + "," +
               R"({"inEffect": true, "address": "1", "lampDuration": "1000"}]})"),
         "address.groups[2].lampDuration: 超出范围，请重设！"},
        {rt221(R"({"volume": {"inEffect": true, "value": "12"}})"),
         "address.volume: 输入不正确，请重新输入！"},
        {rt221(R"({"groups": [)" + std::string(group) + "," + group + "," + group + "," + group +
               "]}"),
         "more than three"},
        {rt221(R"({"volume": {"inEffect": false, "value": "1"}})"), "nothing is in effect"},
        // A profile for the other model: refused once the host has been found.
        {R"({"model": "RT-220", "basic": {"alarmTime": 1, "volume": 1, "channel": 0,
            "password": "ABCD"}})",
         "another lamp model"},
    };
    for (const auto& [text, why] : cases) {
        scratch.WriteFile("p.json", QByteArray::fromStdString(text));
        const CliResult r = Emu("rt221", {"apply", scratch.Path("p.json")});
        EXPECT_EQ(r.code, 2) << text;
        EXPECT_NE(r.err.find(why), std::string::npos) << text << "\n" << r.err;
        EXPECT_EQ(r.out, "") << text;
    }
    EXPECT_FALSE(QFile::exists(scratch.StagingDir() + "/Write.txt"));
    EXPECT_EQ(Emu("rt221", {"frequency", "get"}).out, "回读接收频率成功！\n433.92\n");
}

TEST_F(Cli, EmulatorStateFileThatIsNotOursIsRefusedAndKept) {
    scratch.WriteFile("host.json", "{ half a file");
    const CliResult r = Emu("rt221", {"frequency", "set", "500"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("is not an emulator state file"), std::string::npos);
    EXPECT_EQ(scratch.ReadFile("host.json"), "{ half a file");

    // A state that cannot be kept is a failure even though the host answered.
    const CliResult lost = scratch.Run({"--emulate", "rt221", "--emulator-state",
                                        scratch.Path("no/such/folder.json"), "--quiet", "init"});
    EXPECT_EQ(lost.code, 1);
    EXPECT_EQ(lost.out, "初始化设备成功！\n");
    EXPECT_NE(lost.err.find("cannot write the emulator state"), std::string::npos);

    // Keys a file leaves out keep what a new host holds.
    scratch.WriteFile("partial.json", R"({"frequencyDigits": "868000000"})");
    EXPECT_EQ(Emu("rt221", {"frequency", "get"}, "partial.json").out, "回读接收频率成功！\n868\n");
    EXPECT_EQ(Emu("rt221", {"version"}, "partial.json").out, "KV-HOST V2.1\n");
}

// A WAV file of a few hundred bytes: sox where it is installed, else a bare header.
QByteArray SmallWav(const CliScratch& scratch) {
    const QString sox = QStandardPaths::findExecutable("sox");
    if (!sox.isEmpty()) {
        QProcess p;
        p.start(sox, {"-n", "-r", "8000", "-b", "8", "-c", "1", scratch.Path("tone.wav"), "synth",
                      "0.03", "sine", "440"});
        if (p.waitForFinished(10000) && p.exitCode() == 0) return scratch.ReadFile("tone.wav");
    }
    QByteArray wav("RIFF\x24\x01\x00\x00WAVEfmt ", 16);
    wav += QByteArray(256, '\x80');
    return wav;
}

TEST_F(Cli, VoiceAreasDownloadCountAndFormatWithAuthorization) {
    const QByteArray wav = SmallWav(scratch);
    ASSERT_GT(wav.size(), 44);
    QDir(scratch.Path("")).mkdir("sounds");
    QDir(scratch.Path("")).mkdir("empty");
    scratch.WriteFile("sounds/fire.wav", wav);
    scratch.WriteFile("sounds/GAS.WAV", wav.left(100));
    scratch.WriteFile("sounds/警报.wav", wav);
    scratch.WriteFile("sounds/readme.txt", "not a sound");
    scratch.WriteFile("empty/readme.txt", "not a sound");

    const CliResult none = Emu("rt221", {"voice", "download", "custom", scratch.Path("empty")});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.out, "没有找到语音文件或者语音文件为空！\n");

    const CliResult custom = Emu("rt221", {"voice", "download", "custom", scratch.Path("sounds")});
    EXPECT_EQ(custom.code, 0);
    EXPECT_EQ(custom.out, "下载成功！\n");

    // The fixed area wants the password or the key file; nothing else opens it.
    for (const QStringList& args :
         {QStringList{"voice", "download", "fixed", scratch.Path("sounds")},
          QStringList{"voice", "format", "fixed"},
          QStringList{"--password", "guard7303", "voice", "download", "fixed",
                      scratch.Path("sounds")}}) {
        const CliResult r = Emu("rt221", args);
        EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "授权密码错误，请认真操作！\n") << args.join(' ').toStdString();
    }

    const CliResult fixed = Emu(
        "rt221", {"--password", "guard7302", "voice", "download", "fixed", scratch.Path("sounds")});
    EXPECT_EQ(fixed.code, 0);
    EXPECT_EQ(fixed.out, "下载固化WAV音频报警音成功！\n");

    const CliResult count = Emu("rt221", {"address", "get"});
    EXPECT_EQ(count.code, 0);
    EXPECT_EQ(count.out, "报警音数目为: 6 个。\n");
    EXPECT_EQ(JsonOf(Emu("rt221", {"--json", "address", "get"}).out)["alarmSounds"].toInt(), 6);

    // The key file in the working folder stands in for the password.
    scratch.WriteFile("pwd.txt", "");
    const CliResult format = Emu("rt221", {"voice", "format", "fixed"});
    EXPECT_EQ(format.code, 0);
    EXPECT_EQ(format.out, "格式化固化WAV音频区域成功！\n");
    EXPECT_EQ(State()["fixedSounds"].toArray().size(), 0);
    const QJsonArray sounds = State()["customSounds"].toArray();
    ASSERT_EQ(sounds.size(), 3);
    // The Chinese name reached the host in code page 936: 警报 is BE AF B1 A8.
    EXPECT_EQ(sounds[2].toObject()["name"].toString(), "vq+xqA==");
}

TEST_F(Cli, UpgradeSendsTheImageAndRefusesOneOverThreeMillionBytes) {
    scratch.WriteFile("huge.bin", QByteArray(3000001, '\x5A'));
    const CliResult huge = Emu("rt221", {"upgrade", scratch.Path("huge.bin")});
    EXPECT_EQ(huge.code, 2);
    EXPECT_EQ(huge.out, "升级程序文件不能超过3000000字节！\n");
    EXPECT_EQ(State()["firmware"].toString(), "");

    QByteArray image;
    for (int i = 0; i < 300; ++i) image.append(static_cast<char>(i * 7));
    scratch.WriteFile("fw.bin", image);
    const CliResult ok = Emu("rt221", {"upgrade", scratch.Path("fw.bin")});
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out, "升级成功！\n");
    EXPECT_EQ(QByteArray::fromBase64(State()["firmware"].toString().toLatin1()), image);
}

TEST_F(Cli, IntoAPipeOnlyTheOutcomeLinesOfTheProgressGo) {
    scratch.WriteFile("fw.bin", QByteArray(100, '\x22'));
    const CliResult r = scratch.Run({"--emulate", "rt221", "upgrade", scratch.Path("fw.bin")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("当前第"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("升级程序发送成功"), std::string::npos) << r.err;
}

TEST_F(Cli, ListSaysOnStandardErrorWhenNoHostIsAttached) {
    // The real backend: this machine has no host attached.
    const CliResult r = scratch.Run({"list"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "korvane-cli: no host found\n");
}

TEST_F(Cli, HelpTellsWhatEachHostModelAnswers) {
    const std::string help = scratch.Run({"--help"}).out;
    EXPECT_NE(help.find("the RT-220 keeps the basic parameters (basic get|set)"),
              std::string::npos);
    EXPECT_NE(help.find("the RT-221 the\naddress-code parameters"), std::string::npos);
    EXPECT_NE(help.find("An emulated host (--emulate rt220 or rt221) answers every command"),
              std::string::npos);
}

// Sets environment variables for the programs a test starts, and puts them
// back when it ends.
TEST_F(Cli, EveryChangeToAHostLeavesOneLineInTheRecord) {
    Environment env;
    env.Set("KORVANE_RECORD", QByteArray());
    const QString record = scratch.Path("record.jsonl");
    QDir(scratch.Path("")).mkdir("sounds");
    scratch.WriteFile("sounds/fire.wav", SmallWav(scratch));
    scratch.WriteFile("fw.bin", QByteArray(100, '\x22'));
    scratch.WriteFile("p.json", R"({"model": "RT-221", "frequency": "868.3",
        "address": {"volume": {"inEffect": true, "value": "3"}}})");
    const struct {
        QString model;
        QStringList args;
        int code;
        const char* operation;  // nullptr: no line
        const char* texts;
    } rows[] = {
        {"rt221", {"init"}, 0, "init", "初始化设备成功！"},
        {"rt221", {"frequency", "set", "434.5"}, 0, "frequency set", "设置接收频率成功！"},
        {"rt220",
         {"basic", "set", "--volume", "5"},
         0,
         "basic set",
         "设置参数发送成功 设置参数成功！"},
        {"rt220", {"basic", "set", "--alarm-time", "65536"}, 2, nullptr, ""},
        {"rt221",
         {"address", "set", "--volume", "5"},
         0,
         "address set",
         "设置地址码参数发送成功 设置地址码参数成功！"},
        {"rt221",
         {"voice", "download", "custom", scratch.Path("sounds")},
         0,
         "voice download",
         "下载WAV音频报警音发送成功 下载成功！"},
        {"rt221",
         {"--password", "guard7302", "voice", "format", "fixed"},
         0,
         "voice format",
         "格式化固化WAV音频区域成功！"},
        {"rt221",
         {"upgrade", scratch.Path("fw.bin")},
         0,
         "firmware upgrade",
         "升级程序发送成功 升级成功！"},
        {"rt221",
         {"apply", scratch.Path("p.json")},
         0,
         "apply",
         "设置接收频率成功！ 设置地址码参数发送成功 设置地址码参数成功！"},
        {"rt221", {"frequency", "get"}, 0, nullptr, ""},
        {"rt221",
         {"--device", "/dev/hidraw99", "init"},
         1,
         "init",
         "[失败1] 设备未连接，请连接设备！ 初始化设备失败！"},
    };
    std::vector<const char*> expected;
    for (const auto& row : rows) {
        const CliResult r =
            Emu(row.model, QStringList{"--record=" + record} + row.args, row.model + ".json");
        EXPECT_EQ(r.code, row.code) << row.args.join(' ').toStdString() << "\n" << r.err;
        if (row.operation != nullptr) expected.push_back(row.texts);
    }
    const CliResult read = scratch.Run({"--json", "record", "--record", record});
    EXPECT_EQ(read.code, 0);
    const QList<QByteArray> lines = QByteArray::fromStdString(read.out).trimmed().split('\n');
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(expected.size())) << read.out;
    std::size_t i = 0;
    for (const auto& row : rows) {
        if (row.operation == nullptr) continue;
        const QJsonObject line = QJsonDocument::fromJson(lines[i]).object();
        QStringList texts;
        for (const QJsonValue& t : line["texts"].toArray()) texts << t.toString();
        EXPECT_EQ(line["operation"].toString().toStdString(), row.operation);
        EXPECT_EQ(texts.join(' ').toStdString(), expected[i]) << row.operation;
        EXPECT_EQ(line["outcome"].toString(), row.code == 0 ? "success" : "failure");
        EXPECT_EQ(line["program"].toString(), "korvane-cli");
        ++i;
    }
    const QJsonObject apply = QJsonDocument::fromJson(lines[7]).object();
    EXPECT_EQ(apply["host"].toObject(), (QJsonObject{{"path", "emulated:0"},
                                                     {"model", "RT-221"},
                                                     {"serial", "EMU0001"},
                                                     {"port", "emulated:1"}}));
    EXPECT_EQ(apply["sent"].toObject()["frequency"].toString(), "868.3");
    EXPECT_EQ(apply["sent"].toObject()["address"].toObject()["volume"].toInt(), 3);
    EXPECT_TRUE(QDateTime::fromString(apply["time"].toString(), Qt::ISODate).isValid());

    // The table, of one host since a day.
    const CliResult table = scratch.Run(
        {"record", "--since", "2000-01-01", "--host", "/dev/hidraw99", "--record", record});
    EXPECT_EQ(table.out, "time  program  host  model  firmware  operation  outcome  texts\n");
    const CliResult all = scratch.Run({"record", "--record", record});
    EXPECT_NE(all.out.find("korvane-cli  emulated:0  RT-220  -         basic set         success  "
                           "设置参数发送成功 / 设置参数成功！\n"),
              std::string::npos)
        << all.out;
}

TEST_F(Cli, TheRecordIsKeptOnlyWhenAskedAndNeverFailsAnOperation) {
    Environment env;
    const QString home = scratch.Path("home");
    QDir(scratch.Path("")).mkdir("home");
    for (const char* place : {"HOME", "XDG_DATA_HOME", "LOCALAPPDATA"})
        env.Set(place, home.toUtf8());
    env.Set("KORVANE_RECORD", QByteArray());
    EXPECT_EQ(Emu("rt221", {"init"}).code, 0);
    EXPECT_TRUE(QDir(home).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));

    env.Set("KORVANE_RECORD", "1");
    EXPECT_EQ(Emu("rt221", {"init"}).code, 0);
#ifdef _WIN32
    const QString place = home + "/Korvane/record.jsonl";
#else
    const QString place = home + "/korvane/record.jsonl";
#endif
    EXPECT_EQ(QFile(place).size(), Emu("rt221", {"record", "--json"}).out.size());

    const CliResult r = Emu("rt221", {"--record=" + scratch.Path("none/record.jsonl"), "init"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "初始化设备成功！\n");
    EXPECT_EQ(r.err, "korvane-cli: cannot write the record " +
                         scratch.Path("none/record.jsonl").toStdString() + " (there is no folder " +
                         scratch.Path("none").toStdString() +
                         "); the operations go on without it\n");
}

// A WAVE file of 1 channel at 8000 Hz, 8 bit, with `n` bytes of sound.
QByteArray Wave(int n) {
    QByteArray wav = QByteArray::fromHex(
        "52494646000000005741564566"
        "6d7420100000000100010040"
        "1f0000401f0000010008006461746100000000");
    wav[40] = static_cast<char>(n & 0xFF);
    wav[41] = static_cast<char>(n >> 8);
    return wav + QByteArray(n, '\x80');
}

TEST_F(Cli, VoicePlanShowsTheDownloadWithoutSendingAndSaysWhetherItWouldGo) {
    QDir(scratch.Path("")).mkdir("sounds");
    scratch.WriteFile("sounds/fire.wav", Wave(8000));
    scratch.WriteFile("sounds/fire.wav.wav", Wave(4000));
    scratch.WriteFile("sounds/notes.wav", "hello");
    const QString sounds = scratch.Path("sounds");
    const std::string plan = "The download of " + sounds.toStdString() +
                             ", in sending order (nothing is sent):\n"
                             "#  name   bytes  header                        file\n"
                             "1  fire   8,044  1 ch, 8000 Hz, 8 bit, 1.00 s  fire.wav\n"
                             "2  fire   4,044  1 ch, 8000 Hz, 8 bit, 0.50 s  fire.wav.wav\n"
                             "3  notes  5      not RIFF/WAVE                 notes.wav\n"
                             "warning: notes.wav is no RIFF/WAVE file: it goes out as it is\n"
                             "warning: fire.wav and fire.wav.wav both become \"fire\"\n"
                             "audio:   12,093 of 3,145,728 bytes\n"
                             "packets: 226 of 65,535 (12,189 bytes with the entries' headers)\n"
                             "pacing:  at least 7.25 s\n";
    const CliResult r = Emu("rt221", {"voice", "plan", sounds});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, plan + "The download would go ahead.\n");
    EXPECT_EQ(State()["customSounds"].toArray().size(), 0);

    const CliResult download = Emu("rt221", {"voice", "download", "--plan", "custom", sounds});
    EXPECT_EQ(download.code, 0);
    EXPECT_EQ(download.out, plan + "The download would go ahead.\n下载成功！\n");

    QDir(scratch.Path("")).mkdir("big");
    scratch.WriteFile("big/big.wav", QByteArray(3145729, '\x5A'));
    const CliResult big = Emu("rt221", {"voice", "plan", scratch.Path("big")});
    EXPECT_EQ(big.code, 2);
    EXPECT_EQ(big.out.substr(big.out.rfind("audio:")),
              "audio:   3,145,729 of 3,145,728 bytes\n"
              "packets: 58,255 of 65,535 (3,145,761 bytes with the entries' headers)\n"
              "pacing:  at least 9 min 48 s\n"
              "所有的语音文件不能超过3M！\n");
}

}  // namespace
}  // namespace korvane::clitest
