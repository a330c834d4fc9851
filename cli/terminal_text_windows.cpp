#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <io.h>
#include <shellapi.h>

#include "cli/terminal_text.h"
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

namespace {

TextEncoding g_encoding = TextEncoding::Utf8;

HANDLE ConsoleOf(std::FILE* stream) {
    // _isatty also says yes for NUL and other character devices; only a
    // console has a mode.
    const intptr_t h = _get_osfhandle(_fileno(stream));
    DWORD mode = 0;
    if (h == -1 || !GetConsoleMode(reinterpret_cast<HANDLE>(h), &mode)) return nullptr;
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

void SetTextEncoding(TextEncoding encoding) { g_encoding = encoding; }

std::string TextForStream(const std::string& utf8, TextEncoding encoding, unsigned oemCodePage) {
    if (encoding == TextEncoding::Utf8) return utf8;
    return win::Narrow(win::WidenText(utf8), oemCodePage);
}

unsigned OemCodePage() {
    // What the console shows, after a chcp 65001 too; without a console
    // (started from a service, a scheduled task) the call gives 0.
    const UINT console = GetConsoleOutputCP();
    return console != 0 ? console : GetOEMCP();
}

void WriteText(std::FILE* stream, const std::string& utf8) {
    if (HANDLE console = ConsoleOf(stream)) {
        // What the stream holds first, then the characters themselves.
        std::fflush(stream);
        const std::wstring wide = win::WidenText(utf8);
        DWORD done = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
        return;
    }
    const std::string bytes = TextForStream(utf8, g_encoding, OemCodePage());
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

bool StreamIsTerminal(std::FILE* stream) { return ConsoleOf(stream) != nullptr; }

bool TerminalTakesCursorMoves(std::FILE* stream) {
    HANDLE console = ConsoleOf(stream);
    DWORD mode = 0;
    if (console == nullptr || !GetConsoleMode(console, &mode)) return false;
    if (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) return true;
    // An older console refuses the mode: the rows then come as lines.
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace korvane::cli
