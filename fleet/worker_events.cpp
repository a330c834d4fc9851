#include "fleet/worker_events.h"

#include <QJsonDocument>

namespace korvane::fleet {

namespace {

const char* KindName(WorkerEvent::Kind kind) {
    switch (kind) {
        case WorkerEvent::Kind::Step:
            return "step";
        case WorkerEvent::Kind::Progress:
            return "progress";
        case WorkerEvent::Kind::Text:
            return "text";
        case WorkerEvent::Kind::HalfWritten:
            return "halfWritten";
    }
    return "text";
}

}  // namespace

std::string EncodeWorkerEvent(const WorkerEvent& event) {
    QJsonObject o{{"worker", KindName(event.kind)}};
    switch (event.kind) {
        case WorkerEvent::Kind::Progress:
            o["position"] = event.position;
            o["total"] = event.total;
            break;
        case WorkerEvent::Kind::Step:
        case WorkerEvent::Kind::Text:
            o["text"] = QString::fromStdString(event.text);
            break;
        case WorkerEvent::Kind::HalfWritten:
            break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<WorkerEvent> DecodeWorkerLine(const std::string& line) {
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    const QJsonObject o = doc.object();
    const QString kind = o["worker"].toString();
    WorkerEvent e;
    if (!doc.isObject() || kind.isEmpty()) {
        e.text = text;
        return e;
    }
    if (kind == "step") {
        e.kind = WorkerEvent::Kind::Step;
    } else if (kind == "progress") {
        e.kind = WorkerEvent::Kind::Progress;
        e.position = o["position"].toInt();
        e.total = o["total"].toInt();
    } else if (kind == "halfWritten") {
        e.kind = WorkerEvent::Kind::HalfWritten;
    }
    e.text = o["text"].toString().toStdString();
    return e;
}

}  // namespace korvane::fleet
