#include "cli/profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <utility>

#include "common/texts.h"
#include "protocol/form_values.h"
#include "protocol/frequency.h"

namespace korvane::cli {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QJsonValue& v) { return v.toString().toStdString(); }

// Reads a profile's values, each as the text its control would hold, and
// says what is wrong with the first one that is not.
class ValueReader {
  public:
    std::string error;

    // A number written as a JSON number (whole: no edit takes a fraction)
    // or as the text of the edit. An absent key gives `absent`.
    std::optional<std::string> Number(const QJsonObject& o, const char* key,
                                      const std::string& where,
                                      std::optional<std::string> absent = std::nullopt) {
        if (!o.contains(key)) return Fail(std::move(absent), where + " is missing");
        const QJsonValue v = o[key];
        if (v.isString()) return S(v);
        if (!v.isDouble()) return Fail(std::nullopt, where + " is not a number");
        return Fail(WholeNumberText(v.toDouble()), where + " is not a whole number");
    }
    // An entry of a list (volume, channel), by the text it shows.
    std::optional<int> Entry(const QJsonObject& o, const char* key, const std::string& where,
                             const std::vector<std::string>& entries, const std::string& range) {
        const auto text = Number(o, key, where);
        if (!text) return std::nullopt;
        const std::optional<int> index = EntryIndex(entries, *text);
        if (!index && error.empty()) error = where + ": must be " + range;
        return index;
    }

  private:
    // `text`, or nullopt with `why` as the error (the first one stays).
    std::optional<std::string> Fail(std::optional<std::string> text, const std::string& why) {
        if (!text && error.empty()) error = why;
        return text;
    }
};

}  // namespace

