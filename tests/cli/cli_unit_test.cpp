// The parts of korvane-cli that need no host and no process: the parsers of
// the set commands' options and the JSON of an address-code read-back.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/profile.h"
#include "protocol/form_values.h"

namespace korvane::cli {
namespace {

TEST(CommandTable, HelpAndUsageAreMadeFromTheRows) {
    const std::string help = CommandHelp();
    for (const char* lines : {
             "  frequency set MHZ         set the receive frequency, 100..999 MHz\n",
             "  address set [--volume N] [--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]]...\n"
             "              [--alarm-off ADDRESS]\n"
             "                            set the settings given (only these are in effect)\n"
             "    --volume N              the speaker's volume\n"
             "    --group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]\n"
             "                            address-code group K (1..3);",
             "  voice format custom|fixed\n"
             "                            format the sound area\n",
         })
        EXPECT_NE(help.find(lines), std::string::npos) << lines;
    EXPECT_EQ(GroupUsage("frequency"), "frequency get | frequency set MHZ");
    EXPECT_EQ(GroupUsage("voice"),
              "voice plan FOLDER | voice download [--plan] custom|fixed FOLDER | "
              "voice format custom|fixed");
}

// The usage error each parser gives, "" when it takes its arguments; its
// answer agrees with the error.
std::string GroupWhy(const std::string& text, AddressCodeValues& v) {
    std::string why;
    const bool ok = ParseGroupOption(text, v, &why);
    EXPECT_EQ(ok, why.empty());
    return why;
}
std::string AddressSetWhy(const std::vector<std::string>& args, AddressCodeValues& v) {
    std::string why;
    const bool ok = ParseAddressSet(args, v, &why);
    EXPECT_EQ(ok, why.empty());
    return why;
}
std::string BasicSetWhy(const std::vector<std::string>& args, BasicParamValues& v) {
    std::string why;
    const bool ok = ParseBasicSet(args, v, &why);
    EXPECT_EQ(ok, why.empty());
    return why;
}

TEST(GroupOption, TwoFieldsSetTheAddressAndKeepTheRestOfTheDefaults) {
    AddressCodeValues v = DefaultAddressCodes();
    EXPECT_EQ(GroupWhy("3:42", v), "");
    const AddressGroupValues& g = v.groups[2];
    EXPECT_TRUE(g.inEffect);
    EXPECT_EQ(g.address, "42");
    EXPECT_EQ(g.colorIndex, 0);
    EXPECT_EQ(g.effectIndex, 0);
    EXPECT_EQ(g.lampDuration, "0");
    EXPECT_EQ(g.soundEffect, "1");
    EXPECT_EQ(g.soundDuration, "0");
    EXPECT_FALSE(v.groups[0].inEffect);
    EXPECT_FALSE(v.groups[1].inEffect);
}

TEST(GroupOption, SevenFieldsSetEveryValue) {
    AddressCodeValues v = DefaultAddressCodes();
    EXPECT_EQ(GroupWhy("2:1234567:green:steady:30:7:40", v), "");
    const AddressGroupValues& g = v.groups[1];
    EXPECT_TRUE(g.inEffect);
    EXPECT_EQ(g.address, "1234567");
    EXPECT_EQ(g.colorIndex, 2);
    EXPECT_EQ(g.effectIndex, 1);
    EXPECT_EQ(g.lampDuration, "30");
    EXPECT_EQ(g.soundEffect, "7");
    EXPECT_EQ(g.soundDuration, "40");
}

TEST(GroupOption, ATrailingColonIsAnEmptyAddress) {
    AddressCodeValues v = DefaultAddressCodes();
    EXPECT_EQ(GroupWhy("1:", v), "");
    EXPECT_TRUE(v.groups[0].inEffect);
    EXPECT_EQ(v.groups[0].address, "");
}

TEST(GroupOption, RefusesWithTheFieldThatIsWrong) {
    const std::string shape = "--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]";
    const std::pair<const char*, std::string> cases[] = {
        {"", shape},
        {"1", shape},
        {"1::", shape},
        {"1:1:red", shape},
        {"0:1", "--group: K must be 1..3"},
        {"4:1", "--group: K must be 1..3"},
        {"1:1:blue:steady:1:1:1", "--group: COLOR is red, yellow or green"},
        {"1:1:red:blinking:1:1:1", "--group: EFFECT is flashing or steady"},
    };
    for (const auto& [text, why] : cases) {
        AddressCodeValues v = DefaultAddressCodes();
        EXPECT_EQ(GroupWhy(text, v), why) << text;
    }
}

TEST(AddressSet, NeedsOneSettingAndAValueForEachOption) {
    AddressCodeValues v = DefaultAddressCodes();
    EXPECT_EQ(AddressSetWhy({}, v),
              "address set: give at least one of --volume, --group, --alarm-off");
    EXPECT_EQ(AddressSetWhy({"--volume"}, v), "--volume needs a value");
    EXPECT_EQ(AddressSetWhy({"--colour", "red"}, v), "unknown option --colour");
}

TEST(AddressSet, OnlyTheSettingsGivenAreInEffect) {
    AddressCodeValues v = DefaultAddressCodes();
    EXPECT_EQ(AddressSetWhy({"--alarm-off", "99", "--group", "3:5"}, v), "");
    EXPECT_TRUE(v.alarmOffInEffect);
    EXPECT_EQ(v.alarmOffAddress, "99");
    EXPECT_FALSE(v.volumeInEffect);
    EXPECT_FALSE(v.groups[0].inEffect);
    EXPECT_FALSE(v.groups[1].inEffect);
    EXPECT_TRUE(v.groups[2].inEffect);
}

TEST(BasicSet, UnsetValuesKeepTheWindowsDefaults) {
    BasicParamValues v = DefaultBasicParams();
    EXPECT_EQ(BasicSetWhy({"--channel", "4"}, v), "");
    EXPECT_EQ(v.alarmTimeText, "10");
    EXPECT_EQ(v.volumeIndex, 0);
    EXPECT_EQ(v.channelIndex, 4);
    EXPECT_EQ(v.password, "QKMR");
}

TEST(BasicSet, RefusesOutOfRangeValuesAndAMissingValue) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--volume"}, "--volume needs a value"},
        {{"--volume", "0"}, "--volume must be 1..8"},
        {{"--volume", "9"}, "--volume must be 1..8"},
        {{"--channel", ""}, "--channel must be 0..9"},
        // The first wrong option is the one reported.
        {{"--bogus", "1", "--volume", "9"}, "unknown option --bogus"},
    };
    for (const auto& [args, why] : cases) {
        BasicParamValues v = DefaultBasicParams();
        EXPECT_EQ(BasicSetWhy(args, v), why) << args[0];
    }
}

