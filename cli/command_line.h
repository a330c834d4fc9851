#pragma once
// The terminal: its text encoding, and whether there is one. The program
// works in UTF-8; Windows hands the command line over in its ANSI code page
// and shows console output in the OEM one, both of which lose Chinese file
// names and texts.
#include <cstdio>
#include <string>
#include <vector>

namespace korvane::cli {

// The arguments, argv[0] included, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Lets the terminal show the UTF-8 the program prints.
void UseUtf8Terminal();
// A terminal (a console on Windows), not a file or a pipe.
bool StreamIsTerminal(std::FILE* stream);

}  // namespace korvane::cli
