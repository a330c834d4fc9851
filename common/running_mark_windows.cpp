// A named mutex in the session's namespace: the installer opens it by name.
#include <windows.h>

#include "common/running_mark.h"

namespace korvane {

void MarkProgramRunning() {
    // The handle is never closed: the mutex lives exactly as long as the
    // process. Should it fail, the program runs all the same.
    CreateMutexW(nullptr, FALSE, L"Local\\KorvaneRunning");
}

}  // namespace korvane
