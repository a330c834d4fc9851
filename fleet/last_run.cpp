#include "fleet/last_run.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "hid/host_choice.h"
#include "record/record_log.h"

namespace korvane::fleet {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QJsonValue& v) { return v.toString().toStdString(); }
}  // namespace

std::string LastRunPath() {
    const std::string folder = record::DefaultDataFolder();
    return folder.empty() ? std::string() : folder + "/last-run.json";
}

bool SaveLastRun(const std::string& path, const LastRun& run, std::string& why) {
    QJsonArray hosts;
    for (const RunEntry& h : run.hosts)
        hosts.append(QJsonObject{{"path", Q(h.path)},
                                 {"serial", Q(h.serial)},
                                 {"port", Q(h.port)},
                                 {"model", Q(h.model)},
                                 {"result", h.succeeded ? "success" : "failed"}});
    const QJsonObject o{{"run", Q(run.id)}, {"hosts", hosts}};
    const QString file = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
        why = f.errorString().toStdString();
        return false;
    }
    f.write(QJsonDocument(o).toJson(QJsonDocument::Indented));
    if (f.commit()) return true;
    why = f.errorString().toStdString();
    return false;
}

std::optional<LastRun> LoadLastRun(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(f.read(1 << 20));
    if (!doc.isObject() || !doc.object()["hosts"].isArray()) return std::nullopt;
    LastRun run;
    run.id = S(doc.object()["run"]);
    for (const auto& v : doc.object()["hosts"].toArray()) {
        const QJsonObject h = v.toObject();
        run.hosts.push_back(RunEntry{S(h["path"]), S(h["serial"]), S(h["port"]), S(h["model"]),
                                     h["result"].toString() == "success"});
    }
    return run;
}

std::vector<std::string> FailedForms(const LastRun& run, std::vector<std::string>& lost) {
    std::vector<std::string> forms;
    for (const RunEntry& h : run.hosts) {
        if (h.succeeded) continue;
        if (!h.serial.empty())
            forms.push_back(HostChoice{HostChoice::By::Serial, h.serial}.Form());
        else if (!h.port.empty())
            forms.push_back(HostChoice{HostChoice::By::Port, h.port}.Form());
        else
            lost.push_back(h.path);
    }
    return forms;
}

std::string NewRunId() {
    return QDateTime::currentDateTime().toString("yyyyMMddTHHmmss").toStdString() + "-" +
           std::to_string(QCoreApplication::applicationPid());
}

}  // namespace korvane::fleet
