#include "cli/output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>

#include "cli/command_table.h"
#include "cli/commands.h"
#include "cli/profile.h"
#include "cli/terminal_text.h"
#include "common/texts.h"
#include "common/version.h"
#include "protocol/bulk_packets.h"
#include "protocol/frequency.h"
#include "protocol/sound_image.h"
#include "vocabulary/settings_json.h"

namespace korvane::cli {

namespace {

// Before and after the commands, which the command table lists.
const char* const kHelpHead = "Usage: korvane-cli [options] <command> [arguments]\n\nOptions:\n";

// The two %s are the model names of the RT-220 and the RT-221.
const char* const kHelpTail =
    "\n"
    "Hosts: the %s keeps the basic parameters (basic get|set), the %s the\n"
    "address-code parameters and the alarm-sound count (address get|set); every other\n"
    "command serves both. dump and apply take the parameters of the host's own model.\n"
    "An emulated host (--emulate rt220 or rt221) answers every command of the list.\n"
    "\n"
    "Ctrl-C, or closing the console window, cancels a transfer between two packets\n"
    "and ends the wait for a format at once (the host may still be formatting).\n"
    "Exit status: 0 on success, 1 when the operation failed, 2 for a usage error or\n"
    "a value refused before sending.\n";

}  // namespace

void Output::Help() const {
    PrintText(out_, "%s%s\nCommands:\n%s", kHelpHead, GlobalHelp().c_str(), CommandHelp().c_str());
    PrintText(out_, kHelpTail, ModelName(LampModel::Rt220), ModelName(LampModel::Rt221));
}

void Output::Version() const { PrintText(out_, "korvane-cli %s\n", KORVANE_VERSION); }

void Output::UsageError(const std::string& why) const {
    PrintText(err_, "korvane-cli: %s\n(see korvane-cli --help)\n", why.c_str());
    lastError_ = why;
    if (json) Failure({});
}

void Output::Error(const std::string& what) const {
    PrintText(err_, "korvane-cli: %s\n", what.c_str());
    lastError_ = what;
}

void Output::Text(const std::string& text) const { PrintText(out_, "%s", text.c_str()); }

void Output::Note(const std::string& what) const {
    PrintText(err_, "korvane-cli: %s\n", what.c_str());
}

void Output::Failure(const std::vector<std::string>& shown) const {
    if (!json || failureSaid_) return;
    failureSaid_ = true;
    const std::string error = !lastError_.empty() ? lastError_
                              : !shown.empty()    ? shown.back()
                                                  : std::string("failed");
    PrintText(
        out_, "%s\n",
        QJsonDocument(vocab::FailureJson(error, shown)).toJson(QJsonDocument::Compact).constData());
}

void Output::Message(const std::string& text) const { PrintText(err_, "%s\n", text.c_str()); }

void Output::PrintJson(const QJsonObject& o) const {
    PrintText(out_, "%s", QJsonDocument(o).toJson(QJsonDocument::Indented).constData());
}

void Output::FirmwareVersion(const std::string& version) const {
    // The host's bytes are code page 936 text, shown as the window shows them.
    const std::string text = GbkToUtf8(version);
    if (json)
        PrintJson(QJsonObject{{"version", QString::fromStdString(text)}});
    else
        PrintText(out_, "%s\n", text.c_str());
}

void Output::Frequency(float mhz) const {
    if (json)
        PrintJson(QJsonObject{{"frequency", QString::fromStdString(FormatMhz(mhz))}});
    else
        PrintText(out_, "%s\n", FormatMhz(mhz).c_str());
}

void Output::Hosts(const std::vector<HostEntry>& hosts) const {
    QJsonArray list;
    for (const HostEntry& h : hosts) {
        char id[16];
        std::snprintf(id, sizeof id, "%04x:%04x", h.vendor, h.product);
        const char* model = ModelName(h.model);
        if (json)
            list.append(QJsonObject{{"path", QString::fromStdString(h.path)},
                                    {"id", id},
                                    {"model", model},
                                    {"serial", QString::fromStdString(h.serial)},
                                    {"port", QString::fromStdString(h.port)}});
        else
            PrintText(out_, "%s\t%s\t%s\t%s\t%s\n", h.path.c_str(), id, model, h.serial.c_str(),
                      h.port.c_str());
    }
    if (json) PrintJson(QJsonObject{{"hosts", list}});
}

void Output::Basic(const BasicReadBack& b) const {
    const QJsonObject o = vocab::BasicJson(b);
    if (json) {
        PrintJson(o);
        return;
    }
    // The lines follow the JSON object's keys, in its (alphabetical) order;
    // the alarm time as the window's list shows it ("一直响" for 0).
    for (auto it = o.begin(); it != o.end(); ++it) {
        const std::string value = it.key() == "alarmTime" ? AlarmTimeText(it.value().toInt())
                                  : it.value().isString() ? it.value().toString().toStdString()
                                                          : std::to_string(it.value().toInt());
        PrintText(out_, "%s: %s\n", it.key().toUtf8().constData(), value.c_str());
    }
}

void Output::Address(const std::vector<AddressReadItem>& items) const {
    if (json) {
        PrintJson(vocab::AddressJson(items));
        return;
    }
    for (const AddressReadItem& it : items) {
        switch (it.kind) {
            case AddressReadItem::Kind::Volume:
                PrintText(out_, "volume: %s\n", it.text.c_str());
                break;
            case AddressReadItem::Kind::Group:
                PrintText(
                    out_, "group %d: address %s, %s, %s, lamp %d, sound effect %d, sound %d\n",
                    it.group + 1, it.text.c_str(), ColorName(it.colorIndex),
                    EffectName(it.effectIndex), it.lampDuration, it.soundEffect, it.soundDuration);
                break;
            case AddressReadItem::Kind::AlarmOff:
                PrintText(out_, "alarm-off address: %s\n", it.text.c_str());
                break;
            case AddressReadItem::Kind::SoundCount: {
                char line[128];
                std::snprintf(line, sizeof line, texts::kAlarmSoundCount, it.soundCount);
                PrintText(out_, "%s\n", line);
                break;
            }
        }
    }
}

void Output::Profile(const std::string& jsonText) const { PrintText(out_, "%s", jsonText.c_str()); }

std::size_t Columns(const std::string& utf8) {
    std::size_t n = 0;
    for (const char32_t c : QString::fromStdString(utf8).toUcs4())
        n += (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                     (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                     (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                     (c >= 0xFFE0 && c <= 0xFFE6)
                 ? 2
                 : 1;
    return n;
}

namespace {

// Rows of cells, each column as wide as its widest cell, the last left ragged.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            widths[i] = std::max(widths[i], Columns(row[i]));
        }
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            out += row[i];
            if (i + 1 < row.size()) out.append(widths[i] - Columns(row[i]) + 2, ' ');
        }
        out += "\n";
    }
    return out;
}

// 3145728 as 3,145,728.
std::string Grouped(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string Duration(std::int64_t ms) {
    char text[64];
    if (ms < 60000)
        std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(ms) / 1000);
    else
        std::snprintf(text, sizeof text, "%lld min %lld s", static_cast<long long>(ms / 60000),
                      static_cast<long long>((ms % 60000 + 500) / 1000));
    return text;
}

std::string Quoted(const std::string& gbk) { return "\"" + GbkToUtf8(gbk) + "\""; }

std::string WaveText(const ops::PlannedSound& s) {
    if (s.bytes == 0) return "empty";
    if (!s.wave.riffWave) return "not RIFF/WAVE";
    if (!s.wave.channels) return "RIFF/WAVE without a format";
    char text[128];
    std::snprintf(text, sizeof text, "%u ch, %u Hz, %u bit", unsigned{*s.wave.channels},
                  unsigned{*s.wave.sampleRate}, unsigned{*s.wave.bitsPerSample});
    std::string out = text;
    if (const auto seconds = s.wave.Seconds()) {
        std::snprintf(text, sizeof text, ", %.2f s", *seconds);
        out += text;
    }
    if (s.wave.dataCutShort) out += " (its sound is cut short)";
    return out;
}

// What becomes of a name longer than the 8-byte field, byte for byte.
std::string LongNameWarning(const ops::PlannedSound& s) {
    const std::string& name = s.gbkName;
    std::string why = s.file + ": \"" + GbkToUtf8(name) + "\" is " + std::to_string(name.size()) +
                      " bytes, the name field 8: the host gets " +
                      Quoted(SoundNameField(s.header)) + ", the length overwrites " +
                      Quoted(name.substr(8, 4));
    if (name.size() > 12) {
        const std::string kept = name.substr(12, kSoundHeader - 12);
        why += ", " + Quoted(kept) + " stays in " +
               (kept.size() == 1 ? "byte 12" : "bytes 12-" + std::to_string(11 + kept.size())) +
               " of the entry";
    }
    if (name.size() > kSoundHeader)
        why += ", and " + Quoted(name.substr(kSoundHeader)) + " is cut off";
    return why;
}

std::string Listed(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
        out += names[i];
    }
    return out;
}

}  // namespace

