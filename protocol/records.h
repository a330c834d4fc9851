#pragma once
// Parameter record lists: id, 0x2C, value bytes, 0x3B, one after the other.
// The basic parameters (RT-220) and the address-code parameters (RT-221)
// share the framing and the read-back scan that splits at every 0x3B.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/lamp_frame.h"

namespace korvane {

inline constexpr uint8_t kRecordComma = 0x2C;
inline constexpr uint8_t kRecordEnd = 0x3B;
inline constexpr uint8_t kFieldSeparator = 0x3A;
inline constexpr std::size_t kRecordReplyLimit = 1024;  // read-back buffer
inline constexpr std::size_t kRecordScratch = 100;      // one record, zero-terminated

// The standard text-to-integer reading: leading blanks, an optional sign,
// digits up to the first non-digit; no digits give 0. Saturates at the int range.
int TextToInt(const std::string& text);

// ---- basic parameters -------------------------------------------------------

// Texts are the operator's, in UTF-8; the records carry them in the host's
// code page (936).
struct BasicParamValues {
    std::string alarmTimeText;  // text of combo box 1075
    int volumeIndex = 0;        // list 1074
    int channelIndex = 0;       // list 1071
    std::string password;       // edit 1057
};

enum class BasicParamError { None, AlarmTimeRange, PasswordLength };

struct BasicParamResult {
    BasicParamError error = BasicParamError::None;
    int alarmTime = 0;  // valid when the text was read (even when out of range)
    Bytes records;      // the 20 bytes, when error is None
};

// "一直响" gives 0; any other text is read with TextToInt.
int AlarmTimeFromText(const std::string& text);
// The combo box text of an alarm time: "一直响" for 0, else the decimal value.
std::string AlarmTimeText(int alarmTime);

// Checks in this order: alarm time 0..65535, then a password of exactly four
// bytes in code page 936 (four letters or digits, two Chinese characters, ...).
BasicParamResult BasicParamRecords(const BasicParamValues& values);

// Which list a read-back holds: the ids of the two lists mean other values.
enum class RecordList { Basic, AddressCodes };

// Splits a read-back into records, each without its 0x3B. A record ends at
// the next 0x3B, except one whose value may itself hold a 0x3B (the alarm
// time, the password, a group's numbers, the sound count): that one is taken
// by its fixed length when the byte at its fixed end is 0x3B (and, for a
// group, the 0x3A separators stand where they belong). Only the first 1024 bytes
// are looked at; bytes after the last 0x3B are ignored; a record keeps at
// most 99 bytes.
std::vector<Bytes> ParseRecordList(const uint8_t* data, std::size_t n, RecordList list);
// Byte i of a record, 0 where the record did not supply it.
inline uint8_t RecordByte(const Bytes& record, std::size_t i) {
    return i < record.size() ? record[i] : 0;
}

struct BasicReadBack {
    std::optional<int> alarmTime;
    std::optional<int> volumeIndex;  // may lie outside the list: the list then has no selection
    std::optional<int> channelIndex;
    std::optional<std::string> password;  // bytes 2..5, up to the first zero byte
};
BasicReadBack DecodeBasicParams(const uint8_t* data, std::size_t n);

// ---- address-code parameters ------------------------------------------------

struct AddressGroupValues {
    bool inEffect = false;
    std::string address;  // digits, at most 7
    int colorIndex = 0;   // 0 red, 1 yellow, 2 green
    int effectIndex = 0;  // 0 flashing, 1 steady
    std::string lampDuration;
    std::string soundEffect;
    std::string soundDuration;
};

struct AddressCodeValues {
    bool volumeInEffect = false;
    std::string volume;
    std::array<AddressGroupValues, 3> groups;
    bool alarmOffInEffect = false;
    std::string alarmOffAddress;
};

enum class AddressCodeError { None, VolumeInvalid, AddressInvalid, OutOfRange, NothingChecked };
enum class AddressField { None, Volume, Address, LampDuration, SoundEffect, SoundDuration };

struct AddressCodeResult {
    AddressCodeError error = AddressCodeError::None;
    int failingGroup = -1;  // 0..2 for OutOfRange and a group's AddressInvalid
    AddressField failingField = AddressField::None;
    Bytes records;  // when error is None
};

inline constexpr int kMaxSpeakerVolume = 8;
inline constexpr int kMaxDuration = 999;
inline constexpr int kMaxSoundEffect = 255;

// "0000000" + text, of which the last 7 characters are kept.
std::string SevenDigits(const std::string& text);

// Records 1 (volume), 2..4 (groups), 5 (alarm-off address), each only when in
// effect; the first value that is out of range, or that its edit could not
// hold (IsDigitText, IsAddressText), ends the build.
AddressCodeResult AddressCodeRecords(const AddressCodeValues& values);

struct AddressReadItem {
    enum class Kind { Volume, Group, AlarmOff, SoundCount };
    Kind kind = Kind::Volume;
    int group = -1;    // 0..2 for Group
    std::string text;  // Volume: its one character; Group/AlarmOff: the address
    int colorIndex = 0;
    int effectIndex = 0;
    int lampDuration = 0;
    int soundEffect = 0;
    int soundDuration = 0;
    int soundCount = 0;  // SoundCount
};

// The read-back records in reply order (the sound count must be shown when met).
std::vector<AddressReadItem> DecodeAddressCodes(const uint8_t* data, std::size_t n);

}  // namespace korvane
