#include "protocol/form_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/letter_case.h"
#include "protocol/sound_image.h"

namespace korvane {

const std::vector<std::string>& VolumeEntries() {
    static const std::vector<std::string> entries = {"1", "2", "3", "4", "5", "6", "7", "8"};
    return entries;
}

const std::vector<std::string>& ChannelEntries() {
    static const std::vector<std::string> entries = {"0", "1", "2", "3", "4",
                                                     "5", "6", "7", "8", "9"};
    return entries;
}

std::optional<int> EntryIndex(const std::vector<std::string>& entries, const std::string& text) {
    const auto it = std::find(entries.begin(), entries.end(), text);
    if (it == entries.end()) return std::nullopt;
    return static_cast<int>(it - entries.begin());
}

std::string TypedPassword(const std::string& typed) { return UpperUtf8(typed); }

bool IsDigitText(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsAddressText(const std::string& text) {
    return text.size() <= static_cast<std::size_t>(kAddressLength) && IsDigitText(text);
}

std::optional<std::string> WholeNumberText(double value) {
    if (!std::isfinite(value) || std::trunc(value) != value) return std::nullopt;
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", value);
    return std::string(text);
}

BasicParamValues DefaultBasicParams() {
    BasicParamValues v;
    v.alarmTimeText = kDefaultAlarmTimeText;
    v.volumeIndex = 0;
    v.channelIndex = 0;
    v.password = kDefaultPassword;
    return v;
}

AddressCodeValues DefaultAddressCodes() {
    AddressCodeValues v;
    v.volume = "0";
    for (AddressGroupValues& g : v.groups) {
        g.address = kDefaultAddress;
        g.colorIndex = 0;
        g.effectIndex = 0;
        g.lampDuration = "0";
        g.soundEffect = "1";
        g.soundDuration = "0";
    }
    v.alarmOffAddress = kDefaultAlarmOffAddress;
    return v;
}

void ApplyReadBack(BasicParamValues& values, const BasicReadBack& readBack) {
    if (readBack.alarmTime) values.alarmTimeText = AlarmTimeText(*readBack.alarmTime);
    if (readBack.volumeIndex) values.volumeIndex = *readBack.volumeIndex;
    if (readBack.channelIndex) values.channelIndex = *readBack.channelIndex;
    if (readBack.password) values.password = GbkToUtf8(*readBack.password);
}

void ClearInEffect(AddressCodeValues& values) {
    values.volumeInEffect = false;
    for (AddressGroupValues& g : values.groups) g.inEffect = false;
    values.alarmOffInEffect = false;
}

void ApplyReadBackItem(AddressCodeValues& values, const AddressReadItem& item) {
    switch (item.kind) {
        case AddressReadItem::Kind::Volume:
            values.volumeInEffect = true;
            values.volume = GbkToUtf8(item.text);
            break;
        case AddressReadItem::Kind::Group: {
            if (item.group < 0 || item.group > 2) break;
            AddressGroupValues& g = values.groups[item.group];
            g.inEffect = true;
            g.address = GbkToUtf8(item.text);
            g.colorIndex = item.colorIndex;
            g.effectIndex = item.effectIndex;
            g.lampDuration = std::to_string(item.lampDuration);
            g.soundEffect = std::to_string(item.soundEffect);
            g.soundDuration = std::to_string(item.soundDuration);
            break;
        }
        case AddressReadItem::Kind::AlarmOff:
            values.alarmOffInEffect = true;
            values.alarmOffAddress = GbkToUtf8(item.text);
            break;
        case AddressReadItem::Kind::SoundCount:
            break;
    }
}

void ApplyReadBack(AddressCodeValues& values, const std::vector<AddressReadItem>& items) {
    ClearInEffect(values);
    for (const AddressReadItem& item : items) ApplyReadBackItem(values, item);
}

namespace {
const char* const kColors[] = {"red", "yellow", "green"};
const char* const kEffects[] = {"flashing", "steady"};
}  // namespace

const char* ColorName(int index) { return index >= 0 && index < 3 ? kColors[index] : "?"; }
const char* EffectName(int index) { return index >= 0 && index < 2 ? kEffects[index] : "?"; }
std::optional<int> ColorIndex(const std::string& name) {
    for (int i = 0; i < 3; ++i)
        if (name == kColors[i]) return i;
    return std::nullopt;
}
std::optional<int> EffectIndex(const std::string& name) {
    for (int i = 0; i < 2; ++i)
        if (name == kEffects[i]) return i;
    return std::nullopt;
}

}  // namespace korvane
