#include "protocol/form_values.h"

#include <string>

#include "protocol/sound_image.h"

namespace korvane {

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

}  // namespace korvane
