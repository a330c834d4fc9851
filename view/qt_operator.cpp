#include "view/qt_operator.h"

#include "dialogs/dialog_provider.h"
#include "dialogs/progress_dlg.h"
#include "view/korvane_view.h"

void QtOperator::ShowBox(const std::string& text, const std::string& caption,
                         korvane::BoxIcon icon) {
    view_.Dialogs().ShowBox(text, caption, icon);
}

void QtOperator::ProgressOpen() { view_.progress->Open(); }

bool QtOperator::ProgressIsOpen() const { return view_.progress->IsOpen(); }

void QtOperator::ProgressSetRange(int upper) { view_.progress->SetRange(upper); }

int QtOperator::ProgressPosition() const { return view_.progress->Position(); }

void QtOperator::ProgressSetPosition(int pos) { view_.progress->SetPosition(pos); }

void QtOperator::ProgressSetText(int controlId, const std::string& text) {
    view_.progress->SetItemText(controlId, QString::fromStdString(text));
}

void QtOperator::ProgressClose() {
    view_.progress->Close();
    view_.setEnabled(true);
    view_.activateWindow();
    view_.setFocus(Qt::OtherFocusReason);
}

std::optional<std::string> QtOperator::ChooseFile(const std::string& filter) {
    return view_.Dialogs().ChooseFile(filter);
}

std::optional<std::string> QtOperator::ChooseFolder(const std::string& title) {
    return view_.Dialogs().ChooseFolder(title);
}

std::optional<std::string> QtOperator::AskAuthorizationPassword() {
    return view_.Dialogs().AskAuthorizationPassword();
}
