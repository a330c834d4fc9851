#include "cli/terminal_operator.h"

#include <chrono>

#include "cli/terminal_text.h"
#include "common/resource_ids.h"
#include "common/texts.h"
#include "fleet/worker_events.h"

namespace korvane::cli {

void TerminalOperator::Tell(int kind, const std::string& text) {
    fleet::WorkerEvent e;
    e.kind = static_cast<fleet::WorkerEvent::Kind>(kind);
    e.text = text;
    e.position = position_;
    e.total = upper_;
    PrintText(err_, "%s\n", fleet::EncodeWorkerEvent(e).c_str());
    std::fflush(err_);
}

void TerminalOperator::TellProgress() {
    // A few times a second is all a row on the screen can show.
    const long long now = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
    if (position_ != upper_ && toldAtMs_ >= 0 && now - toldAtMs_ < 200) return;
    toldAtMs_ = now;
    Tell(static_cast<int>(fleet::WorkerEvent::Kind::Progress), {});
}

void TerminalOperator::ShowBox(const std::string& text, const std::string& caption, BoxIcon) {
    shown_.push_back(caption == texts::kAppTitle ? text : "[" + caption + "] " + text);
    if (worker) {
        boxes_.push_back(text);
        Tell(static_cast<int>(fleet::WorkerEvent::Kind::Text),
             caption == texts::kAppTitle ? text : "[" + caption + "] " + text);
        return;
    }
    if (barDrawn_) {
        WriteText(err_, "\n");
        barDrawn_ = false;
    }
    boxes_.push_back(text);
    // The application's own boxes read as its result lines; the transaction's
    // carry their caption so a log shows where a failure came from.
    if (caption == texts::kAppTitle)
        PrintText(out_, "%s\n", text.c_str());
    else
        PrintText(out_, "[%s] %s\n", caption.c_str(), text.c_str());
    std::fflush(out_);
}

void TerminalOperator::ProgressOpen() {
    if (!open_) {
        open_ = true;
        upper_ = 100;
        position_ = 0;
        doing_.clear();
    }
}

void TerminalOperator::ProgressSetRange(int upper) {
    upper_ = upper;
    position_ = 0;
}

void TerminalOperator::ProgressSetPosition(int pos) {
    position_ = pos;
    if (worker) {
        TellProgress();
        return;
    }
    DrawBar();
}

void TerminalOperator::ProgressSetText(int controlId, const std::string& text) {
    if (controlId != ids::kProgressDoing) shown_.push_back(text);
    if (worker) {
        // The step is the line's title: what comes before ",共有N包数据...".
        const std::string step = controlId == ids::kProgressDoing
                                     ? text.substr(0, text.find(texts::kPacketLineStart))
                                     : std::string();
        if (controlId != ids::kProgressDoing)
            Tell(static_cast<int>(fleet::WorkerEvent::Kind::Text), text);
        else if (step != step_)
            Tell(static_cast<int>(fleet::WorkerEvent::Kind::Step), step_ = step);
        return;
    }
    if (controlId == ids::kProgressDoing) {
        doing_ = text;
        DrawBar();
        return;
    }
    if (barDrawn_) {
        WriteText(err_, "\n");
        barDrawn_ = false;
    }
    if (showProgress) PrintText(err_, "%s\n", text.c_str());
}

void TerminalOperator::ProgressClose() {
    if (barDrawn_) WriteText(err_, "\n");
    barDrawn_ = false;
    open_ = false;
}

bool TerminalOperator::IsTerminal(std::FILE* stream) { return StreamIsTerminal(stream); }

void TerminalOperator::DrawBar() {
    if (!showProgress || !drawBar || !open_) return;
    constexpr int kWidth = 30;
    const int filled =
        upper_ > 0 ? static_cast<int>(static_cast<long long>(position_) * kWidth / upper_) : 0;
    std::string bar(static_cast<std::size_t>(filled < 0 ? 0 : (filled > kWidth ? kWidth : filled)),
                    '#');
    bar.resize(kWidth, '.');
    PrintText(err_, "\r[%s] %d/%d %s", bar.c_str(), position_, upper_, doing_.c_str());
    std::fflush(err_);
    barDrawn_ = true;
}

std::optional<std::string> TerminalOperator::ChooseFile(const std::string&) { return file; }
// An empty folder names none, as a chooser's choice without a path does.
std::optional<std::string> TerminalOperator::ChooseFolder(const std::string&) {
    if (folder.empty()) return std::nullopt;
    return folder;
}
std::optional<std::string> TerminalOperator::AskAuthorizationPassword() {
    // Without a password option, the key file alone can authorize.
    return password ? password : std::optional<std::string>(std::string());
}

}  // namespace korvane::cli
