#include "protocol/records.h"

#include <gtest/gtest.h>

#include "tests/support/bytes.h"
#include "tests/support/form_defaults.h"

namespace korvane {
namespace {

using test::FormAddressCodes;
using test::FormBasicParams;
using test::Hex;
using test::ToHex;

TEST(BasicParamRecords, DefaultForm) {
    const auto r = BasicParamRecords(FormBasicParams());
    ASSERT_EQ(r.error, BasicParamError::None);
    EXPECT_EQ(ToHex(r.records), "31 2C 00 0A 3B 32 2C 31 3B 33 2C 30 3B 34 2C 51 4B 4D 52 3B");
}

TEST(BasicParamRecords, AlarmTimeText) {
    struct Case {
        const char* text;
        BasicParamError error;
        const char* bytes;  // alarm-time value bytes
    } cases[] = {
        {"一直响", BasicParamError::None, "00 00"},
        {"loud", BasicParamError::None, "00 00"},
        {"300", BasicParamError::None, "01 2C"},
        {"  300abc", BasicParamError::None, "01 2C"},
        {" 42abc", BasicParamError::None, "00 2A"},
        {"65535", BasicParamError::None, "FF FF"},
        {"0", BasicParamError::None, "00 00"},
        {"65536", BasicParamError::AlarmTimeRange, ""},
        {"-1", BasicParamError::AlarmTimeRange, ""},
        {"99999999999999", BasicParamError::AlarmTimeRange, ""},
    };
    for (const auto& c : cases) {
        BasicParamValues v = FormBasicParams();
        v.alarmTimeText = c.text;
        const auto r = BasicParamRecords(v);
        EXPECT_EQ(r.error, c.error) << c.text;
        if (c.error == BasicParamError::None)
            EXPECT_EQ(ToHex(Bytes(r.records.begin() + 2, r.records.begin() + 4)), c.bytes)
                << c.text;
        else
            EXPECT_TRUE(r.records.empty());
    }
}

TEST(BasicParamRecords, ChecksRunInOrder) {
    BasicParamValues v = FormBasicParams();
    v.password = "ABC";
    EXPECT_EQ(BasicParamRecords(v).error, BasicParamError::PasswordLength);
    v.alarmTimeText = "70000";
    EXPECT_EQ(BasicParamRecords(v).error, BasicParamError::AlarmTimeRange);
}

TEST(BasicParamRecords, PasswordIsFourBytesInTheHostsCodePage) {
    struct Case {
        const char* password;
        const char* bytes;  // the password record's value; nullptr: refused
    } cases[] = {
        {"QKMR", "51 4B 4D 52"}, {"报警", "B1 A8 BE AF"},
        {"报AB", "B1 A8 41 42"}, {"ABC", nullptr},
        {"ABCDE", nullptr},      {"报ABC", nullptr},
        {"", nullptr},           {"AB\xF0\x9F\x94\x94", nullptr},
    };
    for (const auto& c : cases) {
        BasicParamValues v = FormBasicParams();
        v.password = c.password;
        const auto r = BasicParamRecords(v);
        if (c.bytes == nullptr) {
            EXPECT_EQ(r.error, BasicParamError::PasswordLength) << c.password;
            EXPECT_TRUE(r.records.empty()) << c.password;
            continue;
        }
        ASSERT_EQ(r.error, BasicParamError::None) << c.password;
        ASSERT_GE(r.records.size(), 7u);
        EXPECT_EQ(ToHex(Bytes(r.records.end() - 7, r.records.end())),
                  std::string("34 2C ") + c.bytes + " 3B")
            << c.password;
    }
}

TEST(BasicParamRecords, VolumeAndChannelAsAscii) {
    BasicParamValues v = FormBasicParams();
    v.volumeIndex = 7;
    v.channelIndex = 9;
    v.password = "ab12";
    EXPECT_EQ(ToHex(BasicParamRecords(v).records),
              "31 2C 00 0A 3B 32 2C 38 3B 33 2C 39 3B 34 2C 61 62 31 32 3B");
}

std::string Split(RecordList list, const std::string& hex) {
    const Bytes d = Hex(hex);
    std::string out;
    for (const Bytes& r : ParseRecordList(d.data(), d.size(), list))
        out += (out.empty() ? "" : " | ") + ToHex(r);
    return out;
}

TEST(ParseRecordList, BinaryValuesAreTakenByTheirFixedLength) {
    const RecordList basic = RecordList::Basic;
    const RecordList address = RecordList::AddressCodes;
    const std::string group59 = "32 2C 30 31 32 30 31 32 30 3A 00 3A 00 3A 01 3B 3A 3B 3A 00 3B";
    const struct {
        const char* name;
        RecordList list;
        std::string reply;
        std::string records;
    } cases[] = {
        {"alarm time 59", basic, "31 2C 00 3B 3B 32 2C 35 3B 33 2C", "31 2C 00 3B | 32 2C 35"},
        {"alarm time 3B3B", basic, "31 2C 3B 3B 3B", "31 2C 3B 3B"},
        {"alarm time cut short", basic, "31 2C 3B 32 2C 35 3B", "31 2C | 32 2C 35"},
        {"password with a 3B", basic, "34 2C 41 3B 42 43 3B 32 2C 35 3B",
         "34 2C 41 3B 42 43 | 32 2C 35"},
        {"short password", basic, "34 2C 41 3B 32 2C 35 3B", "34 2C 41 | 32 2C 35"},
        {"other values split as ever", basic, "33 2C 41 3B 42 43 3B", "33 2C 41 | 42 43"},
        {"a basic id means nothing in the other list", address, "31 2C 00 3B 3B", "31 2C 00 | "},
        {"nor does the password's", address, "34 2C 41 3B 42 43 3B", "34 2C 41 | 42 43"},
        {"group of 3B numbers, then a count of 59", address, group59 + " 3B 36 2C 3B 3B",
         group59 + " | 36 2C 3B"},
        {"short form of a group", address, "32 2C 3B 33 2C 3B", "32 2C | 33 2C"},
        {"group with a separator missing", address,
         "32 2C 30 31 32 30 31 32 30 00 00 3A 00 3A 01 3B 3A 3B 3A 00 3B 3B",
         "32 2C 30 31 32 30 31 32 30 00 00 3A 00 3A 01 | 3A | 3A 00 | "},
        {"count without its 3B", address, "36 2C 3B 36", "36 2C"},
        {"empty record", basic, "3B", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Split(c.list, c.reply), c.records) << c.name;
}

TEST(ParseRecordList, BoundedByReplyAndScratchLimits) {
    Bytes d(150, 0x41);
    d.push_back(0x3B);
    auto records = ParseRecordList(d.data(), d.size(), RecordList::Basic);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].size(), 99u);

