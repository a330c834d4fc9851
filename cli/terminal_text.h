#pragma once
// The terminal: its text encoding, and whether there is one. The program
// works in UTF-8; Windows hands the command line over in its ANSI code page
// and shows console output in the OEM one, both of which lose Chinese file
// names and texts. A console is written in its own characters, never by
// changing its code page (a batch file that calls the program reads its
// later lines in that code page); a pipe or a file gets UTF-8, or the
// console's code page that cmd's pipes and PowerShell expect when asked for.
#include <cstdio>
#include <string>
#include <vector>

namespace korvane::cli {

// The arguments, argv[0] included, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
enum class TextEncoding { Utf8, Oem };
// How text goes to a pipe or a file (--encoding); a console is not affected.
void SetTextEncoding(TextEncoding encoding);
// The bytes of UTF-8 text for a pipe or a file in `encoding`, with the OEM
// code page given (Linux has none and keeps the UTF-8); a character the code
// page lacks becomes '?', and so does a byte that starts no UTF-8 character.
std::string TextForStream(const std::string& utf8, TextEncoding encoding, unsigned oemCodePage);
// The code page of --encoding oem: the attached console's output code page
// (chcp), else the system's OEM code page (Linux: 0, none).
unsigned OemCodePage();
// UTF-8 text to the stream, as the stream takes it: characters to a console,
// bytes in the chosen encoding to anything else.
void WriteText(std::FILE* stream, const std::string& utf8);
// printf to the stream through WriteText.
void PrintText(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
// A terminal (a console on Windows), not a file or a pipe.
bool StreamIsTerminal(std::FILE* stream);
// A terminal that moves its cursor on the escape sequences of a VT100 (a
// console of Windows 10 and later, once asked to).
bool TerminalTakesCursorMoves(std::FILE* stream);

}  // namespace korvane::cli
