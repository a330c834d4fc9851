#pragma once
// The provisioning record: one JSON object per line, appended by every
// program that changes a host while the operator has the record on, and
// read back by korvane-cli. The file is rotated at about 10 MB, keeping one
// older file beside it (its name with ".1").
#include <QJsonObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace korvane::record {

inline constexpr std::uint64_t kRotateBytes = 10 * 1024 * 1024;

// Where the record goes, or nullopt when it is off. `option` is the
// --record option: nullopt when it was not given, empty for a bare
// --record (the default place), else the file. Without it, KORVANE_RECORD
// decides: "1" for the default place, empty or "0" for off, anything else
// names the file.
std::optional<std::string> RecordPath(const std::optional<std::string>& option);
// The default record as the help names it: "$XDG_DATA_HOME/korvane/record.jsonl",
// on Windows "%LOCALAPPDATA%\Korvane\record.jsonl".
const char* DefaultRecordPlace();
// The per-user folder Korvane keeps its files in, where the record goes by
// default ($XDG_DATA_HOME/korvane, on Windows %LOCALAPPDATA%\Korvane);
// empty when there is no such place.
std::string DefaultDataFolder();
// The older file a rotation keeps.
std::string OlderFile(const std::string& path);

// Appends one line (no newline in it), rotating first when the file has
// reached kRotateBytes, all under the writers' lock. The default place's
// folder is made when missing. false, with why, when it could not be written.
bool AppendRecordLine(const std::string& path, const std::string& line, std::string& why);

struct RecordRead {
    bool found = false;    // either file was there
    std::size_t torn = 0;  // lines that are no JSON object (cut short, or not ours)
};
// Hands every whole line of the record to `each`, the older file's first.
RecordRead ReadRecord(const std::string& path, const std::function<void(const QJsonObject&)>& each);

// The local time with its offset from UTC, as ISO 8601: 2025-03-14T09:26:53+01:00.
std::string LocalTimeNow();

}  // namespace korvane::record
