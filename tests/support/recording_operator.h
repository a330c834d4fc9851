#pragma once
// An operator seam for tests: records every box and progress-dialog write in
// order, with the clock's time, and answers the choosers from a script.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/operator_seam.h"

namespace korvane::test {

struct OperatorEvent {
    enum class Kind {
        Box,
        ProgressOpen,
        ProgressRange,
        ProgressPosition,
        ProgressText,
        ProgressClose,
        ChooseFile,
        ChooseFolder,
        AskPassword,
    };
    Kind kind = Kind::Box;
    std::string text;     // box text, dialog text, chooser filter or title
    std::string caption;  // boxes
    BoxIcon icon = BoxIcon::None;
    int value = 0;  // range upper bound, position, or the text's control ID
    int64_t timeMs = 0;
    bool progressWasOpen = false;  // the dialog's state when the event came
};

class RecordingOperator final : public OperatorSeam {
  public:
    explicit RecordingOperator(const Clock* clock = nullptr) : clock_(clock) {}

    std::vector<OperatorEvent> events;

    // Scripted answers.
    std::optional<std::string> fileAnswer;
    std::optional<std::string> folderAnswer;
    std::optional<std::string> passwordAnswer;

    // Called after each ProgressOpen and ProgressText, e.g. to press cancel at packet k.
    std::function<void(const OperatorEvent&)> onProgress;
    // Called when a box is shown (a modal box dispatches events too).
    std::function<void(const OperatorEvent&)> onBox;

    void ShowBox(const std::string& text, const std::string& caption, BoxIcon icon) override;
    void ProgressOpen() override;
    bool ProgressIsOpen() const override { return open_; }
    void ProgressSetRange(int upper) override;
    int ProgressPosition() const override { return position_; }
    void ProgressSetPosition(int pos) override;
    void ProgressSetText(int controlId, const std::string& text) override;
    void ProgressClose() override;
    std::optional<std::string> ChooseFile(const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> AskAuthorizationPassword() override;

    // Views of the record.
    std::vector<OperatorEvent> Boxes() const { return OfKind(OperatorEvent::Kind::Box); }
    // The boxes' texts, in order.
    std::vector<std::string> BoxTexts() const;
    // The boxes as "caption text", in order.
    std::vector<std::string> BoxLines() const;
    std::vector<OperatorEvent> OfKind(OperatorEvent::Kind kind) const;
    // The texts written into control 1001 or 1002, in order.
    std::vector<std::string> Texts(int controlId) const;
    std::vector<OperatorEvent> TextEvents(int controlId) const;
    int upper() const { return upper_; }
    void Clear() { events.clear(); }

  private:
    OperatorEvent& Record(OperatorEvent::Kind kind);

    const Clock* clock_;
    bool open_ = false;
    int position_ = 0;
    int upper_ = 100;
};

}  // namespace korvane::test
