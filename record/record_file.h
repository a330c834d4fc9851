#pragma once
// The file services of the provisioning record that differ between systems:
// where it goes by default, the lock its writers share, the appending write.
// Paths are UTF-8.
#include <cstdint>
#include <string>

namespace korvane::record {

// KORVANE_RECORD, empty when it is not set.
std::string RecordEnvironment();
// $XDG_DATA_HOME/korvane/record.jsonl (~/.local/share when it is not set);
// on Windows %LOCALAPPDATA%\Korvane\record.jsonl. Empty when there is no
// such place at all.
std::string DefaultRecordPath();

// An exclusive lock on the file beside the record (its name with ".lock"),
// which is never renamed, so a writer that rotates the record and one that
// waits for it agree on what they lock. Held while the object lives.
class RecordLock {
  public:
    enum class Need {
        Create,     // a writer: the lock file is made when missing
        IfPresent,  // a reader: no lock file means no writer has been there
    };
    RecordLock(const std::string& recordPath, Need need);
    ~RecordLock();
    RecordLock(const RecordLock&) = delete;
    RecordLock& operator=(const RecordLock&) = delete;

    // The lock is held (or, for a reader, not needed). A lock another
    // program keeps for seconds is given up on, never waited for without end.
    bool ok() const { return ok_; }

  private:
    std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
    bool ok_ = false;
};

// Appends `line` and a newline in one write. A last line that a writer
// left without its newline (it died in the middle) is ended first, in the
// same write, so the new line stays whole. false, with why, on failure.
bool AppendLine(const std::string& path, const std::string& line, std::string& why);
// Renames `from` to `to`, replacing what is there.
bool RenameReplacing(const std::string& from, const std::string& to);

}  // namespace korvane::record
