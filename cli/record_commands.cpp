// record [--since YYYY-MM-DD] [--host PATH] [--json] [--record FILE]
#include <QDate>
#include <QJsonObject>

#include "cli/commands.h"
#include "record/record_log.h"

namespace korvane::cli {

namespace {

struct RecordQuery {
    std::string since;
    std::optional<std::string> host;
    std::optional<std::string> file;
    bool json = false;
};

using Form = OptionDoc::Form;

const std::vector<Option<RecordQuery>>& RecordTable() {
    static const std::vector<Option<RecordQuery>> table = {
        {{"--since", "YYYY-MM-DD", "the lines of that day and later", Form::Value},
         [](RecordQuery& q, const std::string& v, std::string* why) {
             q.since = v;
             return Require(v.size() == 10 &&
                                QDate::fromString(QString::fromStdString(v), Qt::ISODate).isValid(),
                            "--since takes a date as YYYY-MM-DD", why);
         }},
        {{"--host", "PATH", "the lines of the host at PATH", Form::Value},
         [](RecordQuery& q, const std::string& v, std::string*) {
             q.host = v;
             return true;
         }},
        {{"--json", nullptr, "the lines as they are, JSON", Form::Flag}, Sets(&RecordQuery::json)},
        {{"--record", "FILE", "the record to read (--record FILE or --record=FILE)", Form::Value},
         [](RecordQuery& q, const std::string& v, std::string*) {
             q.file = v;
             return true;
         }},
    };
    return table;
}

}  // namespace

std::vector<OptionDoc> RecordOptions() { return Docs(RecordTable()); }

int RunRecord(Runner& r) {
    RecordQuery q;
    q.json = r.options().json;
    std::vector<std::string> args;
    for (std::size_t i = 1; i < r.ArgCount(); ++i) args.push_back(r.Arg(i));
    std::size_t at = 0;
    if (std::string why; !ParseOptions(RecordTable(), args, at, q, false, &why))
        return r.Usage(why);
    const std::string& since = q.since;
    const std::optional<std::string>& host = q.host;
    std::optional<std::string> file = q.file;
    const bool json = q.json;
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
