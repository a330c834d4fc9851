#pragma once
// Every option of korvane-cli is declared once, here or beside the command
// it belongs to: its name, what value it takes, its help, and what it does.
// The parser, the usage errors and --help are all made from these
// declarations, the global options' and each command's own alike.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "common/failure.h"

namespace korvane::cli {

// What an option is, without what it does: enough for the help.
struct OptionDoc {
    const char* name;   // "--device"
    const char* value;  // the value's name ("FILE"), or nullptr for a flag
    std::string help;   // lines joined by '\n'
    enum class Form {
        Flag,           // --quiet
        Value,          // --device X, or --device=X
        OptionalValue,  // --record, or --record=FILE (joined: a word after it is the command)
    };
    Form form = Form::Flag;
    bool hidden = false;      // the plumbing of a run on many hosts, not in --help
    bool forwarded = true;    // handed on to the workers of a run on many hosts
    bool repeatable = false;  // may be given more than once
};

template <typename Target>
struct Option {
    OptionDoc doc;
    // Takes the value ("" for a flag); false, with the usage error in `why`,
    // when it refuses it.
    std::function<bool(Target&, const std::string& value, std::string* why)> apply;
};

// The apply of a flag that sets `flag`, and of an option whose value `field` keeps.
template <typename Target>
auto Sets(bool Target::*flag) {
    return [flag](Target& t, const std::string&, std::string*) {
        t.*flag = true;
        return true;
    };
}
template <typename Target>
auto Keeps(std::string Target::*field) {
    return [field](Target& t, const std::string& value, std::string*) {
        t.*field = value;
        return true;
    };
}

template <typename Target>
std::vector<OptionDoc> Docs(const std::vector<Option<Target>>& options) {
    std::vector<OptionDoc> docs;
    docs.reserve(options.size());
    for (const Option<Target>& o : options) docs.push_back(o.doc);
    return docs;
}

// How `args[i]` (and its value) reads against the declarations.
struct OptionMatch {
    std::size_t index = 0;  // of the declaration; npos when none matches
    std::string value;
    std::string error;      // a usage error (a value missing, or one given to a flag)
    std::size_t taken = 0;  // arguments it takes, the option's own included
};
OptionMatch MatchOption(const std::vector<OptionDoc>& docs, const std::vector<std::string>& args,
                        std::size_t i);

// Reads `args[i]` (and its value) against the options and applies it to
// `target`; false, with the usage error in `why`, when it cannot. `i` is then
// past what it took, and `index` names the option's declaration.
template <typename Target>
bool ApplyOption(const std::vector<Option<Target>>& options, const std::vector<OptionDoc>& docs,
                 const std::vector<std::string>& args, std::size_t& i, Target& target,
                 std::string* why, std::size_t* index = nullptr) {
    const OptionMatch m = MatchOption(docs, args, i);
    if (!m.error.empty()) return Fail(m.error, why);
    if (m.index == static_cast<std::size_t>(-1)) return Fail("unknown option " + args[i], why);
    if (!options[m.index].apply(target, m.value, why)) return false;
    i += m.taken;
    if (index) *index = m.index;
    return true;
}

// Applies every option from `args[i]` on to `target`, up to the first word
// that is no option (`i` is left there) or to the end; false, with the usage
// error in `why`, at the first that is refused or unknown.
template <typename Target>
bool ParseOptions(const std::vector<Option<Target>>& options, const std::vector<std::string>& args,
                  std::size_t& i, Target& target, bool stopAtWord, std::string* why) {
    const std::vector<OptionDoc> docs = Docs(options);
    while (i < args.size()) {
        if (args[i].rfind("--", 0) != 0) {
            if (stopAtWord) return true;
            return Fail("unknown option " + args[i], why);
        }
        if (!ApplyOption(options, docs, args, i, target, why)) return false;
    }
    return true;
}

// "[--alarm-time T] [--volume 1..8]": the usage of the options.
std::string OptionUsage(const std::vector<OptionDoc>& docs);
// The help of each option, a line or more each, the help in its column.
std::string OptionHelp(const std::vector<OptionDoc>& docs, std::size_t indent, std::size_t column);

}  // namespace korvane::cli
