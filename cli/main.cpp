// korvane-cli: every operation of the window from a terminal or a script.
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/emulator_state.h"
#include "cli/profile.h"
#include "cli/terminal_operator.h"
#include "common/clock.h"
#include "common/texts.h"
#include "common/version.h"
#include "emulator/host_emulator.h"
#include "operations/param_ops.h"
#include "operations/system_ops.h"
#include "operations/voice_ops.h"
#include "protocol/frequency.h"
#include "session/host_session.h"

namespace {

using namespace korvane;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void OnInterrupt(int) { gInterrupted = 1; }

const char* kUsage =
    "Usage: korvane-cli [options] <command> [arguments]\n"
    "\n"
    "Options:\n"
    "  --emulate rt220|rt221     work on the built-in host emulator\n"
    "  --emulator-state FILE     keep the emulated host's state in FILE between runs\n"
    "  --device PATH             the host at PATH when several are attached (see 'list')\n"
    "  --json                    print what is read as JSON\n"
    "  --password TEXT           authorization password for the fixed sound area\n"
    "                            (else the key file pwd.txt in the current folder)\n"
    "  --quiet                   no progress bar\n"
    "  --help, --version\n"
    "\n"
    "Commands:\n"
    "  list                      the attached hosts: path, vendor:product, model\n"
    "  init                      initialise the host\n"
    "  version                   read the firmware version\n"
    "  frequency get             read the receive frequency (MHz)\n"
    "  frequency set MHZ         set the receive frequency, 100..999 MHz\n"
    "  basic get                 read the RT-220 basic parameters\n"
    "  basic set [--alarm-time T] [--volume 1..8] [--channel 0..9] [--comm-password XXXX]\n"
    "                            set them (unset values: 10, 1, 0, QKMR as in the window);\n"
    "                            T is 0..65535 or \"一直响\"\n"
    "  address get               read the RT-221 address-code parameters and sound count\n"
    "  address set [--volume N] [--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]]...\n"
    "              [--alarm-off ADDRESS]\n"
    "                            set the settings given (only these are in effect);\n"
    "                            K is 1..3, COLOR red|yellow|green, EFFECT flashing|steady,\n"
    "                            an empty ADDRESS sends the group without an address\n"
    "  voice download custom|fixed FOLDER   download the folder's WAV files\n"
    "  voice format custom|fixed            format the sound area\n"
    "  upgrade FILE              send a firmware image (.bin)\n"
    "  dump [FILE]               the host's parameters of its model as a JSON profile\n"
    "  apply FILE                apply a JSON profile (checked completely before sending)\n"
    "\n"
    "Ctrl-C cancels a transfer between two packets. Exit status: 0 on success,\n"
    "1 when the operation failed, 2 for a usage error or a value refused before sending.\n";

struct Options {
    SessionOptions session;
    std::string stateFile;
    bool json = false;
    bool quiet = false;
    std::optional<std::string> password;
    std::vector<std::string> args;
};

void PrintJson(const QJsonObject& o) {
    std::printf("%s", QJsonDocument(o).toJson(QJsonDocument::Indented).constData());
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "korvane-cli: %s\n(see korvane-cli --help)\n", why.c_str());
    return kExitUsage;
}

bool IsReadableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

class Runner {
  public:
    Runner(Options& o, SystemClock& clock, cli::TerminalOperator& op)
        : o_(o), op_(op), session_(clock, op, o.session) {
        session_.link().pump = [this] {
            if (gInterrupted) {
                gInterrupted = 0;
                session_.protocol().OnCancelRequest(1);
            }
            return true;
        };
    }

    // The emulated host's state from --emulator-state. A file that is there
    // but cannot be read is refused, and left as it is.
    bool LoadState() {
        if (!session_.emulator() || o_.stateFile.empty()) return true;
        if (cli::LoadEmulatorState(*session_.emulator(), o_.stateFile)) return true;
        std::fprintf(stderr, "korvane-cli: %s is not an emulator state file (left unchanged)\n",
                     o_.stateFile.c_str());
        return false;
    }
    bool SaveState() {
        if (!session_.emulator() || o_.stateFile.empty()) return true;
        if (cli::SaveEmulatorState(*session_.emulator(), o_.stateFile)) return true;
        std::fprintf(stderr, "korvane-cli: cannot write the emulator state to %s\n",
                     o_.stateFile.c_str());
        return false;
    }

    int Run();

