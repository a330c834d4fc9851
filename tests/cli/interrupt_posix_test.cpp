// Ctrl-C on a POSIX terminal: SIGINT reaches korvane-cli between two
// packets, and ends a long reply wait at once.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli_runner.h"
#include "emulator/host_emulator.h"

namespace korvane::clitest {
namespace {

class CliInterrupt : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch.valid()); }
    QJsonObject State() const {
        return QJsonDocument::fromJson(scratch.ReadFile("host.json")).object();
    }
    CliScratch scratch;
};

// What the running program writes to standard error, until `text` is in it
// (or 20 s have passed).
QByteArray StandardErrorUntil(QProcess& process, const char* text) {
    QByteArray err;
    QElapsedTimer waited;
    waited.start();
    while (!err.contains(text) && waited.elapsed() < 20000) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    return err;
}

TEST_F(CliInterrupt, InterruptCancelsATransferBetweenPackets) {
    scratch.WriteFile("fw.bin", QByteArray(200000, '\x11'));
    QProcess process;
    scratch.Start(process, {"--bar", "--emulate", "rt221", "--emulator-state",
                            scratch.Path("host.json"), "upgrade", scratch.Path("fw.bin")});
    ASSERT_TRUE(process.waitForStarted(5000));
    // The bar names the packet once the first one is out.
    const QByteArray err = StandardErrorUntil(process, "当前第1包数据");
    ASSERT_TRUE(err.contains("当前第1包数据")) << err.toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(process.readAllStandardOutput().toStdString(), "升级失败！\n");
    // The host never saw the last packet: it keeps the firmware it had.
    EXPECT_EQ(State()["firmware"].toString(), "");
}

TEST_F(CliInterrupt, InterruptEndsTheFormatWaitAtOnce) {
    QProcess process;
    scratch.Start(process, {"--bar", "--emulate", "rt220", "--emulator-state",
                            scratch.Path("host.json"), "voice", "format", "custom"});
    ASSERT_TRUE(process.waitForStarted(5000));
    QByteArray err = StandardErrorUntil(process, "正在格式化WAV音频区域");
    ASSERT_TRUE(err.contains("正在格式化WAV音频区域")) << err.toStdString();
    // The emulated host takes five seconds to format; the wait must not.
    QElapsedTimer afterInterrupt;
    afterInterrupt.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_LT(afterInterrupt.elapsed(), 4000);
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(process.readAllStandardOutput().toStdString(),
              "[失败2] 读取数据失败，请重新发送！\n格式化WAV音频区域失败！\n");
    err += process.readAllStandardError();
    EXPECT_TRUE(err.contains("korvane-cli: interrupted: the host may still be formatting"))
        << err.toStdString();
}

TEST_F(CliInterrupt, ApplyStopsBetweenItsSteps) {
    // In process, so the interrupt comes at a known point: while the host
    // takes the frequency, which is then set all the same.
    scratch.WriteFile("p.json", R"({"model": "RT-220", "frequency": "315",
        "basic": {"alarmTime": "25", "volume": 2, "channel": 3, "password": "ABCD"}})");
    cli::InstallInterruptHandler();
    cli::Options options;
    options.session.emulate = {LampModel::Rt220};
    options.args = {"apply", scratch.Path("p.json").toStdString()};
    std::FILE* sink = std::tmpfile();
    const cli::Output out(sink, sink);
    cli::TerminalOperator op(sink, sink);
    VirtualClock clock;
    cli::Runner runner(options, out, clock, op);
    HostEmulator& host = *runner.session().emulator();
    const Bytes before = host.basicParams;
    EmulatorFaults f;
    f.mangle = [](uint8_t command, std::vector<Report>&) {
        if (command == 0xE0) std::raise(SIGINT);
    };
    host.SetFaults(f);
    EXPECT_EQ(cli::RunCommand(runner), 1);
    std::fclose(sink);
    EXPECT_EQ(host.frequencyDigits, "315000000");
    EXPECT_EQ(host.basicParams, before);
    EXPECT_EQ(op.boxes(), std::vector<std::string>{"设置接收频率成功！"});
}

// Ctrl-C for a run on several hosts: every worker stops between two
// packets, and the summary names the hosts left half written.
TEST_F(CliInterrupt, InterruptStopsEveryHostOfARunAndTheSummaryNamesThem) {
    Environment env;
    env.Set("XDG_DATA_HOME", scratch.Path("data").toUtf8());
    env.Set("KORVANE_RECORD", QByteArray());
    QDir(scratch.Path("")).mkdir("sounds");
    QByteArray wav("RIFF\x24\x01\x00\x00WAVEfmt ", 16);
    wav += QByteArray(20000, '\x80');
    scratch.WriteFile("sounds/fire.wav", wav);
    QProcess process;
    scratch.Start(process, {"--emulate", "rt221,rt221", "--emulator-state",
                            scratch.Path("host.json"), "--device", "all", "--json", "voice",
                            "download", "custom", scratch.Path("sounds")});
    ASSERT_TRUE(process.waitForStarted(5000));
    // Both are in the host's pause after their first packet.
    QByteArray out;
    QElapsedTimer waited;
    waited.start();
    while (out.count("下载WAV音频报警音") < 2 && waited.elapsed() < 20000) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput();
    }
    ASSERT_EQ(out.count("下载WAV音频报警音"), 2) << out.toStdString();
    // Only the run is told, as when a script's own signal reaches it.
    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    ASSERT_TRUE(process.waitForFinished(10000));
    out += process.readAllStandardOutput();
    EXPECT_EQ(process.exitCode(), 1);
    const QJsonObject summary =
        QJsonDocument::fromJson(out.trimmed().split('\n').last()).object()["summary"].toObject();
    ASSERT_EQ(summary["hosts"].toArray().size(), 2) << out.toStdString();
    for (const QJsonValue& h : summary["hosts"].toArray()) {
        EXPECT_EQ(h.toObject()["result"].toString(), "failed");
        EXPECT_TRUE(h.toObject()["halfWritten"].toBool());
    }
    EXPECT_LT(waited.elapsed(), 12000);
    EXPECT_EQ(State()["customSounds"].toArray().size(), 0);
}

}  // namespace
}  // namespace korvane::clitest
