#include "vocabulary/settings_json.h"

#include <QJsonArray>
#include <initializer_list>
#include <optional>

#include "common/codepage.h"
#include "protocol/form_values.h"

namespace korvane::vocab {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Reads the values of a profile, each as the text its control would hold,
// and keeps what is wrong with the first one that is not.
class Reader {
  public:
    explicit Reader(std::string* why) : why_(why) {}
    bool ok() const { return failed_.empty(); }
    bool Done() {
        if (why_ != nullptr && !failed_.empty()) *why_ = failed_;
        return failed_.empty();
    }
    void Fail(const std::string& text) {
        if (failed_.empty()) failed_ = text;
    }
    // A key that names no setting is a typo: refused, not passed over.
    void OnlyKeys(const QJsonObject& o, const std::string& where,
                  std::initializer_list<const char*> known) {
        for (auto it = o.begin(); it != o.end(); ++it) {
            bool found = false;
            for (const char* k : known) found = found || it.key() == k;
            if (!found) Fail("unknown key " + where + "." + it.key().toStdString());
        }
    }
    // A number written as a JSON number (whole: no edit takes a fraction),
    // or, as 1.0.0 wrote it, as the edit's text.
    std::string Number(const QJsonValue& v, const std::string& where) {
        if (v.isString()) return v.toString().toStdString();
        if (!v.isDouble()) {
            Fail(where + " is not a number");
            return {};
        }
        const std::optional<std::string> text = WholeNumberText(v.toDouble());
        if (!text) Fail(where + " is not a whole number");
        return text.value_or("");
    }
    std::string Text(const QJsonValue& v, const std::string& where) {
        if (!v.isString()) Fail(where + " is not a text");
        return v.toString().toStdString();
    }
    // An entry of a list (volume, channel), by the text it shows.
    int Entry(const QJsonValue& v, const std::string& where,
              const std::vector<std::string>& entries, const char* range) {
        const std::string text = Number(v, where);
        const std::optional<int> index = EntryIndex(entries, text);
        if (!index) Fail(where + ": must be " + range);
        return index.value_or(-1);
    }
    bool Flag(const QJsonValue& v, const std::string& where) {
        if (!v.isBool()) Fail(where + " is not true or false");
        return v.toBool();
    }

  private:
    std::string* why_;
    std::string failed_;
};

// A one-character volume read back from the host: its number, or null for
// a character that is no digit.
QJsonValue VolumeValue(const std::string& text) {
    if (text.size() != 1 || !IsDigitText(text)) return QJsonValue(QJsonValue::Null);
    return TextToInt(text);
}

QJsonObject GroupJson(int group, const std::string& address, int color, int effect, int lamp,
                      int soundEffect, int sound) {
    return QJsonObject{{"group", group},
                       {"address", Q(address)},
                       {"color", ColorName(color)},
                       {"effect", EffectName(effect)},
                       {"lampDuration", lamp},
                       {"soundEffect", soundEffect},
                       {"soundDuration", sound}};
}

}  // namespace

const std::vector<JsonKey>& SettingKeys() {
    static const std::vector<JsonKey> keys = {
        {"frequency", JsonType::String},   {"alarmTime", JsonType::Number},
        {"volume", JsonType::Number},      {"channel", JsonType::Number},
        {"password", JsonType::String},    {"passwordLength", JsonType::Number},
        {"groups", JsonType::Array},       {"group", JsonType::Number},
        {"address", JsonType::String},     {"color", JsonType::String},
        {"effect", JsonType::String},      {"lampDuration", JsonType::Number},
        {"soundEffect", JsonType::Number}, {"soundDuration", JsonType::Number},
        {"alarmOff", JsonType::String},    {"alarmSounds", JsonType::Number},
        {"version", JsonType::String},     {"model", JsonType::String},
        {"name", JsonType::String},        {"size", JsonType::Number},
        {"file", JsonType::String},        {"folder", JsonType::String},
        {"area", JsonType::String},        {"sounds", JsonType::Array},
        {"audio", JsonType::Number},       {"packets", JsonType::Number},
        {"pacingMs", JsonType::Number},    {"warnings", JsonType::Array},
        {"refusal", JsonType::String},
    };
    return keys;
}