  private:
    int List();
    int Frequency();
    int Basic();
    int Address();
    int Voice();
    int Dump();
    int Apply();
    std::optional<ops::BasicReadResult> ReadBasic() {
        return ops::ReadBasicParams(session_.context());
    }
    static std::string Arg(const std::vector<std::string>& a, std::size_t i) {
        return i < a.size() ? a[i] : std::string();
    }
    std::optional<LampModel> ModelOfHost();

    Options& o_;
    cli::TerminalOperator& op_;
    HostSession session_;
};

std::optional<LampModel> Runner::ModelOfHost() {
    if (session_.link().connected == 0) session_.link().FindDevice();
    if (session_.link().connected != 1) return std::nullopt;
    return session_.link().model;
}

int Runner::Run() {
    const auto& a = o_.args;
    const std::string cmd = Arg(a, 0);
    OperationContext& ctx = session_.context();
    if (cmd == "list") return List();
    if (cmd == "init") return ops::InitDevice(ctx) ? kExitOk : kExitFailed;
    if (cmd == "version") {
        const auto v = ops::ReadVersion(ctx);
        if (!v) return kExitFailed;
        if (o_.json)
            PrintJson(QJsonObject{{"version", QString::fromStdString(*v)}});
        else
            std::printf("%s\n", v->c_str());
        return kExitOk;
    }
    if (cmd == "frequency") return Frequency();
    if (cmd == "basic") return Basic();
    if (cmd == "address") return Address();
    if (cmd == "voice") return Voice();
    if (cmd == "upgrade") {
        if (a.size() != 2) return Usage("upgrade needs the image file");
        // The window's file chooser only offers files that exist; a typed path may not.
        if (!IsReadableFile(a[1])) return Usage("cannot read the image file " + a[1]);
        op_.file = a[1];
        if (ops::UpgradeFirmware(ctx)) return kExitOk;
        struct stat st {};
        const bool tooLarge = ::stat(a[1].c_str(), &st) == 0 &&
                              static_cast<std::size_t>(st.st_size) > ops::kMaxFirmwareImage;
        return tooLarge ? kExitUsage : kExitFailed;
    }
    if (cmd == "dump") return Dump();
    if (cmd == "apply") return Apply();
    return Usage(cmd.empty() ? "no command given" : "unknown command '" + cmd + "'");
}

int Runner::List() {
    QJsonArray hosts;
    for (const HidDeviceInfo& d : session_.backend().Enumerate()) {
        const std::optional<LampModel> found = ModelOfDevice(d.vendor, d.product);
        if (!found) continue;
        const char* model = ModelName(*found);
        char id[16];
        std::snprintf(id, sizeof id, "%04x:%04x", d.vendor, d.product);
        if (o_.json)
            hosts.append(QJsonObject{
                {"path", QString::fromStdString(d.path)}, {"id", id}, {"model", model}});
        else
            std::printf("%s\t%s\t%s\n", d.path.c_str(), id, model);
    }
    if (o_.json) PrintJson(QJsonObject{{"hosts", hosts}});
    return kExitOk;
}

int Runner::Frequency() {
    const auto& a = o_.args;
    const std::string sub = Arg(a, 1);
    if (sub == "get" && a.size() == 2) {
        const auto f = ops::ReadFrequency(session_.context());
        if (!f) return kExitFailed;
        if (o_.json)
            PrintJson(QJsonObject{{"frequency", QString::fromStdString(FormatMhz(*f))}});
        else
            std::printf("%s\n", FormatMhz(*f).c_str());
        return kExitOk;
    }
    if (sub == "set" && a.size() == 3) {
        const auto f = ParseMhzText(a[2]);
        if (!f) return Usage("'" + a[2] + "' is not a number");
        if (!FrequencyInRange(*f)) return Usage("the frequency must lie in 100..999 MHz");
        return ops::SetFrequency(session_.context(), *f) ? kExitOk : kExitFailed;
    }
    return Usage("frequency get | frequency set MHZ");
}

QJsonObject BasicJson(const BasicReadBack& b) {
    QJsonObject o;
    if (b.alarmTime) o["alarmTime"] = QString::fromStdString(AlarmTimeText(*b.alarmTime));
    if (b.volumeIndex) o["volume"] = *b.volumeIndex + 1;
    if (b.channelIndex) o["channel"] = *b.channelIndex;
    if (b.password) o["password"] = QString::fromStdString(*b.password);
    return o;
}

