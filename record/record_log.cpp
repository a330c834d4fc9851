#include "record/record_log.h"

#include <QDateTime>
#include <QJsonDocument>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "record/record_file.h"

namespace korvane::record {

namespace fs = std::filesystem;

namespace {

void ReadLines(const std::string& path, RecordRead& read,
               const std::function<void(const QJsonObject&)>& each) {
    // Only a file: the open of a pipe would wait for a writer.
    std::error_code ec;
    if (!fs::is_regular_file(fs::u8path(path), ec)) return;
    std::ifstream in(fs::u8path(path), std::ios::binary);
    if (!in) return;
    read.found = true;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
        if (doc.isObject())
            each(doc.object());
        else
            ++read.torn;
    }
}

}  // namespace

std::optional<std::string> RecordPath(const std::optional<std::string>& option) {
    std::string chosen = option ? *option : RecordEnvironment();
    if (!option && (chosen.empty() || chosen == "0")) return std::nullopt;
    if (chosen.empty() || (!option && chosen == "1")) return DefaultRecordPath();
    return chosen;
}

std::string DefaultDataFolder() {
    const std::string record = DefaultRecordPath();
    if (record.empty()) return {};
    return fs::u8path(record).parent_path().u8string();
}

std::string OlderFile(const std::string& path) { return path + ".1"; }

bool AppendRecordLine(const std::string& path, const std::string& line, std::string& why) {
    if (path.empty()) {
        why = "there is no folder for it (no HOME, no LOCALAPPDATA)";
        return false;
    }
    std::error_code ec;
    const fs::path file = fs::u8path(path);
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (path == DefaultRecordPath()) fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
        why = "there is no folder " + folder.u8string();
        return false;
    }
    const RecordLock lock(path, RecordLock::Need::Create);
    if (!lock.ok()) {
        why = "its lock file " + path + ".lock cannot be taken";
        return false;
    }
    const auto size = fs::file_size(file, ec);
    // A rotation that fails (the older file held open elsewhere) leaves the
    // record growing: a line is worth more than the bound.
    if (!ec && size >= kRotateBytes) RenameReplacing(path, OlderFile(path));
    return AppendLine(path, line, why);
}

RecordRead ReadRecord(const std::string& path,
                      const std::function<void(const QJsonObject&)>& each) {
    RecordRead read;
    // Held, no writer rotates the files between the two reads. A record
    // whose lock cannot be had (another user's, read-only) is read anyway:
    // a line a writer is still adding is skipped like any line not whole.
    const RecordLock lock(path, RecordLock::Need::IfPresent);
    ReadLines(OlderFile(path), read, each);
    ReadLines(path, read, each);
    return read;
}

std::string LocalTimeNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    return now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString() +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'))
               .toStdString();
}

}  // namespace korvane::record
