#pragma once
// The values of the form as the operator first sees them, and how a
// read-back from the host lands on them. The window and the command line
// both start from these defaults and map read-backs through these rules.
#include <optional>
#include <string>
#include <vector>

#include "protocol/records.h"

namespace korvane {

inline constexpr const char* kDefaultPassword = "QKMR";
inline constexpr const char* kDefaultAlarmTimeText = "10";  // entry 10 of the alarm-time list
inline constexpr const char* kDefaultAddress = "0120120";
inline constexpr const char* kDefaultAlarmOffAddress = "0119119";
inline constexpr float kDefaultFrequencyMhz = 433.5f;
inline constexpr int kAddressLength = 7;  // digits of an address edit

// ---- how each value is judged: the same for the form and the command line ----

// The entries of the volume list 1074 ("1".."8") and of the channel list
// 1071 ("0".."9"), in list order.
const std::vector<std::string>& VolumeEntries();
const std::vector<std::string>& ChannelEntries();
// The index of the entry that `text` names exactly; nullopt where the list
// offers no such entry.
std::optional<int> EntryIndex(const std::vector<std::string>& entries, const std::string& text);

// What the password edit 1057 makes of typed text: its letters in capitals.
// A password read back from the host is taken as it is, not through this.
std::string TypedPassword(const std::string& typed);

// The number edits of the address codes (the speaker volume 1076, the
// durations and sound effects) hold digits only; an empty one reads as 0.
bool IsDigitText(const std::string& text);
// An address edit (1015..1017, the alarm-off address 1044): nothing, or
// one to seven digits.
bool IsAddressText(const std::string& text);
// A whole number, given as a number rather than as text (a JSON profile),
// as the text an edit would hold; nullopt for a number with a fraction,
// which no edit takes.
std::optional<std::string> WholeNumberText(double value);

// The lamp colours and effects of an address-code group as words (a
// profile, the command line, the provisioning record), in list order.
const char* ColorName(int index);   // "red", "yellow", "green"
const char* EffectName(int index);  // "flashing", "steady"
// The index of a colour or an effect by its word; nullopt for any other word.
std::optional<int> ColorIndex(const std::string& name);
std::optional<int> EffectIndex(const std::string& name);

// ---- the form as it starts, and read-backs ----

// Alarm time "10", volume "1", channel "0", password "QKMR".
BasicParamValues DefaultBasicParams();
// Every group at address "0120120", red, flashing, lamp 0, sound effect 1,
// sound 0; volume "0"; alarm-off address "0119119"; nothing in effect.
AddressCodeValues DefaultAddressCodes();

// The records the host returned replace the values they carry (texts turned
// from the host's code page into UTF-8); the others stay. An index the host
// sent may lie outside the list it selects from.
void ApplyReadBack(BasicParamValues& values, const BasicReadBack& readBack);

// A read-back says which settings are in effect: every setting starts out of
// effect, and each record puts its own back in, with its values.
void ClearInEffect(AddressCodeValues& values);
// One record of an address-code read-back (the sound count carries no value).
void ApplyReadBackItem(AddressCodeValues& values, const AddressReadItem& item);
// ClearInEffect, then every item in order.
void ApplyReadBack(AddressCodeValues& values, const std::vector<AddressReadItem>& items);

}  // namespace korvane
