#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "common/file_lock.h"

namespace korvane {

namespace {
constexpr auto kLockPatience = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(10);
}  // namespace

FileLock::FileLock(const std::string& lockPath, Need need) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (need == Need::Create ? O_CREAT : 0);
    const int fd = ::open(lockPath.c_str(), flags, 0666);
    if (fd < 0) {
        ok_ = need == Need::IfPresent && errno == ENOENT;
        return;
    }
    handle_ = fd;
    const auto giveUp = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > giveUp)
            return;
        std::this_thread::sleep_for(kLockRetry);
    }
    ok_ = true;
}

FileLock::~FileLock() {
    // Closing the descriptor lets go of the lock.
    if (handle_ != -1) ::close(static_cast<int>(handle_));
}

}  // namespace korvane
