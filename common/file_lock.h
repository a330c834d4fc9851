#pragma once
// An exclusive lock on a file that programs running at once agree on (the
// record's writers, the programs staging in one folder). Held while the
// object lives; the file itself is never written. Paths are UTF-8.
#include <cstdint>
#include <string>

namespace korvane {

class FileLock {
  public:
    enum class Need {
        Create,     // the lock file is made when missing
        IfPresent,  // no lock file means nobody has been there: nothing to wait for
    };
    FileLock(const std::string& lockPath, Need need);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // The lock is held (or, with IfPresent, not needed). A lock another
    // program keeps for seconds is given up on, never waited for without end.
    bool ok() const { return ok_; }

  private:
    std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE on Windows
    bool ok_ = false;
};

}  // namespace korvane