void Output::Plan(const std::string& folder, const ops::SoundPlan& plan) const {
    if (plan.sounds.empty() && !json) {
        PrintText(out_, "%s\n", plan.refusal.c_str());
        return;
    }
    std::vector<std::vector<std::string>> rows{{"#", "name", "bytes", "header", "file"}};
    std::vector<std::string> warnings;
    for (std::size_t i = 0; i < plan.sounds.size(); ++i) {
        const ops::PlannedSound& s = plan.sounds[i];
        rows.push_back({std::to_string(i + 1), GbkToUtf8(SoundNameField(s.header)),
                        Grouped(s.bytes), WaveText(s), s.file});
        if (s.gbkName.size() > 8) warnings.push_back(LongNameWarning(s));
        if (s.bytes == 0)
            warnings.push_back(s.file + " is empty: it goes out as an entry without sound");
        else if (!s.wave.riffWave)
            warnings.push_back(s.file + " is no RIFF/WAVE file: it goes out as it is");
    }
    for (const auto& same : plan.sameNames) {
        std::vector<std::string> files;
        files.reserve(same.size());
        for (std::size_t i : same) files.push_back(plan.sounds[i].file);
        warnings.push_back(Listed(files) + (files.size() == 2 ? " both" : " all") + " become " +
                           Quoted(SoundNameField(plan.sounds[same[0]].header)));
    }
    if (json) {
        QJsonArray sounds;
        for (const ops::PlannedSound& sound : plan.sounds) {
            QJsonObject o = vocab::SoundJson(GbkToUtf8(SoundNameField(sound.header)), sound.bytes);
            o["file"] = QString::fromStdString(sound.file);
            sounds.append(o);
        }
        QJsonArray told;
        for (const std::string& w : warnings) told.append(QString::fromStdString(w));
        QJsonObject o{{"folder", QString::fromStdString(folder)},
                      {"sounds", sounds},
                      {"audio", static_cast<qint64>(plan.audioTotal)},
                      {"packets", static_cast<qint64>(plan.packets)},
                      {"pacingMs", static_cast<qint64>(plan.pacingMs)},
                      {"warnings", told}};
        if (!plan.refusal.empty()) o["refusal"] = QString::fromStdString(plan.refusal);
        PrintJson(o);
        return;
    }
    PrintText(out_, "The download of %s, in sending order (nothing is sent):\n%s", folder.c_str(),
              Table(rows).c_str());
    for (const std::string& w : warnings) PrintText(out_, "warning: %s\n", w.c_str());
    PrintText(out_, "audio:   %s of %s bytes\n", Grouped(plan.audioTotal).c_str(),
              Grouped(kSoundAudioLimit).c_str());
    PrintText(out_, "packets: %s of %s (%s bytes with the entries' headers)\n",
              Grouped(plan.packets).c_str(), Grouped(kMaxPackets).c_str(),
              Grouped(plan.imageLength).c_str());
    PrintText(out_, "pacing:  at least %s\n", Duration(plan.pacingMs).c_str());
    PrintText(out_, "%s\n",
              plan.refusal.empty() ? "The download would go ahead." : plan.refusal.c_str());
}

