#pragma once
// Why a device's node or interface will not open for reading and writing,
// as the system tells it: what the discovery box ("无法打开通信端口") cannot
// say, for a report that support can read.
#include <optional>
#include <string>

namespace korvane {

struct OpenRefusal {
    enum class Kind {
        Permission,  // this user may not open it (Linux)
        Sharing,     // another program holds it without sharing (Windows)
        Access,      // the system refuses the access asked for (Windows)
        Absent,      // it went, or never was
        Other,
    };
    Kind kind = Kind::Other;
    unsigned long code = 0;  // errno, or the system's error code
    std::string text;        // the system's own text for it
};

// "permission", "sharing", "access", "absent", "other".
inline const char* RefusalName(OpenRefusal::Kind kind) {
    switch (kind) {
        case OpenRefusal::Kind::Permission:
            return "permission";
        case OpenRefusal::Kind::Sharing:
            return "sharing";
        case OpenRefusal::Kind::Access:
            return "access";
        case OpenRefusal::Kind::Absent:
            return "absent";
        case OpenRefusal::Kind::Other:
            break;
    }
    return "other";
}

// Opens `path` for reading and writing as the backend would, and closes it
// again at once; nullopt when it opened.
std::optional<OpenRefusal> ProbeOpen(const std::string& path);

}  // namespace korvane
