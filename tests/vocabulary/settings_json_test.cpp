// The JSON of the settings: one key, one type, whoever writes it.
#include "vocabulary/settings_json.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <map>
#include <set>

#include "protocol/form_values.h"

namespace korvane::vocab {
namespace {

using Type = QJsonValue::Type;

// Every key a writer puts out, and the one type it has there, found anywhere
// in the JSON below `v`; a key met with two types is noted twice.
void Walk(const QJsonValue& v, std::multimap<std::string, Type>& seen) {
    if (v.isArray()) {
        for (const QJsonValue& e : v.toArray()) Walk(e, seen);
        return;
    }
    if (!v.isObject()) return;
    const QJsonObject o = v.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const std::pair<std::string, Type> entry{it.key().toStdString(), it.value().type()};
        bool known = false;
        for (auto [from, to] = seen.equal_range(entry.first); from != to; ++from)
            known = known || from->second == entry.second;
        if (!known) seen.insert(entry);
        Walk(it.value(), seen);
    }
}

// The settings as the record and a profile write them, and as a read-back
// gives them to --json: each key has its one type wherever it appears.
TEST(SettingsJson, EveryKeyHasOneTypeInEveryWriter) {
    BasicParamValues basic{"一直响", 4, 7, "报警"};
    AddressCodeValues address = DefaultAddressCodes();
    address.volumeInEffect = true;
    address.volume = "5";
    address.groups[0] = {true, "42", 2, 1, "315", "59", "7"};
    address.groups[2] = {true, "", 0, 0, "1", "1", "1"};
    address.alarmOffInEffect = true;
    address.alarmOffAddress = "99";
    BasicReadBack readBack;
    readBack.alarmTime = 30;
    readBack.volumeIndex = 2;
    readBack.channelIndex = 3;
    readBack.password = "ABCD";
    AddressReadItem volume;
    volume.text = "5";
    AddressReadItem group;
    group.kind = AddressReadItem::Kind::Group;
    group.group = 1;
    group.text = "0000042";
    AddressReadItem off;
    off.kind = AddressReadItem::Kind::AlarmOff;
    off.text = "0119119";
    AddressReadItem sounds;
    sounds.kind = AddressReadItem::Kind::SoundCount;
    sounds.soundCount = 3;

    std::multimap<std::string, Type> seen;
    for (const QJsonObject& o :
         {BasicJson(basic, Password::Text), BasicJson(basic, Password::Length), BasicJson(readBack),
          AddressJson(address), AddressJson({volume, group, off, sounds})})
        Walk(o, seen);
    const std::multimap<std::string, Type> want = {
        {"alarmTime", Type::Double},      {"volume", Type::Double},
        {"channel", Type::Double},        {"password", Type::String},
        {"passwordLength", Type::Double}, {"groups", Type::Array},
        {"group", Type::Double},          {"address", Type::String},
        {"color", Type::String},          {"effect", Type::String},
        {"lampDuration", Type::Double},   {"soundEffect", Type::Double},
        {"soundDuration", Type::Double},  {"alarmOff", Type::String},
        {"alarmSounds", Type::Double},
    };
    EXPECT_EQ(seen, want);

    // The values themselves, where the forms once differed.
    EXPECT_EQ(BasicJson(basic, Password::Text)["alarmTime"].toInt(), 0);  // "一直响"
    EXPECT_EQ(BasicJson(basic, Password::Length)["passwordLength"].toInt(), 4);
    EXPECT_EQ(QJsonDocument(AddressJson(address)).toJson(QJsonDocument::Compact).toStdString(),
              R"({"alarmOff":"0000099","groups":[{"address":"0000042","color":"green",)"
              R"("effect":"steady","group":1,"lampDuration":315,"soundDuration":7,)"
              R"("soundEffect":59},{"group":3}],"volume":5})");
    // A read-back without any group still carries the (empty) list; a
    // volume character that is no digit is no number.
    volume.text = "A";
    const QJsonObject odd = AddressJson({volume});
    EXPECT_TRUE(odd["groups"].isArray());
    EXPECT_TRUE(odd["volume"].isNull());
    // A password read back is shown as the host holds it, lower case and
    // code page 936 included.
    readBack.password = "ab1c";
    EXPECT_EQ(BasicJson(readBack)["password"].toString(), "ab1c");
    readBack.password = "\xD6\xD0\xCE\xC4";
    EXPECT_EQ(BasicJson(readBack)["password"].toString(), "中文");
}

// What is written reads back as it was; 1.0.0's forms read the same; a key
// of no setting, or a group given twice, is refused with its place.
TEST(SettingsJson, AProfilesPartsReadBackStrictlyAndIn1_0_0sFormsToo) {
    AddressCodeValues address = DefaultAddressCodes();
    address.volumeInEffect = true;
    address.volume = "5";
    address.groups[1] = {true, "42", 2, 1, "315", "59", "7"};
    AddressCodeValues again{};
    ASSERT_TRUE(AddressFromJson(AddressJson(address), "address", again, nullptr));
    EXPECT_TRUE(again.volumeInEffect);
    EXPECT_EQ(again.volume, "5");
    EXPECT_TRUE(again.groups[1].inEffect);
    EXPECT_EQ(again.groups[1].address, "0000042");
    EXPECT_EQ(again.groups[1].lampDuration, "315");
    EXPECT_FALSE(again.groups[0].inEffect);

    const struct {
        const char* json;
        const char* why;  // empty: read
        int groupInEffect;
    } cases[] = {
        // 1.0.0: an object for the volume, groups by their place.
        {R"({"volume": {"inEffect": true, "value": "3"},
             "groups": [{"inEffect": false, "address": "1"}, {"inEffect": true, "address": "2"}]})",
         "", 2},
        // The number decides where it is given: group 3 alone is group 3.
        {R"({"groups": [{"group": 3, "address": "7"}]})", "", 3},
        {R"({"groups": [{"adress": "7"}]})", "unknown key address.groups[0].adress", 0},
        {R"({"volume": 3, "alarmOf": "1"})", "unknown key address.alarmOf", 0},
        {R"({"groups": [{"group": 2}, {"group": 2}]})", "address.groups[1]: group 2 is given twice",
         0},
        {R"({"groups": [{"address": "1"}, {"group": 1}]})",
         "address.groups[1]: group 1 is given twice", 0},
        {R"({"groups": [{"group": 4}]})", "address.groups[0].group: must be 1..3", 0},
        {R"({"volume": {"inEffect": true, "valu": "3"}})", "unknown key address.volume.valu", 0},
        {R"({"volume": 2.5})", "address.volume is not a whole number", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        AddressCodeValues v{};
        std::string why;
        const QJsonObject o = QJsonDocument::fromJson(c.json).object();
        EXPECT_EQ(AddressFromJson(o, "address", v, &why), *c.why == '\0');
        EXPECT_EQ(why, c.why);
        if (c.groupInEffect > 0) {
            for (int g = 0; g < 3; ++g) EXPECT_EQ(v.groups[g].inEffect, g + 1 == c.groupInEffect);
        }
    }

    BasicParamValues basic;
    std::string why;
    EXPECT_TRUE(BasicFromJson(BasicJson(BasicParamValues{"一直响", 4, 7, "报警"}, Password::Text),
                              "basic", basic, &why))
        << why;
    EXPECT_EQ(basic.alarmTimeText, "一直响");
    EXPECT_EQ(basic.volumeIndex, 4);
    EXPECT_FALSE(BasicFromJson(QJsonDocument::fromJson(
                                   R"({"alarmTime": 3, "volume": 1, "channel": 0,
                                       "password": "ABCD", "volum": 2})")
                                   .object(),
                               "basic", basic, &why));
    EXPECT_EQ(why, "unknown key basic.volum");
}

}  // namespace
}  // namespace korvane::vocab
