// The window keeps the provisioning record as korvane-cli does: one line for
// each change it makes to a host, none for what it only reads or refuses.
#include <QJsonArray>
#include <QSignalSpy>

#include "common/resource_ids.h"
#include "record/record_log.h"
#include "tests/support/scratch_folder.h"
#include "tests/support_qt/host_window.h"

namespace korvane::test {
namespace {

namespace ids = korvane::ids;

std::vector<QJsonObject> Lines(const std::string& path) {
    std::vector<QJsonObject> lines;
    record::ReadRecord(path, [&](const QJsonObject& line) { lines.push_back(line); });
    return lines;
}

TEST(WindowRecord, EveryChangeToTheHostLeavesItsLine) {
    const ScratchFolder folder;
    const std::string path = folder.File("record.jsonl");
    WriteFile(folder.File("fw.bin"), Bytes(100, 0x22));
    const std::string sounds = folder.Folder("sounds");
    WriteFile(sounds + "/a.wav", Bytes(10, 'a'));
    {
        HostWindow w{1, true, path};
        w.Connect();
        w.Click(ids::kBtnReadVersion);
        w.Click(ids::kBtnInit);
        w.Click(ids::kBtnSetFrequency);
        w.dialogs.fileAnswers.push_back(folder.File("fw.bin"));
        w.Click(ids::kBtnUpgrade);
        w.dialogs.folderAnswers.push_back(sounds);
        w.Click(ids::kBtnDownloadVoice);
        w.Click(ids::kBtnFormatVoice);
        w.dialogs.passwordAnswers.push_back(std::string("guard7302"));
        w.dialogs.folderAnswers.push_back(sounds);
        w.Click(ids::kBtnDownloadFixedVoice);
        w.dialogs.passwordAnswers.push_back(std::string("guard7301"));  // refused: no line
        w.Click(ids::kBtnFormatFixedVoice);
        w.Check(ids::kCheckSpeakerVolume)->setChecked(true);
        w.Type(ids::kEditSpeakerVolume, "5");
        w.Click(ids::kBtnSetAddressCodes);
        w.Click(ids::kBtnReadAddressCodes);
        w.Host().Unplug();
        w.Click(ids::kBtnInit);
    }
    {
        HostWindow w{0, true, path};
        w.Connect();
        w.Click(ids::kBtnSetBasic);
    }
    const std::vector<QJsonObject> lines = Lines(path);
    Strings operations;
    for (const QJsonObject& line : lines) {
        operations.push_back(line["operation"].toString().toStdString() + " " +
                             line["outcome"].toString().toStdString());
        EXPECT_EQ(line["program"].toString(), "korvane");
    }
    EXPECT_EQ(operations,
              (Strings{"init success", "frequency set success", "firmware upgrade success",
                       "voice download success", "voice format success", "voice download success",
                       "address set success", "init failure", "basic set success"}));
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0]["host"].toObject(), (QJsonObject{{"path", "emulated:0"},
                                                        {"model", "RT-221"},
                                                        {"serial", "EMU0001"},
                                                        {"port", "emulated:1"},
                                                        {"firmware", "KV-HOST V2.1"}}));
    EXPECT_EQ(lines[1]["host"].toObject()["firmware"], "KV-HOST V2.1");
    // After an upgrade the version read before it is another image's.
    EXPECT_FALSE(lines[2]["host"].toObject().contains("firmware"));
    EXPECT_FALSE(lines[3]["host"].toObject().contains("firmware"));
    EXPECT_EQ(lines[1]["sent"].toObject(), (QJsonObject{{"frequency", "433.5"}}));
    EXPECT_EQ(lines[6]["sent"].toObject()["address"].toObject(), (QJsonObject{{"volume", 5}}));
    EXPECT_EQ(lines[7]["texts"].toArray(),
              (QJsonArray{"[失败1] 设备未连接，请连接设备！", "初始化设备失败！"}));
    EXPECT_EQ(lines[8]["host"].toObject(), (QJsonObject{{"path", "emulated:0"},
                                                        {"model", "RT-220"},
                                                        {"serial", "EMU0001"},
                                                        {"port", "emulated:1"}}));
}

TEST(WindowRecord, AnUnwritableRecordIsSaidOnceAndTheOperationsGoOn) {
    const ScratchFolder folder;
    HostWindow w{1, true, folder.File("none/record.jsonl")};
    QSignalSpy said(w.controller.get(), &FormController::recordUnwritable);
    w.Connect();
    w.Click(ids::kBtnInit);
    w.Click(ids::kBtnInit);
    EXPECT_EQ(w.Boxes(), (Strings{"初始化设备成功！", "初始化设备成功！"}));
    ASSERT_EQ(said.size(), 1);
    EXPECT_EQ(said[0][0].toString().toStdString(),
              "无法写入配置记录，操作照常进行：" + folder.File("none/record.jsonl"));
}

}  // namespace
}  // namespace korvane::test
