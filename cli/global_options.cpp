// The options that come before the command.
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/options.h"
#include "record/record_log.h"
#include "trace/trace.h"
#include "trace/trace_writer.h"

namespace korvane::cli {

namespace {

using Form = OptionDoc::Form;

std::string Needs(bool ok, const char* why) { return ok ? std::string() : why; }

// --emulate replay:FILE or replay-strict:FILE: the trace is read now, so a
// file that is no trace is refused before anything runs.
std::optional<std::string> TakeReplay(Options& o, const std::string& v) {
    for (const char* form : {"replay:", "replay-strict:"}) {
        const std::string prefix = form;
        if (v.rfind(prefix, 0) != 0) continue;
        const std::string file = v.substr(prefix.size());
        std::string why;
        if (file.empty()) return "--emulate " + prefix + "FILE needs a trace file";
        if (!trace::ReadTrace(file, &why)) return "cannot replay " + file + ": " + why;
        o.session.replay = file;
        o.session.replayStrict = prefix == "replay-strict:";
        return std::string();
    }
    return std::nullopt;
}

}  // namespace

const std::vector<Option<Options>>& GlobalOptions() {
    static const std::vector<Option<Options>> options = {
        {{"--emulate", "MODEL[,MODEL]|replay:FILE",
          "work on built-in emulated hosts, one per model given\n(rt220 or rt221); "
          "replay:FILE serves a trace as the host\n(replay-strict:FILE: in its recorded order)",
          Form::Value},
         [](Options& o, const std::string& v) {
             if (std::optional<std::string> replay = TakeReplay(o, v)) return *replay;
             o.session.emulate = ParseLampModels(v);
             return Needs(!o.session.emulate.empty(),
                          "--emulate takes rt220 or rt221, or several joined by commas, "
                          "or replay:FILE");
         }},
        {{"--emulator-state", "FILE",
          "keep the emulated hosts' state in FILE (the first host)\n"
          "and beside it (host.EMU0002.json ...) between runs",
          Form::Value},
         [](Options& o, const std::string& v) {
             o.stateFile = v;
             return Needs(!v.empty(), "--emulator-state needs a file");
         }},
        {{"--device", "PATH|serial:S|port:P|all|failed",
          "the host at PATH, with serial number S, or at USB port P\n"
          "(see 'list'); given more than once, or all (every host) or\n"
          "failed (those the last run on several hosts left failed),\n"
          "the command runs on each at once",
          Form::Value, false, false},
         [](Options& o, const std::string& v) {
             o.devices.push_back(v);
             return Needs(!v.empty(), "--device needs a path, serial:S, port:P, all or failed");
         }},
        {{"--jobs", "N", "on several hosts, at most N at a time", Form::Value, false, false},
         [](Options& o, const std::string& v) {
             o.jobs = TextToInt(v);
             return Needs(o.jobs >= 1, "--jobs takes a number of hosts, 1 or more");
         }},
        {{"--watch", nullptr,
          "run the command on every host as it is plugged in, once\neach, until Ctrl-C", Form::Flag,
          false, false},
         [](Options& o, const std::string&) {
             o.watch = true;
             return std::string();
         }},
        {{"--json", nullptr, "print what is read, and a failure, as JSON", Form::Flag, false,
          false},
         [](Options& o, const std::string&) {
             o.json = true;
             return std::string();
         }},
        {{"--password", "TEXT",
          "authorization password for the fixed sound area\n"
          "(else the key file pwd.txt in the current folder)",
          Form::Value},
         [](Options& o, const std::string& v) {
             o.password = v;
             return std::string();
         }},
        {{"--quiet", nullptr, "no progress bar", Form::Flag, false, false},
         [](Options& o, const std::string&) {
             o.quiet = true;
             return std::string();
         }},
        {{"--bar", nullptr, "the progress bar even when standard error is no terminal", Form::Flag,
          false, false},
         [](Options& o, const std::string&) {
             o.bar = true;
             return std::string();
         }},
        {{"--encoding", "utf8|oem",
          "the text's encoding in a pipe or a file: UTF-8 (the\n"
          "default), or the console's code page (as chcp sets it; the\n"
          "OEM one without a console), as cmd's pipes and PowerShell\n"
          "read it (Windows); a console shows the characters either way",
          Form::Value},
         [](Options&, const std::string& v) {
             if (v == "utf8")
                 SetTextEncoding(TextEncoding::Utf8);
             else if (v == "oem")
                 SetTextEncoding(TextEncoding::Oem);
             else
                 return std::string("--encoding takes utf8 or oem");
             return std::string();
         }},
        {{"--record", "FILE",
          "append a line to the provisioning record for every change\n"
          "to a host (also KORVANE_RECORD=1|FILE; the default FILE is\n" +
              std::string(record::DefaultRecordPlace()) + ")",
          Form::OptionalValue},
         [](Options& o, const std::string& v) {
             o.record = v;
             return std::string();
         }},
        {{"--trace", "FILE",
          "keep every report exchanged with a host in FILE (also\n"
          "KORVANE_TRACE=1|FILE; the default FILE is\n" +
              trace::DefaultTracePlace() + ")",
          Form::OptionalValue},
         [](Options& o, const std::string& v) {
             o.trace = v;
             return std::string();
         }},
        {{"--help", nullptr, "this help (--version: the program's version)", Form::Flag},
         [](Options& o, const std::string&) {
             o.help = true;
             return std::string();
         }},
        {{"-h", nullptr, "", Form::Flag, true},
         [](Options& o, const std::string&) {
             o.help = true;
             return std::string();
         }},
        {{"--version", nullptr, "", Form::Flag, true},
         [](Options& o, const std::string&) {
             o.version = true;
             return std::string();
         }},
        // A run on several hosts hands these to its workers.
        {{"--worker", nullptr, "", Form::Flag, true},
         [](Options& o, const std::string&) {
             o.worker = true;
             return std::string();
         }},
        {{"--check-model", "MODEL", "", Form::Value, true},
         [](Options& o, const std::string& v) {
             o.checkModel = ParseLampModel(v);
             return Needs(o.checkModel.has_value(), "--check-model takes rt220 or rt221");
         }},
        {{"--run-id", "ID", "", Form::Value, true},
         [](Options& o, const std::string& v) {
             o.session.run = v;
             return std::string();
         }},
    };
    return options;
}

std::string ParseGlobalOptions(const std::vector<std::string>& args, Options& o) {
    const std::vector<Option<Options>>& options = GlobalOptions();
    const std::vector<OptionDoc> docs = Docs(options);
    std::size_t i = 1;
    while (i < args.size() && !args[i].empty() && args[i][0] == '-') {
        const OptionMatch m = MatchOption(docs, args, i);
        if (!m.error.empty()) return m.error;
        if (m.index == static_cast<std::size_t>(-1)) return "unknown option " + args[i];
        if (std::string why = options[m.index].apply(o, m.value); !why.empty()) return why;
        if (docs[m.index].forwarded)
            o.forwarded.insert(o.forwarded.end(), args.begin() + static_cast<std::ptrdiff_t>(i),
                               args.begin() + static_cast<std::ptrdiff_t>(i + m.taken));
        // "--record FILE" would take FILE for the command: the file is joined to it.
        if (args[i] == "--record") o.bareRecord = true;
        if (args[i] == "--trace") o.bareTrace = true;
        i += m.taken;
    }
    // The command word and everything after it (its own options) go to the command.
    o.args.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return {};
}

std::string GlobalHelp() { return OptionHelp(Docs(GlobalOptions()), 2, 28); }

}  // namespace korvane::cli
