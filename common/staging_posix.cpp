#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "common/staging.h"

namespace korvane {

namespace {

bool PrivateFolder(const std::string& dir) {
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) return false;  // a symbolic link is refused here too
    if (st.st_uid != geteuid()) return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool MakePrivateFolder(const std::string& dir) {
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return PrivateFolder(dir);
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return {};
}

}  // namespace

namespace {

struct Candidate {
    std::string dir;
    std::string cache;  // ~/.cache, to be made first, when the folder goes there
};

Candidate StagingCandidate() {
    if (const char* over = std::getenv("KORVANE_STAGING_DIR"); over != nullptr && *over != '\0')
        return {over, {}};
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run != nullptr && *run != '\0')
        return {std::string(run) + "/korvane", {}};
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    return {home + "/.cache/korvane", home + "/.cache"};
}

}  // namespace

std::string StagingFolderName() { return StagingCandidate().dir; }

std::optional<std::string> StagingDirectory() {
    const Candidate c = StagingCandidate();
    if (c.dir.empty()) return std::nullopt;
    if (!c.cache.empty() && mkdir(c.cache.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    if (!MakePrivateFolder(c.dir)) return std::nullopt;
    return c.dir;
}

std::optional<std::string> StagingPath(const char* fileName) {
    auto dir = StagingDirectory();
    if (!dir || fileName == nullptr) return std::nullopt;
    return *dir + "/" + fileName;
}

std::optional<Bytes> ReadWholeFile(const std::string& path, std::size_t maxLength) {
    // Never waits on a pipe planted at the path: only a regular file is read.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    Bytes out;
    uint8_t chunk[4096];
    while (out.size() < maxLength) {
        const std::size_t want = std::min(sizeof chunk, maxLength - out.size());
        const ssize_t got = read(fd, chunk, want);
        if (got < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        out.insert(out.end(), chunk, chunk + got);
    }
    close(fd);
    return out;
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

bool WriteWholeFile(const uint8_t* data, std::size_t n, const std::string& path) {
    if (n > 0 && data == nullptr) return false;
    if (!RemoveFile(path)) return false;
    // O_EXCL after the unlink: whatever appears at the path in between
    // (a link planted by someone else) makes the creation fail.
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (done < n) {
        const ssize_t put = write(fd, data + done, n - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    if (close(fd) != 0) ok = false;
    if (!ok) unlink(path.c_str());
    return ok;
}

}  // namespace korvane
