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
#include "fleet/host_selection.h"
#include "protocol/form_values.h"

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
            continue;
        }
        // What a worker of a multi-host run is given as well: every option
        // but those that choose the hosts or shape the run's own output.
        const std::size_t first = i;
        const bool forward = a != "--device" && a != "--jobs" && a != "--watch" && a != "--json" &&
                             a != "--bar" && a != "--quiet";
        auto forwarded = [&] {
            if (forward)
                o.forwarded.insert(o.forwarded.end(), args.begin() + first, args.begin() + i + 1);
        };
        if (a == "--help" || a == "-h") {
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
        } else if (a == "--jobs") {
            const auto v = next();
            const int n = v ? TextToInt(*v) : 0;
            if (n < 1) return usage("--jobs takes a number of hosts, 1 or more");
            o.jobs = n;
        } else if (a == "--watch") {
            o.watch = true;
        } else if (a == "--worker") {
            o.worker = true;
        } else if (a == "--check-model") {
            const auto v = next();
            o.checkModel = v ? ParseLampModel(*v) : std::nullopt;
            if (!o.checkModel) return usage("--check-model takes rt220 or rt221");
        } else if (a == "--run-id") {
            const auto v = next();
            if (!v) return usage("--run-id needs a value");
            o.session.run = *v;
        } else {
            return usage("unknown option " + a);
        }
        forwarded();
    }
    if (o.args.empty()) return usage("no command given");
    if (!o.stateFile.empty() && o.session.emulate.empty())
        return usage("--emulator-state works with --emulate only");
    out.json = o.json;
    InstallInterruptHandler();
    MarkProgramRunning();
    if (!o.worker && (o.watch || fleet::ChoosesSeveral(o.devices))) {
        const int status =
            RunOnManyHosts(o, out, QCoreApplication::applicationFilePath().toStdString());
        CommandFinished(status);
        return status;
    }
    if (o.devices.size() > 1) return usage("a worker serves one host");
    if (o.devices.size() == 1) o.session.device = HostChoice::Parse(o.devices[0]);
    if (o.checkModel) {
        // A check before a multi-host run touches any host: the command runs
        // on a throwaway emulated host in virtual time, and says whether it
        // would go ahead.
        o.session.emulate = {*o.checkModel};
        o.session.device = {};
        o.stateFile.clear();
        o.record.reset();
    }

    SystemClock systemClock;
    VirtualClock virtualClock;
    Clock& clock = o.checkModel ? static_cast<Clock&>(virtualClock) : systemClock;
    // With --json, and for a profile dumped to standard output, standard output
    // carries the JSON alone; the messages go to standard error.
    const bool dataOnStdout = o.json || (o.args[0] == "dump" && o.args.size() < 2);
    TerminalOperator op(dataOnStdout ? stderr : stdout, stderr);
    op.showProgress = !o.quiet;
    op.drawBar = o.bar || TerminalOperator::IsTerminal(stderr);
    op.worker = o.worker;
    Runner runner(o, out, clock, op);
    if (!runner.LoadState()) return kExitUsage;
    const int status = RunCommand(runner);
    if (o.worker && runner.Interrupted() && runner.session().ReportsWritten() > 0)
        WorkerLeftHalfWritten();
    // The emulated host's state is the provisioning result: losing it is a failure.
    const bool saved = runner.SaveState();
    const int result = !saved && status == kExitOk ? kExitFailed : status;
    CommandFinished(result);
    return result;
}
