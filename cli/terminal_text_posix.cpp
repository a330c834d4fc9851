#include <unistd.h>

#include "cli/terminal_text.h"

namespace korvane::cli {

// The bytes as given: file names need not be UTF-8 here and must reach the
// system unchanged.
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

void SetTextEncoding(TextEncoding) {}

std::string TextForStream(const std::string& utf8, TextEncoding, unsigned) { return utf8; }

unsigned OemCodePage() { return 0; }

void WriteText(std::FILE* stream, const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

bool StreamIsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool TerminalTakesCursorMoves(std::FILE* stream) { return StreamIsTerminal(stream); }

}  // namespace korvane::cli
