#include "protocol/records.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "protocol/form_values.h"
#include "protocol/sound_image.h"

namespace korvane {

namespace {

void AppendRecordHead(Bytes& out, char id) {
    out.push_back(static_cast<uint8_t>(id));
    out.push_back(kRecordComma);
}

void AppendText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void AppendBigEndian16(Bytes& out, int value) {
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    out.push_back(static_cast<uint8_t>(value & 0xFF));
}

// The record's text field bytes [from, from + count), ending at the first zero byte.
std::string RecordText(const Bytes& record, std::size_t from, std::size_t count) {
    std::string s;
    for (std::size_t i = from; i < from + count; ++i) {
        const uint8_t b = RecordByte(record, i);
        if (b == 0) break;
        s.push_back(static_cast<char>(b));
    }
    return s;
}

}  // namespace

int TextToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int AlarmTimeFromText(const std::string& text) {
    if (text == "一直响") return 0;
    return TextToInt(text);
}

std::string AlarmTimeText(int alarmTime) {
    return alarmTime == 0 ? std::string("一直响") : std::to_string(alarmTime);
}

BasicParamResult BasicParamRecords(const BasicParamValues& v) {
    BasicParamResult result;
    result.alarmTime = AlarmTimeFromText(v.alarmTimeText);
    if (result.alarmTime > 65535 || result.alarmTime < 0) {
        result.error = BasicParamError::AlarmTimeRange;
        return result;
    }
    // The host compares four raw bytes in its own code page. A password that
    // is not exactly four bytes there (two Chinese characters are; one Chinese
    // and three letters are five) or has a character the code page lacks is
    // refused rather than cut: a cut could end inside a character and set a
    // password nobody typed.
    const std::optional<std::string> password = Utf8ToGbk(v.password);
    if (!password || password->size() != 4) {
        result.error = BasicParamError::PasswordLength;
        return result;
    }
    Bytes& out = result.records;
    AppendRecordHead(out, '1');
    AppendBigEndian16(out, result.alarmTime);
    out.push_back(kRecordEnd);
    AppendRecordHead(out, '2');
    out.push_back(static_cast<uint8_t>(v.volumeIndex + 0x31));
    out.push_back(kRecordEnd);
    AppendRecordHead(out, '3');
    out.push_back(static_cast<uint8_t>(v.channelIndex + 0x30));
    out.push_back(kRecordEnd);
    AppendRecordHead(out, '4');
    AppendText(out, *password);
    out.push_back(kRecordEnd);
    return result;
}

namespace {

// The length, 0x3B included, of a record with a binary value that starts at
// `r` (n bytes left), when it stands there whole; 0 otherwise.
std::size_t FixedRecordLength(const uint8_t* r, std::size_t n, RecordList list) {
    auto whole = [&](std::size_t length, std::initializer_list<std::size_t> separators) {
        if (length > n || r[1] != kRecordComma || r[length - 1] != kRecordEnd) return false;
        return std::all_of(separators.begin(), separators.end(),
                           [&](std::size_t at) { return r[at] == kFieldSeparator; });
    };
    if (n < 3) return 0;
    if (list == RecordList::Basic) {
        if (r[0] == 0x31) return whole(5, {}) ? 5 : 0;
        // The edit takes ";" as a password character, and the host hands back
        // the four characters as it was sent them. A short form (id, 0x2C,
        // fewer characters, 0x3B) ends at its own 0x3B as before.
        if (r[0] == 0x34) return whole(7, {}) ? 7 : 0;
        return 0;
    }
    switch (r[0]) {
        case 0x32:
        case 0x33:
        case 0x34:
            // The short form (id, 0x2C, 0x3B) of a group without an address.
            if (r[2] == kRecordEnd) return 0;
            return whole(22, {9, 11, 13, 16, 18}) ? 22 : 0;
        case 0x36:
            return whole(4, {}) ? 4 : 0;
        default:
            return 0;
    }
}

}  // namespace

std::vector<Bytes> ParseRecordList(const uint8_t* data, std::size_t n, RecordList list) {
    std::vector<Bytes> records;
    if (data == nullptr) return records;
    n = std::min(n, kRecordReplyLimit);
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < n) {
        if (i == start) {
            if (const std::size_t fixed = FixedRecordLength(data + start, n - start, list)) {
                records.emplace_back(data + start, data + start + fixed - 1);
                start = i = start + fixed;
                continue;
            }
        }
        if (data[i] == kRecordEnd) {
            const std::size_t len = std::min(i - start, kRecordScratch - 1);
            records.emplace_back(data + start, data + start + len);
            start = i + 1;
        }
        ++i;
    }
    return records;
}

BasicReadBack DecodeBasicParams(const uint8_t* data, std::size_t n) {
    BasicReadBack out;
    for (const Bytes& r : ParseRecordList(data, n, RecordList::Basic)) {
        switch (RecordByte(r, 0)) {
            case 0x31:
                out.alarmTime = RecordByte(r, 2) * 256 + RecordByte(r, 3);
                break;
            case 0x32:
                out.volumeIndex = RecordByte(r, 2) - 0x31;
                break;
            case 0x33:
                out.channelIndex = RecordByte(r, 2) - 0x30;
                break;
            case 0x34:
                out.password = RecordText(r, 2, 4);
                break;
            default:
                break;
        }
    }
    return out;
}

