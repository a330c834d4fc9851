#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "record/record_file.h"
#include "record/record_log.h"

namespace korvane::record {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

std::string RecordEnvironment() { return Variable("KORVANE_RECORD"); }

const char* DefaultRecordPlace() { return "$XDG_DATA_HOME/korvane/record.jsonl"; }

std::string DefaultRecordPath() {
    std::string base = Variable("XDG_DATA_HOME");
    // A relative value is to be ignored, as the base directory rules say.
    if (base.empty() || base[0] != '/') {
        const std::string home = Variable("HOME");
        if (home.empty()) return {};
        base = home + "/.local/share";
    }
    return base + "/korvane/record.jsonl";
}

bool AppendLine(const std::string& path, const std::string& line, std::string& why) {
    // O_NONBLOCK: a pipe planted at the path must not hold the program in the open.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        why = "it is not a file";
        return false;
    }
    std::string text = line + "\n";
    char last = '\n';
    if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n')
        text.insert(text.begin(), '\n');
    ssize_t put = -1;
    do {
        put = ::write(fd, text.data(), text.size());
    } while (put < 0 && errno == EINTR);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (put != static_cast<ssize_t>(text.size())) {
        why = put < 0 ? std::strerror(writeError) : "the line was cut short (disk full?)";
        return false;
    }
    if (!closed) why = std::strerror(errno);
    return closed;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace korvane::record