int Runner::Basic() {
    const auto& a = o_.args;
    const std::string sub = Arg(a, 1);
    if (sub == "get" && a.size() == 2) {
        const auto r = ReadBasic();
        if (!r) return kExitFailed;
        const QJsonObject o = BasicJson(r->values);
        if (o_.json) {
            PrintJson(o);
        } else {
            for (auto it = o.begin(); it != o.end(); ++it)
                std::printf("%s: %s\n", it.key().toUtf8().constData(),
                            it.value().isString() ? it.value().toString().toUtf8().constData()
                                                  : std::to_string(it.value().toInt()).c_str());
        }
        return kExitOk;
    }
    if (sub != "set") return Usage("basic get | basic set [options]");
    BasicParamValues v{"10", 0, 0, "QKMR"};
    for (std::size_t i = 2; i < a.size(); i += 2) {
        if (i + 1 >= a.size()) return Usage(a[i] + " needs a value");
        const std::string& key = a[i];
        const std::string& val = a[i + 1];
        if (key == "--alarm-time") {
            v.alarmTimeText = val;
        } else if (key == "--volume") {
            const int n = TextToInt(val);
            if (n < 1 || n > 8) return Usage("--volume must be 1..8");
            v.volumeIndex = n - 1;
        } else if (key == "--channel") {
            const int n = TextToInt(val);
            if (n < 0 || n > 9 || val.empty()) return Usage("--channel must be 0..9");
            v.channelIndex = n;
        } else if (key == "--comm-password") {
            if (val.size() > 4) return Usage("--comm-password has at most four characters");
            v.password = val;
            for (char& c : v.password)
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        } else {
            return Usage("unknown option " + key);
        }
    }
    // The operation shows the window's text for a refused value and sends nothing.
    const bool valid = BasicParamRecords(v).error == BasicParamError::None;
    if (ops::SetBasicParams(session_.context(), v)) return kExitOk;
    return valid ? kExitFailed : kExitUsage;
}

QJsonObject AddressJson(const std::vector<AddressReadItem>& items, int* soundCount) {
    QJsonObject o;
    QJsonArray groups;
    for (const AddressReadItem& it : items) {
        switch (it.kind) {
            case AddressReadItem::Kind::Volume:
                o["volume"] = QString::fromStdString(it.text);
                break;
            case AddressReadItem::Kind::Group:
                groups.append(QJsonObject{{"group", it.group + 1},
                                          {"address", QString::fromStdString(it.text)},
                                          {"color", cli::ColorName(it.colorIndex)},
                                          {"effect", cli::EffectName(it.effectIndex)},
                                          {"lampDuration", it.lampDuration},
                                          {"soundEffect", it.soundEffect},
                                          {"soundDuration", it.soundDuration}});
                break;
            case AddressReadItem::Kind::AlarmOff:
                o["alarmOff"] = QString::fromStdString(it.text);
                break;
            case AddressReadItem::Kind::SoundCount:
                o["alarmSounds"] = it.soundCount;
                if (soundCount) *soundCount = it.soundCount;
                break;
        }
    }
    o["groups"] = groups;
    return o;
}