std::string SevenDigits(const std::string& text) {
    const std::string padded = "0000000" + text;
    return padded.substr(padded.size() - 7);
}

AddressCodeResult AddressCodeRecords(const AddressCodeValues& v) {
    AddressCodeResult result;
    Bytes& out = result.records;
    auto fail = [&](AddressCodeError e, int group, AddressField field) {
        result.error = e;
        result.failingGroup = group;
        result.failingField = field;
        result.records.clear();
        return result;
    };
    // Only upper bounds can be typed wrong in digits-only edits. Text no edit
    // takes (a read-back, a script) would be read as its leading number and
    // sent as it stands, so it is refused the same way.
    auto outOfRange = [](const std::string& text, int max) {
        return !IsDigitText(text) || TextToInt(text) > max;
    };

    if (v.volumeInEffect) {
        if (outOfRange(v.volume, kMaxSpeakerVolume))
            return fail(AddressCodeError::VolumeInvalid, -1, AddressField::Volume);
        AppendRecordHead(out, '1');
        AppendText(out, v.volume);
        out.push_back(kRecordEnd);
    }
    for (int g = 0; g < 3; ++g) {
        const AddressGroupValues& group = v.groups[g];
        if (!group.inEffect) continue;
        AppendRecordHead(out, static_cast<char>('2' + g));
        if (group.address.empty()) {
            out.push_back(kRecordEnd);
            continue;
        }
        if (!IsAddressText(group.address))
            return fail(AddressCodeError::AddressInvalid, g, AddressField::Address);
        AppendText(out, SevenDigits(group.address));
        out.push_back(kFieldSeparator);
        out.push_back(static_cast<uint8_t>(group.colorIndex));
        out.push_back(kFieldSeparator);
        out.push_back(static_cast<uint8_t>(group.effectIndex));
        out.push_back(kFieldSeparator);
        if (outOfRange(group.lampDuration, kMaxDuration))
            return fail(AddressCodeError::OutOfRange, g, AddressField::LampDuration);
        AppendBigEndian16(out, TextToInt(group.lampDuration));
        out.push_back(kFieldSeparator);
        if (outOfRange(group.soundEffect, kMaxSoundEffect))
            return fail(AddressCodeError::OutOfRange, g, AddressField::SoundEffect);
        out.push_back(static_cast<uint8_t>(TextToInt(group.soundEffect)));
        out.push_back(kFieldSeparator);
        if (outOfRange(group.soundDuration, kMaxDuration))
            return fail(AddressCodeError::OutOfRange, g, AddressField::SoundDuration);
        AppendBigEndian16(out, TextToInt(group.soundDuration));
        out.push_back(kRecordEnd);
    }
    if (v.alarmOffInEffect) {
        if (!IsAddressText(v.alarmOffAddress))
            return fail(AddressCodeError::AddressInvalid, -1, AddressField::Address);
        AppendRecordHead(out, '5');
        if (!v.alarmOffAddress.empty()) AppendText(out, SevenDigits(v.alarmOffAddress));
        out.push_back(kRecordEnd);
    }
    const bool anyChecked = v.volumeInEffect || v.alarmOffInEffect || v.groups[0].inEffect ||
                            v.groups[1].inEffect || v.groups[2].inEffect;
    if (!anyChecked) return fail(AddressCodeError::NothingChecked, -1, AddressField::None);
    return result;
}

std::vector<AddressReadItem> DecodeAddressCodes(const uint8_t* data, std::size_t n) {
    std::vector<AddressReadItem> items;
    for (const Bytes& r : ParseRecordList(data, n, RecordList::AddressCodes)) {
        AddressReadItem item;
        const uint8_t id = RecordByte(r, 0);
        switch (id) {
            case 0x31:
                item.kind = AddressReadItem::Kind::Volume;
                item.text = RecordText(r, 2, 1);
                break;
            case 0x32:
            case 0x33:
            case 0x34:
                item.kind = AddressReadItem::Kind::Group;
                item.group = id - 0x32;
                item.text = RecordText(r, 2, 7);
                item.colorIndex = RecordByte(r, 10);
                item.effectIndex = RecordByte(r, 12);
                item.lampDuration = RecordByte(r, 14) * 256 + RecordByte(r, 15);
                item.soundEffect = RecordByte(r, 17);
                item.soundDuration = RecordByte(r, 19) * 256 + RecordByte(r, 20);
                break;
            case 0x35:
                item.kind = AddressReadItem::Kind::AlarmOff;
                item.text = RecordText(r, 2, 7);
                break;
            case 0x36:
                item.kind = AddressReadItem::Kind::SoundCount;
                item.soundCount = RecordByte(r, 2);
                break;
            default:
                continue;
        }
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace korvane
