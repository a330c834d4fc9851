// Every operation of the form against every way the host can misbehave: the
// operator sees exactly the boxes for that failure, no staging file is left
// behind, and the same operation succeeds as soon as the host is healthy.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "tests/operations/fault_rig.h"

namespace korvane::test {
namespace {

class MatrixTest : public FaultRig, public ::testing::WithParamInterface<std::tuple<int, Fault>> {};

struct Expected {
    bool ok = false;
    Strings boxes;
    std::optional<std::string> resultLine;  // bulk sends: control 1002
};

Expected Expect(const Operation& o, Fault fault) {
    const std::string fail = std::string("Korvane ") + o.failBox;
    Strings ok;
    for (const auto& b : o.okBoxes) ok.push_back("Korvane " + b);
    const std::string notConnected = "失败1 设备未连接，请连接设备！";
    const std::string readFailed = "失败2 读取数据失败，请重新发送！";
    const std::string badFrame = "发送失败3 发送数据失败，请重新发送！";
    const std::string title = o.title != nullptr ? o.title : "";

    switch (o.shape) {
        case Shape::Command:
        case Shape::Format:
            switch (fault) {
                case Fault::LateReply:
                    if (o.shape == Shape::Format) return {true, ok, {}};
                    return {false, {readFailed, fail}, {}};
                case Fault::NoReply:
                case Fault::LatePastEveryBound:
                case Fault::UnplugDuringOperation:
                    return {false, {readFailed, fail}, {}};
                case Fault::BadChecksum:
                    return {false, {badFrame, fail}, {}};
                case Fault::WriteStall:
                    return {false, {notConnected, fail}, {}};
                case Fault::ForeignReplyFirst:
                case Fault::RefusedAck:
                case Fault::VanishAfterPacket1:
                    return {true, ok, {}};
            }
            break;
        case Shape::BulkSend: {
            const Expected ackFailed{false, {fail}, title + "发送失败"};
            const Expected writeFailed{false, {notConnected, fail}, std::nullopt};
            switch (fault) {
                case Fault::LateReply:
                    return {true, ok, title + "发送成功"};
                case Fault::NoReply:
                case Fault::LatePastEveryBound:
                case Fault::BadChecksum:
                case Fault::ForeignReplyFirst:  // exactly one report is read for the
                                                // acknowledgement
                case Fault::RefusedAck:
                    return ackFailed;
                case Fault::WriteStall:
                    return writeFailed;
                case Fault::VanishAfterPacket1:
                case Fault::UnplugDuringOperation:
                    return o.packets > 1 ? writeFailed : ackFailed;
            }
            break;
        }
        case Shape::BulkRead:
            switch (fault) {
                case Fault::LateReply:
                case Fault::RefusedAck:
                case Fault::VanishAfterPacket1:
                    return {true, ok, {}};
                case Fault::NoReply:
                case Fault::LatePastEveryBound:
                case Fault::ForeignReplyFirst:
                case Fault::UnplugDuringOperation:
                    return {false, {fail}, {}};
                case Fault::BadChecksum:
                    return {false, {"警告 接受数据不正确，请检查主机是否正常工作！", fail}, {}};
                case Fault::WriteStall:
                    return {false, {"失败1 下发数据失败，请重新发送！", fail}, {}};
            }
            break;
    }
    return {};
}

TEST_P(MatrixTest, BoxesCleanupAndRecovery) {
    const Operation& o = Operations()[static_cast<std::size_t>(std::get<0>(GetParam()))];
    const Fault fault = std::get<1>(GetParam());
    const Expected want = Expect(o, fault);

    Arm(fault);
    EXPECT_EQ(o.run(ctx), want.ok);
    EXPECT_EQ(op.BoxLines(), want.boxes);
    if (o.shape == Shape::BulkSend) {
        EXPECT_EQ(op.Texts(1002), want.resultLine ? Strings{*want.resultLine} : Strings{});
    }
    EXPECT_FALSE(op.ProgressIsOpen());
    EXPECT_FALSE(link.busy());
    EXPECT_EQ(protocol.cancelRequested, 0);
    EXPECT_FALSE(StagingLeftovers());

    // The same operation on a healthy host, straight after.
    Heal();
    op.Clear();
    EXPECT_TRUE(o.run(ctx));
    Strings ok;
    for (const auto& b : o.okBoxes) ok.push_back("Korvane " + b);
    EXPECT_EQ(op.BoxLines(), ok);
    EXPECT_FALSE(op.ProgressIsOpen());
    EXPECT_FALSE(StagingLeftovers());
}

INSTANTIATE_TEST_SUITE_P(
    EveryOperationAndFault, MatrixTest,
    ::testing::Combine(::testing::Range(0, static_cast<int>(Operations().size())),
                       ::testing::ValuesIn(kFaults)),
    [](const ::testing::TestParamInfo<MatrixTest::ParamType>& p) {
        return std::string(Operations()[static_cast<std::size_t>(std::get<0>(p.param))].name) +
               "_" + FaultName(std::get<1>(p.param));
    });

}  // namespace
}  // namespace korvane::test
