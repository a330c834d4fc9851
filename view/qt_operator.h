#pragma once
// The operator seam of the program: the progress half drives the form's
// progress dialog, the rest goes to the form's dialog provider.
#include "common/operator_seam.h"

class CKorvaneView;

class QtOperator : public korvane::OperatorSeam {
  public:
    explicit QtOperator(CKorvaneView& view) : view_(view) {}

    void ShowBox(const std::string& text, const std::string& caption,
                 korvane::BoxIcon icon) override;
    void ProgressOpen() override;
    bool ProgressIsOpen() const override;
    void ProgressSetRange(int upper) override;
    int ProgressPosition() const override;
    void ProgressSetPosition(int pos) override;
    void ProgressSetText(int controlId, const std::string& text) override;
    void ProgressClose() override;
    std::optional<std::string> ChooseFile(const std::string& filter) override;
    std::optional<std::string> ChooseFolder(const std::string& title) override;
    std::optional<std::string> AskAuthorizationPassword() override;

  private:
    CKorvaneView& view_;
};
