#pragma once
// One named mutex of the Windows mark, open to the tests.
#include <windows.h>

namespace korvane::win {

// Holds the mutex NAME for as long as the handle it returns stays open.
// Made here, it lets every signed-in user wait on it (all that the installer
// asks for) and nobody change it; made first by another user's program, or by
// an elevated one, it is opened to be waited on and held all the same. Null
// when neither works.
HANDLE HoldRunningMark(const wchar_t* name);

}  // namespace korvane::win