    Bytes longReply(1023, 0x41);
    longReply.push_back(0x3B);  // byte 1024: the last one looked at
    longReply.push_back(0x42);
    longReply.push_back(0x3B);  // beyond the reply buffer
    records = ParseRecordList(longReply.data(), longReply.size(), RecordList::AddressCodes);
    EXPECT_EQ(records.size(), 1u);
    EXPECT_TRUE(ParseRecordList(nullptr, 5, RecordList::Basic).empty());
}

TEST(DecodeBasicParams, ReadBacks) {
    {
        const auto d = Hex("32 2C 35 3B 33 2C 37 3B");
        const auto r = DecodeBasicParams(d.data(), d.size());
        EXPECT_EQ(r.volumeIndex, 4);
        EXPECT_EQ(r.channelIndex, 7);
        EXPECT_FALSE(r.alarmTime);
        EXPECT_FALSE(r.password);
    }
    {
        const auto d = Hex("31 2C 00 0A 3B 34 2C 51 4B 4D 52 3B 39 2C 00 3B 33 2C 35");
        const auto r = DecodeBasicParams(d.data(), d.size());
        EXPECT_EQ(r.alarmTime, 10);
        EXPECT_EQ(r.password, "QKMR");
        EXPECT_FALSE(r.channelIndex);  // the last record lacks its 0x3B
    }
    for (const char* alarmTime : {"59", "315", "15104", "15163"}) {
        // Either byte of the alarm time may equal the separator.
        BasicParamValues v = FormBasicParams();
        v.alarmTimeText = alarmTime;
        const Bytes sent = BasicParamRecords(v).records;
        const auto r = DecodeBasicParams(sent.data(), sent.size());
        EXPECT_EQ(AlarmTimeText(*r.alarmTime), alarmTime);
        EXPECT_EQ(r.volumeIndex, 0);
        EXPECT_EQ(r.password, "QKMR");
    }
    {
        const auto d = Hex("34 2C 41 00 42 43 3B 31 2C 01 3B");
        const auto r = DecodeBasicParams(d.data(), d.size());
        EXPECT_EQ(r.password, "A");
        EXPECT_EQ(r.alarmTime, 256);  // the missing low byte reads as 0
    }
}

TEST(AddressCodeRecords, SingleSettings) {
    {
        AddressCodeValues v = FormAddressCodes();
        v.groups[0].inEffect = true;
        EXPECT_EQ(ToHex(AddressCodeRecords(v).records),
                  "32 2C 30 31 32 30 31 32 30 3A 00 3A 00 3A 00 00 3A 01 3A 00 00 3B");
    }
    {
        AddressCodeValues v = FormAddressCodes();
        v.alarmOffInEffect = true;
        EXPECT_EQ(ToHex(AddressCodeRecords(v).records), "35 2C 30 31 31 39 31 31 39 3B");
        v.alarmOffAddress = "";
        EXPECT_EQ(ToHex(AddressCodeRecords(v).records), "35 2C 3B");
    }
    {
        AddressCodeValues v = FormAddressCodes();
        v.groups[1].inEffect = true;
        v.groups[1].address = "123";
        v.groups[1].colorIndex = 2;
        v.groups[1].effectIndex = 1;
        v.groups[1].lampDuration = "300";
        v.groups[1].soundEffect = "255";
        v.groups[1].soundDuration = "999";
        EXPECT_EQ(ToHex(AddressCodeRecords(v).records),
                  "33 2C 30 30 30 30 31 32 33 3A 02 3A 01 3A 01 2C 3A FF 3A 03 E7 3B");
    }
    {
        AddressCodeValues v = FormAddressCodes();
        v.volumeInEffect = true;
        v.volume = "05";
        EXPECT_EQ(ToHex(AddressCodeRecords(v).records), "31 2C 30 35 3B");
    }
}

TEST(AddressCodeRecords, GroupsThatDoNotCountAreNotChecked) {
    {
        // An empty address skips the group's other fields.
        AddressCodeValues v = FormAddressCodes();
        v.groups[1].inEffect = true;
        v.groups[1].address = "";
        v.groups[1].lampDuration = "5000";
        const auto r = AddressCodeRecords(v);
        EXPECT_EQ(r.error, AddressCodeError::None);
        EXPECT_EQ(ToHex(r.records), "33 2C 3B");
    }
    {
        // A group out of effect is not looked at.
        AddressCodeValues v = FormAddressCodes();
        v.groups[1].lampDuration = "1000";
        v.groups[1].soundDuration = "5000";
        v.alarmOffInEffect = true;
        const auto r = AddressCodeRecords(v);
        EXPECT_EQ(r.error, AddressCodeError::None);
        EXPECT_EQ(ToHex(r.records), "35 2C 30 31 31 39 31 31 39 3B");
    }
}

TEST(AddressCodeRecords, RangeChecks) {
    struct Case {
        const char* name;
        int group;
        const char* lamp;
        const char* effect;
        const char* sound;
        AddressCodeError error;
        AddressField field;
    } cases[] = {
        {"999 accepted", 0, "999", "1", "999", AddressCodeError::None, AddressField::None},
        {"lamp 1000", 0, "1000", "1", "0", AddressCodeError::OutOfRange,
         AddressField::LampDuration},
        {"effect 256", 2, "0", "256", "0", AddressCodeError::OutOfRange, AddressField::SoundEffect},
        {"sound 1000", 1, "0", "1", "1000", AddressCodeError::OutOfRange,
         AddressField::SoundDuration},
        {"negative", 1, "-1", "1", "0", AddressCodeError::OutOfRange, AddressField::LampDuration},
        {"not digits", 1, "0", "5x", "0", AddressCodeError::OutOfRange, AddressField::SoundEffect},
    };
    for (const auto& c : cases) {
        AddressCodeValues v = FormAddressCodes();
        v.groups[0].inEffect = true;  // a valid group before the failing one
        v.groups[c.group].inEffect = true;
        v.groups[c.group].lampDuration = c.lamp;
        v.groups[c.group].soundEffect = c.effect;
        v.groups[c.group].soundDuration = c.sound;
        const auto r = AddressCodeRecords(v);
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.failingField, c.field) << c.name;
        if (c.error != AddressCodeError::None) {
            EXPECT_EQ(r.failingGroup, c.group) << c.name;
            EXPECT_TRUE(r.records.empty()) << c.name;
        }
    }
}

