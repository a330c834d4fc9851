#pragma once
// The whole window against a host: the real frame, form, controller and
// progress dialog, with scripted answers to the dialogs. HostWindow runs it
// against the emulated host in virtual time.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/korvane_app.h"
#include "app/main_frame.h"
#include "controls/flat_button.h"
#include "dialogs/progress_dlg.h"
#include "emulator/emulated_backend.h"
#include "emulator/host_emulator.h"
#include "tests/support_qt/scripted_dialogs.h"
#include "view/form_controller.h"
#include "view/korvane_view.h"

namespace korvane::test {

using Strings = std::vector<std::string>;

inline EmulatorFaults Fault(bool EmulatorFaults::*flag) {
    EmulatorFaults f;
    f.*flag = true;
    return f;
}

// The frame with its form bound to a host session on `clock`. Show() puts it
// on screen; until then the session can be set up (a host unplugged, say).
class FormWindow {
  public:
    CKorvaneDoc doc;
    RecentFileList recent;
    CMainFrame frame{doc, recent};
    ScriptedDialogProvider dialogs;
    std::unique_ptr<FormController> controller;
    std::vector<int> states;  // every connection state the frame was sent

    FormWindow(Clock& clock, const SessionOptions& options) {
        View().SetDialogProvider(&dialogs);
        dialogs.progressVisibleProbe = [this] { return View().progress->IsOpen(); };
        controller = std::make_unique<FormController>(View(), clock, options);
        QObject::connect(controller.get(), &FormController::connectionState, &frame, [this](int s) {
            states.push_back(s);
            frame.OnConnectionState(s);
        });
        QObject::connect(controller.get(), &FormController::deviceChange, &frame,
                         &CMainFrame::OnDeviceChange);
    }
    ~FormWindow() {
        View().SetDialogProvider(nullptr);
        controller.reset();
    }
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    void Show() {
        frame.InitialUpdateView();
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        Settle();
        states.clear();
    }

    CKorvaneView& View() { return *frame.View(); }
    HidLink& Link() { return controller->Session().link(); }

    // Delivers what was queued (device changes of the emulated host).
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    QWidget* W(int id) { return View().Control(id); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(W(id)); }
    QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(W(id)); }
    QCheckBox* Check(int id) { return qobject_cast<QCheckBox*>(W(id)); }
    void Click(int id) { qobject_cast<QAbstractButton*>(W(id))->click(); }
    void Type(int id, const char* text) { Edit(id)->setText(QString::fromUtf8(text)); }
    std::string Text(int id) { return Edit(id)->text().toStdString(); }

    Strings Boxes() const { return dialogs.BoxTexts(); }
    std::vector<bool> ProgressBehindBoxes() const { return dialogs.ProgressBehindBoxes(); }
};

// Holds the clock ahead of the window, so the window goes first.
template <typename ClockType>
struct ClockFirst {
    ClockType clock;
};

class HostWindow : public ClockFirst<VirtualClock>, public FormWindow {
  public:
    // record: the provisioning record's file, when the window keeps one.
    explicit HostWindow(int model = 0, bool plugged = true,
                        std::optional<std::string> record = std::nullopt)
        : FormWindow(clock, Emulating(model, std::move(record))) {
        if (!plugged) {
            // Absent from the start: no removal to announce.
            auto announce = Host().onPlug;
            Host().onPlug = nullptr;
            Host().Unplug();
            Host().onPlug = announce;
        }
        Show();
    }

    HostEmulator& Host() { return *controller->Emulator(); }
    EmulatedBackend& Backend() {
        return static_cast<EmulatedBackend&>(controller->Session().backend());
    }

    void Connect() {
        controller->Poll();
        ASSERT_EQ(View().linkUp, 1);
        Clear();
    }
    void Clear() {
        states.clear();
        dialogs.boxes.clear();
        Host().received.clear();
        Host().handled.clear();
    }
    int Handled(uint8_t command) {
        int n = 0;
        for (uint8_t c : Host().handled) n += c == command ? 1 : 0;
        return n;
    }

  private:
    static SessionOptions Emulating(int model, std::optional<std::string> record) {
        SessionOptions options;
        options.emulate = {static_cast<LampModel>(model)};
        options.record = std::move(record);
        return options;
    }
};

}  // namespace korvane::test
