#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "hid/open_probe.h"

namespace korvane {

std::optional<OpenRefusal> ProbeOpen(const std::string& path) {
    // hidraw lets any number of programs open a node: a refusal is never "busy".
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return std::nullopt;
    }
    const int error = errno;
    OpenRefusal r;
    r.code = static_cast<unsigned long>(error);
    r.text = std::strerror(error);
    if (error == EACCES || error == EPERM)
        r.kind = OpenRefusal::Kind::Permission;
    else if (error == ENOENT || error == ENODEV || error == ENXIO)
        r.kind = OpenRefusal::Kind::Absent;
    return r;
}

}  // namespace korvane
