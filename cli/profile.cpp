#include "cli/profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "common/texts.h"
#include "protocol/frequency.h"

namespace korvane::cli {

namespace {

const char* const kColors[] = {"red", "yellow", "green"};
const char* const kEffects[] = {"flashing", "steady"};

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QJsonValue& v) { return v.toString().toStdString(); }

// Numbers may be written as JSON numbers or as the text an edit would hold.
std::optional<std::string> NumberText(const QJsonValue& v) {
    if (v.isDouble()) return std::to_string(v.toInteger());
    if (v.isString()) return v.toString().toStdString();
    return std::nullopt;
}

}  // namespace

const char* ColorName(int index) { return index >= 0 && index < 3 ? kColors[index] : "?"; }
const char* EffectName(int index) { return index >= 0 && index < 2 ? kEffects[index] : "?"; }
int ColorIndex(const std::string& name) {
    for (int i = 0; i < 3; ++i)
        if (name == kColors[i]) return i;
    return -1;
}
int EffectIndex(const std::string& name) {
    for (int i = 0; i < 2; ++i)
        if (name == kEffects[i]) return i;
    return -1;
}

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
        const auto text = NumberText(root["frequency"]);
        const auto mhz = text ? ParseMhzText(*text) : std::nullopt;
        if (!mhz) {
            error = "\"frequency\" is not a number";
            return std::nullopt;
        }
        p.frequency = *mhz;
    }
    if (p.model == LampModel::Rt220) {
        const QJsonObject b = root["basic"].toObject();
        const auto alarm = NumberText(b["alarmTime"]);
        if (!alarm || !b["volume"].isDouble() || !b["channel"].isDouble() ||
            !b["password"].isString()) {
            error = "\"basic\" needs alarmTime, volume, channel and password";
            return std::nullopt;
        }
        p.basic.alarmTimeText = *alarm;
        p.basic.volumeIndex = b["volume"].toInt() - 1;
        p.basic.channelIndex = b["channel"].toInt();
        p.basic.password = S(b["password"]);
        return p;
    }
    const QJsonObject a = root["address"].toObject();
    const QJsonObject vol = a["volume"].toObject();
    p.address.volumeInEffect = vol["inEffect"].toBool();
    p.address.volume = NumberText(vol["value"]).value_or("");
    const QJsonArray groups = a["groups"].toArray();
    if (groups.size() > 3) {
        error = "\"groups\" has more than three entries";
        return std::nullopt;
    }
    for (int i = 0; i < groups.size(); ++i) {
        const QJsonObject g = groups[i].toObject();
        AddressGroupValues& out = p.address.groups[i];
        out.inEffect = g["inEffect"].toBool();
        out.address = S(g["address"]);
        out.colorIndex = g.contains("color") ? ColorIndex(S(g["color"])) : 0;
        out.effectIndex = g.contains("effect") ? EffectIndex(S(g["effect"])) : 0;
        out.lampDuration = NumberText(g["lampDuration"]).value_or("0");
        out.soundEffect = NumberText(g["soundEffect"]).value_or("1");
        out.soundDuration = NumberText(g["soundDuration"]).value_or("0");
    }
    const QJsonObject off = a["alarmOff"].toObject();
    p.address.alarmOffInEffect = off["inEffect"].toBool();
    p.address.alarmOffAddress = S(off["address"]);
    return p;
}

std::string ValidateProfile(const Profile& p) {
    if (p.frequency && !FrequencyInRange(*p.frequency))
        return "frequency: must lie in 100..999 MHz";
    if (p.model == LampModel::Rt220) {
        const BasicParamValues& b = p.basic;
        if (b.volumeIndex < 0 || b.volumeIndex > 7) return "basic.volume: must be 1..8";
        if (b.channelIndex < 0 || b.channelIndex > 9) return "basic.channel: must be 0..9";
        if (b.password.size() > 4) return "basic.password: at most four characters";
        switch (BasicParamRecords(b).error) {
            case BasicParamError::AlarmTimeRange:
                return std::string("basic.alarmTime: ") + texts::kAlarmRange;
            case BasicParamError::PasswordLength:
                return std::string("basic.password: ") + texts::kPasswordLength;
            case BasicParamError::None:
                break;
        }
        return {};
    }
    auto digits = [](const std::string& s) {
        if (s.size() > 7) return false;
        for (char c : s)
            if (c < '0' || c > '9') return false;
        return true;
    };
    for (int i = 0; i < 3; ++i) {
        const AddressGroupValues& g = p.address.groups[i];
        const std::string where = "address.groups[" + std::to_string(i) + "]";
        if (!digits(g.address)) return where + ".address: at most seven digits";
        if (g.colorIndex < 0) return where + ".color: red, yellow or green";
        if (g.effectIndex < 0) return where + ".effect: flashing or steady";
    }
    if (!digits(p.address.alarmOffAddress)) return "address.alarmOff.address: at most seven digits";
    const AddressCodeResult r = AddressCodeRecords(p.address);
    switch (r.error) {
        case AddressCodeError::VolumeInvalid:
            return std::string("address.volume: ") + texts::kInputInvalid;
        case AddressCodeError::OutOfRange: {
            const char* field = r.failingField == AddressField::LampDuration  ? "lampDuration"
                                : r.failingField == AddressField::SoundEffect ? "soundEffect"
                                                                              : "soundDuration";
            return "address.groups[" + std::to_string(r.failingGroup) + "]." + field + ": " +
                   texts::kOutOfRange;
        }
        case AddressCodeError::NothingChecked:
            return "address: nothing is in effect";
        case AddressCodeError::None:
            break;
    }
    return {};
}

}  // namespace korvane::cli
