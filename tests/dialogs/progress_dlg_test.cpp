#include "dialogs/progress_dlg.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include "controls/flat_button.h"

namespace {

struct Opened {
    CProgressDlg dlg;
    Opened() {
        dlg.Open();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        dlg.activateWindow();
    }
    QWidget* Item(const char* id) { return dlg.findChild<QWidget*>(QString::fromLatin1(id)); }
};

}  // namespace

TEST(ProgressDlg, FreshWindowIsEmptyWithHiddenPauseAndVisibleCancel) {
    Opened o;
    EXPECT_TRUE(o.dlg.IsOpen());
    EXPECT_EQ(o.dlg.ItemText(1001), QString());
    EXPECT_EQ(o.dlg.ItemText(1002), QString());
    EXPECT_EQ(o.dlg.Position(), 0);
    auto* pause = qobject_cast<CFlatButton*>(o.Item("1"));
    auto* cancel = qobject_cast<CFlatButton*>(o.Item("2"));
    ASSERT_TRUE(pause && cancel);
    EXPECT_EQ(pause->text(), QString::fromUtf8("暂停"));
    EXPECT_FALSE(pause->isVisible());
    EXPECT_EQ(cancel->text(), QString::fromUtf8("取消"));
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_TRUE(cancel->IsTransparent());
    EXPECT_EQ(cancel->Color(CFlatButton::TextHot), QColor(255, 0, 0));
}

TEST(ProgressDlg, CancelButtonEscAndCloseSendCancelAndStayOpen) {
    struct Case {
        const char* name;
        std::function<void(Opened&)> act;
    };
    const Case cases[] = {
        {"click", [](Opened& o) { QTest::mouseClick(o.Item("2"), Qt::LeftButton); }},
        {"space on cancel", [](Opened& o) { QTest::keyClick(o.Item("2"), Qt::Key_Space); }},
        {"esc", [](Opened& o) { QTest::keyClick(&o.dlg, Qt::Key_Escape); }},
        {"close", [](Opened& o) { o.dlg.close(); }},
    };
    for (const Case& c : cases) {
        Opened o;
        QSignalSpy cancels(&o.dlg, &CProgressDlg::cancelRequest);
        QSignalSpy pauses(&o.dlg, &CProgressDlg::pauseRequest);
        c.act(o);
        ASSERT_EQ(cancels.count(), 1) << c.name;
        EXPECT_EQ(cancels.at(0).at(0).toInt(), 1) << c.name;
        EXPECT_EQ(pauses.count(), 0) << c.name;
        EXPECT_TRUE(o.dlg.isVisible()) << c.name;
    }
}

TEST(ProgressDlg, EnterTogglesPauseCaptionAndNothingElse) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        Opened o;
        o.dlg.SetRange(10);
        o.dlg.SetPosition(4);
        o.dlg.SetItemText(1001, QStringLiteral("busy"));
        QSignalSpy cancels(&o.dlg, &CProgressDlg::cancelRequest);
        QSignalSpy pauses(&o.dlg, &CProgressDlg::pauseRequest);
        // Enter goes to the dialog's OK command even while cancel has the focus.
        o.Item("2")->setFocus();
        QTest::keyClick(o.Item("2"), key);
        EXPECT_EQ(o.dlg.ItemText(1), QString::fromUtf8("继续"));
        QTest::keyClick(&o.dlg, key);
        EXPECT_EQ(o.dlg.ItemText(1), QString::fromUtf8("暂停"));
        ASSERT_EQ(pauses.count(), 2);
        EXPECT_EQ(pauses.at(0).at(0).toInt(), 0);
        EXPECT_EQ(pauses.at(1).at(0).toInt(), 1);
        EXPECT_EQ(cancels.count(), 0);
        EXPECT_TRUE(o.dlg.isVisible());
        EXPECT_EQ(o.dlg.Position(), 4);
        EXPECT_EQ(o.dlg.ItemText(1001), QStringLiteral("busy"));
    }
}

TEST(ProgressDlg, EmptyRangeLeavesBarEmptyNotBusy) {
    Opened o;
    o.dlg.SetRange(0);
    o.dlg.SetPosition(5);
    auto* bar = qobject_cast<QProgressBar*>(o.Item("1000"));
    ASSERT_TRUE(bar);
    EXPECT_LT(bar->minimum(), bar->maximum()) << "0..0 must not turn into a busy bar";
    EXPECT_EQ(o.dlg.Position(), 0);
}

TEST(ProgressDlg, PositionStaysInsideTheRange) {
    Opened o;
    o.dlg.SetRange(40);
    const std::pair<int, int> cases[] = {{17, 17}, {40, 40}, {41, 40}, {-3, 0}, {0, 0}};
    for (auto [in, expected] : cases) {
        o.dlg.SetPosition(in);
        EXPECT_EQ(o.dlg.Position(), expected) << in;
    }
}

TEST(ProgressDlg, TealPanelDarkBarGreyTexts) {
    Opened o;
    o.dlg.SetItemText(1001, QStringLiteral("x"));
    const QImage img = o.dlg.grab().toImage();
    auto* bar = o.Item("1000");
    const QPoint inBar = bar->geometry().center();
    EXPECT_EQ(QColor(img.pixel(inBar)), QColor(20, 20, 20));
    const QPoint belowBar(bar->geometry().left() + 2, bar->geometry().bottom() + 3);
    EXPECT_EQ(QColor(img.pixel(belowBar)), QColor(10, 100, 120));
    for (const char* id : {"1001", "1002"}) {
        auto* label = qobject_cast<QLabel*>(o.Item(id));
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(200, 200, 200)) << id;
        EXPECT_FALSE(label->autoFillBackground()) << id << " shares the panel";
    }
}

TEST(ProgressDlg, ClosedWindowReopensFresh) {
    Opened o;
    o.dlg.SetRange(9);
    o.dlg.SetPosition(3);
    o.dlg.SetItemText(1001, QStringLiteral("a"));
    o.dlg.SetItemText(1002, QStringLiteral("b"));
    o.dlg.OnPauseResume();
    o.dlg.Close();
    EXPECT_FALSE(o.dlg.IsOpen());
    o.dlg.Open();
    EXPECT_TRUE(o.dlg.IsOpen());
    EXPECT_EQ(o.dlg.ItemText(1001), QString());
    EXPECT_EQ(o.dlg.ItemText(1002), QString());
    EXPECT_EQ(o.dlg.Position(), 0);
    EXPECT_EQ(o.dlg.ItemText(1), QString::fromUtf8("暂停"));
}
