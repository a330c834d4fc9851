#include "cli/doctor_linux.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "cli/doctor_system.h"

namespace korvane::cli {

namespace {

// "<folder>/<name>".
std::string Under(std::string folder, const std::string& name) {
    folder += '/';
    folder += name;
    return folder;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (d == nullptr) return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// At most `limit` bytes of a file: a rule file or a /proc entry is small,
// and whatever stands at the path must not hold the report.
std::string Head(const std::string& path, std::size_t limit = 256 * 1024) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text(limit, '\0');
    in.read(&text[0], static_cast<std::streamsize>(limit));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct RuleText {
    bool serves = false;   // a rule line names the vendor and a host's product
    bool uaccess = false;  // and gives the seat's user access
};

RuleText ReadRule(const std::string& text) {
    RuleText r;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        line = Lower(line.substr(0, line.find('#')));
        if (line.find("0483") == std::string::npos) continue;
        if (line.find("1234") == std::string::npos && line.find("7890") == std::string::npos)
            continue;
        r.serves = true;
        if (line.find("uaccess") != std::string::npos) r.uaccess = true;
    }
    return r;
}

std::string ModeText(mode_t mode) {
    std::string s = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : S_ISFIFO(mode) ? "p" : "-";
    const char* letters = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) s += (mode & (0400 >> i)) ? letters[i] : '-';
    return s;
}

std::string UserName(uid_t uid) {
    const passwd* p = ::getpwuid(uid);
    return p != nullptr ? p->pw_name : std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* g = ::getgrgid(gid);
    return g != nullptr ? g->gr_name : std::to_string(gid);
}

bool InGroup(gid_t gid) {
    if (::getegid() == gid) return true;
    gid_t groups[256];
    const int n = ::getgroups(256, groups);
    return std::find(groups, groups + std::max(n, 0), gid) != groups + std::max(n, 0);
}

// Whether the node's access list names the user with read and write, as the
// seat's rule makes it (the kernel's xattr form: a 4-byte version, then
// 8-byte entries of tag, permissions and id).
bool AclNamesUser(const std::string& path, uid_t uid) {
    unsigned char buf[1024];
    const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", buf, sizeof buf);
    if (n < 4) return false;
    constexpr unsigned kUserTag = 0x02;
    for (ssize_t at = 4; at + 8 <= n; at += 8) {
        const unsigned tag = buf[at] | buf[at + 1] << 8;
        const unsigned perm = buf[at + 2] | buf[at + 3] << 8;
        const uint32_t id = static_cast<uint32_t>(buf[at + 4]) | buf[at + 5] << 8 |
                            buf[at + 6] << 16 | static_cast<uint32_t>(buf[at + 7]) << 24;
        if (tag == kUserTag && id == uid && (perm & 6) == 6) return true;
    }
    return false;
}

}  // namespace

namespace linux_doctor {

std::vector<std::string> RuleFolders() {
    return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
}

AccessSetup FindRules(const std::vector<std::string>& folders) {
    AccessSetup setup;
    std::set<std::string> folderSeen;
    std::set<std::string> names;
    for (const std::string& folder : folders) {
        char real[PATH_MAX];
        const std::string where = ::realpath(folder.c_str(), real) != nullptr ? real : folder;
        if (!folderSeen.insert(where).second) continue;
        for (const std::string& name : Entries(folder)) {
            if (name.size() < 6 || name.compare(name.size() - 6, 6, ".rules") != 0) continue;
            const std::string path = Under(folder, name);
            const RuleText rule = ReadRule(Head(path));
            if (!rule.serves) continue;
            if (!names.insert(name).second) {
                setup.notes.push_back(path + " is hidden by the file of the same name before it");
                continue;
            }
            setup.ruleFiles.push_back(path);
            if (!rule.uaccess) setup.notes.push_back(path + " gives no uaccess");
        }
    }
    setup.rule = setup.ruleFiles.empty()       ? "missing"
                 : setup.ruleFiles.size() == 1 ? "once"
                                               : "twice";
    return setup;
}

std::string SeatOf(unsigned uid, const std::string& runRoot) {
    // logind keeps a file per seat while it runs; an image may carry the
    // folder empty.
    if (Entries(runRoot + "/systemd/seats").empty()) return "unknown";
    const std::string sessions = runRoot + "/systemd/sessions";
    for (const std::string& name : Entries(sessions)) {
        std::istringstream lines(Head(Under(sessions, name), 16 * 1024));
        std::string user, seat, active;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("UID=", 0) == 0) user = line.substr(4);
            if (line.rfind("SEAT=", 0) == 0) seat = line.substr(5);
            if (line.rfind("ACTIVE=", 0) == 0) active = line.substr(7);
        }
        if (user == std::to_string(uid) && !seat.empty() && active == "1") return "yes";
    }
    return "no";
}

NodeAccess HoldersOf(const std::string& path, const std::string& procRoot, long self) {
    NodeAccess access;
    struct stat node {};
    if (::stat(path.c_str(), &node) != 0) return access;
    for (const std::string& pid : Entries(procRoot)) {
        if (!std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        if (std::stol(pid) == self) continue;
        const std::string fds = Under(Under(procRoot, pid), "fd");
        DIR* d = ::opendir(fds.c_str());
        if (d == nullptr) {
            ++access.unseen;
            continue;
        }
        bool holds = false;
        while (const dirent* e = ::readdir(d)) {
            struct stat st {};
            if (e->d_name[0] == '.' || ::stat(Under(fds, e->d_name).c_str(), &st) != 0) continue;
            if (st.st_dev == node.st_dev && st.st_ino == node.st_ino) holds = true;
        }
        ::closedir(d);
        if (!holds) continue;
        std::string name = Head(Under(Under(procRoot, pid), "comm"), 256);
        while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
        access.holders.push_back({std::stol(pid), name});
    }
    return access;
}

}  // namespace linux_doctor

std::string SystemName() {
    std::string name = "Linux";
    utsname u{};
    if (::uname(&u) == 0) name = std::string(u.sysname) + " " + u.release + " " + u.machine;
    std::istringstream lines(Head("/etc/os-release", 16 * 1024));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
        std::string pretty = line.substr(12);
        pretty.erase(std::remove(pretty.begin(), pretty.end(), '"'), pretty.end());
        name += " (" + pretty + ")";
    }
    return name;
}

const char* BackendName() { return "hidapi (hidraw)"; }

NodeAccess ExamineNode(const std::string& path) {
    NodeAccess access = linux_doctor::HoldersOf(path, "/proc", static_cast<long>(::getpid()));
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return access;
    access.node = ModeText(st.st_mode) + " " + UserName(st.st_uid) + ":" + GroupName(st.st_gid);
    const uid_t me = ::geteuid();
    if (me == 0) {
        access.notes.push_back("run as root");
    } else if (st.st_uid != me) {
        const bool group = InGroup(st.st_gid) && (st.st_mode & 060) == 060;
        const bool acl = AclNamesUser(path, me);
        access.notes.push_back(std::string("you (") + UserName(me) + ") are " +
                               (InGroup(st.st_gid) ? "" : "not ") + "in its group " +
                               GroupName(st.st_gid) + "; its access list " +
                               (acl ? "names you" : "does not name you") +
                               (group || acl ? "" : " (the rule grants that at the seat)"));
    }
    return access;
}

AccessSetup ExamineAccessSetup() {
    AccessSetup setup = linux_doctor::FindRules(linux_doctor::RuleFolders());
    setup.seat = linux_doctor::SeatOf(static_cast<unsigned>(::getuid()), "/run");
    return setup;
}

}  // namespace korvane::cli
