// The provisioning record without a host: where it goes, lines that stay
// whole whoever writes, its rotation, and what a line says was sent.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <filesystem>
#include <map>
#include <thread>

#include "common/clock.h"
#include "protocol/transaction.h"
#include "record/provisioning_record.h"
#include "record/record_log.h"
#include "tests/support/recording_operator.h"
#include "tests/support/scratch_folder.h"

namespace korvane::record {
namespace {

using test::ScratchFolder;

std::vector<QJsonObject> Lines(const std::string& path, std::size_t* torn = nullptr) {
    std::vector<QJsonObject> lines;
    const RecordRead read = ReadRecord(path, [&](const QJsonObject& o) { lines.push_back(o); });
    if (torn != nullptr) *torn = read.torn;
    return lines;
}

TEST(RecordPath, TheOptionFirstThenTheEnvironment) {
    const ScratchFolder data;
#ifdef _WIN32
    test::SetEnv("LOCALAPPDATA", data.path);
    const std::string place = data.path + "\\Korvane\\record.jsonl";
#else
    test::SetEnv("XDG_DATA_HOME", data.path);
    const std::string place = data.path + "/korvane/record.jsonl";
#endif
    const struct {
        std::optional<std::string> option;
        const char* environment;  // nullptr: not set
        std::optional<std::string> path;
    } cases[] = {
        {std::nullopt, nullptr, std::nullopt},
        {std::nullopt, "0", std::nullopt},
        {std::nullopt, "", std::nullopt},
        {std::nullopt, "1", place},
        {std::nullopt, "x.jsonl", "x.jsonl"},
        {"", nullptr, place},
        {"", "0", place},
        {"y.jsonl", "x.jsonl", "y.jsonl"},
    };
    for (const auto& c : cases) {
        if (c.environment != nullptr)
            test::SetEnv("KORVANE_RECORD", c.environment);
        else
            test::UnsetEnv("KORVANE_RECORD");
        EXPECT_EQ(RecordPath(c.option), c.path)
            << c.option.value_or("(none)") << " " << (c.environment ? c.environment : "(unset)");
    }
    test::UnsetEnv("KORVANE_RECORD");
    // The default place's folder is made for the first line.
    std::string why;
    EXPECT_TRUE(AppendRecordLine(place, R"({"n":1})", why)) << why;
    EXPECT_EQ(Lines(place).size(), 1u);
}

// Lines of 120,000 bytes from two writers: 120 of them pass 10 MiB once,
// so the older file holds what came before the rotation and nothing is lost.
TEST(RecordFile, TwoWritersAtOnceLeaveWholeLinesAcrossARotation) {
    const ScratchFolder folder;
    const std::string path = folder.File("record.jsonl");
    auto writer = [&](const char* who) {
        for (int i = 0; i < 60; ++i) {
            const std::string line = std::string(R"({"who":")") + who + R"(","n":)" +
                                     std::to_string(i) + R"(,"pad":")" + std::string(120000, 'x') +
                                     "\"}";
            std::string why;
            EXPECT_TRUE(AppendRecordLine(path, line, why)) << why;
        }
    };
    std::thread a(writer, "a");
    std::thread b(writer, "b");
    a.join();
    b.join();
    EXPECT_TRUE(std::filesystem::exists(folder.File("record.jsonl.1")));
    EXPECT_LT(std::filesystem::file_size(folder.File("record.jsonl.1")), 10600000u);
    std::size_t torn = 0;
    std::map<std::string, int> next;
    for (const QJsonObject& line : Lines(path, &torn)) {
        const std::string who = line["who"].toString().toStdString();
        EXPECT_EQ(line["n"].toInt(), next[who]++) << who;
    }
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(next["a"], 60);
    EXPECT_EQ(next["b"], 60);
}

TEST(RecordFile, ALineLeftTornStaysApartAndABadPlaceIsSaid) {
    const ScratchFolder folder;
    const std::string path = folder.File("record.jsonl");
    test::WriteFile(path, {'{', '"', 'n', '"', ':', '1', '}', '\n', '{', '"', 't', 'o'});
    std::string why;
    ASSERT_TRUE(AppendRecordLine(path, R"({"n":2})", why)) << why;
    std::size_t torn = 0;
    const std::vector<QJsonObject> lines = Lines(path, &torn);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["n"].toInt(), 2);
    EXPECT_EQ(torn, 1u);

