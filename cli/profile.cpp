#include "cli/profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <utility>

#include "common/failure.h"
#include "common/texts.h"
#include "protocol/form_values.h"
#include "protocol/frequency.h"
#include "vocabulary/settings_json.h"

namespace korvane::cli {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

std::string ProfileToJson(const Profile& p) {
    QJsonObject root;
    root["model"] = ModelName(p.model);
    if (p.frequency) root["frequency"] = Q(FormatMhz(*p.frequency));
    if (p.model == LampModel::Rt220)
        root["basic"] = vocab::BasicJson(p.basic, vocab::Password::Text);
    else
        root["address"] = vocab::AddressJson(p.address);
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

bool ProfileFromJson(const std::string& json, Profile& profile, std::string* why) {
    QJsonParseError pe{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &pe);
    if (doc.isNull() || !doc.isObject())
        return Fail("not a JSON object: " + pe.errorString().toStdString(), why);
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const QString key = it.key();
        if (key != "model" && key != "frequency" && key != "basic" && key != "address")
            return Fail("unknown key " + key.toStdString(), why);
    }
    Profile p;
    const std::string model = root["model"].toString().toStdString();
    if (model == ModelName(LampModel::Rt220)) {
        p.model = LampModel::Rt220;
    } else if (model == ModelName(LampModel::Rt221)) {
        p.model = LampModel::Rt221;
    } else {
        return Fail(std::string("\"model\" must be \"") + ModelName(LampModel::Rt220) + "\" or \"" +
                        ModelName(LampModel::Rt221) + "\"",
                    why);
    }
    if (root.contains("frequency")) {
        // Typed into the edit or written as a JSON number, it is read as the edit reads it.
        const QJsonValue f = root["frequency"];
        const QString text =
            f.isDouble() ? QString::number(f.toDouble(), 'g', QLocale::FloatingPointShortest)
                         : f.toString();
        const auto mhz =
            f.isDouble() || f.isString() ? ParseMhzText(text.toStdString()) : std::nullopt;
        if (!mhz) return Fail("\"frequency\" is not a number", why);
        p.frequency = *mhz;
    }
    // The settings of the other model would go nowhere: a mistake, not a setting.
    const char* own = p.model == LampModel::Rt220 ? "basic" : "address";
    const char* other = p.model == LampModel::Rt220 ? "address" : "basic";
    if (root.contains(other))
        return Fail(std::string(other) + ": not a setting of the " + model, why);
    const QJsonObject part = root[own].toObject();
    const bool read = p.model == LampModel::Rt220
                          ? vocab::BasicFromJson(part, own, p.basic, why)
                          : vocab::AddressFromJson(part, own, p.address, why);
    if (!read) return false;
    profile = p;
    return true;
}

bool ValidateProfile(const Profile& p, std::string* why) {
    if (p.frequency && !FrequencyInRange(*p.frequency))
        return Fail("frequency: must lie in 100..999 MHz", why);
    if (p.model == LampModel::Rt220) {
        // The password is judged by the host's four bytes, as the window judges it.
        switch (BasicParamRecords(p.basic).error) {
            case BasicParamError::AlarmTimeRange:
                return Fail(std::string("basic.alarmTime: ") + texts::kAlarmRange, why);
            case BasicParamError::PasswordLength:
                return Fail(std::string("basic.password: ") + texts::kPasswordLength, why);
            case BasicParamError::None:
                break;
        }
        return true;
    }
    for (int i = 0; i < 3; ++i) {
        const AddressGroupValues& g = p.address.groups[i];
        const std::string where = "address.groups[" + std::to_string(i) + "]";
        if (g.colorIndex < 0) return Fail(where + ".color: red, yellow or green", why);
        if (g.effectIndex < 0) return Fail(where + ".effect: flashing or steady", why);
    }
    const AddressCodeResult r = AddressCodeRecords(p.address);
    const std::string group = "address.groups[" + std::to_string(r.failingGroup) + "].";
    switch (r.error) {
        case AddressCodeError::VolumeInvalid:
            return Fail(std::string("address.volume: ") + texts::kInputInvalid, why);
        case AddressCodeError::AddressInvalid:
            return Fail((r.failingGroup < 0 ? std::string("address.alarmOff.") : group) +
                            "address: " + texts::kInputInvalid,
                        why);
        case AddressCodeError::OutOfRange: {
            const char* field = r.failingField == AddressField::LampDuration  ? "lampDuration"
                                : r.failingField == AddressField::SoundEffect ? "soundEffect"
                                                                              : "soundDuration";
            return Fail(group + field + ": " + texts::kOutOfRange, why);
        }
        case AddressCodeError::NothingChecked:
            return Fail("address: nothing is in effect", why);
        case AddressCodeError::None:
            break;
    }
    return true;
}

}  // namespace korvane::cli