TEST(Profile, OfTwoBadValuesTheFirstIsNamed) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"model": "RT-220", "basic": {"alarmTime": 10.7, "volume": 1, "channel": 2.5,
            "password": "ABCD"}})",
         "basic.alarmTime is not a whole number"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 10.7, "volume": 9, "channel": 0,
            "password": "ABCD"}})",
         "basic.alarmTime is not a whole number"},
        {R"({"model": "RT-220", "basic": {"alarmTime": 1, "volume": 9, "channel": 2.5,
            "password": "ABCD"}})",
         "basic.volume: must be 1..8"},
    };
    for (const auto& [json, why] : cases) {
        std::string error;
        Profile p;
        EXPECT_FALSE(ProfileFromJson(json, p, &error)) << json;
        EXPECT_EQ(error, why) << json;
    }
}

// What Output writes to a stream, read back.
template <typename Print>
std::string Printed(bool json, Print print) {
    std::FILE* f = std::tmpfile();
    Output out(f, f);
    out.json = json;
    print(out);
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    const std::size_t got = std::fread(text.data(), 1, text.size(), f);
    std::fclose(f);
    text.resize(got);
    return text;
}

TEST(Output, TheFirmwareVersionIsShownAsTheHostsCodePageText) {
    // "版本2" in code page 936, as the host sends it.
    const std::string fromHost =
        "\xB0\xE6\xB1\xBE"
        "2";
    EXPECT_EQ(Printed(false, [&](const Output& o) { o.FirmwareVersion(fromHost); }), "版本2\n");
    EXPECT_NE(Printed(true, [&](const Output& o) { o.FirmwareVersion(fromHost); })
                  .find("\"version\": \"版本2\""),
              std::string::npos);
}

}  // namespace
}  // namespace korvane::cli
