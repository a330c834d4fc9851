// The lock-key panes follow the keyboard state Windows keeps for the thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <QLabel>
#include <QTest>
#include <string>

#include "app/korvane_app.h"
#include "app/main_frame.h"

namespace {

class KeyboardState {
  public:
    KeyboardState() { GetKeyboardState(saved_); }
    ~KeyboardState() { SetKeyboardState(saved_); }
    KeyboardState(const KeyboardState&) = delete;
    KeyboardState& operator=(const KeyboardState&) = delete;

    void Set(bool caps, bool num, bool scroll) {
        BYTE state[256];
        GetKeyboardState(state);
        Toggle(state[VK_CAPITAL], caps);
        Toggle(state[VK_NUMLOCK], num);
        Toggle(state[VK_SCROLL], scroll);
        SetKeyboardState(state);
    }

  private:
    static void Toggle(BYTE& key, bool on) { key = BYTE(on ? (key | 1) : (key & ~1)); }
    BYTE saved_[256] = {};
};

TEST(LockKeys, PanesNameTheKeysThatAreOnAndFollowChanges) {
    KeyboardState keyboard;
    keyboard.Set(true, false, true);
    CKorvaneDoc doc;
    RecentFileList recent;
    CMainFrame frame(doc, recent);
    auto pane = [&frame](const char* id) {
        return frame.findChild<QLabel*>(QLatin1String(id))->text().toStdString();
    };
    EXPECT_EQ(pane("59137"), "CAP");
    EXPECT_EQ(pane("59138"), "");
    EXPECT_EQ(pane("59139"), "SCRL");

    keyboard.Set(false, true, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane("59138") == "NUM"; }, 2000));
    EXPECT_EQ(pane("59137"), "");
    EXPECT_EQ(pane("59139"), "");
}

}  // namespace
