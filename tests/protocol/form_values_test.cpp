#include "protocol/form_values.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/bytes.h"
#include "tests/support/form_defaults.h"

namespace korvane {
namespace {

using test::FormAddressCodes;
using test::FormBasicParams;
using test::Hex;

// One line per value set, so a table can spell out whole forms.
std::string Show(const BasicParamValues& v) {
    return v.alarmTimeText + "|" + std::to_string(v.volumeIndex) + "|" +
           std::to_string(v.channelIndex) + "|" + v.password;
}

std::string Show(const AddressGroupValues& g) {
    return std::string(g.inEffect ? "on " : "off ") + g.address + " " +
           std::to_string(g.colorIndex) + " " + std::to_string(g.effectIndex) + " " +
           g.lampDuration + " " + g.soundEffect + " " + g.soundDuration;
}

std::string Show(const AddressCodeValues& v) {
    std::string s = std::string("volume ") + (v.volumeInEffect ? "on " : "off ") + v.volume;
    for (const auto& g : v.groups) s += " | " + Show(g);
    return s + " | alarm-off " + (v.alarmOffInEffect ? "on " : "off ") + v.alarmOffAddress;
}

TEST(FormValues, DefaultsAreTheFormTheOperatorFirstSees) {
    EXPECT_EQ(Show(DefaultBasicParams()), Show(FormBasicParams()));
    EXPECT_EQ(Show(DefaultAddressCodes()), Show(FormAddressCodes()));
    EXPECT_FLOAT_EQ(kDefaultFrequencyMhz, 433.5f);
}

TEST(FormValues, EachValueIsJudgedOnce) {
    const struct {
        const char* text;
        bool digits;   // a number edit of the address codes takes it
        bool address;  // an address edit takes it
        int volume;    // index in the volume list, -1: no entry
        int channel;
    } texts[] = {
        {"", true, true, -1, -1},
        {"5", true, true, 4, 5},
        {"0", true, true, -1, 0},
        {"9", true, true, -1, 9},
        {"05", true, true, -1, -1},
        {"1234567", true, true, -1, -1},
        {"12345678", true, false, -1, -1},
        {"5x", false, false, -1, -1},
        {" 5", false, false, -1, -1},
        {"-1", false, false, -1, -1},
        {"\xEF\xBC\x95", false, false, -1, -1},  // a fullwidth 5
    };
    for (const auto& t : texts) {
        EXPECT_EQ(IsDigitText(t.text), t.digits) << t.text;
        EXPECT_EQ(IsAddressText(t.text), t.address) << t.text;
        EXPECT_EQ(EntryIndex(VolumeEntries(), t.text).value_or(-1), t.volume) << t.text;
        EXPECT_EQ(EntryIndex(ChannelEntries(), t.text).value_or(-1), t.channel) << t.text;
    }
    const std::pair<double, const char*> numbers[] = {{10, "10"},
                                                      {0, "0"},
                                                      {-3, "-3"},
                                                      {65536, "65536"},
                                                      {1e20, "100000000000000000000"},
                                                      {10.7, nullptr},
                                                      {0.5, nullptr},
                                                      {-0.25, nullptr}};
    for (const auto& [number, text] : numbers) {
        const auto got = WholeNumberText(number);
        EXPECT_EQ(got.has_value(), text != nullptr) << number;
        if (text != nullptr && got) {
            EXPECT_EQ(*got, text);
        }
    }
    EXPECT_EQ(TypedPassword("ab1\xC3\xA9"), "AB1\xC3\x89");
}

TEST(FormValues, BasicReadBackReplacesOnlyWhatItCarries) {
    struct Case {
        const char* name;
        const char* reply;
        const char* form;
    } cases[] = {
        {"nothing", "", "10|0|0|QKMR"},
        {"volume and channel; the password record lacks its 3B",
         "32 2C 35 3B 33 2C 37 3B 34 2C 57 58 59 5A", "10|4|7|QKMR"},
        {"alarm time 0 is the endless entry", "31 2C 00 00 3B", "一直响|0|0|QKMR"},
        {"alarm time and password", "31 2C 00 19 3B 34 2C 41 42 43 44 3B", "25|0|0|ABCD"},
        {"a volume past the list is kept", "32 2C 39 3B", "10|8|0|QKMR"},
    };
    for (const auto& c : cases) {
        BasicParamValues v = FormBasicParams();
        const Bytes reply = Hex(c.reply);
        ApplyReadBack(v, DecodeBasicParams(reply.data(), reply.size()));
        EXPECT_EQ(Show(v), c.form) << c.name;
    }
}

TEST(FormValues, AddressReadBackSaysWhatIsInEffect) {
    AddressCodeValues v = FormAddressCodes();
    v.volumeInEffect = true;
    for (auto& g : v.groups) g.inEffect = true;
    v.groups[2].address = "7654321";
    v.alarmOffInEffect = true;
    // Volume 5, group 1 with its settings, and the sound count.
    const Bytes reply =
        Hex("31 2C 35 3B 32 2C 30 30 30 30 31 32 33 3A 02 3A 01 3A 01 2C 3A 07 3A 03 E7 3B "
            "36 2C 02 3B");
    ApplyReadBack(v, DecodeAddressCodes(reply.data(), reply.size()));
    // What the reply leaves out goes out of effect and keeps its texts.
    EXPECT_EQ(Show(v),
              "volume on 5 | on 0000123 2 1 300 7 999 | off 0120120 0 0 0 1 0 | "
              "off 7654321 0 0 0 1 0 | alarm-off off 0119119");

    // A group number past the three the form has changes nothing.
    AddressReadItem stray;
    stray.kind = AddressReadItem::Kind::Group;
    stray.group = 3;
    stray.text = "1111111";
    const std::string before = Show(v);
    ApplyReadBackItem(v, stray);
    EXPECT_EQ(Show(v), before);
}

}  // namespace
}  // namespace korvane
