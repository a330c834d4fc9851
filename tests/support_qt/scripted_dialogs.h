#pragma once
// A dialog provider for tests: answers from a script and records every box
// with whether the progress window was up when it came.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/dialog_provider.h"

class ScriptedDialogProvider : public DialogProvider {
  public:
    struct Box {
        std::string text;
        std::string caption;
        korvane::BoxIcon icon;
        bool progressVisible;
    };

    std::vector<Box> boxes;
    std::vector<std::string> fileFilters;  // one per ChooseFile call
    std::vector<std::string> folderTitles;
    int passwordPrompts = 0;

    std::deque<std::optional<std::string>> fileAnswers;      // empty: cancelled
    std::deque<std::string> folderAnswers;                   // empty: cancelled
    std::deque<std::optional<std::string>> passwordAnswers;  // empty: cancelled
    // Asked at each box, so a test can see whether the progress window was up.
    std::function<bool()> progressVisibleProbe;

    // The boxes' texts, in order.
    std::vector<std::string> BoxTexts() const;
    // Whether the progress window was up behind each box.
    std::vector<bool> ProgressBehindBoxes() const;

    void ShowBox(const std::string& text, const std::string& caption,
                 korvane::BoxIcon icon) override;
    std::optional<std::string> ChooseFile(const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> AskAuthorizationPassword() override;
};
