#pragma once
// Where the texts of --help, --version and a command line not understood go.
// korvane.exe is a windowed program: Windows gives it no console of its own,
// so a text goes to the output it inherited when it has one (a pipe, a file,
// the console of the shell that started it with its output redirected), else
// to the console of the program that started it, else into a message box.
#include <functional>
#include <string>

struct TextOutlets {
    // Whether the program inherited a usable output for the stream.
    std::function<bool(bool error)> inherited;
    // Attaches to the parent's console; false when there is none.
    std::function<bool()> attachParentConsole;
    std::function<void(const std::string& text, bool error)> writeInherited;
    std::function<void(const std::string& text)> writeConsole;
    std::function<void(const std::string& text, bool error)> showBox;
};

// The first outlet in that order that can take the text; only the outlets
// needed are tried (an attached console stays attached).
void ShowStartText(const std::string& text, bool error, const TextOutlets& outlets);
// The system's outlets (Linux: the inherited streams, always there).
const TextOutlets& SystemTextOutlets();