QJsonObject BasicJson(const BasicParamValues& v, Password password) {
    QJsonObject o{{"alarmTime", AlarmTimeFromText(v.alarmTimeText)},
                  {"volume", v.volumeIndex + 1},
                  {"channel", v.channelIndex}};
    if (password == Password::Text) {
        o["password"] = Q(v.password);
    } else {
        // The password is a secret of the lamps: its length in the host's bytes only.
        const std::string gbk = Utf8ToGbk(v.password).value_or(v.password);
        o["passwordLength"] = static_cast<int>(gbk.size());
    }
    return o;
}

QJsonObject BasicJson(const BasicReadBack& b) {
    QJsonObject o;
    if (b.alarmTime) o["alarmTime"] = *b.alarmTime;
    if (b.volumeIndex) o["volume"] = *b.volumeIndex + 1;
    if (b.channelIndex) o["channel"] = *b.channelIndex;
    if (b.password) o["password"] = Q(GbkToUtf8(*b.password));
    return o;
}

QJsonObject AddressJson(const AddressCodeValues& v) {
    QJsonObject o;
    if (v.volumeInEffect) o["volume"] = TextToInt(v.volume);
    QJsonArray groups;
    for (int g = 0; g < 3; ++g) {
        const AddressGroupValues& group = v.groups[g];
        if (!group.inEffect) continue;
        // A group without an address goes out without its values.
        if (group.address.empty()) {
            groups.append(QJsonObject{{"group", g + 1}});
            continue;
        }
        groups.append(GroupJson(g + 1, SevenDigits(group.address), group.colorIndex,
                                group.effectIndex, TextToInt(group.lampDuration),
                                TextToInt(group.soundEffect), TextToInt(group.soundDuration)));
    }
    if (!groups.isEmpty()) o["groups"] = groups;
    if (v.alarmOffInEffect)
        o["alarmOff"] = Q(v.alarmOffAddress.empty() ? "" : SevenDigits(v.alarmOffAddress));
    return o;
}

QJsonObject AddressJson(const std::vector<AddressReadItem>& items) {
    QJsonObject o;
    QJsonArray groups;
    for (const AddressReadItem& it : items) {
        switch (it.kind) {
            case AddressReadItem::Kind::Volume:
                o["volume"] = VolumeValue(it.text);
                break;
            case AddressReadItem::Kind::Group:
                groups.append(GroupJson(it.group + 1, it.text, it.colorIndex, it.effectIndex,
                                        it.lampDuration, it.soundEffect, it.soundDuration));
                break;
            case AddressReadItem::Kind::AlarmOff:
                o["alarmOff"] = Q(it.text);
                break;
            case AddressReadItem::Kind::SoundCount:
                o["alarmSounds"] = it.soundCount;
                break;
        }
    }
    o["groups"] = groups;
    return o;
}

bool BasicFromJson(const QJsonObject& b, const std::string& where, BasicParamValues& out,
                   std::string* why) {
    Reader read(why);
    read.OnlyKeys(b, where, {"alarmTime", "volume", "channel", "password"});
    if (!b.contains("alarmTime") || !b.contains("volume") || !b.contains("channel") ||
        !b.contains("password")) {
        read.Fail("\"" + where + "\" needs alarmTime, volume, channel and password");
        return read.Done();
    }
    const QJsonValue alarm = b["alarmTime"];
    // 0 is "一直响"; 1.0.0 wrote the combo box's text.
    out.alarmTimeText = alarm.isString()
                            ? alarm.toString().toStdString()
                            : AlarmTimeText(TextToInt(read.Number(alarm, where + ".alarmTime")));
    out.volumeIndex = read.Entry(b["volume"], where + ".volume", VolumeEntries(), "1..8");
    out.channelIndex = read.Entry(b["channel"], where + ".channel", ChannelEntries(), "0..9");
    // As it stands, not as typed: a dumped password comes back unchanged.
    out.password = read.Text(b["password"], where + ".password");
    return read.Done();
}