int Runner::Address() {
    const auto& a = o_.args;
    const std::string sub = Arg(a, 1);
    if (sub == "get" && a.size() == 2) {
        const auto items = ops::ReadAddressCodes(session_.context());
        if (!items) return kExitFailed;
        const QJsonObject o = AddressJson(*items, nullptr);
        if (o_.json) {
            PrintJson(o);
            return kExitOk;
        }
        for (const AddressReadItem& it : *items) {
            switch (it.kind) {
                case AddressReadItem::Kind::Volume:
                    std::printf("volume: %s\n", it.text.c_str());
                    break;
                case AddressReadItem::Kind::Group:
                    std::printf(
                        "group %d: address %s, %s, %s, lamp %d, sound effect %d, sound %d\n",
                        it.group + 1, it.text.c_str(), cli::ColorName(it.colorIndex),
                        cli::EffectName(it.effectIndex), it.lampDuration, it.soundEffect,
                        it.soundDuration);
                    break;
                case AddressReadItem::Kind::AlarmOff:
                    std::printf("alarm-off address: %s\n", it.text.c_str());
                    break;
                case AddressReadItem::Kind::SoundCount: {
                    char line[128];
                    std::snprintf(line, sizeof line, texts::kAlarmSoundCount, it.soundCount);
                    std::printf("%s\n", line);
                    break;
                }
            }
        }
        return kExitOk;
    }
    if (sub != "set") return Usage("address get | address set [options]");
    AddressCodeValues v;
    for (auto& g : v.groups) {
        g.address = "0120120";
        g.lampDuration = "0";
        g.soundEffect = "1";
        g.soundDuration = "0";
    }
    v.alarmOffAddress = "0119119";
    for (std::size_t i = 2; i < a.size(); i += 2) {
        if (i + 1 >= a.size()) return Usage(a[i] + " needs a value");
        const std::string& key = a[i];
        const std::string& val = a[i + 1];
        if (key == "--volume") {
            v.volumeInEffect = true;
            v.volume = val;
        } else if (key == "--alarm-off") {
            v.alarmOffInEffect = true;
            v.alarmOffAddress = val;
        } else if (key == "--group") {
            std::vector<std::string> f;
            std::stringstream ss(val);
            for (std::string part; std::getline(ss, part, ':');) f.push_back(part);
            if (!val.empty() && val.back() == ':') f.emplace_back();
            if (f.size() != 2 && f.size() != 7)
                return Usage("--group K:ADDRESS[:COLOR:EFFECT:LAMP:SOUNDFX:SOUND]");
            const int k = TextToInt(f[0]);
            if (k < 1 || k > 3) return Usage("--group: K must be 1..3");
            AddressGroupValues& g = v.groups[k - 1];
            g.inEffect = true;
            g.address = f[1];
            if (g.address.size() > 7 ||
                g.address.find_first_not_of("0123456789") != std::string::npos)
                return Usage("--group: the address has at most seven digits");
            if (f.size() == 7) {
                g.colorIndex = cli::ColorIndex(f[2]);
                g.effectIndex = cli::EffectIndex(f[3]);
                if (g.colorIndex < 0) return Usage("--group: COLOR is red, yellow or green");
                if (g.effectIndex < 0) return Usage("--group: EFFECT is flashing or steady");
                g.lampDuration = f[4];
                g.soundEffect = f[5];
                g.soundDuration = f[6];
            }
        } else {
            return Usage("unknown option " + key);
        }
    }
    if (!v.volumeInEffect && !v.alarmOffInEffect && !v.groups[0].inEffect &&
        !v.groups[1].inEffect && !v.groups[2].inEffect)
        return Usage("address set: give at least one of --volume, --group, --alarm-off");
    const bool valid = AddressCodeRecords(v).error == AddressCodeError::None;
    if (ops::SetAddressCodes(session_.context(), v)) return kExitOk;
    return valid ? kExitFailed : kExitUsage;
}

int Runner::Voice() {
    const auto& a = o_.args;
    const std::string sub = Arg(a, 1);
    const std::string area = Arg(a, 2);
    if (area != "custom" && area != "fixed") return Usage("voice download|format custom|fixed");
    const ops::SoundArea which = area == "custom" ? ops::SoundArea::Custom : ops::SoundArea::Fixed;
    op_.password = o_.password;
    if (sub == "download" && a.size() == 4) {
        op_.folder = a[3];
        return ops::DownloadVoice(session_.context(), which) ? kExitOk : kExitFailed;
    }
    if (sub == "format" && a.size() == 3)
        return ops::FormatVoiceArea(session_.context(), which) ? kExitOk : kExitFailed;
    return Usage("voice download custom|fixed FOLDER | voice format custom|fixed");
}

