#pragma once
// The operator seam: every message box, chooser and progress-dialog write of
// the core goes through this interface. The program implements it with real
// Qt dialogs; tests script the answers and record what was shown, in order.
#include <optional>
#include <string>

namespace korvane {

enum class BoxIcon { None, Exclamation, Stop };

class OperatorSeam {
  public:
    virtual ~OperatorSeam() = default;

    // A modal message box with an OK button. All texts are UTF-8.
    virtual void ShowBox(const std::string& text, const std::string& caption, BoxIcon icon) = 0;

    // Progress dialog. Open creates the window when there is none and shows it;
    // Close destroys the window, enables the form and gives it the focus.
    virtual void ProgressOpen() = 0;
    virtual bool ProgressIsOpen() const = 0;
    virtual void ProgressSetRange(int upper) = 0;  // range 0..upper
    virtual int ProgressPosition() const = 0;
    virtual void ProgressSetPosition(int pos) = 0;
    // controlId is ids::kProgressDoing (what is being done) or ids::kProgressOutcome
    // (the outcome), as the resource header names them; repaints at once.
    virtual void ProgressSetText(int controlId, const std::string& text) = 0;
    virtual void ProgressClose() = 0;

    // File-open dialog with the given filter; nullopt when cancelled.
    virtual std::optional<std::string> ChooseFile(const std::string& filter) = 0;
    // Folder chooser; nullopt when cancelled or the choice has no file-system path.
    virtual std::optional<std::string> ChooseFolder(const std::string& title) = 0;
    // The authorization dialog; nullopt when cancelled, else the text entered.
    virtual std::optional<std::string> AskAuthorizationPassword() = 0;
};

// The application message box: caption "Korvane", OK, exclamation icon.
void ShowAppBox(OperatorSeam& op, const std::string& text);

}  // namespace korvane
