#pragma once
// The operator seam on a terminal: boxes become lines, the progress dialog a
// bar on standard error, the choosers answer from the command line.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "common/operator_seam.h"

namespace korvane::cli {

class TerminalOperator final : public OperatorSeam {
  public:
    explicit TerminalOperator(std::FILE* out = stdout, std::FILE* err = stderr)
        : out_(out), err_(err) {}

    // Answers the choosers and the authorization dialog will give.
    std::optional<std::string> file;
    std::string folder;
    std::optional<std::string> password;
    bool showProgress = true;
    // The redrawn bar needs a terminal; into a pipe or a log only the
    // progress dialog's outcome lines go.
    bool drawBar = true;
    // A worker of a multi-host run: what the operator would see goes to
    // standard error as the run's events (steps, progress, texts), and no bar.
    bool worker = false;
    static bool IsTerminal(std::FILE* stream);

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

    // Every box text shown, in order.
    const std::vector<std::string>& boxes() const { return boxes_; }
    // Every text shown, boxes ("[caption] text" where they have one of their
    // own) and the progress dialog's outcome lines, in order.
    const std::vector<std::string>& shown() const { return shown_; }

  private:
    void DrawBar();
    void Tell(int kind, const std::string& text);
    void TellProgress();

    std::FILE* out_;
    std::FILE* err_;
    bool open_ = false;
    bool barDrawn_ = false;
    int upper_ = 100;
    int position_ = 0;
    std::string doing_;
    std::string step_;
    long long toldAtMs_ = -1;
    std::vector<std::string> boxes_;
    std::vector<std::string> shown_;
};

}  // namespace korvane::cli
