// A download traced through the real hidraw path (unmodified hidapi, the
// emulated host behind a mocked node) replays as the host: the same download
// succeeds against the trace, one with a changed byte fails, the packet named.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "cli_under_mock.h"
#include "emulated_node.h"
#include "tests/support/trace_sound.h"

namespace korvane::testing {
namespace {

// tests/data/trace-download-hidraw.jsonl was made by this test, with
// KORVANE_KEEP_TRACE naming where to copy its trace.
QByteArray Sound() { return QByteArray::fromStdString(test::TraceSound()); }

struct Ran {
    int code = -1;
    std::string out;
};

class TraceOnHidraw : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir(dir.path()).mkpath("sounds");
        QDir(dir.path()).mkpath("staging");
        WriteSound(Sound());
    }
    void WriteSound(const QByteArray& bytes) {
        QFile wav(dir.filePath("sounds/alarm.wav"));
        ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
        wav.write(bytes);
    }
    // korvane-cli inside the mock, its hidraw nodes dressed as in this process.
    Ran Run(const QStringList& args) {
        QProcess p;
        const QProcessEnvironment env = CliEnvironment(dir);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(KORVANE_CLI_PATH, args);
        p.waitForFinished(90000);
        Ran ran;
        ran.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        ran.out = p.readAll().toStdString();
        return ran;
    }
    QTemporaryDir dir;
    std::shared_ptr<MockHidBus> bus = MockHidBus::Shared();
};

TEST_F(TraceOnHidraw, ADownloadTracedReplaysAndAChangedByteFailsWithThePacketNamed) {
    MockHidIdentity id;
    id.productId = 0x7890;
    id.node = 0;
    id.serial = "MOCK0001";
    EmulatedNode node(id);
    const QString trace = dir.filePath("download.jsonl");
    const QStringList download = {"voice", "download", "custom", dir.filePath("sounds")};
    Ran ran = Run(QStringList{"--trace=" + trace} + download);
    ASSERT_EQ(ran.code, 0) << ran.out;
    EXPECT_EQ(node.WithHost([](HostEmulator& h) { return h.customSounds.size(); }), 1u);
    if (const QByteArray keep = qgetenv("KORVANE_KEEP_TRACE"); !keep.isEmpty()) {
        QFile::remove(QString::fromLocal8Bit(keep));
        QFile::copy(trace, QString::fromLocal8Bit(keep));
    }

    ran = Run(QStringList{"--emulate", "replay:" + trace} + download);
    EXPECT_EQ(ran.code, 0) << ran.out;
    EXPECT_NE(ran.out.find("下载成功！"), std::string::npos) << ran.out;
    EXPECT_EQ(ran.out.find("matched nothing"), std::string::npos) << ran.out;

    QByteArray changed = Sound();
    changed[1000] = static_cast<char>(changed[1000] ^ 0x01);
    WriteSound(changed);
    ran = Run(QStringList{"--emulate", "replay:" + trace} + download);
    EXPECT_EQ(ran.code, 1) << ran.out;
    EXPECT_NE(ran.out.find("发送失败"), std::string::npos) << ran.out;
    EXPECT_NE(ran.out.find("of a bulk send"), std::string::npos) << ran.out;
}

}  // namespace
}  // namespace korvane::testing