TEST(AddressCodeRecords, VolumeAndNothingChecked) {
    AddressCodeValues v = FormAddressCodes();
    EXPECT_EQ(AddressCodeRecords(v).error, AddressCodeError::NothingChecked);
    v.volumeInEffect = true;
    v.volume = "9";
    EXPECT_EQ(AddressCodeRecords(v).error, AddressCodeError::VolumeInvalid);
    v.volume = "5x";
    EXPECT_EQ(AddressCodeRecords(v).error, AddressCodeError::VolumeInvalid);
    v.volume = "8";
    EXPECT_EQ(ToHex(AddressCodeRecords(v).records), "31 2C 38 3B");
    v.volume = "";  // reads as 0, sent as typed
    EXPECT_EQ(ToHex(AddressCodeRecords(v).records), "31 2C 3B");
}

TEST(AddressCodeRecords, AnAddressItsEditCouldNotHoldIsRefusedWithItsGroup) {
    const std::pair<int, const char*> cases[] = {{0, "12345678"}, {2, "12a"}, {-1, "12345678"}};
    for (const auto& [group, address] : cases) {
        AddressCodeValues v = FormAddressCodes();
        v.alarmOffInEffect = group < 0;
        v.alarmOffAddress = address;
        if (group >= 0) {
            v.groups[group].inEffect = true;
            v.groups[group].address = address;
        }
        const auto r = AddressCodeRecords(v);
        EXPECT_EQ(r.error, AddressCodeError::AddressInvalid) << address;
        EXPECT_EQ(r.failingGroup, group) << address;
        EXPECT_TRUE(r.records.empty()) << address;
    }
}