bool AddressFromJson(const QJsonObject& a, const std::string& where, AddressCodeValues& out,
                     std::string* why) {
    Reader read(why);
    read.OnlyKeys(a, where, {"volume", "groups", "alarmOff"});
    if (a.contains("volume")) {
        const QJsonValue v = a["volume"];
        const std::string at = where + ".volume";
        if (v.isObject()) {  // 1.0.0: {"inEffect", "value"}
            const QJsonObject old = v.toObject();
            read.OnlyKeys(old, at, {"inEffect", "value"});
            out.volumeInEffect =
                old.contains("inEffect") && read.Flag(old["inEffect"], at + ".inEffect");
            out.volume = old.contains("value") ? read.Number(old["value"], at + ".value") : "";
        } else {
            out.volumeInEffect = true;
            out.volume = read.Number(v, at);
        }
    }
    if (a.contains("groups")) {
        const QJsonValue g = a["groups"];
        if (!g.isArray()) read.Fail(where + ".groups is not a list");
        const QJsonArray groups = g.toArray();
        if (groups.size() > 3) read.Fail("\"groups\" has more than three entries");
        bool taken[3] = {false, false, false};
        for (int i = 0; i < groups.size() && i < 3 && read.ok(); ++i) {
            const std::string at = where + ".groups[" + std::to_string(i) + "]";
            if (!groups[i].isObject()) {
                read.Fail(at + " is not an object");
                break;
            }
            const QJsonObject e = groups[i].toObject();
            read.OnlyKeys(e, at,
                          {"group", "inEffect", "address", "color", "effect", "lampDuration",
                           "soundEffect", "soundDuration"});
            // Its number decides where it is given; else its place, as 1.0.0 wrote them.
            int k = i + 1;
            if (e.contains("group")) {
                k = TextToInt(read.Number(e["group"], at + ".group"));
                if (k < 1 || k > 3) {
                    read.Fail(at + ".group: must be 1..3");
                    break;
                }
            }
            if (taken[k - 1]) {
                read.Fail(at + ": group " + std::to_string(k) + " is given twice");
                break;
            }
            taken[k - 1] = true;
            AddressGroupValues& group = out.groups[k - 1];
            group.inEffect = !e.contains("inEffect") || read.Flag(e["inEffect"], at + ".inEffect");
            group.address = e.contains("address") ? read.Number(e["address"], at + ".address") : "";
            // A word that names no colour or effect stays -1, for the
            // profile's check to name its place.
            group.colorIndex = e.contains("color")
                                   ? ColorIndex(read.Text(e["color"], at + ".color")).value_or(-1)
                                   : 0;
            group.effectIndex =
                e.contains("effect")
                    ? EffectIndex(read.Text(e["effect"], at + ".effect")).value_or(-1)
                    : 0;
            group.lampDuration = e.contains("lampDuration")
                                     ? read.Number(e["lampDuration"], at + ".lampDuration")
                                     : "0";
            group.soundEffect = e.contains("soundEffect")
                                    ? read.Number(e["soundEffect"], at + ".soundEffect")
                                    : "1";
            group.soundDuration = e.contains("soundDuration")
                                      ? read.Number(e["soundDuration"], at + ".soundDuration")
                                      : "0";
        }
    }
    if (a.contains("alarmOff")) {
        const QJsonValue v = a["alarmOff"];
        const std::string at = where + ".alarmOff";
        if (v.isObject()) {  // 1.0.0: {"inEffect", "address"}
            const QJsonObject old = v.toObject();
            read.OnlyKeys(old, at, {"inEffect", "address"});
            out.alarmOffInEffect =
                old.contains("inEffect") && read.Flag(old["inEffect"], at + ".inEffect");
            out.alarmOffAddress =
                old.contains("address") ? read.Number(old["address"], at + ".address") : "";
        } else {
            out.alarmOffInEffect = true;
            out.alarmOffAddress = read.Number(v, at);
        }
    }
    return read.Done();
}

QJsonObject SoundJson(const std::string& name, std::uint64_t size) {
    return QJsonObject{{"name", Q(name)}, {"size", static_cast<qint64>(size)}};
}

QJsonObject FailureJson(const std::string& error, const std::vector<std::string>& texts) {
    QJsonArray shown;
    for (const std::string& t : texts) shown.append(Q(t));
    return QJsonObject{{"error", Q(error)}, {"texts", shown}};
}

}  // namespace korvane::vocab
