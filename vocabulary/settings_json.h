#pragma once
// One key and one type for every setting korvane-cli writes as JSON: the
// read-backs of `get --json`, the profiles of `dump` and `apply`, what the
// provisioning record says was sent, the plan of a download and the events
// of a run on many hosts. Each setting is written here, and read back here,
// once. A setting that is absent is not in effect (or was not sent).
#include <QJsonObject>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/records.h"

namespace korvane::vocab {

enum class JsonType { String, Number, Bool, Object, Array };
struct JsonKey {
    const char* key;
    JsonType type;
};
// Every key a setting is written under, with its one type.
const std::vector<JsonKey>& SettingKeys();

// The RT-220 basic parameters as set: alarmTime (0 for "一直响"), volume,
// channel as numbers, and the password as text, or, where it is not to be
// kept (the record), its length in the host's bytes only.
enum class Password { Text, Length };
QJsonObject BasicJson(const BasicParamValues& values, Password password);
// As read back: only what the host sent.
QJsonObject BasicJson(const BasicReadBack& b);

// The RT-221 address-code parameters as set: only what is in effect; a
// group in effect without an address carries its number alone.
QJsonObject AddressJson(const AddressCodeValues& values);
// As read back, in the same keys, with the sound count; "groups" is always there.
QJsonObject AddressJson(const std::vector<AddressReadItem>& items);

// The parts of a profile, read strictly: a key of no setting is refused with
// its place ("address.groups[0].adress"). The forms 1.0.0 wrote are read as
// well: numbers as text, {"inEffect", "value"} objects, groups by place.
// false with why; `out` starts from the window's defaults.
bool BasicFromJson(const QJsonObject& b, const std::string& where, BasicParamValues& out,
                   std::string* why);
bool AddressFromJson(const QJsonObject& a, const std::string& where, AddressCodeValues& out,
                     std::string* why);

// A sound of a download: the name as the host's name field holds it, and
// its size in bytes (the record's "sent", the plan).
QJsonObject SoundJson(const std::string& name, std::uint64_t size);

// What --json prints for a command that failed: the error and every text shown.
QJsonObject FailureJson(const std::string& error, const std::vector<std::string>& texts);

}  // namespace korvane::vocab
