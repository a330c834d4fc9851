#include "protocol/bulk_packets.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/support/bytes.h"

namespace korvane {
namespace {

using test::Hex;
using test::ToHex;

TEST(BulkPackets, Geometry) {
    struct Case {
        std::size_t length, packets, lastN;
    } cases[] = {
        {3, 1, 0x07},   {54, 1, 0x3A},        {55, 2, 0x05},          {100, 2, 0x32},
        {120, 3, 0x10}, {3000000, 55556, 34}, {3538890, 65535, 0x3A},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PacketCount(c.length), c.packets) << c.length;
        std::vector<uint8_t> image(c.length, 0xAB);
        const Bytes last = PacketFrame(0xD3, image.data(), image.size(), c.packets);
        ASSERT_FALSE(last.empty()) << c.length;
        EXPECT_EQ(last[2], c.lastN) << c.length;
        EXPECT_EQ(last.size(), c.lastN + 4u) << c.length;
    }
    EXPECT_EQ(PacketCount(0), 0u);
}

TEST(BulkPackets, ThreeByteImage) {
    const auto image = Hex("61 62 63");
    EXPECT_EQ(ToHex(PacketFrame(0xD1, image.data(), image.size(), 1)),
              "01 D1 07 00 01 00 01 61 62 63 FE");
}

TEST(BulkPackets, LastOfThreePackets) {
    std::vector<uint8_t> image(120);
    std::iota(image.begin(), image.end(), 0);
    const Bytes p = PacketFrame(0xD5, image.data(), image.size(), 3);
    ASSERT_EQ(p.size(), 16u + 4u);
    EXPECT_EQ(ToHex(Bytes(p.begin(), p.begin() + 7)), "01 D5 10 00 03 00 03");
    EXPECT_EQ(p[7], 108);  // payload starts at image byte 54 x 2
    EXPECT_EQ(p[18], 119);
    EXPECT_EQ(p.back(), LampFrame::Checksum(p.data(), p.size() - 1));
    const Bytes first = PacketFrame(0xD5, image.data(), image.size(), 1);
    EXPECT_EQ(ToHex(Bytes(first.begin(), first.begin() + 7)), "01 D5 3A 00 03 00 01");
}

TEST(BulkPackets, OutOfRangePacketsAndImagesGiveNothing) {
    std::vector<uint8_t> image(100);
    EXPECT_TRUE(PacketFrame(0xD3, image.data(), image.size(), 0).empty());
    EXPECT_TRUE(PacketFrame(0xD3, image.data(), image.size(), 3).empty());
    std::vector<uint8_t> huge(kMaxBulkImage + 1);
    EXPECT_TRUE(PacketFrame(0xD3, huge.data(), huge.size(), 1).empty());
}

Report Reply(uint8_t cmd, const std::string& dataHex) {
    return LampFrame::MakeReply(cmd, Hex(dataHex));
}

TEST(BulkReassembler, SinglePacketSequence) {
    BulkReassembler r(0xD2);
    EXPECT_EQ(r.First(Reply(0xD2, "00 01 00 01 31 2C 00 0A 3B")), BulkReassembler::Status::Ok);
    EXPECT_EQ(r.total(), 1u);
    EXPECT_EQ(ToHex(r.payload()), "31 2C 00 0A 3B");
}

TEST(BulkReassembler, LaterPacketsAreCheckedForHeaderAndCommandOnly) {
    BulkReassembler r(0xE3);
    ASSERT_EQ(r.First(Reply(0xE3, "00 03 00 01 41")), BulkReassembler::Status::Ok);
    Report badSum = Reply(0xE3, "00 03 00 07 42");  // wrong number too
    badSum[6 + 5] ^= 0xFF;
    EXPECT_EQ(r.Next(badSum), BulkReassembler::Status::Ok);
    EXPECT_EQ(r.Next(Reply(0xD2, "00 03 00 03 43")), BulkReassembler::Status::WrongHeader);
    Report type1 = Reply(0xE3, "00 03 00 03 43");
    type1[3] = 0x01;
    EXPECT_EQ(r.Next(type1), BulkReassembler::Status::WrongHeader);
    EXPECT_EQ(ToHex(r.payload()), "41 42");
}

TEST(BulkReassembler, FirstReplyFaults) {
    struct Case {
        const char* name;
        Report report;
        BulkReassembler::Status expected;
    };
    Report badSum = Reply(0xD2, "00 01 00 01 31");
    badSum[10 + 1] ^= 1;
    Report longLength = Reply(0xD2, "00 01 00 01");
    longLength[5] = 59;
    const Case cases[] = {
        {"other command", Reply(0xE3, "00 01 00 01 31"), BulkReassembler::Status::WrongHeader},
        {"bad checksum", badSum, BulkReassembler::Status::BadData},
        {"length 3", Reply(0xD2, "00 01 00"), BulkReassembler::Status::BadData},
        {"length 59", longLength, BulkReassembler::Status::BadData},
        {"N = 0 with payload", Reply(0xD2, "00 00 00 01 31"), BulkReassembler::Status::BadData},
    };
    for (const auto& c : cases) {
        BulkReassembler r(0xD2);
        EXPECT_EQ(r.First(c.report), c.expected) << c.name;
        EXPECT_TRUE(r.payload().empty()) << c.name;
    }
    BulkReassembler empty(0xD2);
    EXPECT_EQ(empty.First(Reply(0xD2, "00 00 00 00")), BulkReassembler::Status::Ok);
    EXPECT_EQ(empty.total(), 0u);
}

TEST(BulkReassembler, NeverGrowsPastTheAnnouncedPackets) {
    BulkReassembler r(0xE3);
    std::string full = "00 02 00 01";
    for (int i = 0; i < 54; ++i) full += " 11";
    ASSERT_EQ(r.First(Reply(0xE3, full)), BulkReassembler::Status::Ok);
    ASSERT_EQ(r.Next(Reply(0xE3, full)), BulkReassembler::Status::Ok);
    EXPECT_EQ(r.payload().size(), 108u);
    EXPECT_EQ(r.Next(Reply(0xE3, "00 02 00 03 22")), BulkReassembler::Status::PacketError);
    EXPECT_EQ(r.Next(Reply(0xE3, "00 02 00")), BulkReassembler::Status::PacketError);
    EXPECT_EQ(r.payload().size(), 108u);
}

}  // namespace
}  // namespace korvane
