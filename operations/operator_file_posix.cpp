#include "operations/operator_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
}

OperatorFile::~OperatorFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool OperatorFile::ReadAll(std::uint8_t* out, std::size_t n) {
    if (fd_ < 0) return false;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return false;  // the file shrank since it was measured
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace korvane::ops
