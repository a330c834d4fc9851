#include "tests/support_qt/scripted_dialogs.h"

std::vector<std::string> ScriptedDialogProvider::BoxTexts() const {
    std::vector<std::string> out;
    for (const Box& b : boxes) out.push_back(b.text);
    return out;
}

std::vector<bool> ScriptedDialogProvider::ProgressBehindBoxes() const {
    std::vector<bool> out;
    for (const Box& b : boxes) out.push_back(b.progressVisible);
    return out;
}

void ScriptedDialogProvider::ShowBox(const std::string& text, const std::string& caption,
                                     korvane::BoxIcon icon) {
    boxes.push_back({text, caption, icon, progressVisibleProbe ? progressVisibleProbe() : false});
}

std::optional<std::string> ScriptedDialogProvider::ChooseFile(const std::string& filter) {
    fileFilters.push_back(filter);
    if (fileAnswers.empty()) return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogProvider::ChooseFolder(const std::string& title) {
    folderTitles.push_back(title);
    if (folderAnswers.empty()) return std::nullopt;
    std::string answer = folderAnswers.front();
    folderAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogProvider::AskAuthorizationPassword() {
    ++passwordPrompts;
    if (passwordAnswers.empty()) return std::nullopt;
    auto answer = passwordAnswers.front();
    passwordAnswers.pop_front();
    return answer;
}
