// korvane-cli on several hosts at once through the real hidraw path: each
// worker opens its mocked node through unmodified hidapi, the emulated hosts
// answer behind the nodes, and the nodes' removals and arrivals come as
// udev's uevents.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli_under_mock.h"
#include "emulated_node.h"

namespace korvane::testing {
namespace {

MockHidIdentity Host(unsigned node) {
    MockHidIdentity id;
    id.productId = 0x7890;
    id.node = node;
    id.serial = "MOCK000" + std::to_string(node + 1);
    return id;
}

class FleetOnHidraw : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("sounds");
        QDir(dir.path()).mkpath("staging");
        QFile wav(dir.filePath("sounds/alarm.wav"));
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
        wav.write(QByteArray("RIFF\x24\x01\x00\x00WAVEfmt ", 16) + QByteArray(20000, '\x50'));
    }
    // korvane-cli inside the mock, its hidraw nodes dressed as in this process.
    void Start(QProcess& p, const QStringList& args) {
        const QProcessEnvironment env = CliEnvironment(dir);
        p.setProcessEnvironment(env);
        // What the program tells the operator shows beside the test's own failures.
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(KORVANE_CLI_PATH,
                QStringList{"--json", "--record=" + dir.filePath("record.jsonl")} + args);
    }
    std::vector<QJsonObject> Run(const QStringList& args, int* code) {
        QProcess p;
        Start(p, args);
        p.waitForFinished(90000);
        *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return Lines(p.readAllStandardOutput());
    }
    static std::vector<QJsonObject> Lines(const QByteArray& out) {
        std::vector<QJsonObject> lines;
        for (const QByteArray& l : out.split('\n'))
            if (!l.isEmpty()) lines.push_back(QJsonDocument::fromJson(l).object());
        return lines;
    }
    static std::string Serial(const QJsonObject& o) {
        return o["host"].toObject()["serial"].toString().toStdString();
    }
    QTemporaryDir dir;
    // The mock environment, there before the program that is started into it.
    std::shared_ptr<MockHidBus> bus = MockHidBus::Shared();
};

// One host goes in the middle of the download: it alone fails, the summary
// and the record say which, and --device failed runs that host again once it
// is back, and no other.
TEST_F(FleetOnHidraw, AHostRemovedInTheMiddleFailsAloneAndIsTheOnlyOneRunAgain) {
    std::vector<std::unique_ptr<EmulatedNode>> hosts;
    for (unsigned i = 0; i < 4; ++i) hosts.push_back(std::make_unique<EmulatedNode>(Host(i)));
    hosts[2]->WithHost([](HostEmulator& h) {
        EmulatorFaults f;
        f.vanishAfterPacket = 40;
        h.SetFaults(f);
        return 0;
    });
    const QStringList download = {"voice", "download", "custom", dir.filePath("sounds")};
    int code = -1;
    std::vector<QJsonObject> lines = Run(QStringList{"--device", "all"} + download, &code);
    EXPECT_EQ(code, 1);
    ASSERT_FALSE(lines.empty());
    const QJsonObject summary = lines.back()["summary"].toObject();
    EXPECT_EQ(summary["succeeded"].toInt(), 3);
    EXPECT_EQ(summary["failed"].toInt(), 1);
    for (const QJsonValue& v : summary["hosts"].toArray()) {
        const QJsonObject row = v.toObject();
        const bool gone = Serial(row) == "MOCK0003";
        EXPECT_EQ(row["result"].toString(), gone ? "failed" : "success") << Serial(row);
        if (gone) {
            EXPECT_EQ(row["firstFailure"].toString(), "[失败1] 设备未连接，请连接设备！");
        }
    }
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(hosts[i]->WithHost([](HostEmulator& h) { return h.customSounds.size(); }),
                  i == 2 ? 0u : 1u);

    // The record: a line per host, all of one run, the failed one named.
    QFile record(dir.filePath("record.jsonl"));
    ASSERT_TRUE(record.open(QIODevice::ReadOnly));
    const std::vector<QJsonObject> recorded = Lines(record.readAll());
    ASSERT_EQ(recorded.size(), 4u);
    for (const QJsonObject& line : recorded) {
        EXPECT_EQ(line["run"].toString(), summary["run"].toString());
        EXPECT_EQ(line["outcome"].toString(), Serial(line) == "MOCK0003" ? "failure" : "success");
    }

    // Again for the failed one: found by its serial number at its new node.
    const int packetsBefore = hosts[0]->BulkPackets();
    hosts[2]->Plug();
    lines = Run(QStringList{"--device", "failed"} + download, &code);
    EXPECT_EQ(code, 0);
    ASSERT_FALSE(lines.empty());
    const QJsonArray again = lines.back()["summary"].toObject()["hosts"].toArray();
    ASSERT_EQ(again.size(), 1);
    EXPECT_EQ(Serial(again[0].toObject()), "MOCK0003");
    EXPECT_EQ(hosts[2]->WithHost([](HostEmulator& h) { return h.customSounds.size(); }), 1u);
    EXPECT_EQ(hosts[0]->BulkPackets(), packetsBefore);
}

