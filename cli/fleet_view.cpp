#include "cli/fleet_view.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "cli/terminal_text.h"

namespace korvane::cli {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Line(const QJsonObject& o) {
    PrintText(stdout, "%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

double Seconds(const fleet::HostRun& h) {
    return static_cast<double>(h.endedMs - h.startedMs) / 1000.0;
}

const char* Result(const fleet::HostRun& h) {
    switch (h.state) {
        case fleet::HostRun::State::Waiting:
            return "waiting";
        case fleet::HostRun::State::Running:
            return "running";
        case fleet::HostRun::State::Succeeded:
            return "success";
        case fleet::HostRun::State::Failed:
            return "failed";
    }
    return "";
}

std::string FirstFailure(const fleet::HostRun& h) {
    if (h.state != fleet::HostRun::State::Failed || h.texts.empty()) return {};
    return h.texts.front();
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : " / ") + t;
    return out;
}

// Whole minutes and seconds.
std::string Clock(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60));
    return text;
}

}  // namespace

QJsonObject HostJson(const fleet::FleetHost& host) {
    return QJsonObject{{"path", Q(host.device.path)},
                       {"model", ModelName(host.model)},
                       {"serial", Q(host.device.serial)},
                       {"port", Q(host.device.port)}};
}

std::string Padded(const std::string& utf8, std::size_t width) {
    const std::size_t columns = Columns(utf8);
    return columns >= width ? utf8 + " " : utf8 + std::string(width - columns, ' ');
}

FleetView::FleetView(const Output& out, bool json, bool live)
    : out_(out), json_(json), live_(live) {
    redraw_.setInterval(150);
    QObject::connect(&redraw_, &QTimer::timeout, [this] {
        if (dirty_) Redraw();
    });
}

void FleetView::Follow(fleet::FleetRun& run) {
    run_ = &run;
    QObject::connect(&run, &fleet::FleetRun::begun, [this](std::size_t i) { Begun(i); });
    QObject::connect(&run, &fleet::FleetRun::changed, [this](std::size_t i) { Changed(i); });
    QObject::connect(&run, &fleet::FleetRun::ended, [this](std::size_t i) { Ended(i); });
    if (live_) redraw_.start();
}

void FleetView::Unmatched(const std::string& form, const std::string& why) {
    if (json_)
        Line(QJsonObject{{"form", Q(form)}, {"event", "unmatched"}, {"why", Q(why)}});
    else
        out_.Error(form + ": " + why);
}

void FleetView::Skipped(const fleet::FleetHost& host, std::optional<LampModel> model) {
    const std::string why =
        std::string("the command is for the ") + (model ? ModelName(*model) : "other model");
    if (json_)
        Line(QJsonObject{{"host", HostJson(host)}, {"event", "skipped"}, {"why", Q(why)}});
    else
        out_.Message(host.Label() + " (" + ModelName(host.model) + "): skipped, " + why);
}

void FleetView::Watching() {
    if (json_)
        Line(QJsonObject{{"event", "watching"}});
    else
        out_.Message("waiting for hosts to be plugged in (Ctrl-C ends)");
}

std::string FleetView::Row(const fleet::HostRun& h) const {
    std::string progress;
    std::string left;
    if (h.total > 0) progress = std::to_string(h.position) + "/" + std::to_string(h.total);
    if (const int64_t ms = h.LeftMs(run_->NowMs());
        ms >= 0 && h.state == fleet::HostRun::State::Running)
        left = Clock(ms);
    std::string result = Result(h);
    if (h.state == fleet::HostRun::State::Failed && !h.texts.empty())
        result += ": " + h.texts.back();
    return Padded(h.host.Label(), 16) + Padded(ModelName(h.host.model), 8) + Padded(h.step, 20) +
           Padded(progress, 14) + Padded(left, 7) + result;
}

void FleetView::Redraw() {
    dirty_ = false;
    std::string text;
    if (rowsDrawn_ > 0) text += "\x1b[" + std::to_string(rowsDrawn_) + "A";
    for (const fleet::HostRun& h : run_->hosts()) text += "\r\x1b[2K" + Row(h) + "\n";
    rowsDrawn_ = run_->hosts().size();
    WriteText(stdout, text);
    std::fflush(stdout);
}