    for (const std::string& bad : {folder.File("no/such/folder/record.jsonl"), folder.path}) {
        why.clear();
        EXPECT_FALSE(AppendRecordLine(bad, "{}", why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    EXPECT_FALSE(ReadRecord(folder.File("absent.jsonl"), [](const QJsonObject&) {}).found);
}

TEST(RecordLine, WhatEachOperationSent) {
    const ScratchFolder folder;
    auto json = [](const Outgoing& what) {
        QJsonObject o;
        AddSent(o, what);
        return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
    };
    EXPECT_EQ(json(sent::Init{}), "{}");
    EXPECT_EQ(json(sent::Frequency{434.5f}), R"({"frequency":"434.5"})");
    // The password is told by its length in the host's bytes only.
    EXPECT_EQ(json(sent::Basic{{"300", 4, 7, "报警"}}),
              R"({"basic":{"alarmTime":300,"channel":7,"passwordLength":4,"volume":5}})");
    sent::AddressCodes codes;
    codes.values.volumeInEffect = true;
    codes.values.volume = "5";
    codes.values.groups[1] = {true, "42", 2, 1, "315", "59", "7"};
    codes.values.groups[2] = {true, "", 0, 0, "1", "1", "1"};
    codes.values.alarmOffInEffect = true;
    codes.values.alarmOffAddress = "99";
    EXPECT_EQ(json(codes), R"({"address":{"alarmOff":"0000099","groups":[{"address":"0000042",)"
                           R"("color":"green","effect":"steady","group":2,"lampDuration":315,)"
                           R"("soundDuration":7,"soundEffect":59},{"group":3}],"volume":5}})");
    QJsonObject download;
    AddSent(download,
            sent::Download{
                ops::SoundArea::Fixed, folder.path, {{"fire", 10}, {"\xB1\xA8\xBE\xAF", 0}}});
    EXPECT_EQ(download.take("folder").toString().toStdString(), folder.path);
    EXPECT_EQ(QJsonDocument(download).toJson(QJsonDocument::Compact).toStdString(),
              R"({"area":"fixed","sounds":[{"name":"fire","size":10},{"name":"报警","size":0}]})");
    EXPECT_EQ(json(sent::Format{ops::SoundArea::Fixed}), R"({"area":"fixed"})");
}

// The bus as the test sets it: whatever is listed opens.
class Bus final : public HidBackend {
  public:
    std::vector<HidDeviceInfo> listed;
    std::vector<HidDeviceInfo> Enumerate() override { return listed; }
    bool Open(const std::string& path) override {
        open_ = path;
        return true;
    }
    void Close() override { open_.clear(); }
    bool IsOpen() const override { return !open_.empty(); }
    bool ReadAttributes(uint16_t& vendor, uint16_t& product) override {
        vendor = 0x0483;
        product = 0x7890;
        return IsOpen();
    }
    bool Write(const Report&, int) override { return IsOpen(); }
    ReadResult Read(Report&, int) override { return ReadResult::Timeout; }

  private:
    std::string open_;
};

// A version read belongs to the host it came from: the one with that serial
// number wherever it is plugged in, else the host of that very opening (a
// node's path is given to whatever is plugged in next). An upgrade makes it
// another image's.
TEST(RecordLine, AFirmwareVersionStaysWithTheHostItWasReadFrom) {
    const ScratchFolder folder;
    const std::string path = folder.File("record.jsonl");
    VirtualClock clock;
    test::RecordingOperator shown;
    Bus bus;
    HostTap tap(bus);
    TranscriptOperator transcript(shown);
    HidLink link(tap, clock, transcript);
    LampProtocol protocol(link, transcript, clock);
    OperationContext ctx{protocol, transcript, "", ""};
    ProvisioningRecord record({path, "korvane", ""}, link, tap, transcript);

    const HidDeviceInfo a{"/dev/hidraw3", 0x0483, 0x7890, "A1", "1-1"};
    const HidDeviceInfo b{"/dev/hidraw3", 0x0483, 0x7890, "B2", "1-1"};
    const HidDeviceInfo c{"/dev/hidraw4", 0x0483, 0x7890, "C3", "1-2"};
    const HidDeviceInfo plain{"/dev/hidraw3", 0x0483, 0x7890, "", ""};
    struct Step {
        const char* what;
        const HidDeviceInfo& plugged;
        bool reopen;
        bool readsVersion;
        bool upgrades;
        bool firmware;
    } steps[] = {
        {"read on A", a, true, true, false, true},
        {"A still open", a, false, false, false, true},
        {"B at A's path", b, true, false, false, false},
        {"A back at that path", a, true, false, false, true},
        {"C at another path", c, true, false, false, false},
        {"A upgraded", a, true, false, true, false},
        {"A after its upgrade", a, false, false, false, false},
        {"read on a host without a serial", plain, true, true, false, true},
        {"the same, still open", plain, false, false, false, true},
        {"whatever is at that path next", plain, true, false, false, false},
    };
    for (const Step& step : steps) {
        bus.listed = {step.plugged};
        if (step.reopen) link.Disconnect();
        record.Run(
            ctx,
            [&] {
                if (step.reopen) link.FindDevice();
                if (step.readsVersion) record.NoteVersion("KV-HOST V2.1");
                TellSending(ctx, step.upgrades ? Outgoing(sent::Upgrade{}) : sent::Init{});
                return true;
            },
            nullptr);
    }
    const std::vector<QJsonObject> lines = Lines(path);
    ASSERT_EQ(lines.size(), std::size(steps));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(steps[i].what);
        const QJsonObject host = lines[i]["host"].toObject();
        EXPECT_EQ(host["path"].toString().toStdString(), steps[i].plugged.path);
        EXPECT_EQ(host["serial"].toString().toStdString(), steps[i].plugged.serial);
        EXPECT_EQ(host["port"].toString().toStdString(), steps[i].plugged.port);
        EXPECT_EQ(host.contains("firmware"), steps[i].firmware);
    }
}

}  // namespace
}  // namespace korvane::record
