#include "dialogs/confirm_dlg.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

TEST(ConfirmDlg, MaskedTenCharactersFocusedOnOpen) {
    CConfirmDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("授权确认"));
    EXPECT_TRUE(dlg.enteredPassword.isEmpty());
    auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("1007"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    QStringList labels;
    for (QLabel* l : dlg.findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains(QString::fromUtf8("授权密码:")));
    EXPECT_EQ(dlg.findChild<QWidget*>(QStringLiteral("1"))->property("text").toString(),
              QString::fromUtf8("确定"));
    EXPECT_EQ(dlg.findChild<QWidget*>(QStringLiteral("2"))->property("text").toString(),
              QString::fromUtf8("取消"));

    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_EQ(dlg.focusWidget(), edit);
    QTest::keyClicks(edit, "guard7302XYZ");
    EXPECT_EQ(edit->text(), "guard7302X");
}

TEST(ConfirmDlg, OkFillsTheTextCancelLeavesItEmpty) {
    struct Case {
        const char* typed;
        bool ok;
        bool viaEnter;
        int result;
        const char* entered;
    };
    const Case cases[] = {{"guard7302", true, false, QDialog::Accepted, "guard7302"},
                          {"", true, false, QDialog::Accepted, ""},
                          {"Guard7302", true, true, QDialog::Accepted, "Guard7302"},
                          {"guard7302", false, false, QDialog::Rejected, ""}};
    for (const Case& c : cases) {
        CConfirmDlg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("1007"));
            QTest::keyClicks(edit, c.typed);
            if (c.viaEnter)
                QTest::keyClick(edit, Qt::Key_Return);
            else
                QTest::mouseClick(
                    dlg.findChild<QWidget*>(c.ok ? QStringLiteral("1") : QStringLiteral("2")),
                    Qt::LeftButton);
        });
        EXPECT_EQ(dlg.exec(), c.result) << c.typed;
        EXPECT_EQ(dlg.enteredPassword, QString::fromUtf8(c.entered)) << c.typed;
    }
}
