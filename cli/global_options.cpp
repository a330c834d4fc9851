// The options that come before the command.
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/terminal_text.h"
#include "record/record_log.h"
#include "trace/trace.h"
#include "trace/trace_writer.h"

namespace korvane::cli {

namespace {

using Form = OptionDoc::Form;

// --emulate replay:FILE or replay-strict:FILE: the trace is read now, so a
// file that is no trace is refused before anything runs. nullopt when the
// value names no replay.
std::optional<bool> TakeReplay(Options& o, const std::string& v, std::string* why) {
    for (const char* form : {"replay:", "replay-strict:"}) {
        const std::string prefix = form;
        if (v.rfind(prefix, 0) != 0) continue;
        const std::string file = v.substr(prefix.size());
        if (file.empty()) return Fail("--emulate " + prefix + "FILE needs a trace file", why);
        std::string unread;
        if (!trace::ReadTrace(file, &unread)) {
            std::string refusal = "cannot replay " + file;
            refusal += ": ";
            refusal += unread;
            return Fail(refusal, why);
        }
        o.session.replay = file;
        o.session.replayStrict = prefix == "replay-strict:";
        return true;
    }
    return std::nullopt;
}

// What the operator gives: shown in --help.
std::vector<Option<Options>> OperatorOptions() {
    return {
        {{"--emulate", "MODEL[,MODEL]|replay:FILE",
          "work on built-in emulated hosts, one per model given\n(rt220 or rt221); "
          "replay:FILE serves a trace as the host\n(replay-strict:FILE: in its recorded order)",
          Form::Value},
         [](Options& o, const std::string& v, std::string* why) {
             if (const std::optional<bool> replay = TakeReplay(o, v, why)) return *replay;
             o.session.emulate = ParseLampModels(v);
             return Require(!o.session.emulate.empty(),
                            "--emulate takes rt220 or rt221, or several joined by commas, "
                            "or replay:FILE",
                            why);
         }},
        {{"--emulator-state", "FILE",
          "keep the emulated hosts' state in FILE (the first host)\n"
          "and beside it (host.EMU0002.json ...) between runs",
          Form::Value},
         [](Options& o, const std::string& v, std::string* why) {
             o.stateFile = v;
             return Require(!v.empty(), "--emulator-state needs a file", why);
         }},
        {{"--device", "PATH|serial:S|port:P|all|failed",
          "the host at PATH, with serial number S, or at USB port P\n"
          "(see 'list'); given more than once, or all (every host) or\n"
          "failed (those the last run on several hosts left failed),\n"
          "the command runs on each at once",
          Form::Value, false, false},
         [](Options& o, const std::string& v, std::string* why) {
             o.devices.push_back(v);
             return Require(!v.empty(), "--device needs a path, serial:S, port:P, all or failed",
                            why);
         }},
        {{"--jobs", "N", "on several hosts, at most N at a time", Form::Value, false, false},
         [](Options& o, const std::string& v, std::string* why) {
             o.jobs = TextToInt(v);
             return Require(o.jobs >= 1, "--jobs takes a number of hosts, 1 or more", why);
         }},
        {{"--watch", nullptr,
          "run the command on every host as it is plugged in, once\neach, until Ctrl-C", Form::Flag,
          false, false},
         Sets(&Options::watch)},
        {{"--json", nullptr, "print what is read, and a failure, as JSON", Form::Flag, false,
          false},
         Sets(&Options::json)},
        {{"--password", "TEXT",
          "authorization password for the fixed sound area\n"
          "(else the key file pwd.txt in the current folder)",
          Form::Value},
         [](Options& o, const std::string& v, std::string*) {
             o.password = v;
             return true;
         }},
        {{"--quiet", nullptr, "no progress bar", Form::Flag, false, false}, Sets(&Options::quiet)},
        {{"--bar", nullptr, "the progress bar even when standard error is no terminal", Form::Flag,
          false, false},
         Sets(&Options::bar)},
        {{"--encoding", "utf8|oem",
          "the text's encoding in a pipe or a file: UTF-8 (the\n"
          "default), or the console's code page (as chcp sets it; the\n"
          "OEM one without a console), as cmd's pipes and PowerShell\n"
          "read it (Windows); a console shows the characters either way",
          Form::Value},
         [](Options&, const std::string& v, std::string* why) {
             if (v != "utf8" && v != "oem") return Fail("--encoding takes utf8 or oem", why);
             SetTextEncoding(v == "oem" ? TextEncoding::Oem : TextEncoding::Utf8);
             return true;
         }},
        {{"--record", "FILE",
          "append a line to the provisioning record for every change\n"
          "to a host (also KORVANE_RECORD=1|FILE; the default FILE is\n" +
              std::string(record::DefaultRecordPlace()) + ")",
          Form::OptionalValue},
         [](Options& o, const std::string& v, std::string*) {
             o.record = v;
             return true;
         }},
        {{"--trace", "FILE",
          "keep every report exchanged with a host in FILE (also\n"
          "KORVANE_TRACE=1|FILE; the default FILE is\n" +
              trace::DefaultTracePlace() + ")",
          Form::OptionalValue},
         [](Options& o, const std::string& v, std::string*) {
             o.trace = v;
             return true;
         }},
        {{"--help", nullptr, "this help (--version: the program's version)", Form::Flag},
         Sets(&Options::help)},
        {{"-h", nullptr, "", Form::Flag, true}, Sets(&Options::help)},
        {{"--version", nullptr, "", Form::Flag, true}, Sets(&Options::version)},
    };
}

// The plumbing of a run on several hosts, which hands these to its workers.
std::vector<Option<Options>> WorkerOptions() {
    return {
        {{"--worker", nullptr, "", Form::Flag, true}, Sets(&Options::worker)},
        {{"--check-model", "MODEL", "", Form::Value, true},
         [](Options& o, const std::string& v, std::string* why) {
             o.checkModel = ParseLampModel(v);
             return Require(o.checkModel.has_value(), "--check-model takes rt220 or rt221", why);
         }},
        {{"--run-id", "ID", "", Form::Value, true},
         [](Options& o, const std::string& v, std::string*) {
             o.session.run = v;
             return true;
         }},
    };
}

}  // namespace

const std::vector<Option<Options>>& GlobalOptions() {
    static const std::vector<Option<Options>> options = [] {
        std::vector<Option<Options>> all = OperatorOptions();
        for (Option<Options>& o : WorkerOptions()) all.push_back(std::move(o));
        return all;
    }();
    return options;
}

bool ParseGlobalOptions(const std::vector<std::string>& args, Options& o, std::string* why) {
    const std::vector<Option<Options>>& options = GlobalOptions();
    const std::vector<OptionDoc> docs = Docs(options);
    std::size_t i = 1;
    while (i < args.size() && !args[i].empty() && args[i][0] == '-') {
        const std::size_t first = i;
        std::size_t index = 0;
        if (!ApplyOption(options, docs, args, i, o, why, &index)) return false;
        if (docs[index].forwarded)
            o.forwarded.insert(o.forwarded.end(), args.begin() + static_cast<std::ptrdiff_t>(first),
                               args.begin() + static_cast<std::ptrdiff_t>(i));
        // "--record FILE" would take FILE for the command: the file is joined to it.
        if (args[first] == "--record") o.bareRecord = true;
        if (args[first] == "--trace") o.bareTrace = true;
    }
    // The command word and everything after it (its own options) go to the command.
    o.args.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    return true;
}

std::string GlobalHelp() { return OptionHelp(Docs(GlobalOptions()), 2, 28); }

}  // namespace korvane::cli
