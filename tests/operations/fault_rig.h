#pragma once
// Every operation of the form, with the boxes it ends in, and every fault the
// emulated host can be told to show.
#include <functional>
#include <string>
#include <vector>

#include "operations/param_ops.h"
#include "operations/system_ops.h"
#include "operations/voice_ops.h"
#include "tests/operations/ops_rig.h"
#include "tests/support/form_defaults.h"

namespace korvane::test {

enum class Shape { Command, Format, BulkSend, BulkRead };

struct Operation {
    const char* name;
    Shape shape;
    int packets;        // bulk sends: packets of the payload
    const char* title;  // bulk sends: the title of the dialog's result line
    Strings okBoxes;
    const char* failBox;
    std::function<bool(OperationContext&)> run;
};

enum class Fault {
    NoReply,
    LateReply,  // past the 1000 ms reply bound, within the 5000 and 28000 ms ones
    LatePastEveryBound,
    BadChecksum,
    ForeignReplyFirst,
    RefusedAck,
    VanishAfterPacket1,
    WriteStall,
    UnplugDuringOperation,
};

inline const char* FaultName(Fault f) {
    switch (f) {
        case Fault::NoReply:
            return "NoReply";
        case Fault::LateReply:
            return "LateReply";
        case Fault::LatePastEveryBound:
            return "LatePastEveryBound";
        case Fault::BadChecksum:
            return "BadChecksum";
        case Fault::ForeignReplyFirst:
            return "ForeignReplyFirst";
        case Fault::RefusedAck:
            return "RefusedAck";
        case Fault::VanishAfterPacket1:
            return "VanishAfterPacket1";
        case Fault::WriteStall:
            return "WriteStall";
        case Fault::UnplugDuringOperation:
            return "UnplugDuringOperation";
    }
    return "?";
}

inline const Fault kFaults[] = {Fault::NoReply,
                                Fault::LateReply,
                                Fault::LatePastEveryBound,
                                Fault::BadChecksum,
                                Fault::ForeignReplyFirst,
                                Fault::RefusedAck,
                                Fault::VanishAfterPacket1,
                                Fault::WriteStall,
                                Fault::UnplugDuringOperation};

// The host, a folder of two sound files and a firmware image, and the faults.
class FaultRig : public VoiceTest {
  protected:
    void SetUp() override {
        const std::string dir = Folder("voices");
        WriteFile(dir + "/A.WAV", Bytes(10, 0xA1));  // with b.wav: a 77-byte image, 2 packets
        WriteFile(dir + "/b.wav", Bytes(3, 0xB1));
        WriteFile(firmware, Counting(100));  // 2 packets
        op.folderAnswer = dir;
        op.fileAnswer = firmware;
        op.passwordAnswer = "guard7302";
    }

    void Arm(Fault fault) {
        EmulatorFaults f;
        switch (fault) {
            case Fault::NoReply:
                f.noReply = true;
                break;
            case Fault::LateReply:
                f.lateReplyMs = 1500;
                break;
            case Fault::LatePastEveryBound:
                f.lateReplyMs = 30000;
                break;
            case Fault::BadChecksum:
                f.badChecksum = true;
                break;
            case Fault::ForeignReplyFirst:
                f.foreignReplyFirst = true;
                break;
            case Fault::RefusedAck:
                f.refuseAck = true;
                break;
            case Fault::VanishAfterPacket1:
                f.vanishAfterPacket = 1;
                break;
            case Fault::WriteStall:
                f.writeStall = true;
                break;
            case Fault::UnplugDuringOperation:
                // Pulled out as soon as the host has taken the first report.
                link.pump = [this] {
                    if (!host.received.empty()) host.Unplug();
                    return true;
                };
                break;
        }
        host.SetFaults(f);
    }

    void Heal() {
        link.pump = nullptr;
        host.ClearFaults();
        host.Plug();
    }

    std::string firmware = scratch.File("fw.bin");
};

inline AddressCodeValues OneGroup() {
    AddressCodeValues v = FormAddressCodes();
    v.groups[0].inEffect = true;
    return v;
}

// Every operation of the form, with its boxes.
inline const std::vector<Operation>& Operations() {
    static const std::vector<Operation> all = {
        {"Init",
         Shape::Command,
         0,
         nullptr,
         {"初始化设备成功！"},
         "初始化设备失败！",
         [](OperationContext& c) { return ops::InitDevice(c); }},
        {"SetFrequency",
         Shape::Command,
         0,
         nullptr,
         {"设置接收频率成功！"},
         "设置接收频率失败！",
         [](OperationContext& c) { return ops::SetFrequency(c, 433.92f); }},
        {"ReadFrequency",
         Shape::Command,
         0,
         nullptr,
         {"回读接收频率成功！"},
         "回读接收频率失败！",
         [](OperationContext& c) { return ops::ReadFrequency(c).has_value(); }},
        {"ReadVersion",
         Shape::Command,
         0,
         nullptr,
         {},
         "读取版本号失败！",
         [](OperationContext& c) { return ops::ReadVersion(c).has_value(); }},
        {"Upgrade",
         Shape::BulkSend,
         2,
         "升级程序",
         {"升级成功！"},
         "升级失败！",
         [](OperationContext& c) { return ops::UpgradeFirmware(c); }},
        {"SetBasic",
         Shape::BulkSend,
         1,
         "设置参数",
         {"设置参数成功！"},
         "设置参数失败！",
         [](OperationContext& c) { return ops::SetBasicParams(c, FormBasicParams()); }},
        {"ReadBasic",
         Shape::BulkRead,
         0,
         nullptr,
         {},
         "读取失败！",
         [](OperationContext& c) { return ops::ReadBasicParams(c).has_value(); }},
        {"SetAddressCodes",
         Shape::BulkSend,
         1,
         "设置地址码参数",
         {"设置地址码参数成功！"},
         "设置地址码参数失败！",
         [](OperationContext& c) { return ops::SetAddressCodes(c, OneGroup()); }},
        {"ReadAddressCodes",
         Shape::BulkRead,
         0,
         nullptr,
         {},
         "读取失败！",
         [](OperationContext& c) { return ops::ReadAddressCodes(c).has_value(); }},
        {"DownloadCustom",
         Shape::BulkSend,
         2,
         "下载WAV音频报警音",
         {"下载成功！"},
         "下载失败！",
         [](OperationContext& c) { return ops::DownloadVoice(c, ops::SoundArea::Custom); }},
        {"DownloadFixed",
         Shape::BulkSend,
         2,
         "下载固化WAV音频报警音",
         {"下载固化WAV音频报警音成功！"},
         "下载固化WAV音频报警音失败！",
         [](OperationContext& c) { return ops::DownloadVoice(c, ops::SoundArea::Fixed); }},
        {"FormatCustom",
         Shape::Format,
         0,
         nullptr,
         {"格式化WAV音频区域成功！"},
         "格式化WAV音频区域失败！",
         [](OperationContext& c) { return ops::FormatVoiceArea(c, ops::SoundArea::Custom); }},
        {"FormatFixed",
         Shape::Format,
         0,
         nullptr,
         {"格式化固化WAV音频区域成功！"},
         "格式化固化WAV音频区域失败！",
         [](OperationContext& c) { return ops::FormatVoiceArea(c, ops::SoundArea::Fixed); }},
    };
    return all;
}

}  // namespace korvane::test
