#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "operations/operator_file.h"

namespace korvane::ops {

OperatorFile::OperatorFile(const std::string& path) {
    // O_NONBLOCK only matters for the open of a FIFO; a regular file ignores it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return;
    }
    handle_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
}

OperatorFile::~OperatorFile() {
    if (handle_ != -1) ::close(static_cast<int>(handle_));
}

bool OperatorFile::ReadAll(std::uint8_t* out, std::size_t n) {
    if (handle_ == -1) return false;
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd, out + done, n - done, static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return false;  // the file shrank since it was measured
        done += static_cast<std::size_t>(got);
    }
    return true;
}

bool OpensForReading(const std::string& path) {
    // O_NONBLOCK: a pipe of that name must not hold the window in the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool isFile = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return isFile;
}

}  // namespace korvane::ops