int Runner::Dump() {
    const std::optional<LampModel> found = ModelOfHost();
    if (!found) {
        std::fprintf(stderr, "%s\n", texts::kNotConnected);
        return kExitFailed;
    }
    const int model = ModelIndex(*found);
    cli::Profile p;
    p.model = model;
    const auto f = ops::ReadFrequency(session_.context());
    if (!f) return kExitFailed;
    p.frequency = *f;
    if (model == 0) {
        const auto r = ReadBasic();
        if (!r) return kExitFailed;
        const BasicReadBack& b = r->values;
        p.basic = {AlarmTimeText(b.alarmTime.value_or(10)), b.volumeIndex.value_or(0),
                   b.channelIndex.value_or(0), b.password.value_or("")};
    } else {
        const auto items = ops::ReadAddressCodes(session_.context());
        if (!items) return kExitFailed;
        AddressCodeValues& v = p.address;
        for (auto& g : v.groups) g = AddressGroupValues{false, "", 0, 0, "0", "1", "0"};
        for (const AddressReadItem& it : *items) {
            if (it.kind == AddressReadItem::Kind::Volume) {
                v.volumeInEffect = true;
                v.volume = it.text;
            } else if (it.kind == AddressReadItem::Kind::Group) {
                v.groups[it.group] = AddressGroupValues{true,
                                                        it.text,
                                                        it.colorIndex,
                                                        it.effectIndex,
                                                        std::to_string(it.lampDuration),
                                                        std::to_string(it.soundEffect),
                                                        std::to_string(it.soundDuration)};
            } else if (it.kind == AddressReadItem::Kind::AlarmOff) {
                v.alarmOffInEffect = true;
                v.alarmOffAddress = it.text;
            }
        }
    }
    const std::string json = cli::ProfileToJson(p);
    if (o_.args.size() >= 2) {
        std::ofstream out(o_.args[1], std::ios::binary | std::ios::trunc);
        if (!out || !(out << json)) {
            std::fprintf(stderr, "korvane-cli: cannot write %s\n", o_.args[1].c_str());
            return kExitFailed;
        }
    } else {
        std::printf("%s", json.c_str());
    }
    return kExitOk;
}

int Runner::Apply() {
    if (o_.args.size() != 2) return Usage("apply needs the profile file");
    std::string text;
    if (!ReadFile(o_.args[1], text)) return Usage("cannot read " + o_.args[1]);
    std::string error;
    const auto p = cli::ProfileFromJson(text, error);
    if (!p) return Usage(o_.args[1] + ": " + error);
    if (const std::string why = cli::ValidateProfile(*p); !why.empty())
        return Usage(o_.args[1] + ": " + why + " (nothing was sent)");
    const std::optional<LampModel> found = ModelOfHost();
    if (!found) {
        std::fprintf(stderr, "%s\n", texts::kNotConnected);
        return kExitFailed;
    }
    if (ModelIndex(*found) != p->model)
        return Usage(o_.args[1] + ": the profile is for another lamp model than the host's");
    if (p->frequency && !ops::SetFrequency(session_.context(), *p->frequency)) return kExitFailed;
    const bool ok = p->model == 0 ? ops::SetBasicParams(session_.context(), p->basic)
                                  : ops::SetAddressCodes(session_.context(), p->address);
    return ok ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            (void)what;
            return std::string(argv[++i]);
        };
        if (!o.args.empty()) {
            o.args.push_back(a);  // options of the subcommand
        } else if (a == "--help" || a == "-h") {
            std::printf("%s", kUsage);
            return kExitOk;
        } else if (a == "--version") {
            std::printf("korvane-cli %s\n", KORVANE_VERSION);
            return kExitOk;
        } else if (a == "--emulate") {
            const auto v = next("--emulate");
            o.session.emulate = v ? ParseLampModel(*v) : std::nullopt;
            if (!o.session.emulate) return Usage("--emulate takes rt220 or rt221");
        } else if (a == "--emulator-state") {
            const auto v = next("--emulator-state");
            if (!v) return Usage("--emulator-state needs a file");
            o.stateFile = *v;
        } else if (a == "--device") {
            const auto v = next("--device");
            if (!v) return Usage("--device needs a path");
            o.session.devicePath = *v;
        } else if (a == "--password") {
            const auto v = next("--password");
            if (!v) return Usage("--password needs a value");
            o.password = *v;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a.rfind("--", 0) == 0) {
            return Usage("unknown option " + a);
        } else {
            o.args.push_back(a);
        }
    }
    if (o.args.empty()) return Usage("no command given");
    if (!o.stateFile.empty() && !o.session.emulate)
        return Usage("--emulator-state works with --emulate only");

    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);

    SystemClock clock;
    // With --json, and for a profile dumped to standard output, standard output
    // carries the JSON alone; the messages go to standard error.
    const bool dataOnStdout = o.json || (o.args[0] == "dump" && o.args.size() < 2);
    cli::TerminalOperator op(dataOnStdout ? stderr : stdout, stderr);
    op.showProgress = !o.quiet;
    Runner runner(o, clock, op);
    if (!runner.LoadState()) return kExitUsage;
    const int status = runner.Run();
    // The emulated host's state is the provisioning result: losing it is a failure.
    if (!runner.SaveState()) return status == kExitOk ? kExitFailed : status;
    return status;
}
