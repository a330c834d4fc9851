// One command on several emulated hosts at once: what each host's events and
// the summary carry, a model's command on its model's hosts alone, values
// refused before any host is touched, and the limit on hosts at a time.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli_runner.h"

namespace korvane::clitest {
namespace {

class Fleet : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.valid());
        // The summary of the last run goes beside the record's default place.
        env.Set("XDG_DATA_HOME", scratch.Path("data").toUtf8());
        env.Set("LOCALAPPDATA", scratch.Path("data").toUtf8());
        env.Set("KORVANE_RECORD", QByteArray());
    }
    CliResult Emu(const QString& models, const QStringList& args) const {
        return scratch.Run(
            QStringList{"--emulate", models, "--emulator-state", scratch.Path("host.json")} + args);
    }
    static std::vector<QJsonObject> Lines(const std::string& out) {
        std::vector<QJsonObject> lines;
        for (const QByteArray& l : QByteArray::fromStdString(out).split('\n'))
            if (!l.isEmpty()) lines.push_back(QJsonDocument::fromJson(l).object());
        return lines;
    }

    Environment env;
    CliScratch scratch;
};

// Every event names its host the same way; an end carries the result, the
// texts the host's run showed and what the one-host --json prints; the
// summary comes last. The RT-220 is left out of an address command.
TEST_F(Fleet, EachHostsEventsAndTheSummaryCarryTheirKeysAndTypes) {
    const CliResult r =
        Emu("rt221,rt221,rt220", {"--device", "all", "--jobs", "1", "--json", "address", "get"});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<QJsonObject> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    const QJsonObject host1{
        {"path", "emulated:0"}, {"model", "RT-221"}, {"serial", "EMU0001"}, {"port", "emulated:1"}};
    const struct {
        const char* event;
        const char* serial;
        std::vector<std::pair<const char*, QJsonValue::Type>> keys;
    } want[] = {
        {"skipped", "EMU0003", {{"why", QJsonValue::String}}},
        // One host at a time: the second begins after the first has ended.
        {"begin", "EMU0001", {}},
        {"end",
         "EMU0001",
         {{"result", QJsonValue::String},
          {"seconds", QJsonValue::Double},
          {"texts", QJsonValue::Array},
          {"data", QJsonValue::Object}}},
        {"begin", "EMU0002", {}},
        {"end", "EMU0002", {{"result", QJsonValue::String}, {"data", QJsonValue::Object}}},
    };
    for (std::size_t i = 0; i < std::size(want); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i]["event"].toString(), want[i].event);
        EXPECT_EQ(lines[i]["host"].toObject()["serial"].toString(), want[i].serial);
        for (const auto& [key, type] : want[i].keys) EXPECT_EQ(lines[i][key].type(), type) << key;
    }
    EXPECT_EQ(lines[1]["host"].toObject(), host1);
    EXPECT_EQ(lines[2]["result"].toString(), "success");
    EXPECT_EQ(lines[2]["texts"].toArray(), QJsonArray{"回读地址码参数发送成功"});
    EXPECT_EQ(lines[2]["data"].toObject()["alarmSounds"].toInt(), 0);
    const QJsonObject summary = lines[5]["summary"].toObject();
    EXPECT_EQ(summary["succeeded"].toInt(), 2);
    EXPECT_EQ(summary["failed"].toInt(), 0);
    EXPECT_EQ(summary["hosts"].toArray().size(), 2);
    EXPECT_EQ(summary["hosts"].toArray()[0].toObject()["host"].toObject(), host1);
    EXPECT_EQ(summary["skipped"].toArray().size(), 1);
    EXPECT_FALSE(summary["run"].toString().isEmpty());

    // Off a terminal: a line per host and step, then the table.
    const CliResult plain = Emu("rt221,rt221", {"--device", "all", "init"});
    EXPECT_EQ(plain.code, 0) << plain.err;
    for (const char* line :
         {"emulated:1: success (", ": 初始化设备成功！\n", "host            model   result   time",
          "emulated:2      RT-221  success  ", "2 of 2 hosts succeeded (run "})
        EXPECT_NE(plain.out.find(line), std::string::npos) << line << "\n" << plain.out;
}

// Checked once before any host is touched: a value the window would refuse
// ends the run with the one-host run's text and status, and no host hears of it.
TEST_F(Fleet, AValueRefusedBeforeSendingTouchesNoHost) {
    const struct {
        QStringList args;
        int code;
        const char* says;
    } cases[] = {
        {{"frequency", "set", "5000"}, 2, "the frequency must lie in 100..999 MHz"},
        {{"basic", "set", "--comm-password", "ABC"}, 2, "密码长度必须是四位！"},
        {{"voice", "download", "custom", "no-such-folder"}, 1, ""},
        {{"dump", "profile.json"}, 2, "dump FILE takes one host"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = Emu("rt220,rt220", QStringList{"--device", "all"} + c.args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
        EXPECT_EQ(r.out.find("begins"), std::string::npos) << r.out;
        EXPECT_FALSE(scratch.Exists("host.json"));
        EXPECT_FALSE(scratch.Exists("host.EMU0002.json"));
    }
}

}  // namespace
}  // namespace korvane::clitest
