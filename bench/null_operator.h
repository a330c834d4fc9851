#pragma once
// An operator that shows nothing, so measurements see only the transfer.
#include <functional>
#include <optional>
#include <string>

#include "common/operator_seam.h"

namespace korvane::bench {

class NullOperator final : public OperatorSeam {
  public:
    int boxes = 0;
    // The folder of sounds it picks, when a download asks for one.
    std::optional<std::string> folder;
    // Told the control of each progress text as it is written.
    std::function<void(int controlId)> onText;
    void ShowBox(const std::string&, const std::string&, BoxIcon) override { ++boxes; }
    void ProgressOpen() override { open_ = true; }
    bool ProgressIsOpen() const override { return open_; }
    void ProgressSetRange(int) override {}
    int ProgressPosition() const override { return 0; }
    void ProgressSetPosition(int) override {}
    void ProgressSetText(int controlId, const std::string&) override {
        if (onText) onText(controlId);
    }
    void ProgressClose() override { open_ = false; }
    std::optional<std::string> ChooseFile(const std::string&) override { return std::nullopt; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return folder; }
    std::optional<std::string> AskAuthorizationPassword() override { return std::nullopt; }

  private:
    bool open_ = false;
};

}  // namespace korvane::bench
