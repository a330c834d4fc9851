// The Windows programs through wine's HID class stack: winebus reads the
// mocked hidraw nodes and hands them to hidclass, hid.dll and SetupAPI as
// Windows would; the emulated host answers behind each node. Each suite is
// one group with one prefix (ctest runs a suite per process).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "harness.h"
#include "x11_window.h"

namespace korvane::testing {
namespace {

using Lines = std::vector<std::string>;

class WineHid : public ::testing::Test {
  protected:
    void SetUp() override {
        if (WindowsBuild().empty()) GTEST_SKIP() << "no Windows build given (--build DIR)";
        NamePrefix(::testing::UnitTest::GetInstance()->current_test_suite()->name());
        Prefix();
    }
};

using Discovery = WineHid;

TEST_F(Discovery, EachHostIsFoundWithTheModelOfItsProduct) {
    const std::pair<uint16_t, const char*> models[] = {{0x1234, "RT-220"}, {0x7890, "RT-221"}};
    for (const auto& [product, model] : models) {
        EmulatedNode host(Device(0x0483, product));
        ASSERT_TRUE(AwaitListed(host));
        const Cli list = RunCli({"list"});
        EXPECT_EQ(list.status, 0) << list.err;
        char id[16];
        std::snprintf(id, sizeof id, "%04x", product);
        EXPECT_EQ(list.out, std::string("\\\\?\\hid#vid_0483&pid_") + id + "#0&" +
                                Lower(host.identity().serial) +
                                "&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}\t0483:" + id + "\t" +
                                model + "\t" + host.identity().serial + "\t\n");
        const Cli version = RunCli({"version"});
        EXPECT_EQ(version.out, "KV-HOST V2.1\n") << model << version.err;
        EXPECT_TRUE(Holds(Requests(host.Log()), "01 D4 00 2A")) << model;
    }
}

// Other vendors' devices with a host's product, and the host vendor's
// device of another product, are passed over on the way to the host.
// SetupAPI lists the interfaces by path, so 03EB:7890 comes before the host.
TEST_F(Discovery, DevicesThatAreNoHostArePassedOverOnTheWayToTheHost) {
    MockHidDevice first(Device(0x03EB, 0x7890));
    MockHidDevice foreign(Device(0x1111, 0x1234));
    MockHidDevice other(Device(0x0483, 0x5750));
    EmulatedNode host(Device(0x0483, 0x7890));
    for (MockHidDevice* m : {&first, &foreign, &other}) ASSERT_TRUE(AwaitWine(*m));
    ASSERT_TRUE(AwaitListed(host));

    const Cli list = RunCli({"list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1) << list.out;
    const Cli freq = RunCli({"frequency", "get"});
    EXPECT_EQ(freq.status, 0) << freq.out << freq.err;
    EXPECT_EQ(freq.out, "回读接收频率成功！\n433.92\n");
    // None of the others was written to.
    for (MockHidDevice* m : {&first, &foreign, &other}) EXPECT_TRUE(m->Writes().empty());
}

// doctor through the stack: the host answers ten version reads and is sent
// nothing else; the vendor's device of another product is listed, its
// serial number asked of hid.dll.
TEST_F(Discovery, DoctorReportsTheHostAndTheVendorsOtherDevice) {
    const MockHidIdentity otherId = Device(0x0483, 0x5750);
    MockHidDevice other(otherId);
    EmulatedNode host(Device(0x0483, 0x7890));
    ASSERT_TRUE(AwaitWine(other));
    ASSERT_TRUE(AwaitListed(host));
    const std::size_t before = Requests(host.Log()).size();
    const Cli doctor = RunCli({"doctor"});
    EXPECT_EQ(doctor.status, 0) << doctor.out << doctor.err;
    const std::string hostLine = "vid_0483&pid_7890#0&" + Lower(host.identity().serial);
    const Lines parts = {"A host answered.\n",         hostLine,
                         "0483:7890  RT-221",          "    firmware KV-HOST V2.1\n",
                         "    10 version reads: min ", "0483:5750  not a host",
                         "serial " + otherId.serial,   "backend SetupAPI + hid.dll\n"};
    for (const std::string& part : parts)
        EXPECT_NE(doctor.out.find(part), std::string::npos) << part << "\n" << doctor.out;
    const Lines requests = Requests(host.Log());
    EXPECT_EQ(requests.size() - before, 10u);
    for (std::size_t i = before; i < requests.size(); ++i) EXPECT_EQ(requests[i], "01 D4 00 2A");
}

// hidclass keeps 32 input reports per handle by default; the backend asks
// for 64 on the host it opens (its own case, run here with a host attached).
TEST_F(Discovery, AnOpenedHostKeepsSixtyFourInputReports) {
    EmulatedNode host(Device(0x0483, 0x7890));
    ASSERT_TRUE(AwaitListed(host));
    const RunResult r =
        Prefix().Run({Program("tests/hid/hid_tests.exe"),
                      "--gtest_filter=WindowsHidDiscovery.AnOpenedHostKeepsSixtyFourInputReports"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[       OK ] WindowsHidDiscovery.AnOpenedHostKeepsSixtyFourInputReports"),
              std::string::npos)
        << r.out;
}

// wine's bus passes the serial number on (HidD_GetSerialNumberString); its
// devices sit under no USB device, so the port stays empty.
TEST_F(Discovery, TwoHostsAreListedAndEachIsReachedByItsPathOrItsSerial) {
    EmulatedNode first(Device(0x0483, 0x1234));
    EmulatedNode second(Device(0x0483, 0x7890));
    ASSERT_TRUE(AwaitListed(first));
    ASSERT_TRUE(AwaitListed(second));
    const Cli list = RunCli({"list"});
    std::vector<std::string> paths;
    std::size_t at = 0;
    for (std::size_t nl; (nl = list.out.find('\n', at)) != std::string::npos; at = nl + 1)
        paths.push_back(list.out.substr(at, list.out.find('\t', at) - at));
    ASSERT_EQ(paths.size(), 2u) << list.out;

    const std::pair<const char*, const char*> sets[] = {{"434.5", "434500000"},
                                                        {"868.5", "868500000"}};
    // Each form reached the host it names, whatever order SetupAPI lists them in.
    const bool firstListedFirst =
        paths[0].find(Lower(first.identity().serial)) != std::string::npos;
    EmulatedNode& a = firstListedFirst ? first : second;
    EmulatedNode& b = firstListedFirst ? second : first;
    const std::string forms[] = {paths[0], "serial:" + b.identity().serial};
    for (std::size_t i = 0; i < 2; ++i) {
        const Cli set = RunCli({"--device", forms[i], "frequency", "set", sets[i].first});
        EXPECT_EQ(set.out, "设置接收频率成功！\n") << forms[i] << set.err;
    }
    EXPECT_EQ(a.WithHost([](HostEmulator& h) { return h.frequencyDigits; }), "434500000");
    EXPECT_EQ(b.WithHost([](HostEmulator& h) { return h.frequencyDigits; }), "868500000");
}

using Commands = WineHid;

// Every command of the command line once, against the model it serves.
TEST_F(Commands, EveryCommandRunsThroughTheStackWithTheBytesTheHostExpects) {
    const std::string sounds = EmptyFolder("sounds");
    WriteWave(sounds + "/火警.wav", 2000, 0x10);
    WriteWave(sounds + "/报警.wav", 1500, 0x20);
    WriteWave(sounds + "/door.wav", 900, 0x30);
    const std::string firmware = EmptyFolder("firmware") + "/host.bin";
    WriteWave(firmware, 100000, 0x40);
    const std::string profile = EmptyFolder("profile") + "/lamp.json";
    const std::string soundsW = WinePrefix::WindowsPath(sounds);

    {
        EmulatedNode host(Device(0x0483, 0x1234));
        ASSERT_TRUE(AwaitListed(host));
        host.WithHost([](HostEmulator& h) { return h.formatDelayMs = 300; });
        EXPECT_EQ(RunCli({"init"}).out, "初始化设备成功！\n");
        EXPECT_EQ(RunCli({"version"}).out, "KV-HOST V2.1\n");
        EXPECT_EQ(RunCli({"frequency", "set", "434.5"}).out, "设置接收频率成功！\n");
        EXPECT_EQ(RunCli({"frequency", "get"}).out, "回读接收频率成功！\n434.5\n");
        const Cli basic = RunCli({"basic", "set", "--alarm-time", "30", "--volume", "5",
                                  "--channel", "3", "--comm-password", "报警"});
        EXPECT_EQ(basic.out, "设置参数成功！\n") << basic.err;
        EXPECT_EQ(RunCli({"basic", "get"}).out,
                  "alarmTime: 30\nchannel: 3\npassword: 报警\nvolume: 5\n");
        const Cli custom = RunCli({"voice", "download", "custom", soundsW});
        EXPECT_EQ(custom.out, "下载成功！\n") << custom.err;
        const Cli fixed =
            RunCli({"--password", "guard7302", "voice", "download", "fixed", soundsW});
        EXPECT_EQ(fixed.out, "下载固化WAV音频报警音成功！\n") << fixed.err;
        const Cli upgrade = RunCli({"upgrade", WinePrefix::WindowsPath(firmware)});
        EXPECT_EQ(upgrade.out, "升级成功！\n") << upgrade.err;
        // Through wine's stack the arrival of each packet jitters: told, not judged.
        const HostEmulator::Pacing pacing = host.Pacing();
        std::printf(
            "pacing at the host: shortest later gap %.3f ms, least to spare %.3f ms, "
            "%d packets before their time\n",
            static_cast<double>(pacing.shortestNextGapUs) / 1000.0,
            static_cast<double>(pacing.shortestMarginUs) / 1000.0, pacing.tooSoon);

        host.WithHost([](HostEmulator& h) {
            // Names as the host stores them: GBK, lower case, ".wav" gone.
            const Lines expected{"\xBB\xF0\xBE\xAF", "\xB1\xA8\xBE\xAF", "door"};
            for (const auto* area : {&h.customSounds, &h.fixedSounds}) {
                Lines names;
                for (const SoundEntry& e : *area) names.push_back(e.name);
                std::sort(names.begin(), names.end());
                Lines want = expected;
                std::sort(want.begin(), want.end());
                EXPECT_EQ(names, want);
            }
            EXPECT_EQ(h.firmware.size(), 100000u);
            EXPECT_EQ(h.basicParams,
                      (Bytes{0x31, 0x2C, 0x00, 0x1E, 0x3B, 0x32, 0x2C, 0x35, 0x3B, 0x33,
                             0x2C, 0x33, 0x3B, 0x34, 0x2C, 0xB1, 0xA8, 0xBE, 0xAF, 0x3B}));
            return 0;
        });
        EXPECT_EQ(RunCli({"voice", "format", "custom"}).out, "格式化WAV音频区域成功！\n");
        EXPECT_EQ(RunCli({"--password", "guard7302", "voice", "format", "fixed"}).out,
                  "格式化固化WAV音频区域成功！\n");
        const Lines requests = Requests(host.Log());
        for (const char* r :
             {"01 D0 00 2E", "01 D4 00 2A", "01 E1 00 1D", "01 D6 00 28", "01 DA 00 24",
              "01 E0 09 34 33 34 35 30 30 30 30 30 55", "01 D2 00 2C"})
            EXPECT_TRUE(Holds(requests, r)) << r;
        EXPECT_TRUE(host.WithHost([](HostEmulator& h) { return h.customSounds.empty(); }));
    }
    {
        EmulatedNode host(Device(0x0483, 0x7890));
        ASSERT_TRUE(AwaitListed(host));
        const Cli set = RunCli({"address", "set", "--volume", "3", "--group",
                                "2:1234567:green:steady:5:2:9", "--alarm-off", "7654321"});
        EXPECT_EQ(set.out, "设置地址码参数成功！\n") << set.err;
        EXPECT_EQ(RunCli({"voice", "download", "custom", soundsW}).out, "下载成功！\n");
        const Cli get = RunCli({"address", "get"});
        EXPECT_NE(get.out.find("group 2: address 1234567, green, steady, lamp 5, sound effect 2, "
                               "sound 9\n"),
                  std::string::npos)
            << get.out;
        EXPECT_NE(get.out.find("报警音数目为: 3 个。"), std::string::npos) << get.out;
        EXPECT_TRUE(Holds(Requests(host.Log()), "01 E3 00 1B"));

        const Cli dump = RunCli({"dump", WinePrefix::WindowsPath(profile)});
        EXPECT_EQ(dump.status, 0) << dump.out << dump.err;
        const auto dumped = host.WithHost([](HostEmulator& h) {
            auto held = h.addressCodes;
            h.addressCodes.clear();
            h.frequencyDigits = "315000000";
            return held;
        });
        const Cli apply = RunCli({"apply", WinePrefix::WindowsPath(profile)});
        EXPECT_EQ(apply.out, "设置接收频率成功！\n设置地址码参数成功！\n") << apply.err;
        // 433.92 MHz goes to the host in single precision, as the window sends it.
        EXPECT_EQ(host.WithHost([](HostEmulator& h) { return h.frequencyDigits; }), "433920013");
        EXPECT_EQ(host.WithHost([](HostEmulator& h) { return h.addressCodes; }), dumped);
    }
}

using Faults = WineHid;

// Each fault ends with the operation's own texts and exit status 1, soon.
TEST_F(Faults, AVanishingOrSilentOrGarbledHostFailsTheOperationWithoutAHang) {
    const std::string sounds = EmptyFolder("fault-sounds");
    WriteWave(sounds + "/alarm.wav", 20000, 0x50);
    const std::string soundsW = WinePrefix::WindowsPath(sounds);

    {  // The node goes between two packets of a download.
        EmulatedNode host(Device(0x0483, 0x7890));
        ASSERT_TRUE(AwaitListed(host));
        host.WithHost([](HostEmulator& h) {
            EmulatorFaults f;
            f.vanishAfterPacket = 40;
            h.SetFaults(f);
            return 0;
        });
        const Cli r = RunCli({"voice", "download", "custom", soundsW}, 60000);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "[失败1] 设备未连接，请连接设备！\n下载失败！\n") << r.err;
        EXPECT_FALSE(host.Present());
    }
    {  // The node goes while the program waits for the reply to a format.
        EmulatedNode host(Device(0x0483, 0x7890));
        ASSERT_TRUE(AwaitListed(host));
        auto format = Prefix().Start(
            {Program("cli/korvane-cli.exe"), "--quiet", "voice", "format", "custom"});
        ASSERT_TRUE(Within(30000, [&] { return Holds(Requests(host.Log()), "01 D6 00 28"); }));
        const auto removed = std::chrono::steady_clock::now();
        host.Unplug();
        const RunResult r = format->Wait(60000);
        const auto afterRemoval = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - removed)
                                      .count();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(Unix(r.out), "[失败2] 读取数据失败，请重新发送！\n格式化WAV音频区域失败！\n")
            << r.err;
        // A read of a vanished device fails at once: not a wait for the 28 s time-out.
        EXPECT_LT(afterRemoval, 10000);
    }
    {  // A host that stops answering, and one whose reply has a wrong checksum.
        EmulatedNode host(Device(0x0483, 0x1234));
        ASSERT_TRUE(AwaitListed(host));
        host.WithHost([](HostEmulator& h) {
            EmulatorFaults f;
            f.noReply = true;
            h.SetFaults(f);
            return 0;
        });
        const Cli silent = RunCli({"version"}, 60000);
        EXPECT_EQ(silent.status, 1);
        EXPECT_EQ(silent.out, "[失败2] 读取数据失败，请重新发送！\n读取版本号失败！\n");
        host.WithHost([](HostEmulator& h) {
            EmulatorFaults f;
            f.badChecksum = true;
            h.SetFaults(f);
            return 0;
        });
        const Cli garbled = RunCli({"frequency", "get"}, 60000);
        EXPECT_EQ(garbled.status, 1);
        EXPECT_EQ(garbled.out, "[发送失败3] 发送数据失败，请重新发送！\n回读接收频率失败！\n");
    }
}

using Window = WineHid;

// korvane.exe on the windows platform: the host comes, goes and comes back
// through wine's own device notifications; the title and the lamp follow.
TEST_F(Window, TheLampAndTitleFollowTheHostThroughPlugAndPlay) {
    X11Screen screen;
    if (!screen.ok()) GTEST_SKIP() << "no X display (DISPLAY)";
    const std::string shots = EmptyFolder("window");
    auto program = Prefix().Start({Program("app/korvane.exe"), "-platform", "windows"});
    std::optional<unsigned long> window;
    ASSERT_TRUE(Within(60000, [&] { return (window = screen.FindWindow("VelarinV1.0")); }))
        << program->OutputSoFar();
    auto settle = [&](Lamp lamp, int white) {
        QImage shot;
        const bool ok = Within(15000, [&] {
            shot = screen.Grab(*window);
            return LampOf(shot) == lamp &&
                   (white < 0 ? WhiteOnPage(shot) < -white : WhiteOnPage(shot) > white);
        });
        return std::make_pair(ok, shot);
    };
    // The lower part of the RT-221's page is full of white edit boxes; the
    // RT-220's shows sky there.
    constexpr int kManyWhite = 5000;
    auto [startOk, start] = settle(Lamp::Unlit, -kManyWhite);
    EXPECT_TRUE(startOk) << "no unlit lamp on the RT-220 page at start";
    start.save(QString::fromStdString(shots + "/1-no-host.png"));

    auto host = std::make_unique<EmulatedNode>(Device(0x0483, 0x7890));
    auto [foundOk, found] = settle(Lamp::Lit, kManyWhite);
    EXPECT_TRUE(foundOk) << "the RT-221 plugged in was not shown";
    found.save(QString::fromStdString(shots + "/2-rt221-plugged.png"));
    EXPECT_EQ(screen.Title(*window), "VelarinV1.0");

    host->Unplug();
    ASSERT_TRUE(Within(
        15000, [&] { return screen.Title(*window) == "KV_SystemDlg----------[未连接设备]"; }));
    auto [goneOk, gone] = settle(Lamp::Unlit, kManyWhite);
    EXPECT_TRUE(goneOk) << "the lamp stayed lit after the removal";
    gone.save(QString::fromStdString(shots + "/3-removed.png"));

    host->Plug();
    auto [backOk, back] = settle(Lamp::Lit, kManyWhite);
    EXPECT_TRUE(backOk) << "the host plugged back in was not found again";
    back.save(QString::fromStdString(shots + "/4-plugged-back.png"));
    EXPECT_EQ(screen.Title(*window), "KV_SystemDlg----------[未连接设备]");
    host.reset();
}

}  // namespace
}  // namespace korvane::testing
