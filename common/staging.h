#pragma once
// Staging files of the bulk transfers (raw bytes, no header) in a private
// per-user folder of fixed location, never a shared, world-writable one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/report.h"

namespace korvane {

inline constexpr const char* kTempFileName = "Temp.txt";    // images being sent
inline constexpr const char* kWriteFileName = "Write.txt";  // the last parameter list sent
inline constexpr const char* kReadFileName = "RHost.txt";   // a read-back until parsed

// $KORVANE_STAGING_DIR, else $XDG_RUNTIME_DIR/korvane, else ~/.cache/korvane
// (on Windows %LOCALAPPDATA%\Korvane). Created with mode 0700 when missing
// (on Windows with an access list that names the current user alone).
// nullopt when it cannot be created, or when what is there is a symbolic
// link (a reparse point), not a folder, someone else's, or writable by others
// (on Windows: by anyone but the user, the system and the administrators).
std::optional<std::string> StagingDirectory();
// The folder StagingDirectory looks at, whether it can be used or not (empty
// when there is no place for one at all).
std::string StagingFolderName();
// What the operator is told when the staging files cannot be written: the
// fixed text, and the folder, so that it can be looked at.
std::string StagingFailedText();
// A file name inside the staging folder.
std::optional<std::string> StagingPath(const char* fileName);

// Programs started at once stage in the same folder: each one writes a
// staging file and reads it back while it holds the folder's lock, so that
// none reads another's image (and sends it to its own host). Held while any
// StagingLock of the program lives (they nest); ok() is false when the lock
// could not be had, and the caller then stages nothing.
class StagingLock {
  public:
    StagingLock();
    ~StagingLock();
    StagingLock(const StagingLock&) = delete;
    StagingLock& operator=(const StagingLock&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
};

// At most `maxLength` bytes from the start of the file. nullopt when the file
// cannot be opened (a symbolic link is not followed) or read.
std::optional<Bytes> ReadWholeFile(const std::string& path, std::size_t maxLength);
// Deletes the file, creates it anew (never through a symbolic link) and
// writes all `n` bytes. false on any failure, leaving no partial file behind.
bool WriteWholeFile(const uint8_t* data, std::size_t n, const std::string& path);
// true when the file is gone afterwards (it was removed or was not there).
bool RemoveFile(const std::string& path);

}  // namespace korvane
