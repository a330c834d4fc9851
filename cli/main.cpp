// korvane-cli: every operation of the window from a terminal or a script.
// This file reads the global options and hands the command to the command table.
#include <QCoreApplication>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/terminal_operator.h"
#include "cli/terminal_text.h"
#include "common/clock.h"
#include "common/lamp_model.h"
#include "common/running_mark.h"
#include "common/texts.h"
#include "fleet/host_selection.h"
#include "protocol/form_values.h"
#include "trace/trace_writer.h"

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
    Options o;
    std::string refused;
    const bool parsed = ParseGlobalOptions(args, o, &refused);
    out.json = o.json;
    if (!parsed) return usage(refused);
    if (o.help) {
        out.Help();
        return kExitOk;
    }
    if (o.version) {
        out.Version();
        return kExitOk;
    }
    // "--record FILE" before the command reads FILE as the command.
    if (o.bareRecord && !o.args.empty() && !IsCommandWord(o.args[0]))
        return usage("'" + o.args[0] +
                     "' is no command; a file for the record is given as --record=" + o.args[0]);
    if (o.bareTrace && !o.args.empty() && !IsCommandWord(o.args[0]))
        return usage("'" + o.args[0] +
                     "' is no command; a file for the trace is given as --trace=" + o.args[0]);
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
        o.trace.reset();
        o.session.replay.clear();
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
    for (const std::string& finding : runner.session().ReplayFindings()) out.Note(finding);
    // A trace in the default place is named by its time: say which file it is.
    if (const std::optional<std::string> file = runner.session().TraceFile();
        file && !o.worker && trace::IsDefaultTracePath(*file))
        out.Note("the trace is in " + *file);
    if (o.worker && runner.Interrupted() && runner.session().ReportsWritten() > 0)
        WorkerLeftHalfWritten();
    // After the operation's own failure texts: the system slept through its transfer.
    if (runner.session().protocol().TakeSleepNotice()) ShowAppBox(op, texts::kSleptDuringTransfer);
    // The emulated host's state is the provisioning result: losing it is a failure.
    const bool saved = runner.SaveState();
    const int result = !saved && status == kExitOk ? kExitFailed : status;
    if (result != kExitOk && !o.worker) out.Failure(op.shown());
    CommandFinished(result);
    return result;
}
