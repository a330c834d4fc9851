#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <io.h>
#include <shellapi.h>

#include "cli/command_line.h"
#include "common/utf16_windows.h"

namespace korvane::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) out.push_back(win::Narrow(wide[i]));
    LocalFree(wide);
    return out;
}

void UseUtf8Terminal() {
    // Only a console has a code page; a pipe passes the bytes through as they are.
    SetConsoleOutputCP(CP_UTF8);
}

bool StreamIsTerminal(std::FILE* stream) {
    // _isatty also says yes for NUL and other character devices; only a
    // console has a mode.
    const intptr_t h = _get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    return h != -1 && GetConsoleMode(reinterpret_cast<HANDLE>(h), &mode) != 0;
}

}  // namespace korvane::cli
