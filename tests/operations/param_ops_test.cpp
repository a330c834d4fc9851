#include "operations/param_ops.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/operations/ops_rig.h"
#include "tests/support/form_defaults.h"

namespace korvane::test {
namespace {

// Basic and address-code parameters.
class ParamOpsTest : public OpsTest {};

TEST_F(ParamOpsTest, SetBasicParamsStagesExactlyTheRequest) {
    WriteFile(ctx.writePath, Bytes(100, 0xEE));  // an older, longer request
    EXPECT_TRUE(ops::SetBasicParams(ctx, FormBasicParams()));
    EXPECT_EQ(ToHex(ReadFile(ctx.writePath)),
              "31 2C 00 0A 3B 32 2C 31 3B 33 2C 30 3B 34 2C 51 4B 4D 52 3B");
    EXPECT_EQ(ToHex(host.basicParams), ToHex(ReadFile(ctx.writePath)));
    EXPECT_EQ(op.BoxTexts(), Strings{"设置参数成功！"});
    EXPECT_FALSE(op.Boxes()[0].progressWasOpen);
    EXPECT_EQ(op.Texts(1002), Strings{"设置参数发送成功"});
}

TEST_F(ParamOpsTest, SetBasicParamsRefusalsSendNothing) {
    struct Case {
        const char* alarm;
        const char* password;
        const char* box;
    } cases[] = {
        // One case per refusal; which texts are refused, and in what order
        // the checks run, is the records' rule.
        {"65536", kFormPassword, "取值范围为0到65535！"},
        {"10", "ABC", "密码长度必须是四位！"},
    };
    for (const auto& c : cases) {
        op.Clear();
        BasicParamValues v = FormBasicParams();
        v.alarmTimeText = c.alarm;
        v.password = c.password;
        EXPECT_FALSE(ops::SetBasicParams(ctx, v));
        EXPECT_EQ(op.BoxTexts(), Strings{c.box}) << c.alarm << c.password;
    }
    EXPECT_TRUE(host.received.empty());
    EXPECT_FALSE(std::filesystem::exists(ctx.writePath));
}

TEST_F(ParamOpsTest, ReadBasicParamsDeletesTheReadBack) {
    host.basicParams = Hex("32 2C 35 3B 33 2C 37 3B");
    const auto r = ops::ReadBasicParams(ctx);
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->empty);
    EXPECT_EQ(r->values.volumeIndex, 4);
    EXPECT_EQ(r->values.channelIndex, 7);
    EXPECT_FALSE(r->values.alarmTime);
    EXPECT_TRUE(op.Boxes().empty());
    EXPECT_FALSE(std::filesystem::exists(ctx.readPath));
}

TEST_F(ParamOpsTest, BulkFailuresEndInTheOperationsOwnBox) {
    host.Unplug();
    EXPECT_FALSE(ops::ReadBasicParams(ctx));
    EXPECT_EQ(op.BoxTexts(), (Strings{"下发数据失败，请重新发送！", "读取失败！"}));
    op.Clear();
    EXPECT_FALSE(ops::SetBasicParams(ctx, FormBasicParams()));
    EXPECT_EQ(op.BoxTexts(), (Strings{"设备未连接，请连接设备！", "设置参数失败！"}));
    op.Clear();
    host.Plug();
    EmulatorFaults refuse;
    refuse.refuseAck = true;
    host.SetFaults(refuse);
    AddressCodeValues v = FormAddressCodes();
    v.alarmOffInEffect = true;
    EXPECT_FALSE(ops::SetAddressCodes(ctx, v));
    EXPECT_EQ(op.BoxTexts(), Strings{"设置地址码参数失败！"});
    EXPECT_EQ(op.Texts(1002), Strings{"设置地址码参数发送失败"});
    EXPECT_FALSE(ops::ReadAddressCodes(ctx) == std::nullopt);  // reads are not acknowledged
    EXPECT_FALSE(std::filesystem::exists(ctx.readPath));
}

TEST_F(ParamOpsTest, AddressCodesRoundTripThroughTheHost) {
    host.customSounds = {SoundEntry{"a", 3}, SoundEntry{"b", 4}};
    AddressCodeValues v = FormAddressCodes();
    v.groups[0].inEffect = true;
    v.groups[1] = AddressGroupValues{true, "123", 2, 1, "300", "7", "999"};
    EXPECT_TRUE(ops::SetAddressCodes(ctx, v));
    EXPECT_EQ(ToHex(ReadFile(ctx.writePath)),
              "32 2C 30 31 32 30 31 32 30 3A 00 3A 00 3A 00 00 3A 01 3A 00 00 3B "
              "33 2C 30 30 30 30 31 32 33 3A 02 3A 01 3A 01 2C 3A 07 3A 03 E7 3B");
    EXPECT_EQ(op.BoxTexts(), Strings{"设置地址码参数成功！"});

    const auto items = ops::ReadAddressCodes(ctx);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 3u);
    EXPECT_EQ((*items)[1].group, 1);
    EXPECT_EQ((*items)[1].text, "0000123");
    EXPECT_EQ((*items)[1].lampDuration, 300);
    EXPECT_EQ((*items)[1].soundDuration, 999);
    EXPECT_EQ((*items)[2].kind, AddressReadItem::Kind::SoundCount);
    EXPECT_EQ((*items)[2].soundCount, 2);
    EXPECT_FALSE(std::filesystem::exists(ctx.readPath));
}

TEST_F(ParamOpsTest, AddressCodeRefusals) {
    struct Case {
        const char* name;
        std::function<void(AddressCodeValues&)> edit;
        Strings boxes;
    } cases[] = {
        {"nothing checked", [](AddressCodeValues&) {}, {}},
        {"volume 9",
         [](AddressCodeValues& v) { v.volumeInEffect = true, v.volume = "9"; },
         {"输入不正确，请重新输入！"}},
        {"lamp 1000 after a valid group",
         [](AddressCodeValues& v) {
             v.groups[0].inEffect = true;
             v.groups[2].inEffect = true;
             v.groups[2].lampDuration = "1000";
         },
         {"超出范围，请重设！"}},
    };
    for (const auto& c : cases) {
        op.Clear();
        AddressCodeValues v = FormAddressCodes();
        c.edit(v);
        EXPECT_FALSE(ops::SetAddressCodes(ctx, v)) << c.name;
        EXPECT_EQ(op.BoxTexts(), c.boxes) << c.name;
    }
    EXPECT_TRUE(host.received.empty());
}

TEST_F(ParamOpsTest, StagingFolderThatCannotBeUsedSendsNothing) {
    OperationContext broken{protocol, op, "/nonexistent-korvane/Write.txt",
                            "/nonexistent-korvane/RHost.txt"};
    EXPECT_FALSE(ops::SetBasicParams(broken, FormBasicParams()));
    ASSERT_EQ(op.BoxTexts().size(), 2u);
    EXPECT_EQ(op.BoxTexts()[0].rfind("无法写入暂存文件，操作已取消！", 0), 0u);
    EXPECT_EQ(op.BoxTexts()[1], "设置参数失败！");
    EXPECT_TRUE(host.received.empty());
}

}  // namespace
}  // namespace korvane::test
