#include "cli/command_table.h"

#include "cli/commands.h"
#include "common/lamp_model.h"

namespace korvane::cli {

namespace {

constexpr std::size_t kHelpColumn = 28;

std::string FirstWord(const std::string& name) { return name.substr(0, name.find(' ')); }

std::string UsageLine(const Command& c) {
    std::string line = c.name;
    if (*c.args != '\0') line += std::string(" ") + c.args;
    return line;
}

// Each line after the first of `text`, indented by `indent`.
std::string Indented(const std::string& text, std::size_t indent) {
    std::string out;
    for (char ch : text) {
        out.push_back(ch);
        if (ch == '\n') out.append(indent, ' ');
    }
    return out;
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
        {"basic set", "[--alarm-time T] [--volume 1..8] [--channel 0..9] [--comm-password XXXX]",
         "set them (unset values: 10, 1, 0, QKMR as in the window);\n"
         "T is 0..65535 or \"一直响\"",
         RunBasicSet, 0, kAnyCount},
        {"address get", "",
         std::string("read the ") + ModelName(LampModel::Rt221) +
             " address-code parameters and sound count",
         RunAddressGet},
        {"address set",
         "[--volume N] [--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]]...\n"
         "[--alarm-off ADDRESS]",
         "set the settings given (only these are in effect);\n"
         "K is 1..3, COLOR red|yellow|green, EFFECT flashing|steady,\n"
         "an empty ADDRESS sends the group without an address",
         RunAddressSet, 0, kAnyCount},
        {"voice plan", "FOLDER",
         "the download of the folder as the host would get it, without\n"
         "sending anything; exit status 2 when it would be refused",
         RunVoicePlan, 1, 1, false},
        {"voice download", "[--plan] custom|fixed FOLDER",
         "download the folder's WAV files (--plan: show the plan first)", RunVoiceDownload, 2, 3},
        {"voice format", "custom|fixed", "format the sound area", RunVoiceFormat, 1, 1},
        {"upgrade", "FILE", "send a firmware image (.bin)", RunUpgrade, 1, 1},
        {"dump", "[FILE]", "the host's parameters of its model as a JSON profile", RunDump, 0, 1},
        {"apply", "FILE", "apply a JSON profile (checked completely before sending)", RunApply, 1,
         1},
        {"record", "[--since YYYY-MM-DD] [--host PATH] [--json] [--record FILE]",
         "the provisioning record as a table, or as JSON lines", RunRecord, 0, kAnyCount, false},
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
        if (c.usesHost && !r.ChosenHostAttached()) return kExitFailed;
        return c.run(r);
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
        const std::string usage = "  " + Indented(UsageLine(c), 3 + std::string(c.name).size());
        out += usage;
        // The help starts in its column, or on the next line where the usage reaches it.
        if (usage.find('\n') == std::string::npos && usage.size() + 2 <= kHelpColumn)
            out.append(kHelpColumn - usage.size(), ' ');
        else
            out += "\n" + std::string(kHelpColumn, ' ');
        out += Indented(c.help, kHelpColumn) + "\n";
    }
    return out;
}

}  // namespace korvane::cli
