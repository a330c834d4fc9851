#pragma once
// The command groups of korvane-cli and what they share: the options, the
// runner that holds the session on the host, and the exit statuses.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/output.h"
#include "cli/terminal_operator.h"
#include "common/clock.h"
#include "common/lamp_model.h"
#include "protocol/records.h"
#include "session/host_session.h"

namespace korvane::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation failed
inline constexpr int kExitUsage = 2;   // a usage error, or a value refused before sending

struct Options {
    SessionOptions session;
    std::string stateFile;             // --emulator-state
    std::vector<std::string> devices;  // each --device, as written
    bool json = false;
    bool quiet = false;
    bool bar = false;  // --bar: the progress bar even when standard error is no terminal
    std::optional<std::string> password;  // --password
    std::optional<std::string> record;    // --record[=FILE]: empty for the default place
    std::optional<std::string> trace;     // --trace[=FILE]: empty for the default place
    std::vector<std::string> args;        // the command and its arguments
    // Several hosts at once (see fleet/): how many at a time (0: all), and
    // whether to go on serving each host as it is plugged in.
    int jobs = 0;
    bool watch = false;
    // This run serves one host of a multi-host run (--worker), or checks the
    // command on a throwaway emulated host of this model (--check-model).
    bool worker = false;
    std::optional<LampModel> checkModel;
    // The global options as given, that a worker is given too.
    std::vector<std::string> forwarded;
    bool help = false;
    bool version = false;
    bool bareRecord = false;  // --record given without =FILE
    bool bareTrace = false;   // --trace given without =FILE
};

// The options before the command (global_options.cpp), declared once.
const std::vector<Option<Options>>& GlobalOptions();
// Reads them from args[1] on; the rest (the command and its arguments)
// goes to options.args. false, with the usage error in `why`, when one is refused.
bool ParseGlobalOptions(const std::vector<std::string>& args, Options& options, std::string* why);
// Their block of --help.
std::string GlobalHelp();

// One command on several hosts at once, or on each host as it is plugged in
// (fleet_commands.cpp); `program` is this program's own path. The exit status.
int RunOnManyHosts(const Options& options, const Output& out, const std::string& program);
// A worker tells its run that it was interrupted after its host was sent something.
void WorkerLeftHalfWritten();

// One run of a command: the session on the host (real or emulated), the
// terminal operator it reports through, and the output. Ctrl-C, taken
// between two packets, asks the protocol to cancel.
class Runner {
  public:
    Runner(const Options& options, const Output& out, Clock& clock, TerminalOperator& op);

    const Options& options() const { return options_; }
    // The command word (0) and its arguments; empty past the last.
    std::string Arg(std::size_t i) const;
    std::size_t ArgCount() const { return options_.args.size(); }

    const Output& out() const { return out_; }
    TerminalOperator& op() { return op_; }
    HostSession& session() { return session_; }
    OperationContext& context() { return session_.context(); }

    // Prints the usage error; returns kExitUsage.
    int Usage(const std::string& why) const;
    // false, told, when --device names a serial number or a port that no
    // attached host has: nothing is sent to any other host. A path is taken
    // as it is (the exchange tells when no host is there).
    bool ChosenHostAttached();
    // The model of the host the link finds, nullopt when none is connected.
    std::optional<LampModel> ModelOfHost();

    // The emulated host's state from --emulator-state. A file that is there
    // but cannot be read is refused, and left as it is.
    bool LoadState();
    bool SaveState();
    // Ctrl-C was pressed during this run.
    bool Interrupted() const { return interrupted_; }
    // Runs an operation that may change the host, for the record (see HostSession).
    bool RunAndRecord(const std::function<bool()>& run, const char* name = nullptr) {
        return session_.RunRecorded(run, name);
    }

  private:
    const Options& options_;
    const Output& out_;
    TerminalOperator& op_;
    HostSession session_;
    bool interrupted_ = false;
};

// The handlers of the command table (command_table.cpp), each called with
// the number of arguments its row allows; each returns the exit status.
int RunList(Runner& r);
int RunInit(Runner& r);
int RunVersion(Runner& r);
int RunFrequencyGet(Runner& r);
int RunFrequencySet(Runner& r);
int RunUpgrade(Runner& r);
int RunBasicGet(Runner& r);
int RunBasicSet(Runner& r);
int RunAddressGet(Runner& r);
int RunAddressSet(Runner& r);
int RunVoiceDownload(Runner& r);
int RunVoiceFormat(Runner& r);
int RunDump(Runner& r);
int RunApply(Runner& r);
int RunVoicePlan(Runner& r);
int RunRecord(Runner& r);
int RunDoctor(Runner& r);
int RunTraceShow(Runner& r);
int RunTraceExport(Runner& r);

// The options after "basic set" / "address set", over the window's defaults
// already in `values`; false, with the usage error in `why`, when they do not
// parse. Texts an edit of the window takes are judged later, where the
// window's are.
bool ParseBasicSet(const std::vector<std::string>& args, BasicParamValues& values,
                   std::string* why);
bool ParseAddressSet(const std::vector<std::string>& args, AddressCodeValues& values,
                     std::string* why);
// The declarations of each command's own options, beside their parsers.
std::vector<OptionDoc> BasicSetOptions();
std::vector<OptionDoc> AddressSetOptions();
std::vector<OptionDoc> VoiceDownloadOptions();
std::vector<OptionDoc> RecordOptions();
// One --group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]: puts group K in effect.
bool ParseGroupOption(const std::string& text, AddressCodeValues& values, std::string* why);

}  // namespace korvane::cli