std::string ProfileToJson(const Profile& p) {
    QJsonObject root;
    root["model"] = ModelName(p.model);
    if (p.frequency) root["frequency"] = Q(FormatMhz(*p.frequency));
    if (p.model == LampModel::Rt220) {
        QJsonObject b;
        b["alarmTime"] = Q(p.basic.alarmTimeText);
        b["volume"] = p.basic.volumeIndex + 1;
        b["channel"] = p.basic.channelIndex;
        b["password"] = Q(p.basic.password);
        root["basic"] = b;
    } else {
        QJsonObject a;
        a["volume"] =
            QJsonObject{{"inEffect", p.address.volumeInEffect}, {"value", Q(p.address.volume)}};
        QJsonArray groups;
        for (const AddressGroupValues& g : p.address.groups) {
            groups.append(QJsonObject{
                {"inEffect", g.inEffect},
                {"address", Q(g.address)},
                {"color", ColorName(g.colorIndex)},
                {"effect", EffectName(g.effectIndex)},
                {"lampDuration", Q(g.lampDuration)},
                {"soundEffect", Q(g.soundEffect)},
                {"soundDuration", Q(g.soundDuration)},
            });
        }
        a["groups"] = groups;
        a["alarmOff"] = QJsonObject{{"inEffect", p.address.alarmOffInEffect},
                                    {"address", Q(p.address.alarmOffAddress)}};
        root["address"] = a;
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::optional<Profile> ProfileFromJson(const std::string& json, std::string& error) {
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &pe);
    if (doc.isNull() || !doc.isObject()) {
        error = "not a JSON object: " + pe.errorString().toStdString();
        return std::nullopt;
    }
    const QJsonObject root = doc.object();
    Profile p;
    const std::string model = S(root["model"]);
    if (model == ModelName(LampModel::Rt220)) {
        p.model = LampModel::Rt220;
    } else if (model == ModelName(LampModel::Rt221)) {
        p.model = LampModel::Rt221;
    } else {
        error = std::string("\"model\" must be \"") + ModelName(LampModel::Rt220) + "\" or \"" +
                ModelName(LampModel::Rt221) + "\"";
        return std::nullopt;
    }
    if (root.contains("frequency")) {
        // Typed into the edit or written as a JSON number, it is read as the edit reads it.
        const QJsonValue f = root["frequency"];
        const QString text =
            f.isDouble() ? QString::number(f.toDouble(), 'g', QLocale::FloatingPointShortest)
                         : f.toString();
        const auto mhz =
            f.isDouble() || f.isString() ? ParseMhzText(text.toStdString()) : std::nullopt;
        if (!mhz) {
            error = "\"frequency\" is not a number";
            return std::nullopt;
        }
        p.frequency = *mhz;
    }
    ValueReader read;
    if (p.model == LampModel::Rt220) {
        const QJsonObject b = root["basic"].toObject();
        if (!b.contains("alarmTime") || !b.contains("volume") || !b.contains("channel") ||
            !b["password"].isString()) {
            error = "\"basic\" needs alarmTime, volume, channel and password";
            return std::nullopt;
        }
        p.basic.alarmTimeText = read.Number(b, "alarmTime", "basic.alarmTime").value_or("");
        p.basic.volumeIndex =
            read.Entry(b, "volume", "basic.volume", VolumeEntries(), "1..8").value_or(-1);
        p.basic.channelIndex =
            read.Entry(b, "channel", "basic.channel", ChannelEntries(), "0..9").value_or(-1);
        // As it stands, not as typed: a dumped password comes back unchanged.
        p.basic.password = S(b["password"]);
    } else {
        const QJsonObject a = root["address"].toObject();
        const QJsonObject vol = a["volume"].toObject();
        p.address.volumeInEffect = vol["inEffect"].toBool();
        p.address.volume = read.Number(vol, "value", "address.volume", "").value_or("");
        const QJsonArray groups = a["groups"].toArray();
        if (groups.size() > 3) {
            error = "\"groups\" has more than three entries";
            return std::nullopt;
        }
        for (int i = 0; i < groups.size(); ++i) {
            const QJsonObject g = groups[i].toObject();
            const std::string where = "address.groups[" + std::to_string(i) + "].";
            AddressGroupValues& out = p.address.groups[i];
            out.inEffect = g["inEffect"].toBool();
            out.address = read.Number(g, "address", where + "address", "").value_or("");
            out.colorIndex = g.contains("color") ? ColorIndex(S(g["color"])) : 0;
            out.effectIndex = g.contains("effect") ? EffectIndex(S(g["effect"])) : 0;
            out.lampDuration =
                read.Number(g, "lampDuration", where + "lampDuration", "0").value_or("");
            out.soundEffect =
                read.Number(g, "soundEffect", where + "soundEffect", "1").value_or("");
            out.soundDuration =
                read.Number(g, "soundDuration", where + "soundDuration", "0").value_or("");
        }
        const QJsonObject off = a["alarmOff"].toObject();
        p.address.alarmOffInEffect = off["inEffect"].toBool();
        p.address.alarmOffAddress =
            read.Number(off, "address", "address.alarmOff.address", "").value_or("");
    }
    if (!read.error.empty()) {
        error = read.error;
        return std::nullopt;
    }
    return p;
}

std::string ValidateProfile(const Profile& p) {
    if (p.frequency && !FrequencyInRange(*p.frequency))
        return "frequency: must lie in 100..999 MHz";
    if (p.model == LampModel::Rt220) {
        // The password is judged by the host's four bytes, as the window judges it.
        switch (BasicParamRecords(p.basic).error) {
            case BasicParamError::AlarmTimeRange:
                return std::string("basic.alarmTime: ") + texts::kAlarmRange;
            case BasicParamError::PasswordLength:
                return std::string("basic.password: ") + texts::kPasswordLength;
            case BasicParamError::None:
                break;
        }
        return {};
    }
    for (int i = 0; i < 3; ++i) {
        const AddressGroupValues& g = p.address.groups[i];
        const std::string where = "address.groups[" + std::to_string(i) + "]";
        if (g.colorIndex < 0) return where + ".color: red, yellow or green";
        if (g.effectIndex < 0) return where + ".effect: flashing or steady";
    }
    const AddressCodeResult r = AddressCodeRecords(p.address);
    const std::string group = "address.groups[" + std::to_string(r.failingGroup) + "].";
    switch (r.error) {
        case AddressCodeError::VolumeInvalid:
            return std::string("address.volume: ") + texts::kInputInvalid;
        case AddressCodeError::AddressInvalid:
            return (r.failingGroup < 0 ? std::string("address.alarmOff.") : group) +
                   "address: " + texts::kInputInvalid;
        case AddressCodeError::OutOfRange: {
            const char* field = r.failingField == AddressField::LampDuration  ? "lampDuration"
                                : r.failingField == AddressField::SoundEffect ? "soundEffect"
                                                                              : "soundDuration";
            return group + field + ": " + texts::kOutOfRange;
        }
        case AddressCodeError::NothingChecked:
            return "address: nothing is in effect";
        case AddressCodeError::None:
            break;
    }
    return {};
}

}  // namespace korvane::cli
