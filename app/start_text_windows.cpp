// Windows: a windowed program started from a shell with its output
// redirected inherits the redirection; started plainly from cmd.exe it has
// no output at all, but may attach to cmd's console; from the Start menu or
// Explorer there is neither, and a message box shows the text.
#include <windows.h>

#include "app/start_text.h"
#include "common/utf16_windows.h"

namespace {

HANDLE StreamHandle(bool error) {
    return GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

bool Usable(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

void WriteConsoleText(HANDLE console, const std::string& text) {
    const std::wstring wide = korvane::win::WidenText(text);
    DWORD done = 0;
    WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
}

void WriteInherited(const std::string& text, bool error) {
    const HANDLE h = StreamHandle(error);
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        WriteConsoleText(h, text);
        return;
    }
    // A pipe or a file takes the UTF-8 as it is.
    DWORD done = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

void WriteParentConsole(const std::string& text) {
    // The shell has already printed its prompt: the text starts on a line of its own.
    HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return;
    WriteConsoleText(out, "\n" + text);
    CloseHandle(out);
}

void ShowBox(const std::string& text, bool error) {
    const std::wstring wide = korvane::win::WidenText(text);
    MessageBoxW(nullptr, wide.c_str(), L"Korvane",
                MB_OK | (error ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

}  // namespace

const TextOutlets& SystemTextOutlets() {
    static const TextOutlets outlets{
        [](bool error) { return Usable(StreamHandle(error)); },
        [] { return AttachConsole(ATTACH_PARENT_PROCESS) != 0; },
        WriteInherited,
        WriteParentConsole,
        ShowBox,
    };
    return outlets;
}
