// The operator seam over the real view: its progress dialog and the dialog
// provider behind the boxes and choosers.
#include "view/qt_operator.h"

#include <gtest/gtest.h>

#include <QTest>

#include "dialogs/progress_dlg.h"
#include "protocol/transaction.h"
#include "tests/support_qt/host_window.h"
#include "tests/support_qt/scripted_dialogs.h"
#include "view/korvane_view.h"

TEST(QtOperatorSeam, DrivesTheViewsProgressAndDialogs) {
    CKorvaneView view;
    ScriptedDialogProvider dialogs;
    dialogs.progressVisibleProbe = [&] { return view.progress->IsOpen(); };
    view.SetDialogProvider(&dialogs);
    view.show();
    QtOperator op(view);

    EXPECT_FALSE(op.ProgressIsOpen());
    op.ShowBox("before", "Korvane", korvane::BoxIcon::Exclamation);
    op.ProgressOpen();
    EXPECT_TRUE(op.ProgressIsOpen());
    op.ProgressSetRange(12);
    op.ProgressSetPosition(5);
    EXPECT_EQ(op.ProgressPosition(), 5);
    op.ProgressSetText(1001, "正在初始化设备.....");
    op.ProgressSetText(1002, "发送成功");
    op.ProgressSetText(1003, "ignored");
    EXPECT_EQ(view.progress->ItemText(1001), QString::fromUtf8("正在初始化设备....."));
    EXPECT_EQ(view.progress->ItemText(1002), QString::fromUtf8("发送成功"));
    op.ShowBox("during", "警告", korvane::BoxIcon::Stop);
    view.setEnabled(false);
    op.ProgressClose();
    EXPECT_FALSE(op.ProgressIsOpen());
    EXPECT_TRUE(view.isEnabled());
    op.ShowBox("after", "失败1", korvane::BoxIcon::None);

    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[0].text, "before");
    EXPECT_FALSE(dialogs.boxes[0].progressVisible);
    EXPECT_EQ(dialogs.boxes[1].caption, "警告");
    EXPECT_EQ(dialogs.boxes[1].icon, korvane::BoxIcon::Stop);
    EXPECT_TRUE(dialogs.boxes[1].progressVisible);
    EXPECT_FALSE(dialogs.boxes[2].progressVisible);

    dialogs.fileAnswers = {std::string("/tmp/a.bin")};
    EXPECT_EQ(op.ChooseFile("*.bin|*.bin||"), std::optional<std::string>("/tmp/a.bin"));
    EXPECT_EQ(op.ChooseFile("*.bin|*.bin||"), std::nullopt);
    EXPECT_EQ(dialogs.fileFilters.size(), 2u);
    dialogs.folderAnswers = {"/tmp/wav"};
    EXPECT_EQ(op.ChooseFolder(""), std::optional<std::string>("/tmp/wav"));
    EXPECT_EQ(op.ChooseFolder(""), std::nullopt);
    dialogs.passwordAnswers = {std::string("guard7302")};
    EXPECT_EQ(op.AskAuthorizationPassword(), std::optional<std::string>("guard7302"));
    EXPECT_EQ(op.AskAuthorizationPassword(), std::nullopt);
}

TEST(QtOperatorSeam, CancelInTheDialogReachesTheTransfersFlag) {
    korvane::test::HostWindow w;
    CKorvaneView& view = w.View();
    view.progress->Open();
    korvane::LampProtocol& protocol = w.controller->Session().protocol();
    EXPECT_EQ(protocol.cancelRequested, 0);
    QTest::mouseClick(view.progress->findChild<QWidget*>(QStringLiteral("2")), Qt::LeftButton);
    EXPECT_EQ(protocol.cancelRequested, 1);
    EXPECT_TRUE(view.progress->IsOpen());
}
