#include "tests/support/recording_operator.h"

namespace korvane::test {

OperatorEvent& RecordingOperator::Record(OperatorEvent::Kind kind) {
    OperatorEvent e;
    e.kind = kind;
    e.timeMs = clock_ != nullptr ? clock_->NowMs() : 0;
    e.progressWasOpen = open_;
    events.push_back(e);
    return events.back();
}

void RecordingOperator::ShowBox(const std::string& text, const std::string& caption, BoxIcon icon) {
    OperatorEvent& e = Record(OperatorEvent::Kind::Box);
    e.text = text;
    e.caption = caption;
    e.icon = icon;
    const OperatorEvent copy = e;
    if (onBox) onBox(copy);
}

void RecordingOperator::ProgressOpen() {
    if (!open_) {
        position_ = 0;
        upper_ = 100;
    }
    const OperatorEvent copy = Record(OperatorEvent::Kind::ProgressOpen);
    open_ = true;
    if (onProgress) onProgress(copy);
}

void RecordingOperator::ProgressSetRange(int upper) {
    Record(OperatorEvent::Kind::ProgressRange).value = upper;
    upper_ = upper;
}

void RecordingOperator::ProgressSetPosition(int pos) {
    Record(OperatorEvent::Kind::ProgressPosition).value = pos;
    position_ = pos;
}

void RecordingOperator::ProgressSetText(int controlId, const std::string& text) {
    OperatorEvent& e = Record(OperatorEvent::Kind::ProgressText);
    e.value = controlId;
    e.text = text;
    const OperatorEvent copy = e;
    if (onProgress) onProgress(copy);
}

void RecordingOperator::ProgressClose() {
    Record(OperatorEvent::Kind::ProgressClose);
    open_ = false;
    position_ = 0;
}

std::optional<std::string> RecordingOperator::ChooseFile(const std::string& filter) {
    Record(OperatorEvent::Kind::ChooseFile).text = filter;
    return fileAnswer;
}

std::optional<std::string> RecordingOperator::ChooseFolder(const std::string& title) {
    Record(OperatorEvent::Kind::ChooseFolder).text = title;
    return folderAnswer;
}

std::optional<std::string> RecordingOperator::AskAuthorizationPassword() {
    Record(OperatorEvent::Kind::AskPassword);
    return passwordAnswer;
}

std::vector<OperatorEvent> RecordingOperator::OfKind(OperatorEvent::Kind kind) const {
    std::vector<OperatorEvent> out;
    for (const auto& e : events)
        if (e.kind == kind) out.push_back(e);
    return out;
}

std::vector<std::string> RecordingOperator::BoxTexts() const {
    std::vector<std::string> out;
    for (const auto& e : Boxes()) out.push_back(e.text);
    return out;
}

std::vector<std::string> RecordingOperator::BoxLines() const {
    std::vector<std::string> out;
    for (const auto& e : Boxes()) out.push_back(e.caption + " " + e.text);
    return out;
}

std::vector<OperatorEvent> RecordingOperator::TextEvents(int controlId) const {
    std::vector<OperatorEvent> out;
    for (const auto& e : events)
        if (e.kind == OperatorEvent::Kind::ProgressText && e.value == controlId) out.push_back(e);
    return out;
}

std::vector<std::string> RecordingOperator::Texts(int controlId) const {
    std::vector<std::string> out;
    for (const auto& e : TextEvents(controlId)) out.push_back(e.text);
    return out;
}

}  // namespace korvane::test
