#include "cli/options.h"

namespace korvane::cli {

namespace {

std::string Spelled(const OptionDoc& d) {
    switch (d.form) {
        case OptionDoc::Form::Flag:
            return d.name;
        case OptionDoc::Form::Value:
            return std::string(d.name) + " " + d.value;
        case OptionDoc::Form::OptionalValue:
            return std::string(d.name) + "[=" + d.value + "]";
    }
    return d.name;
}

}  // namespace

OptionMatch MatchOption(const std::vector<OptionDoc>& docs, const std::vector<std::string>& args,
                        std::size_t i) {
    OptionMatch m;
    m.index = static_cast<std::size_t>(-1);
    const std::string& a = args[i];
    const std::size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    for (std::size_t k = 0; k < docs.size(); ++k) {
        const OptionDoc& d = docs[k];
        if (name != d.name) continue;
        m.index = k;
        m.taken = 1;
        switch (d.form) {
            case OptionDoc::Form::Flag:
                if (eq != std::string::npos) m.error = name + " takes no value";
                break;
            case OptionDoc::Form::OptionalValue:
                if (eq != std::string::npos) m.value = a.substr(eq + 1);
                break;
            case OptionDoc::Form::Value:
                if (eq != std::string::npos) {
                    m.value = a.substr(eq + 1);
                } else if (i + 1 < args.size()) {
                    m.value = args[i + 1];
                    m.taken = 2;
                } else {
                    m.error = name + " needs a value";
                }
                break;
        }
        return m;
    }
    return m;
}

std::string OptionUsage(const std::vector<OptionDoc>& docs) {
    std::string usage;
    for (const OptionDoc& d : docs) {
        if (d.hidden) continue;
        usage += (usage.empty() ? "[" : " [") + Spelled(d) + "]" + (d.repeatable ? "..." : "");
    }
    return usage;
}

std::string OptionHelp(const std::vector<OptionDoc>& docs, std::size_t indent, std::size_t column) {
    std::string out;
    for (const OptionDoc& d : docs) {
        if (d.hidden) continue;
        const std::string head = std::string(indent, ' ') + Spelled(d);
        out += head;
        // The help starts in its column, or on the next line where the name reaches it.
        if (head.size() + 2 <= column)
            out.append(column - head.size(), ' ');
        else
            out += "\n" + std::string(column, ' ');
        for (char ch : d.help) {
            out.push_back(ch);
            if (ch == '\n') out.append(column, ' ');
        }
        out += "\n";
    }
    return out;
}

}  // namespace korvane::cli
