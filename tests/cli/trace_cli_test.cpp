// korvane-cli's trace: turned on by the option or the variable, summed up by
// `trace show`, and exported as a capture that tshark reads report by report.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include "cli_runner.h"

namespace korvane::clitest {
namespace {

std::vector<QJsonObject> TraceLines(const QByteArray& file) {
    std::vector<QJsonObject> lines;
    for (const QByteArray& l : file.split('\n'))
        if (!l.isEmpty()) lines.push_back(QJsonDocument::fromJson(l).object());
    return lines;
}

TEST(CliTrace, TheOptionAndTheVariableTurnItOnAndTraceShowSumsItUp) {
    CliScratch scratch;
    ASSERT_TRUE(scratch.valid());
    const QStringList emulate = {"--emulate", "rt221", "--quiet"};
    CliResult r = scratch.Run(QStringList{"--trace=" + scratch.Path("t.jsonl")} + emulate +
                              QStringList{"frequency", "set", "433.5"});
    ASSERT_EQ(r.code, 0) << r.err;
    {
        Environment env;
        env.Set("KORVANE_TRACE", scratch.Path("t.jsonl").toUtf8());
        r = scratch.Run(emulate + QStringList{"frequency", "get"});
        ASSERT_EQ(r.code, 0) << r.err;
        // A command that reaches no host leaves no trace.
        r = scratch.Run({"voice", "plan", scratch.Path(".")});
    }
    const std::vector<QJsonObject> lines = TraceLines(scratch.ReadFile("t.jsonl"));
    std::vector<std::string> kinds;
    for (const QJsonObject& l : lines) kinds.push_back(l["kind"].toString().toStdString());
    const std::vector<std::string> run = {"header", "begin", "host", "write",
                                          "read",   "end",   "close"};
    std::vector<std::string> twice = run;
    twice.insert(twice.end(), run.begin(), run.end());
    EXPECT_EQ(kinds, twice);
    EXPECT_EQ(lines[0]["program"].toString(), "korvane-cli");
    EXPECT_EQ(lines[0]["backend"].toString(), "emulated");
    EXPECT_EQ(lines[2]["serial"].toString(), "EMU0001");
    EXPECT_EQ(lines[5]["texts"].toArray().size(), 1);

    r = scratch.Run({"trace", "show", scratch.Path("t.jsonl")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("frequency set  success"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("frequency get  success"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("reports:  1 out, 1 in"), std::string::npos) << r.out;

    r = scratch.Run({"--trace", "t2.jsonl", "init"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--trace=t2.jsonl"), std::string::npos) << r.err;
    r = scratch.Run({"--emulate", "replay:" + scratch.Path("none.jsonl"), "init"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cannot replay"), std::string::npos) << r.err;
}

TEST(CliTrace, TheExportOpensInTsharkWithEveryReport) {
    const QString tshark = QStandardPaths::findExecutable("tshark");
    if (tshark.isEmpty()) GTEST_SKIP() << "tshark is not installed (apt-get install tshark)";
    CliScratch scratch;
    ASSERT_TRUE(scratch.valid());
    const QString trace = QString(KORVANE_TEST_DATA) + "/trace-download-emulated.jsonl";
    CliResult r = scratch.Run({"trace", "export", trace, scratch.Path("t.pcapng")});
    ASSERT_EQ(r.code, 0) << r.err;

    QFile in(trace);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    std::vector<std::string> expected;
    for (const QJsonObject& l : TraceLines(in.readAll())) {
        if (l["result"].toString() != "ok") continue;
        // On the bus: the 64 bytes after the report ID.
        expected.push_back(l["hex"].toString().mid(2).toStdString());
    }
    ASSERT_GT(expected.size(), 30u);

    QProcess p;
    p.start(tshark, {"-r", scratch.Path("t.pcapng"), "-T", "fields", "-e", "usb.endpoint_address",
                     "-e", "usb.capdata"});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::vector<std::string> shown;
    for (QByteArray line : p.readAllStandardOutput().split('\n')) {
        if (line.isEmpty()) continue;
        shown.push_back(line.split('\t').value(1).replace(":", "").toStdString());
    }
    EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace korvane::clitest