void Output::RecordLines(const std::vector<QJsonObject>& lines) const {
    if (json) {
        for (const QJsonObject& line : lines)
            PrintText(out_, "%s\n", QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
        return;
    }
    auto text = [](const QJsonValue& v) {
        const std::string s = v.toString().toStdString();
        return s.empty() ? std::string("-") : s;
    };
    std::vector<std::vector<std::string>> rows{
        {"time", "program", "host", "model", "firmware", "operation", "outcome", "texts"}};
    for (const QJsonObject& line : lines) {
        const QJsonObject host = line["host"].toObject();
        std::string shown;
        for (const QJsonValue t : line["texts"].toArray())
            shown += (shown.empty() ? "" : " / ") + t.toString().trimmed().toStdString();
        std::replace(shown.begin(), shown.end(), '\n', ' ');
        rows.push_back({text(line["time"]), text(line["program"]), text(host["path"]),
                        text(host["model"]), text(host["firmware"]), text(line["operation"]),
                        text(line["outcome"]), shown});
    }
    PrintText(out_, "%s", Table(rows).c_str());
}

}  // namespace korvane::cli

namespace korvane::cli {

namespace {

std::string IdOf(const HidDeviceInfo& info) {
    char id[16];
    std::snprintf(id, sizeof id, "%04x:%04x", info.vendor, info.product);
    return id;
}

std::string Ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", ms);
    return text;
}

QJsonArray Strings(const std::vector<std::string>& list) {
    QJsonArray out;
    for (const std::string& s : list) out.append(QString::fromStdString(s));
    return out;
}

QJsonObject DoctorDeviceJson(const DoctorDevice& d) {
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    QJsonObject o{{"path", q(d.info.path)},           {"id", q(IdOf(d.info))},
                  {"product", q(d.info.productName)}, {"serial", q(d.info.serial)},
                  {"port", q(d.info.port)},           {"opened", d.opened}};
    if (d.model) o["model"] = ModelName(*d.model);
    if (d.refusal)
        o["refusal"] = QJsonObject{{"kind", RefusalName(d.refusal->kind)},
                                   {"code", static_cast<qint64>(d.refusal->code)},
                                   {"text", q(d.refusal->text)}};
    if (!d.failure.empty()) o["failure"] = q(d.failure);
    if (d.firmware) o["firmware"] = q(*d.firmware);
    if (d.roundTrip)
        o["roundTripMs"] = QJsonObject{{"min", d.roundTrip->minMs},
                                       {"median", d.roundTrip->medianMs},
                                       {"max", d.roundTrip->maxMs},
                                       {"reads", d.roundTrip->reads}};
    if (!d.access.node.empty()) o["node"] = q(d.access.node);
    if (!d.access.notes.empty()) o["notes"] = Strings(d.access.notes);
    QJsonArray holders;
    for (const NodeHolder& h : d.access.holders)
        holders.append(QJsonObject{{"pid", static_cast<qint64>(h.pid)}, {"name", q(h.name)}});
    o["holders"] = holders;
    o["unseenProcesses"] = static_cast<qint64>(d.access.unseen);
    return o;
}

QJsonObject DoctorJson(const DoctorReport& r) {
    auto q = [](const std::string& s) { return QString::fromStdString(s); };
    QJsonArray devices;
    for (const DoctorDevice& d : r.devices) devices.append(DoctorDeviceJson(d));
    QJsonArray files;
    for (const FileCheck& f : r.files)
        files.append(QJsonObject{
            {"what", q(f.what)}, {"path", q(f.path)}, {"usable", f.usable}, {"state", q(f.state)}});
    QJsonObject o{{"answered", r.answered},
                  {"reasons", Strings(r.reasons)},
                  {"warnings", Strings(r.warnings)},
                  {"devices", devices},
                  {"files", files},
                  {"program", QJsonObject{{"name", "korvane-cli"},
                                          {"version", q(r.version)},
                                          {"system", q(r.system)},
                                          {"backend", q(r.backend)}}}};
    if (!r.setup.rule.empty() || !r.setup.seat.empty())
        o["access"] = QJsonObject{{"rule", q(r.setup.rule)},
                                  {"ruleFiles", Strings(r.setup.ruleFiles)},
                                  {"seat", q(r.setup.seat)}};
    return o;
}

// A device's lines of the text report.
std::string DoctorDeviceText(const DoctorDevice& d) {
    std::string out = "  " + (d.info.path.empty() ? std::string("(no path)") : d.info.path) + "  " +
                      IdOf(d.info) + "  " + (d.model ? ModelName(*d.model) : "not a host");
    if (!d.info.productName.empty()) out += "  \"" + d.info.productName + "\"";
    out += "  serial " + (d.info.serial.empty() ? std::string("-") : d.info.serial);
    out += "  port " + (d.info.port.empty() ? std::string("-") : d.info.port) + "\n";
    if (d.model) {
        std::string open = d.opened ? "opens" : "does not open";
        if (d.refusal)
            open += std::string(": ") + RefusalName(d.refusal->kind) + " (" + d.refusal->text + ")";
        if (!d.opened && !d.refusal && !d.failure.empty()) open += ": " + d.failure;
        out += "    " + open + "\n";
    }
    if (d.firmware) out += "    firmware " + *d.firmware + "\n";
    if (d.roundTrip)
        out += "    " + std::to_string(d.roundTrip->reads) + " version reads: min " +
               Ms(d.roundTrip->minMs) + ", median " + Ms(d.roundTrip->medianMs) + ", max " +
               Ms(d.roundTrip->maxMs) + "\n";
    if (d.opened && !d.failure.empty()) out += "    failed: " + d.failure + "\n";
    if (!d.access.node.empty()) out += "    node " + d.access.node + "\n";
    for (const std::string& n : d.access.notes) out += "    " + n + "\n";
    for (const NodeHolder& h : d.access.holders)
        out += "    held by " + std::to_string(h.pid) + " (" + h.name + ")\n";
    if (d.access.unseen > 0)
        out += "    the open files of " + std::to_string(d.access.unseen) +
               " processes could not be looked at\n";
    return out;
}

}  // namespace