void FleetView::Begun(std::size_t index) {
    const fleet::HostRun& h = run_->hosts()[index];
    if (steps_.size() <= index) steps_.resize(index + 1);
    if (json_)
        Line(QJsonObject{{"host", HostJson(h.host)}, {"event", "begin"}});
    else if (live_)
        dirty_ = true;
    else
        PrintText(stdout, "%s: begins\n", h.host.Label().c_str());
}

void FleetView::Changed(std::size_t index) {
    const fleet::HostRun& h = run_->hosts()[index];
    if (json_) {
        Line(QJsonObject{{"host", HostJson(h.host)},
                         {"event", "progress"},
                         {"step", Q(h.step)},
                         {"position", h.position},
                         {"total", h.total}});
    } else if (live_) {
        dirty_ = true;
    } else if (h.step != steps_[index]) {
        steps_[index] = h.step;
        PrintText(stdout, "%s: %s\n", h.host.Label().c_str(), h.step.c_str());
    }
}

void FleetView::Ended(std::size_t index) {
    const fleet::HostRun& h = run_->hosts()[index];
    if (steps_.size() <= index) steps_.resize(index + 1);
    if (json_) {
        QJsonArray texts;
        for (const std::string& t : h.texts) texts.append(Q(t));
        QJsonObject end{{"host", HostJson(h.host)},
                        {"event", "end"},
                        {"result", Result(h)},
                        {"seconds", Seconds(h)},
                        {"texts", texts}};
        const QJsonDocument data = QJsonDocument::fromJson(QByteArray::fromStdString(h.out));
        if (data.isObject()) end["data"] = data.object();
        if (h.halfWritten) end["halfWritten"] = true;
        Line(end);
    } else if (live_) {
        Redraw();
    } else {
        PrintText(stdout, "%s: %s (%.1f s)%s%s\n", h.host.Label().c_str(), Result(h), Seconds(h),
                  h.texts.empty() ? "" : ": ", Joined(h.texts).c_str());
    }
}

bool FleetView::Summary(const fleet::FleetRun& run, const std::string& runId,
                        const std::vector<fleet::FleetHost>& skipped) {
    if (live_ && dirty_) Redraw();
    redraw_.stop();
    std::size_t good = 0;
    for (const fleet::HostRun& h : run.hosts())
        good += h.state == fleet::HostRun::State::Succeeded ? 1 : 0;
    const bool allGood = good == run.hosts().size();
    if (json_) {
        QJsonArray hosts;
        for (const fleet::HostRun& h : run.hosts()) {
            QJsonObject row{
                {"host", HostJson(h.host)}, {"result", Result(h)}, {"seconds", Seconds(h)}};
            if (!FirstFailure(h).empty()) row["firstFailure"] = Q(FirstFailure(h));
            if (h.halfWritten) row["halfWritten"] = true;
            hosts.append(row);
        }
        QJsonArray left;
        for (const fleet::FleetHost& h : skipped) left.append(HostJson(h));
        Line(QJsonObject{
            {"summary", QJsonObject{{"run", Q(runId)},
                                    {"hosts", hosts},
                                    {"skipped", left},
                                    {"succeeded", static_cast<int>(good)},
                                    {"failed", static_cast<int>(run.hosts().size() - good)}}}});
        return allGood;
    }
    std::string table = "\n" + Padded("host", 16) + Padded("model", 8) + Padded("result", 9) +
                        Padded("time", 9) + "first failure\n";
    std::vector<std::string> halfWritten;
    for (const fleet::HostRun& h : run.hosts()) {
        char time[32];
        std::snprintf(time, sizeof time, "%.1f s", Seconds(h));
        table += Padded(h.host.Label(), 16) + Padded(ModelName(h.host.model), 8) +
                 Padded(Result(h), 9) + Padded(time, 9) + FirstFailure(h) + "\n";
        if (h.halfWritten) halfWritten.push_back(h.host.Label());
    }
    table += std::to_string(good) + " of " + std::to_string(run.hosts().size()) +
             " hosts succeeded (run " + runId + ")";
    if (good != run.hosts().size()) table += "; again for the failed ones: --device failed";
    table += "\n";
    if (!halfWritten.empty()) {
        table += "interrupted in the middle of a transfer, left half written:";
        for (const std::string& label : halfWritten) table += " " + label;
        table += "\n";
    }
    WriteText(stdout, table);
    return allGood;
}

}  // namespace korvane::cli
