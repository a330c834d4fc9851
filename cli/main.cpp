// korvane-cli: every operation of the window from a terminal or a script.
// This file reads the global options and hands the command to the command table.
#include <QCoreApplication>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/terminal_operator.h"
#include "common/clock.h"
#include "common/lamp_model.h"
#include "common/running_mark.h"
#include "common/texts.h"

using namespace korvane;
using namespace korvane::cli;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Output out;
    auto usage = [&out](const std::string& why) {
        out.UsageError(why);
        return kExitUsage;
    };
    const std::vector<std::string> args = Utf8Arguments(argc, argv);
    const std::size_t count = args.size();
    Options o;
    for (std::size_t i = 1; i < count; ++i) {
        const std::string& a = args[i];
        auto next = [&]() -> std::optional<std::string> {
            if (i + 1 >= count) return std::nullopt;
            return args[++i];
        };
        // The command word and everything after it (its own options) go to the command.
        if (!o.args.empty() || a.rfind('-', 0) != 0) {
            o.args.push_back(a);
        } else if (a == "--help" || a == "-h") {
            out.Help();
            return kExitOk;
        } else if (a == "--version") {
            out.Version();
            return kExitOk;
        } else if (a == "--emulate") {
            const auto v = next();
            o.session.emulate = v ? ParseLampModels(*v) : std::vector<LampModel>();
            if (o.session.emulate.empty())
                return usage("--emulate takes rt220 or rt221, or several joined by commas");
        } else if (a == "--emulator-state") {
            const auto v = next();
            if (!v) return usage("--emulator-state needs a file");
            o.stateFile = *v;
        } else if (a == "--device") {
            const auto v = next();
            if (!v || v->empty()) return usage("--device needs a path, serial:S, port:P or all");
            o.devices.push_back(*v);
        } else if (a == "--password") {
            const auto v = next();
            if (!v) return usage("--password needs a value");
            o.password = *v;
        } else if (a == "--record" || a.rfind("--record=", 0) == 0) {
            o.record = a.size() > 9 ? a.substr(9) : std::string();
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--bar") {
            o.bar = true;
        } else if (a == "--encoding") {
            const auto v = next();
            if (v == "utf8") {
                SetTextEncoding(TextEncoding::Utf8);
            } else if (v == "oem") {
                SetTextEncoding(TextEncoding::Oem);
            } else {
                return usage("--encoding takes utf8 or oem");
            }
        } else {
            return usage("unknown option " + a);
        }
    }
    if (o.args.empty()) return usage("no command given");
    if (!o.stateFile.empty() && o.session.emulate.empty())
        return usage("--emulator-state works with --emulate only");
    if (o.devices.size() > 1 || (o.devices.size() == 1 && o.devices[0] == "all"))
        return usage("--device chooses several hosts; a command runs on one host at a time");
    if (o.devices.size() == 1) o.session.device = HostChoice::Parse(o.devices[0]);
    out.json = o.json;

    InstallInterruptHandler();

    SystemClock clock;
    MarkProgramRunning();
    // With --json, and for a profile dumped to standard output, standard output
    // carries the JSON alone; the messages go to standard error.
    const bool dataOnStdout = o.json || (o.args[0] == "dump" && o.args.size() < 2);
    TerminalOperator op(dataOnStdout ? stderr : stdout, stderr);
    op.showProgress = !o.quiet;
    op.drawBar = o.bar || TerminalOperator::IsTerminal(stderr);
    Runner runner(o, out, clock, op);
    if (!runner.LoadState()) return kExitUsage;
    const int status = RunCommand(runner);
    // After the operation's own failure texts: the system slept through its transfer.
    if (runner.session().protocol().TakeSleepNotice()) ShowAppBox(op, texts::kSleptDuringTransfer);
    // The emulated host's state is the provisioning result: losing it is a failure.
    const bool saved = runner.SaveState();
    const int result = !saved && status == kExitOk ? kExitFailed : status;
    CommandFinished(result);
    return result;
}
