#pragma once
// The file services of the provisioning record that differ between systems:
// where it goes by default, the lock its writers share, the appending write.
// Paths are UTF-8.
#include <string>

#include "common/file_lock.h"

namespace korvane::record {

// KORVANE_RECORD, empty when it is not set.
std::string RecordEnvironment();
// $XDG_DATA_HOME/korvane/record.jsonl (~/.local/share when it is not set);
// on Windows %LOCALAPPDATA%\Korvane\record.jsonl. Empty when there is no
// such place at all.
std::string DefaultRecordPath();

// The lock on the file beside the record (its name with ".lock"), which is
// never renamed, so a writer that rotates the record and one that waits for
// it agree on what they lock. Writers need it made; a reader finds no lock
// file where no writer has been.
class RecordLock : public FileLock {
  public:
    RecordLock(const std::string& recordPath, Need need) : FileLock(recordPath + ".lock", need) {}
};

// Appends `line` and a newline in one write. A last line that a writer
// left without its newline (it died in the middle) is ended first, in the
// same write, so the new line stays whole. false, with why, on failure.
bool AppendLine(const std::string& path, const std::string& line, std::string& why);
// Renames `from` to `to`, replacing what is there.
bool RenameReplacing(const std::string& from, const std::string& to);

}  // namespace korvane::record
