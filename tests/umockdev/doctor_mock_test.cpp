// korvane-cli doctor through the real hidraw path: a host that answers, one
// whose node this user may not open, and none at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "cli_under_mock.h"
#include "emulated_node.h"

namespace korvane::testing {
namespace {

class DoctorOnHidraw : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // The report as JSON; `asOther` runs it as a user who is not root.
    QJsonObject Doctor(int* code, bool asOther = false) {
        QProcessEnvironment env = CliEnvironment(dir);
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QStringList args{"--json", "doctor"};
        // Root opens any node whatever its mode: the refusal needs another user.
        if (asOther && ::geteuid() == 0)
            p.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups",
                                           KORVANE_CLI_PATH} +
                                   args);
        else
            p.start(KORVANE_CLI_PATH, args);
        p.waitForFinished(60000);
        *code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        const QByteArray out = p.readAllStandardOutput();
        return QJsonDocument::fromJson(out).object();
    }
    static QJsonObject DeviceAt(const QJsonObject& report, const QString& path) {
        for (const QJsonValue& v : report["devices"].toArray())
            if (v.toObject()["path"].toString() == path) return v.toObject();
        return {};
    }
    QTemporaryDir dir;
    std::shared_ptr<MockHidBus> bus = MockHidBus::Shared();
};

// Ten version reads and nothing else reach the host; the vendor's other
// device is listed as no host; the test, which holds the node, is named.
TEST_F(DoctorOnHidraw, AHostAnswersTenVersionReadsAndNothingElse) {
    MockHidIdentity id;
    id.productId = 0x7890;
    EmulatedNode host(id);
    MockHidIdentity otherId;
    otherId.productId = 0x5740;
    otherId.node = 1;
    otherId.serial = "OTHER01";
    MockHidDevice other(otherId);
    int code = -1;
    const QJsonObject r = Doctor(&code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(r["answered"].toBool());
    EXPECT_EQ(r["program"].toObject()["backend"].toString(), "hidapi (hidraw)");
    const QJsonObject h = DeviceAt(r, "/dev/hidraw0");
    EXPECT_EQ(h["model"].toString(), "RT-221");
    EXPECT_EQ(h["serial"].toString(), "MOCK0001");
    EXPECT_EQ(h["firmware"].toString(), "KV-HOST V2.1");
    EXPECT_EQ(h["roundTripMs"].toObject()["reads"].toInt(), 10);
    bool testNamed = false;
    for (const QJsonValue& v : h["holders"].toArray())
        testNamed = testNamed || v.toObject()["pid"].toInt() == static_cast<int>(::getpid());
    EXPECT_TRUE(testNamed) << QJsonDocument(h).toJson().constData();
    const QJsonObject o = DeviceAt(r, "/dev/hidraw1");
    EXPECT_EQ(o["id"].toString(), "0483:5740");
    EXPECT_FALSE(o.contains("model"));
    EXPECT_EQ(o["serial"].toString(), "OTHER01");
    EXPECT_EQ(o["product"].toString(), "Mock Transceiver");
    EXPECT_FALSE(o["port"].toString().isEmpty());

    const std::vector<Report> log = host.Log();
    EXPECT_EQ(log.size(), 10u);
    for (const Report& sent : log) EXPECT_EQ(sent[4], 0xD4);  // 01 D4 00 2A: the version read
}

TEST_F(DoctorOnHidraw, ANodeThisUserMayNotOpenTellsPermissionAndNoHostTellsAbsence) {
    int code = -1;
    {
        MockHidIdentity id;
        id.productId = 0x7890;
        EmulatedNode host(id);
        // The other user must reach the mock's tree, but not the node.
        ASSERT_EQ(::chmod(host.mock().RootDir().c_str(), 0755), 0);
        ASSERT_EQ(::chmod((host.mock().RootDir() + "/dev/hidraw0").c_str(), 0), 0);
        // umockdev's preload reaches the node's handler through a socket
        // before it opens the node: that the other user may.
        ASSERT_EQ(::chmod((host.mock().RootDir() + "/ioctl/dev/hidraw0").c_str(), 0777), 0);
        const QJsonObject r = Doctor(&code, true);
        EXPECT_EQ(code, 1);
        EXPECT_FALSE(r["answered"].toBool());
        ASSERT_FALSE(r["reasons"].toArray().isEmpty()) << QJsonDocument(r).toJson().constData();
        EXPECT_TRUE(r["reasons"][0].toString().startsWith("/dev/hidraw0 (RT-221): permission"))
            << r["reasons"][0].toString().toStdString();
        const QJsonObject h = DeviceAt(r, "/dev/hidraw0");
        EXPECT_EQ(h["refusal"].toObject()["kind"].toString(), "permission");
        EXPECT_EQ(h["refusal"].toObject()["code"].toInt(), 13);  // EACCES
        EXPECT_TRUE(host.Log().empty());
        EXPECT_FALSE(r["access"].toObject()["seat"].toString().isEmpty());
    }
    const QJsonObject none = Doctor(&code);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(none["devices"].toArray().isEmpty());
    EXPECT_TRUE(none["reasons"][0].toString().startsWith("no device of vendor 0483 is attached"));
}

}  // namespace
}  // namespace korvane::testing
