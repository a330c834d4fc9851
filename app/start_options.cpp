#include "app/start_options.h"

#include "common/texts.h"
#include "common/version.h"

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
    StartOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const std::string& name, std::string& out) {
            const std::string eq = name + "=";
            if (a.rfind(eq, 0) == 0) {
                out = a.substr(eq.size());
                return true;
            }
            if (a == name) {
                if (i + 1 >= args.size()) {
                    o.error = name + " needs a value";
                    return false;
                }
                out = args[++i];
                return true;
            }
            return false;
        };
        std::string v;
        if (a == "--help" || a == "-h" || a == "--version") {
            // Answered before the display is opened.
        } else if (a == "--record" || a.rfind("--record=", 0) == 0) {
            o.record = a.size() > 9 ? a.substr(9) : std::string();
        } else if (a == "--trace" || a.rfind("--trace=", 0) == 0) {
            o.trace = a.size() > 8 ? a.substr(8) : std::string();
        } else if (value("--emulate", v)) {
            o.emulateModel = korvane::ParseLampModel(v);
            if (!o.emulateModel) o.error = "unknown host model for --emulate: " + v;
        } else if (value("--screenshots", v)) {
            o.screenshotsDir = v;
            if (v.empty()) o.error = "--screenshots needs a folder";
        } else if (!o.error.empty()) {
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            o.error = "unknown option: " + a;
        } else if (o.documentPath.empty()) {
            o.documentPath = a;
        } else {
            o.error = "only one file may be given";
        }
        if (!o.error.empty()) break;
    }
    return o;
}

std::string UsageText() {
    return "Usage: korvane [options] [file]\n"
           "Configures the wireless alarm lamp host over USB.\n"
           "\n"
           "  --emulate rt220|rt221  run against a built-in emulated host of that model\n"
           "  --record[=FILE]        keep a record of every host changed (see korvane-cli)\n"
           "  --trace[=FILE]         keep every report exchanged with a host (see korvane-cli)\n"
           "  --help                 show this help and exit\n"
           "  --version              show the version and exit\n";
}

std::string VersionText() { return std::string("korvane ") + KORVANE_VERSION; }

std::string EmulationNote(const StartOptions& options) {
    if (!options.emulateModel) return {};
    return std::string(korvane::texts::kEmulatedHostPrefix) +
           korvane::ModelName(*options.emulateModel);
}
