#include "cli/terminal_operator.h"

#include "cli/command_line.h"
#include "common/resource_ids.h"
#include "common/texts.h"

namespace korvane::cli {

void TerminalOperator::ShowBox(const std::string& text, const std::string& caption, BoxIcon) {
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
    DrawBar();
}

void TerminalOperator::ProgressSetText(int controlId, const std::string& text) {
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
std::string TerminalOperator::ChooseFolder(const std::string&) { return folder; }
std::optional<std::string> TerminalOperator::AskAuthorizationPassword() {
    // Without a password option, the key file alone can authorize.
    return password ? password : std::optional<std::string>(std::string());
}

}  // namespace korvane::cli
