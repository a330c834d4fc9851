// Loaded (LD_PRELOAD, after umockdev's preload) into a program a test starts
// inside the mock: the FIFOs that stand in for the mocked hidraw nodes fstat
// as the character devices they stand for, so that hidapi finds each node's
// device there as it does in the test process (see DressAsHidrawNode). The
// test process lists them in $UMOCKDEV_DIR/korvane-standins, one
// "dev ino minor" line each; the list is read at every fstat of a FIFO,
// since a node plugged in again gets a FIFO of its own.
#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Dress(struct stat& st) {
    if (!S_ISFIFO(st.st_mode) || st.st_ino == 0) return;
    const char* dir = std::getenv("UMOCKDEV_DIR");
    if (dir == nullptr) return;
    const std::string list = std::string(dir) + "/korvane-standins";
    std::FILE* f = std::fopen(list.c_str(), "r");
    if (f == nullptr) return;
    unsigned long long dev = 0;
    unsigned long long ino = 0;
    unsigned minor = 0;
    while (std::fscanf(f, "%llu %llu %u", &dev, &ino, &minor) == 3) {
        if (dev == st.st_dev && ino == st.st_ino) {
            st.st_mode = S_IFCHR | (st.st_mode & 07777);
            st.st_rdev = makedev(241, minor);
            break;
        }
    }
    std::fclose(f);
}

}  // namespace

extern "C" int fstat(int fd, struct stat* st) {
    using Fn = int (*)(int, struct stat*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "fstat"));
    const int r = real ? real(fd, st) : -1;
    if (r == 0) Dress(*st);
    return r;
}

extern "C" int fstat64(int fd, struct stat64* st) {
    using Fn = int (*)(int, struct stat64*);
    static const Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "fstat64"));
    const int r = real ? real(fd, st) : -1;
    static_assert(sizeof(struct stat) == sizeof(struct stat64), "64-bit stat layout expected");
    if (r == 0) Dress(*reinterpret_cast<struct stat*>(st));
    return r;
}
