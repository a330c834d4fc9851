#include "protocol/lamp_frame.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"

namespace korvane {
namespace {

using test::Hex;
using test::ToHex;

Report ReportOf(const std::string& hex) {
    Report r{};
    const auto b = Hex(hex);
    std::copy(b.begin(), b.end(), r.begin());
    return r;
}

TEST(LampFrame, FixedRequestsOfTheCommandSet) {
    struct Case {
        uint8_t command;
        const char* bytes;
    } cases[] = {
        {0xD0, "01 D0 00 2E"}, {0xD4, "01 D4 00 2A"}, {0xD6, "01 D6 00 28"}, {0xDA, "01 DA 00 24"},
        {0xE1, "01 E1 00 1D"}, {0xD2, "01 D2 00 2C"}, {0xE3, "01 E3 00 1B"},
    };
    for (const auto& c : cases) {
        auto frame = LampFrame::FrameRequest(c.command, nullptr, 0);
        ASSERT_TRUE(frame);
        EXPECT_EQ(ToHex(*frame), c.bytes);
    }
}

TEST(LampFrame, DataIsLimitedToFiftyEightBytes) {
    std::vector<uint8_t> data(58, 0x11);
    auto ok = LampFrame::FrameRequest(0xD1, data);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->size(), 62u);
    data.push_back(0x11);
    EXPECT_FALSE(LampFrame::FrameRequest(0xD1, data));
}

TEST(LampFrame, RequestIsPlacedBehindReportIdAndSync) {
    const auto req = Hex("01 D0 00 2E");
    const Report r = LampFrame::PlaceRequest(req);
    EXPECT_EQ(ToHex(std::vector<uint8_t>(r.begin(), r.begin() + 7)), "00 55 AA 01 D0 00 2E");
    for (std::size_t i = 7; i < r.size(); ++i) EXPECT_EQ(r[i], 0) << i;
}

TEST(LampFrame, ReplyValidation) {
    struct Case {
        const char* name;
        const char* report;
        LampFrame::ReplyCheck expected;
    } cases[] = {
        {"ack of D3", "00 55 AA 02 D3 01 5A CF", LampFrame::ReplyCheck::Ok},
        {"ack of D1 wraps", "00 55 AA 02 D1 01 5A D1", LampFrame::ReplyCheck::Ok},
        {"no data, checksum at 6", "00 55 AA 02 D0 00 2D", LampFrame::ReplyCheck::Ok},
        {"checksum off by one", "00 55 AA 02 D0 00 2E", LampFrame::ReplyCheck::BadChecksum},
        {"type 01", "00 55 AA 01 D0 00 2E", LampFrame::ReplyCheck::BadHeader},
        {"report id 01", "01 55 AA 02 D0 00 2D", LampFrame::ReplyCheck::BadHeader},
        {"sync swapped", "00 AA 55 02 D0 00 2D", LampFrame::ReplyCheck::BadHeader},
        {"length 59", "00 55 AA 02 D0 3B", LampFrame::ReplyCheck::BadLength},
        {"length FF", "00 55 AA 02 D0 FF", LampFrame::ReplyCheck::BadLength},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LampFrame::CheckReply(ReportOf(c.report)), c.expected) << c.name;
}

TEST(LampFrame, FullLengthReplyHasItsChecksumInTheLastByte) {
    std::vector<uint8_t> data(58, 0x01);
    Report r = LampFrame::MakeReply(0xE3, data);
    EXPECT_EQ(r[5], 58);
    // 02 + E3 + 3A + 58 x 01 = 0x159 -> NOT(0x59) = 0xA6
    EXPECT_EQ(r[64], 0xA6);
    EXPECT_EQ(LampFrame::CheckReply(r), LampFrame::ReplyCheck::Ok);
    r[64] ^= 1;
    EXPECT_EQ(LampFrame::CheckReply(r), LampFrame::ReplyCheck::BadChecksum);
}

TEST(LampFrame, BulkAcknowledgement) {
    EXPECT_TRUE(LampFrame::IsBulkAck(ReportOf("00 55 AA 02 D3 01 5A CF"), 0xD3));
    EXPECT_TRUE(LampFrame::IsBulkAck(ReportOf("00 55 AA 02 D1 01 5A D1"), 0xD1));
    EXPECT_FALSE(LampFrame::IsBulkAck(ReportOf("00 55 AA 02 D3 01 5B CE"), 0xD3));
    EXPECT_FALSE(LampFrame::IsBulkAck(ReportOf("00 55 AA 02 D3 02 5A CE"), 0xD3));
    EXPECT_FALSE(LampFrame::IsBulkAck(ReportOf("00 55 AA 02 D3 01 5A CF"), 0xD1));
    EXPECT_FALSE(LampFrame::IsBulkAck(ReportOf("00 55 AA 02 D3 01 5A CE"), 0xD3));
}

TEST(LampFrame, BulkReadRequests) {
    const Report d2 = LampFrame::BulkReadRequest(0xD2);
    const Report e3 = LampFrame::BulkReadRequest(0xE3);
    EXPECT_EQ(ToHex(std::vector<uint8_t>(d2.begin(), d2.begin() + 7)), "00 55 AA 01 D2 00 2C");
    EXPECT_EQ(ToHex(std::vector<uint8_t>(e3.begin(), e3.begin() + 7)), "00 55 AA 01 E3 00 1B");
    for (std::size_t i = 7; i < kReportSize; ++i) EXPECT_EQ(d2[i] | e3[i], 0);
}

TEST(LampFrame, DataOfNeverLeavesTheReport) {
    Report r{};
    r[5] = 0xFF;
    EXPECT_EQ(LampFrame::DataOf(r).size(), 59u);  // bytes 6..64
}

}  // namespace
}  // namespace korvane
