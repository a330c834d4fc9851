#include "cli/command_table.h"

#include "cli/commands.h"
#include "common/lamp_model.h"

namespace korvane::cli {

namespace {

constexpr std::size_t kHelpColumn = 28;

std::string FirstWord(const std::string& name) { return name.substr(0, name.find(' ')); }

constexpr std::size_t kUsageWidth = 90;

// Each line after the first of `text`, indented by `indent`.
std::string Indented(const std::string& text, std::size_t indent) {
    std::string out;
    for (char ch : text) {
        out.push_back(ch);
        if (ch == '\n') out.append(indent, ' ');
    }
    return out;
}

// The name, the options' usage and the operands; wrapped at kUsageWidth
// with '\n', each further line under the first option.
std::string UsageLine(const Command& c) {
    std::vector<std::string> words;
    std::string opts = OptionUsage(c.options);
    // Split between the options' brackets, never inside one.
    for (std::size_t at = 0; at < opts.size();) {
        std::size_t end = opts.find(" [", at);
        if (end == std::string::npos) end = opts.size();
        words.push_back(opts.substr(at, end - at));
        at = end == opts.size() ? end : end + 1;
    }
    if (*c.args != '\0') words.emplace_back(c.args);
    std::string line = c.name;
    std::size_t column = 2 + line.size();
    const std::size_t indent = 3 + std::string(c.name).size();
    for (const std::string& w : words) {
        if (column + 1 + w.size() > kUsageWidth && column > indent) {
            line += "\n" + std::string(indent, ' ') + w;
            column = indent + w.size();
        } else {
            line += " " + w;
            column += 1 + w.size();
        }
    }
    return line;
}

}  // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"list", "", "the attached hosts: path, vendor:product, model, serial, port", RunList, 0, 0,
         false},
        {"init", "", "initialise the host", RunInit},
        {"version", "", "read the firmware version", RunVersion},
        {"frequency get", "", "read the receive frequency (MHz)", RunFrequencyGet},
        {"frequency set", "MHZ", "set the receive frequency, 100..999 MHz", RunFrequencySet, 1, 1},
        {"basic get", "",
         std::string("read the ") + ModelName(LampModel::Rt220) + " basic parameters", RunBasicGet},
        {"basic set", "", "set them (what is not given: as the window starts)", RunBasicSet, 0,
         kAnyCount, true, BasicSetOptions()},
        {"address get", "",
         std::string("read the ") + ModelName(LampModel::Rt221) +
             " address-code parameters and sound count",
         RunAddressGet},
        {"address set", "", "set the settings given (only these are in effect)", RunAddressSet, 0,
         kAnyCount, true, AddressSetOptions()},
        {"voice plan", "FOLDER",
         "the download of the folder as the host would get it, without\n"
         "sending anything; exit status 2 when it would be refused",
         RunVoicePlan, 1, 1, false},
        {"voice download", "custom|fixed FOLDER", "download the folder's WAV files",
         RunVoiceDownload, 2, 3, true, VoiceDownloadOptions()},
        {"voice format", "custom|fixed", "format the sound area", RunVoiceFormat, 1, 1},
        {"upgrade", "FILE", "send a firmware image (.bin)", RunUpgrade, 1, 1},
        {"dump", "[FILE]", "the host's parameters of its model as a JSON profile", RunDump, 0, 1},
        {"apply", "FILE", "apply a JSON profile (checked completely before sending)", RunApply, 1,
         1},
        {"record", "", "the provisioning record as a table, or as JSON lines", RunRecord, 0,
         kAnyCount, false, RecordOptions()},
        {"doctor", "",
         "why a host is found or not: every device of vendor 0483, whether each\n"
         "host opens and answers (ten timed version reads), Korvane's files;\n"
         "nothing that changes a host is sent. Exit status 0 when a host answered",
         RunDoctor, 0, 0, false},
        {"trace show", "FILE",
         "each operation of a trace (--trace) summed up: reports,\n"
         "failures, the gaps between writes, the first failure",
         RunTraceShow, 1, 1, false},
        {"trace export", "FILE OUT.pcapng",
         "the trace as a USB capture (pcapng, USBPcap) for Wireshark", RunTraceExport, 2, 2, false},
    };
    return commands;
}

int RunCommand(Runner& r) {
    const std::string word = r.Arg(0);
    if (word.empty()) return r.Usage("no command given");
    bool known = false;
    for (const Command& c : Commands()) {
        const std::string name = c.name;
        if (FirstWord(name) != word) continue;
        known = true;
        std::size_t taken = 1;
        if (const std::size_t space = name.find(' '); space != std::string::npos) {
            if (r.Arg(1) != name.substr(space + 1)) continue;
            taken = 2;
        }
        const std::size_t given = r.ArgCount() - taken;
        if (given < c.minArgs || given > c.maxArgs) break;
        if (!c.usesHost) return c.run(r);
        if (!r.ChosenHostAttached()) return kExitFailed;
        int status = kExitFailed;
        r.session().RunOperation(c.name, [&] {
            status = c.run(r);
            return status == kExitOk;
        });
        return status;
    }
    if (!known) return r.Usage("unknown command '" + word + "'");
    return r.Usage(GroupUsage(word));
}

std::string GroupUsage(const std::string& word) {
    std::string usage;
    for (const Command& c : Commands()) {
        if (FirstWord(c.name) != word) continue;
        std::string line = UsageLine(c);
        for (char& ch : line)
            if (ch == '\n') ch = ' ';
        usage += (usage.empty() ? "" : " | ") + line;
    }
    return usage;
}

std::string CommandHelp() {
    std::string out;
    for (const Command& c : Commands()) {
        const std::string usage = "  " + UsageLine(c);
        out += usage;
        // The help starts in its column, or on the next line where the usage reaches it.
        const std::size_t last =
            usage.size() - (usage.rfind('\n') == std::string::npos ? 0 : usage.rfind('\n') + 1);
        if (usage.find('\n') == std::string::npos && last + 2 <= kHelpColumn)
            out.append(kHelpColumn - last, ' ');
        else
            out += "\n" + std::string(kHelpColumn, ' ');
        out += Indented(c.help, kHelpColumn) + "\n";
        out += OptionHelp(c.options, 4, kHelpColumn);
    }
    return out;
}

bool IsCommandWord(const std::string& word) {
    for (const Command& c : Commands())
        if (FirstWord(c.name) == word) return true;
    return false;
}

bool ReachesHost(const std::vector<std::string>& args) {
    if (args.empty()) return false;
    for (const Command& c : Commands()) {
        const std::string name = c.name;
        const std::size_t space = name.find(' ');
        if (FirstWord(name) != args[0]) continue;
        if (space == std::string::npos || (args.size() > 1 && args[1] == name.substr(space + 1)))
            return c.usesHost;
    }
    return false;
}

}  // namespace korvane::cli
