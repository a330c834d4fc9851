#pragma once
// The commands of korvane-cli in one table: each command's name, usage,
// help and handler are written there once, and the help and the dispatch
// are made from it. A new command is a new row.
#include <cstddef>
#include <string>
#include <vector>

#include "cli/options.h"

namespace korvane::cli {

class Runner;

struct Command {
    // A command word, or a word and its sub-command ("frequency set").
    const char* name;
    // What follows the name and the options on the usage line (the operands).
    const char* args;
    // The help, one line or more ('\n' between them).
    std::string help;
    int (*run)(Runner& r);
    // How many arguments may follow the name; the handler gets no other count.
    std::size_t minArgs = 0;
    std::size_t maxArgs = 0;
    // false for a command that never reaches a host (it reads files, or lists).
    bool usesHost = true;
    // Its own options, declared beside its handler.
    std::vector<OptionDoc> options = {};
};

inline constexpr std::size_t kAnyCount = static_cast<std::size_t>(-1);

const std::vector<Command>& Commands();
// Runs the command the arguments name; a usage error when they name none,
// or give it too few or too many arguments.
int RunCommand(Runner& r);
// The usage lines of every command that starts with `word`, joined by " | ".
std::string GroupUsage(const std::string& word);
// The command block of --help.
std::string CommandHelp();
// A word that names a command (the first word of one).
bool IsCommandWord(const std::string& word);
// The command the arguments name reaches a host; false when they name none.
bool ReachesHost(const std::vector<std::string>& args);

}  // namespace korvane::cli