TEST(AddressCodeRecords, RecordOrder) {
    AddressCodeValues v = FormAddressCodes();
    v.volumeInEffect = true;
    v.volume = "3";
    v.alarmOffInEffect = true;
    v.groups[2].inEffect = true;
    v.groups[2].address = "";
    EXPECT_EQ(ToHex(AddressCodeRecords(v).records),
              "31 2C 33 3B 34 2C 3B 35 2C 30 31 31 39 31 31 39 3B");
}

TEST(DecodeAddressCodes, ReadBacks) {
    {
        const auto d =
            Hex("32 2C 30 31 32 30 31 32 30 3A 01 3A 01 3A 01 2C 3A 07 3A 00 05 3B 36 2C 0C 3B");
        const auto items = DecodeAddressCodes(d.data(), d.size());
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].kind, AddressReadItem::Kind::Group);
        EXPECT_EQ(items[0].group, 0);
        EXPECT_EQ(items[0].text, "0120120");
        EXPECT_EQ(items[0].colorIndex, 1);
        EXPECT_EQ(items[0].effectIndex, 1);
        EXPECT_EQ(items[0].lampDuration, 300);
        EXPECT_EQ(items[0].soundEffect, 7);
        EXPECT_EQ(items[0].soundDuration, 5);
        EXPECT_EQ(items[1].kind, AddressReadItem::Kind::SoundCount);
        EXPECT_EQ(items[1].soundCount, 12);
    }
    {
        const auto d = Hex("32 2C 3B");
        const auto items = DecodeAddressCodes(d.data(), d.size());
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].text, "");
        EXPECT_EQ(items[0].colorIndex, 0);
        EXPECT_EQ(items[0].lampDuration, 0);
        EXPECT_EQ(items[0].soundEffect, 0);
        EXPECT_EQ(items[0].soundDuration, 0);
    }
    {
        // The volume shows its first character only; other ids are skipped.
        const auto d = Hex("31 2C 30 35 3B 39 2C 01 3B 35 2C 30 31 31 39 31 31 39 3B");
        const auto items = DecodeAddressCodes(d.data(), d.size());
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].kind, AddressReadItem::Kind::Volume);
        EXPECT_EQ(items[0].text, "0");
        EXPECT_EQ(items[1].kind, AddressReadItem::Kind::AlarmOff);
        EXPECT_EQ(items[1].text, "0119119");
    }
    {
        // Numbers whose bytes equal the separator come back as they were sent.
        AddressCodeValues v = FormAddressCodes();
        v.groups[0].inEffect = true;
        v.groups[0].lampDuration = "315";
        v.groups[0].soundEffect = "59";
        v.groups[0].soundDuration = "59";
        v.groups[2].inEffect = true;
        v.groups[2].address = "";
        Bytes sent = AddressCodeRecords(v).records;
        const Bytes count = Hex("36 2C 3B 3B");
        sent.insert(sent.end(), count.begin(), count.end());
        const auto items = DecodeAddressCodes(sent.data(), sent.size());
        ASSERT_EQ(items.size(), 3u);
        EXPECT_EQ(items[0].text, "0120120");
        EXPECT_EQ(items[0].lampDuration, 315);
        EXPECT_EQ(items[0].soundEffect, 59);
        EXPECT_EQ(items[0].soundDuration, 59);
        EXPECT_EQ(items[1].group, 2);
        EXPECT_EQ(items[1].text, "");
        EXPECT_EQ(items[2].soundCount, 59);
    }
}

TEST(TextToInt, StandardReading) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {{"", 0},
                 {"12", 12},
                 {"  -3x", -3},
                 {"+7", 7},
                 {"x1", 0},
                 {"99999999999", 2147483647},
                 {"-99999999999", -2147483647 - 1}};
    for (const auto& c : cases) EXPECT_EQ(TextToInt(c.text), c.value) << c.text;
    EXPECT_EQ(SevenDigits("123"), "0000123");
    EXPECT_EQ(SevenDigits("0120120"), "0120120");
}

}  // namespace
}  // namespace korvane
