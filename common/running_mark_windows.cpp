// Named mutexes the installer opens by name: one in the session's namespace,
// and one for the whole machine, so that an installer in another user's
// session, or one that runs while a scheduled task's korvane-cli runs in
// session 0, sees the program too.
#include "common/running_mark_windows.h"

#include <sddl.h>

#include "common/running_mark.h"

namespace korvane {

namespace win {

HANDLE HoldRunningMark(const wchar_t* name) {
    // Authenticated Users may wait on it (SYNCHRONIZE): that reaches the
    // installer of every user and of the system account. The maker's own
    // handle has every right whatever the list says.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;0x00100000;;;AU)", SDDL_REVISION_1,
                                                         &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE mark = CreateMutexW(descriptor != nullptr ? &attributes : nullptr, FALSE, name);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (mark == nullptr && error == ERROR_ACCESS_DENIED)
        // Made by another user's program, or by an elevated one: this handle
        // keeps the mark for as long as either program runs.
        mark = OpenMutexW(SYNCHRONIZE, FALSE, name);
    return mark;
}

}  // namespace win

void MarkProgramRunning() {
    // The handles are never closed: the mutexes live exactly as long as the
    // process. Should either fail, the program runs all the same.
    win::HoldRunningMark(L"Local\\KorvaneRunning");
    win::HoldRunningMark(L"Global\\KorvaneRunning");
}

}  // namespace korvane
