#pragma once
// The whole window against the emulated host, in virtual time: the real
// frame, form and progress dialog, with scripted answers to the dialogs.
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

struct HostWindow {
    VirtualClock clock;
    CKorvaneDoc doc;
    RecentFileList recent;
    CMainFrame frame{doc, recent};
    ScriptedDialogProvider dialogs;
    std::unique_ptr<FormController> controller;
    std::vector<int> states;  // every connection state the frame was sent

    explicit HostWindow(int model = 0, bool plugged = true) {
        View().SetDialogProvider(&dialogs);
        dialogs.progressVisibleProbe = [this] { return View().progress->IsOpen(); };
        SessionOptions options;
        options.emulate = static_cast<LampModel>(model);
        controller = std::make_unique<FormController>(View(), clock, options);
        QObject::connect(controller.get(), &FormController::connectionState, &frame, [this](int s) {
            states.push_back(s);
            frame.OnConnectionState(s);
        });
        QObject::connect(controller.get(), &FormController::deviceChange, &frame,
                         &CMainFrame::OnDeviceChange);
        if (!plugged) {
            // Absent from the start: no removal to announce.
            auto announce = Host().onPlug;
            Host().onPlug = nullptr;
            Host().Unplug();
            Host().onPlug = announce;
        }
        frame.InitialUpdateView();
        frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        Settle();
        states.clear();
    }
    ~HostWindow() {
        View().SetDialogProvider(nullptr);
        controller.reset();
    }

    CKorvaneView& View() { return *frame.View(); }
    HostEmulator& Host() { return *controller->Emulator(); }
    EmulatedBackend& Backend() {
        return static_cast<EmulatedBackend&>(controller->Session().backend());
    }
    HidLink& Link() { return controller->Session().link(); }

    // Delivers what was queued (device changes of the emulated host).
    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
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

    QWidget* W(int id) { return View().Control(id); }
    QLineEdit* Edit(int id) { return qobject_cast<QLineEdit*>(W(id)); }
    QComboBox* Combo(int id) { return qobject_cast<QComboBox*>(W(id)); }
    QCheckBox* Check(int id) { return qobject_cast<QCheckBox*>(W(id)); }
    void Click(int id) { qobject_cast<QAbstractButton*>(W(id))->click(); }
    void Type(int id, const char* text) { Edit(id)->setText(QString::fromUtf8(text)); }
    std::string Text(int id) { return Edit(id)->text().toStdString(); }

    Strings Boxes() const {
        Strings out;
        for (const auto& b : dialogs.boxes) out.push_back(b.text);
        return out;
    }
    // Whether the progress window was up behind each box.
    std::vector<bool> ProgressBehindBoxes() const {
        std::vector<bool> out;
        for (const auto& b : dialogs.boxes) out.push_back(b.progressVisible);
        return out;
    }
    int Handled(uint8_t command) {
        int n = 0;
        for (uint8_t c : Host().handled) n += c == command ? 1 : 0;
        return n;
    }
};

}  // namespace korvane::test
