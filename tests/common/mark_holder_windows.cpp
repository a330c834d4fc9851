// For the installer test: stands in for a korvane that another session
// runs, or another user's elevated one, by holding one named mutex for as
// long as a file exists.
//   korvane-mark-holder WHILE NAME         held as the programs hold it
//   korvane-mark-holder WHILE NAME SDDL    made with that access list instead
// It prints "held" once the mutex is held, and exits 1 when it cannot be.
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <cstdio>

#include "common/running_mark_windows.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: korvane-mark-holder WHILE NAME [SDDL]\n", stderr);
        return 2;
    }
    HANDLE mark = nullptr;
    if (argc == 3) {
        mark = korvane::win::HoldRunningMark(argv[2]);
    } else {
        SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(
                argv[3], SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr))
            mark = CreateMutexW(&attributes, FALSE, argv[2]);
        LocalFree(attributes.lpSecurityDescriptor);
    }
    if (mark == nullptr) {
        std::fprintf(stderr, "korvane-mark-holder: error %lu\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    // A file, not the input: every wine process the test starts meanwhile
    // would inherit a pipe's writing end and keep it open.
    while (GetFileAttributesW(argv[1]) != INVALID_FILE_ATTRIBUTES) Sleep(100);
    CloseHandle(mark);
    return 0;
}
