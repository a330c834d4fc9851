#include "cli/emulator_state.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"

namespace korvane::cli {

namespace {

QString Encode(const Bytes& b) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()))
            .toBase64());
}

Bytes Decode(const QJsonValue& v) {
    const QByteArray raw = QByteArray::fromBase64(v.toString().toLatin1());
    return Bytes(raw.begin(), raw.end());
}

QJsonArray Sounds(const std::vector<SoundEntry>& area) {
    QJsonArray a;
    for (const SoundEntry& e : area) {
        const Bytes name(e.name.begin(), e.name.end());
        a.append(QJsonObject{{"name", Encode(name)}, {"length", static_cast<qint64>(e.length)}});
    }
    return a;
}

std::vector<SoundEntry> Sounds(const QJsonValue& v) {
    std::vector<SoundEntry> area;
    for (const auto& item : v.toArray()) {
        const Bytes name = Decode(item.toObject()["name"]);
        SoundEntry e;
        e.name.assign(name.begin(), name.end());
        e.length = static_cast<uint32_t>(item.toObject()["length"].toInteger());
        area.push_back(e);
    }
    return area;
}

}  // namespace

bool LoadEmulatorState(HostEmulator& host, const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.exists()) return true;
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll());
    if (!doc.isObject()) return false;
    // A key that is missing keeps what a new host holds, so a file written by
    // an older build or trimmed by hand still loads.
    const QJsonObject o = doc.object();
    if (o.contains("frequencyDigits"))
        host.frequencyDigits = o["frequencyDigits"].toString().toStdString();
    if (o.contains("versionText")) host.versionText = o["versionText"].toString().toStdString();
    if (o.contains("basicParams")) host.basicParams = Decode(o["basicParams"]);
    if (o.contains("addressCodes")) {
        host.addressCodes.clear();
        const QJsonObject codes = o["addressCodes"].toObject();
        for (auto it = codes.begin(); it != codes.end(); ++it) {
            const int id = it.key().toInt();
            if (id >= 0x31 && id <= 0x35)
                host.addressCodes[static_cast<uint8_t>(id)] = Decode(it.value());
        }
    }
    if (o.contains("customSounds")) host.customSounds = Sounds(o["customSounds"]);
    if (o.contains("fixedSounds")) host.fixedSounds = Sounds(o["fixedSounds"]);
    if (o.contains("firmware")) host.firmware = Decode(o["firmware"]);
    return true;
}

std::string EmulatorStatePath(const std::string& file, std::size_t index) {
    if (index == 0) return file;
    const std::string serial = "." + EmulatedBackend::SerialOf(index);
    const std::size_t slash = file.find_last_of("/\\");
    const std::size_t dot = file.rfind('.');
    // A dot that starts the name (".host") or sits in a folder's name is no extension.
    const bool extension =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    if (!extension) return file + serial;
    return file.substr(0, dot) + serial + file.substr(dot);
}

bool SaveEmulatorState(const HostEmulator& host, const std::string& path) {
    QJsonObject codes;
    for (const auto& [id, record] : host.addressCodes) codes[QString::number(id)] = Encode(record);
    const QJsonObject o{
        {"frequencyDigits", QString::fromStdString(host.frequencyDigits)},
        {"versionText", QString::fromStdString(host.versionText)},
        {"basicParams", Encode(host.basicParams)},
        {"addressCodes", codes},
        {"customSounds", Sounds(host.customSounds)},
        {"fixedSounds", Sounds(host.fixedSounds)},
        {"firmware", Encode(host.firmware)},
    };
    QSaveFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QJsonDocument(o).toJson(QJsonDocument::Indented));
    return f.commit();
}

}  // namespace korvane::cli
