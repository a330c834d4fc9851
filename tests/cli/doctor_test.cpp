// doctor: the verdict and its likely reasons from what was found, and the
// command on emulated hosts.
#include "cli/doctor.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli_runner.h"

namespace korvane::cli {
namespace {

DoctorDevice Host(const char* path, uint16_t product = 0x7890) {
    DoctorDevice d;
    d.info.path = path;
    d.info.vendor = 0x0483;
    d.info.product = product;
    d.model = ModelOfDevice(0x0483, product);
    return d;
}
DoctorDevice Answering(const char* path) {
    DoctorDevice d = Host(path);
    d.opened = true;
    d.firmware = "KV-HOST V2.1";
    return d;
}
DoctorDevice Refused(const char* path, OpenRefusal::Kind kind, const char* text) {
    DoctorDevice d = Host(path);
    d.refusal = OpenRefusal{kind, 13, text};
    d.failure = "无法打开通信端口";
    return d;
}
DoctorDevice Silent(const char* path) {
    DoctorDevice d = Host(path);
    d.opened = true;
    d.failure = "[失败2] 读取数据失败，请重新发送！";
    return d;
}
DoctorDevice Held(DoctorDevice d) {
    d.access.holders = {{4711, "otherapp"}};
    return d;
}

TEST(DoctorConclusion, TheLikelyReasonComesFirstAndAWorkingHostIsStillWarnedOf) {
    using K = OpenRefusal::Kind;
    const DoctorDevice other = [] {
        DoctorDevice d = Host("/dev/hidraw7", 0x5740);
        d.model.reset();
        return d;
    }();
    const AccessSetup noRule{"missing", {}, {}, "no"};
    const AccessSetup twice{
        "twice",
        {"/etc/udev/rules.d/70-korvane.rules", "/usr/lib/udev/rules.d/71-copy.rules"},
        {},
        "yes"};
    struct Case {
        const char* what;
        std::vector<DoctorDevice> devices;
        AccessSetup setup;
        bool answered;
        std::vector<std::string> reasonsStart;  // each reason begins so, in order
        std::vector<std::string> warningsStart;
    };
    const std::vector<Case> cases = {
        {"nothing attached", {}, noRule, false, {"no device of vendor 0483 is attached"}, {}},
        {"another product only",
         {other},
         {},
         false,
         {"the devices of vendor 0483 here are none of the hosts (products 1234 and 7890): "
          "/dev/hidraw7 (0483:5740)"},
         {}},
        {"permission, then the rule and the seat",
         {Refused("/dev/hidraw3", K::Permission, "Permission denied")},
         noRule,
         false,
         {"/dev/hidraw3 (RT-221): permission: this user may not open it (Permission denied)",
          "the udev rule that gives the user at the seat access to the hosts is not installed",
          "this user is not at the seat"},
         {}},
        {"sharing before a silent host, then the holders",
         {Silent("/dev/hidraw4"), Held(Refused("/dev/hidraw5", K::Sharing, "in use"))},
         {},
         false,
         {"/dev/hidraw5 (RT-221): sharing: another program holds it",
          "/dev/hidraw4 (RT-221) opens but does not answer a version read ([失败2]",
          "/dev/hidraw5 (RT-221) is open in other programs too: 4711 (otherapp)"},
         {}},
        {"a node the system opens that the HID layer refuses",
         {Host("/dev/hidraw6")},
         {},
         false,
         {"/dev/hidraw6 (RT-221) cannot be opened (the system opens it, but not as a HID device)"},
         {}},
        {"one host answers: the rest are warnings",
         {Held(Answering("/dev/hidraw1")), Refused("/dev/hidraw2", K::Permission, "denied")},
         twice,
         true,
         {},
         {"/dev/hidraw1 (RT-221) is open in other programs too",
          "/dev/hidraw2 (RT-221): permission: this user may not open it (denied)",
          "the udev rule for the hosts is installed more than once: "
          "/etc/udev/rules.d/70-korvane.rules, /usr/lib/udev/rules.d/71-copy.rules"}},
        {"root opens a host the missing rule would keep from others",
         {Answering("/dev/hidraw1")},
         noRule,
         true,
         {},
         {"the udev rule for the hosts is not installed: only root"}},
    };
    for (const Case& c : cases) {
        DoctorReport r;
        r.devices = c.devices;
        r.setup = c.setup;
        r.files = {{"staging", "/run/user/1000/korvane", true, ""},
                   {"record", "/home/op/.local/share/korvane/record.jsonl", false,
                    "off; cannot be written"}};
        Conclude(r);
        EXPECT_EQ(r.answered, c.answered) << c.what;
        ASSERT_EQ(r.reasons.size(), c.reasonsStart.size())
            << c.what << ": " << ::testing::PrintToString(r.reasons);
        for (std::size_t i = 0; i < c.reasonsStart.size(); ++i)
            EXPECT_EQ(r.reasons[i].rfind(c.reasonsStart[i], 0), 0u)
                << c.what << ": " << r.reasons[i];
        ASSERT_EQ(r.warnings.size(), c.warningsStart.size())
            << c.what << ": " << ::testing::PrintToString(r.warnings);
        for (std::size_t i = 0; i < c.warningsStart.size(); ++i)
            EXPECT_EQ(r.warnings[i].rfind(c.warningsStart[i], 0), 0u)
                << c.what << ": " << r.warnings[i];
    }
}

TEST(DoctorConclusion, TheRoundTripTakesTheMiddleOfAnEvenCountAsTheMeanOfTwo) {
    EXPECT_FALSE(RoundTripOf({}));
    const RoundTrip odd = *RoundTripOf({3, 1, 2});
    EXPECT_EQ(std::vector<double>({odd.minMs, odd.medianMs, odd.maxMs}),
              std::vector<double>({1, 2, 3}));
    const RoundTrip even = *RoundTripOf({4, 1, 3, 2});
    EXPECT_EQ(even.medianMs, 2.5);
    EXPECT_EQ(even.reads, 4);
}

// The command as a script runs it: the same report as one JSON object, each
// emulated host read ten times.
TEST(DoctorCommand, EmulatedHostsAnswerTenVersionReadsEach) {
    clitest::CliScratch scratch;
    ASSERT_TRUE(scratch.valid());
    const clitest::CliResult r = scratch.Run({"--emulate", "rt221,rt220", "--json", "doctor"});
    EXPECT_EQ(r.code, 0) << r.err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_TRUE(o["answered"].toBool()) << r.out;
    EXPECT_EQ(o["program"].toObject()["backend"].toString(), "emulated");
    const QJsonArray devices = o["devices"].toArray();
    ASSERT_EQ(devices.size(), 2) << r.out;
    for (const QJsonValue& v : devices) {
        const QJsonObject d = v.toObject();
        EXPECT_EQ(d["firmware"].toString(), "KV-HOST V2.1");
        EXPECT_EQ(d["roundTripMs"].toObject()["reads"].toInt(), 10);
    }
    EXPECT_EQ(devices[1].toObject()["serial"].toString(), "EMU0002");
    EXPECT_EQ(o["files"].toArray()[0].toObject()["path"].toString(), scratch.StagingDir());
}

}  // namespace
}  // namespace korvane::cli