void Output::Doctor(const DoctorReport& r) const {
    if (json) {
        PrintJson(DoctorJson(r));
        return;
    }
    std::string out = r.answered ? "A host answered.\n" : "No host answered.\n";
    for (const std::string& why : r.reasons) out += "  likely: " + why + "\n";
    for (const std::string& w : r.warnings) out += "  warning: " + w + "\n";
    out += "\nDevices of vendor 0483:\n";
    if (r.devices.empty()) out += "  none\n";
    for (const DoctorDevice& d : r.devices) out += DoctorDeviceText(d);
    if (!r.setup.rule.empty()) {
        out += "\nAccess: the udev rule: " + r.setup.rule;
        for (const std::string& f : r.setup.ruleFiles) out += ", " + f;
        out += "; at the seat: " + r.setup.seat + "\n";
    }
    out += "\nFiles:\n";
    std::vector<std::vector<std::string>> rows;
    for (const FileCheck& f : r.files)
        rows.push_back({"  " + f.what, f.path.empty() ? "-" : f.path,
                        (f.usable ? "usable" : "not usable") +
                            (f.state.empty() ? std::string() : " (" + f.state + ")")});
    out += Table(rows);
    out +=
        "\nProgram: korvane-cli " + r.version + "; " + r.system + "; backend " + r.backend + "\n";
    PrintText(out_, "%s", out.c_str());
}

}  // namespace korvane::cli