// A production line: each host is served as it is plugged in, once, until Ctrl-C.
TEST_F(FleetOnHidraw, WatchServesEachHostAsItIsPluggedIn) {
    QProcess p;
    Start(p, {"--watch", "init"});
    ASSERT_TRUE(p.waitForStarted(5000));
    QByteArray out;
    auto await = [&](const char* event, int count) {
        QElapsedTimer waited;
        waited.start();
        const QByteArray text = QByteArray("\"event\":\"") + event + "\"";
        while (out.count(text) < count && waited.elapsed() < 30000) {
            p.waitForReadyRead(100);
            out += p.readAllStandardOutput();
        }
        return out.count(text) >= count;
    };
    ASSERT_TRUE(await("watching", 1)) << out.toStdString();
    std::vector<std::unique_ptr<EmulatedNode>> hosts;
    hosts.push_back(std::make_unique<EmulatedNode>(Host(0)));
    ASSERT_TRUE(await("end", 1)) << out.toStdString();
    hosts.push_back(std::make_unique<EmulatedNode>(Host(1)));
    ASSERT_TRUE(await("end", 2)) << out.toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(p.processId()), SIGINT), 0);
    ASSERT_TRUE(p.waitForFinished(10000));
    out += p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString();
    const std::vector<QJsonObject> lines = Lines(out);
    const QJsonArray served = lines.back()["summary"].toObject()["hosts"].toArray();
    ASSERT_EQ(served.size(), 2) << out.toStdString();
    EXPECT_EQ(Serial(served[0].toObject()), "MOCK0001");
    EXPECT_EQ(Serial(served[1].toObject()), "MOCK0002");
    for (const auto& h : hosts)
        EXPECT_EQ(h->WithHost([](HostEmulator& e) { return e.handled.size(); }), 1u);
}

}  // namespace

// The figures of bench/fleet_figures.sh: a download of `packets` packets on
// one mocked host alone, then on four at once, through the hidapi backend.
int FleetFigures(int packets) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("sounds");
    QFile wav(dir.filePath("sounds/fire.wav"));
    if (!wav.open(QIODevice::WriteOnly)) return 1;
    wav.write(QByteArray("RIFF\x24\x01\x00\x00WAVEfmt ", 16) +
              QByteArray(packets * 54 - 32 - 16, '\x52'));
    wav.close();
    std::vector<std::unique_ptr<EmulatedNode>> hosts;
    for (unsigned i = 0; i < 4; ++i) hosts.push_back(std::make_unique<EmulatedNode>(Host(i)));
    auto run = [&](const QStringList& devices) {
        QProcess p;
        QProcessEnvironment env = DressedEnvironment();
        env.insert("XDG_DATA_HOME", dir.filePath("data"));
        p.setProcessEnvironment(env);
        QElapsedTimer wall;
        wall.start();
        p.start(KORVANE_CLI_PATH, devices + QStringList{"--quiet", "voice", "download", "custom",
                                                        dir.filePath("sounds")});
        p.waitForFinished(-1);
        return p.exitCode() == 0 ? wall.elapsed() : -1;
    };
    const qint64 one = run({"--device", "serial:MOCK0001"});
    const qint64 four = run({"--device", "all"});
    if (one < 0 || four < 0) {
        std::fprintf(stderr, "fleet figures: a download failed\n");
        return 1;
    }
    std::printf("Sound download of %d packets through the hidapi backend over umockdev:\n",
                packets);
    std::printf(
        "  one host alone: %lld ms; four hosts at once (--device all): %lld ms, %.2f times\n",
        static_cast<long long>(one), static_cast<long long>(four),
        static_cast<double>(four) / static_cast<double>(one));
    int64_t shortest = INT64_MAX;
    for (const auto& h : hosts) shortest = std::min(shortest, h->Pacing().shortestNextGapUs);
    std::printf("  the shortest gap a host saw between two later packets: %.3f ms\n",
                static_cast<double>(shortest) / 1000.0);
    return 0;
}

}  // namespace korvane::testing

int main(int argc, char** argv) {
    korvane::testing::RunUnderUmockdev(argc, argv);
    QCoreApplication app(argc, argv);
    if (argc >= 2 && std::string(argv[1]) == "--figures")
        return korvane::testing::FleetFigures(argc >= 3 ? std::atoi(argv[2]) : 820);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
