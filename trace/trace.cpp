#include "trace/trace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <fstream>

namespace korvane::trace {

namespace {

std::nullopt_t No(std::string* why, const std::string& text) {
    if (why != nullptr) *why = text;
    return std::nullopt;
}

bool Refuse(std::string* why, const std::string& text) {
    if (why != nullptr) *why = text;
    return false;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QJsonValue& v) { return v.toString().toStdString(); }

const char* KindName(TraceEvent::Kind kind) {
    switch (kind) {
        case TraceEvent::Kind::Header:
            return "header";
        case TraceEvent::Kind::Host:
            return "host";
        case TraceEvent::Kind::Write:
            return "write";
        case TraceEvent::Kind::Read:
            return "read";
        case TraceEvent::Kind::Begin:
            return "begin";
        case TraceEvent::Kind::End:
            return "end";
        case TraceEvent::Kind::Close:
            return "close";
    }
    return "?";
}

const char* ResultName(TraceEvent::Result result) {
    switch (result) {
        case TraceEvent::Result::Ok:
            return "ok";
        case TraceEvent::Result::Timeout:
            return "timeout";
        case TraceEvent::Result::Error:
            return "error";
    }
    return "?";
}

QString Hex4(uint16_t v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')); }

std::optional<uint16_t> FromHex4(const QJsonValue& v) {
    bool ok = false;
    const uint id = v.toString().toUInt(&ok, 16);
    if (!ok || id > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(id);
}

void PutReport(QJsonObject& o, const TraceEvent& e) {
    if (e.result != TraceEvent::Result::Timeout) o["hex"] = Q(ReportHex(e.report));
    o["result"] = ResultName(e.result);
    if (!e.error.empty()) o["error"] = Q(e.error);
    if (e.waitedMs > 0) o["waited"] = static_cast<qint64>(e.waitedMs);
}

bool TakeReport(const QJsonObject& o, TraceEvent& e, std::string* why) {
    const std::string result = S(o["result"]);
    if (result == "ok")
        e.result = TraceEvent::Result::Ok;
    else if (result == "timeout")
        e.result = TraceEvent::Result::Timeout;
    else if (result == "error")
        e.result = TraceEvent::Result::Error;
    else
        return Refuse(why, "the result \"" + result + "\" is none of ok, timeout, error");
    e.error = S(o["error"]);
    e.waitedMs = o["waited"].toInteger(0);
    if (e.result == TraceEvent::Result::Timeout) return true;
    const std::optional<Report> report = HexReport(S(o["hex"]));
    if (!report) return Refuse(why, "the report is not 65 bytes of hex");
    e.report = *report;
    return true;
}

}  // namespace

std::string ReportHex(const Report& report) {
    static const char digits[] = "0123456789abcdef";
    std::string hex(2 * report.size(), '0');
    for (std::size_t i = 0; i < report.size(); ++i) {
        hex[2 * i] = digits[report[i] >> 4];
        hex[2 * i + 1] = digits[report[i] & 0xF];
    }
    return hex;
}

std::string SpacedHex(const Report& report) {
    const std::string hex = ReportHex(report);
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        if (i > 0) out.push_back(' ');
        out.append(hex, i, 2);
    }
    return out;
}

std::optional<Report> HexReport(const std::string& hex) {
    if (hex.size() != 2 * kReportSize) return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    Report report{};
    for (std::size_t i = 0; i < kReportSize; ++i) {
        const int hi = nibble(hex[2 * i]);
        const int lo = nibble(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        report[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return report;
}

std::string TraceLine(const TraceEvent& e) {
    QJsonObject o{{"kind", KindName(e.kind)}, {"t", static_cast<qint64>(e.us)}};
    switch (e.kind) {
        case TraceEvent::Kind::Header:
            o["program"] = Q(e.program);
            o["version"] = Q(e.version);
            o["system"] = Q(e.system);
            o["backend"] = Q(e.backend);
            o["start"] = Q(e.start);
            break;
        case TraceEvent::Kind::Host:
            o["path"] = Q(e.host.path);
            o["vendor"] = Hex4(e.host.vendor);
            o["product"] = Hex4(e.host.product);
            o["model"] = Q(e.model);
            o["serial"] = Q(e.host.serial);
            o["port"] = Q(e.host.port);
            break;
        case TraceEvent::Kind::Write:
        case TraceEvent::Kind::Read:
            PutReport(o, e);
            break;
        case TraceEvent::Kind::Begin:
            o["operation"] = Q(e.operation);
            break;
        case TraceEvent::Kind::End: {
            o["operation"] = Q(e.operation);
            o["outcome"] = e.success ? "success" : "failure";
            QJsonArray texts;
            for (const std::string& t : e.texts) texts.append(Q(t));
            o["texts"] = texts;
            break;
        }
        case TraceEvent::Kind::Close:
            o["how"] = e.lost ? "lost" : "closed";
            break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<TraceEvent> ParseTraceLine(const std::string& line, std::string* why) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    if (!doc.isObject()) return No(why, "not a JSON object");
    const QJsonObject o = doc.object();
    TraceEvent e;
    e.us = o["t"].toInteger(-1);
    if (e.us < 0) return No(why, "no time");
    const std::string kind = S(o["kind"]);
    if (kind == "header") {
        e.kind = TraceEvent::Kind::Header;
        e.program = S(o["program"]);
        e.version = S(o["version"]);
        e.system = S(o["system"]);
        e.backend = S(o["backend"]);
        e.start = S(o["start"]);
    } else if (kind == "host") {
        e.kind = TraceEvent::Kind::Host;
        const std::optional<uint16_t> vendor = FromHex4(o["vendor"]);
        const std::optional<uint16_t> product = FromHex4(o["product"]);
        if (!vendor || !product) return No(why, "no vendor and product");
        e.host = HidDeviceInfo{S(o["path"]), *vendor, *product, S(o["serial"]), S(o["port"])};
        e.model = S(o["model"]);
    } else if (kind == "write" || kind == "read") {
        e.kind = kind == "write" ? TraceEvent::Kind::Write : TraceEvent::Kind::Read;
        if (!TakeReport(o, e, why)) return std::nullopt;
    } else if (kind == "begin" || kind == "end") {
        e.kind = kind == "begin" ? TraceEvent::Kind::Begin : TraceEvent::Kind::End;
        e.operation = S(o["operation"]);
        e.success = S(o["outcome"]) == "success";
        for (const auto& t : o["texts"].toArray()) e.texts.push_back(S(t));
    } else if (kind == "close") {
        e.kind = TraceEvent::Kind::Close;
        e.lost = S(o["how"]) == "lost";
    } else {
        return No(why, "no kind of line known (\"" + kind + "\")");
    }
    return e;
}

std::optional<Trace> ReadTrace(const std::string& path, std::string* why) {
    namespace fs = std::filesystem;
    // Only a file: the open of a pipe would wait for a writer.
    std::error_code ec;
    if (!fs::is_regular_file(fs::u8path(path), ec)) return No(why, "no such file");
    std::ifstream in(fs::u8path(path), std::ios::binary);
    if (!in) return No(why, "it cannot be opened");
    Trace trace;
    std::string unused;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (std::optional<TraceEvent> e = ParseTraceLine(line, &unused))
            trace.events.push_back(std::move(*e));
        else
            ++trace.torn;
    }
    if (trace.events.empty() || trace.events.front().kind != TraceEvent::Kind::Header)
        return No(why, "it is no trace (its first line is no trace header)");
    return trace;
}

}  // namespace korvane::trace
