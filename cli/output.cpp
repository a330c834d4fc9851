#include "cli/output.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "cli/command_line.h"
#include "cli/command_table.h"
#include "cli/profile.h"
#include "common/texts.h"
#include "common/version.h"
#include "protocol/frequency.h"
#include "protocol/sound_image.h"

namespace korvane::cli {

namespace {

// Before and after the commands, which the command table lists.
const char* const kHelpHead =
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
    "  --bar                     the progress bar even when standard error is no terminal\n"
    "  --encoding utf8|oem       the text's encoding in a pipe or a file: UTF-8 (the\n"
    "                            default), or the console's OEM code page, as cmd's\n"
    "                            pipes and PowerShell read it (Windows); a console\n"
    "                            shows the characters either way\n"
    "  --help, --version\n"
    "\n"
    "Commands:\n";

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

QJsonObject BasicJson(const BasicReadBack& b) {
    QJsonObject o;
    if (b.alarmTime) o["alarmTime"] = QString::fromStdString(AlarmTimeText(*b.alarmTime));
    if (b.volumeIndex) o["volume"] = *b.volumeIndex + 1;
    if (b.channelIndex) o["channel"] = *b.channelIndex;
    if (b.password) o["password"] = QString::fromStdString(GbkToUtf8(*b.password));
    return o;
}

QJsonObject AddressJson(const std::vector<AddressReadItem>& items) {
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
                                          {"color", ColorName(it.colorIndex)},
                                          {"effect", EffectName(it.effectIndex)},
                                          {"lampDuration", it.lampDuration},
                                          {"soundEffect", it.soundEffect},
                                          {"soundDuration", it.soundDuration}});
                break;
            case AddressReadItem::Kind::AlarmOff:
                o["alarmOff"] = QString::fromStdString(it.text);
                break;
            case AddressReadItem::Kind::SoundCount:
                o["alarmSounds"] = it.soundCount;
                break;
        }
    }
    o["groups"] = groups;
    return o;
}

void Output::Help() const {
    PrintText(out_, "%s%s", kHelpHead, CommandHelp().c_str());
    PrintText(out_, kHelpTail, ModelName(LampModel::Rt220), ModelName(LampModel::Rt221));
}

void Output::Version() const { PrintText(out_, "korvane-cli %s\n", KORVANE_VERSION); }

void Output::UsageError(const std::string& why) const {
    PrintText(err_, "korvane-cli: %s\n(see korvane-cli --help)\n", why.c_str());
}

void Output::Error(const std::string& what) const {
    PrintText(err_, "korvane-cli: %s\n", what.c_str());
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
            list.append(QJsonObject{
                {"path", QString::fromStdString(h.path)}, {"id", id}, {"model", model}});
        else
            PrintText(out_, "%s\t%s\t%s\n", h.path.c_str(), id, model);
    }
    if (json) PrintJson(QJsonObject{{"hosts", list}});
}

void Output::Basic(const BasicReadBack& b) const {
    const QJsonObject o = BasicJson(b);
    if (json) {
        PrintJson(o);
        return;
    }
    // The lines follow the JSON object's keys, in its (alphabetical) order.
    for (auto it = o.begin(); it != o.end(); ++it)
        PrintText(out_, "%s: %s\n", it.key().toUtf8().constData(),
                  it.value().isString() ? it.value().toString().toUtf8().constData()
                                        : std::to_string(it.value().toInt()).c_str());
}

void Output::Address(const std::vector<AddressReadItem>& items) const {
    if (json) {
        PrintJson(AddressJson(items));
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

}  // namespace korvane::cli
