#pragma once
// Every option of korvane-cli is declared once, here or beside the command
// it belongs to: its name, what value it takes, its help, and what it does.
// The parser, the usage errors and --help are all made from these
// declarations, the global options' and each command's own alike.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

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
    // Takes the value ("" for a flag, nullptr-free); "" or the usage error.
    std::function<std::string(Target&, const std::string& value)> apply;
};

template <typename Target>
std::vector<OptionDoc> Docs(const std::vector<Option<Target>>& options) {
    std::vector<OptionDoc> docs;
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

// Applies every option from `args[i]` on to `target`, up to the first word
// that is no option (`i` is left there) or to the end. "" or the usage error.
template <typename Target>
std::string ParseOptions(const std::vector<Option<Target>>& options,
                         const std::vector<std::string>& args, std::size_t& i, Target& target,
                         bool stopAtWord) {
    const std::vector<OptionDoc> docs = Docs(options);
    while (i < args.size()) {
        if (args[i].rfind("--", 0) != 0) {
            if (stopAtWord) return {};
            return "unknown option " + args[i];
        }
        const OptionMatch m = MatchOption(docs, args, i);
        if (!m.error.empty()) return m.error;
        if (m.index == static_cast<std::size_t>(-1)) return "unknown option " + args[i];
        if (std::string why = options[m.index].apply(target, m.value); !why.empty()) return why;
        i += m.taken;
    }
    return {};
}

// "[--alarm-time T] [--volume 1..8]": the usage of the options.
std::string OptionUsage(const std::vector<OptionDoc>& docs);
// The help of each option, a line or more each, the help in its column.
std::string OptionHelp(const std::vector<OptionDoc>& docs, std::size_t indent, std::size_t column);

}  // namespace korvane::cli
