// record [--since YYYY-MM-DD] [--host PATH] [--json] [--record FILE]
#include <QDate>
#include <QJsonObject>

#include "cli/commands.h"
#include "record/record_log.h"

namespace korvane::cli {

int RunRecord(Runner& r) {
    std::string since;
    std::optional<std::string> host;
    std::optional<std::string> file;
    bool json = r.options().json;
    for (std::size_t i = 1; i < r.ArgCount(); ++i) {
        const std::string key = r.Arg(i);
        if (key == "--json") {
            json = true;
            continue;
        }
        if (key != "--since" && key != "--host" && key != "--record")
            return r.Usage("unknown option " + key);
        if (i + 1 >= r.ArgCount()) return r.Usage(key + " needs a value");
        const std::string value = r.Arg(++i);
        if (key == "--since") {
            if (value.size() != 10 ||
                !QDate::fromString(QString::fromStdString(value), Qt::ISODate).isValid())
                return r.Usage("--since takes a date as YYYY-MM-DD");
            since = value;
        } else if (key == "--host") {
            host = value;
        } else {
            file = value;
        }
    }
    // Reading never turns the record on: without a file named, the default place.
    if (!file) file = record::RecordPath(r.options().record);
    if (!file) file = record::RecordPath(std::string());
    if (file->empty()) return r.Usage("no place for a record: name one with --record FILE");

    std::vector<QJsonObject> lines;
    const record::RecordRead read = record::ReadRecord(*file, [&](const QJsonObject& line) {
        // ISO 8601 local times compare as text by their dates.
        if (line["time"].toString().left(10).toStdString() < since) return;
        if (host && line["host"].toObject()["path"].toString().toStdString() != *host) return;
        lines.push_back(line);
    });
    if (!read.found) {
        r.out().Error("no record at " + *file);
        return kExitFailed;
    }
    Output out = r.out();
    out.json = json;
    out.RecordLines(lines);
    if (read.torn > 0)
        r.out().Error(std::to_string(read.torn) + " line(s) of " + *file +
                      " are no whole JSON object and were left out");
    return kExitOk;
}

}  // namespace korvane::cli
