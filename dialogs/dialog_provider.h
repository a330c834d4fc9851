#pragma once
// Everything the program asks the operator in a modal window goes through
// this interface: the real one shows Qt dialogs; tests put one in its place
// that answers from a script and records what was shown.
#include <optional>
#include <string>

#include "common/operator_seam.h"

class QWidget;

class DialogProvider {
  public:
    virtual ~DialogProvider() = default;
    virtual void ShowBox(const std::string& text, const std::string& caption,
                         korvane::BoxIcon icon) = 0;
    // filter in the "name|pattern|...||" form; empty offers every file.
    virtual std::optional<std::string> ChooseFile(const std::string& filter) = 0;
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    virtual std::optional<std::string> AskAuthorizationPassword() = 0;
};

class QtDialogProvider : public DialogProvider {
  public:
    // owner: the main window the boxes are modal to; may be set later.
    explicit QtDialogProvider(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

    void ShowBox(const std::string& text, const std::string& caption,
                 korvane::BoxIcon icon) override;
    std::optional<std::string> ChooseFile(const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> AskAuthorizationPassword() override;

  private:
    QWidget* owner_;
};

// "*.bin|*.bin||" -> "*.bin (*.bin)"; several pairs are joined with ";;".
std::string QtFileFilter(const std::string& pipeFilter);
