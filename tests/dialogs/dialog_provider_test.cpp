#include "dialogs/dialog_provider.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "dialogs/qt_translations.h"
#include "tests/support_qt/scripted_dialogs.h"

TEST(DialogProvider, FileFiltersBecomeQtFilters) {
    const std::pair<const char*, const char*> cases[] = {
        {"*.bin|*.bin||", "*.bin (*.bin)"},
        {"", ""},
        {"Images|*.a;*.b|All|*.*||", "Images (*.a *.b);;All (*.*)"},
        {"*.bin|*.bin", "*.bin (*.bin)"},
        {"odd|", "odd ()"},
        {"lonely", ""}};
    for (const auto& [in, out] : cases) EXPECT_EQ(QtFileFilter(in), out) << in;
}

TEST(DialogProvider, ScriptedAnswersInOrderThenCancels) {
    ScriptedDialogProvider p;
    bool visible = false;
    p.progressVisibleProbe = [&] { return visible; };
    p.ShowBox("a", "Korvane", korvane::BoxIcon::Exclamation);
    visible = true;
    p.ShowBox("b", "警告", korvane::BoxIcon::Stop);
    ASSERT_EQ(p.boxes.size(), 2u);
    EXPECT_FALSE(p.boxes[0].progressVisible);
    EXPECT_TRUE(p.boxes[1].progressVisible);
    p.passwordAnswers = {std::string("x"), std::nullopt};
    EXPECT_EQ(p.AskAuthorizationPassword(), std::optional<std::string>("x"));
    EXPECT_EQ(p.AskAuthorizationPassword(), std::nullopt);
    EXPECT_EQ(p.AskAuthorizationPassword(), std::nullopt);
    EXPECT_EQ(p.passwordPrompts, 3);
}

TEST(DialogProvider, QtsDialogsSpeakTheLocalesLanguage) {
    const QString loaded = InstallQtTranslations(*QCoreApplication::instance(), QLocale("zh_CN"));
    if (loaded.isEmpty()) GTEST_SKIP() << "Qt's Chinese translations are not installed";
    EXPECT_EQ(QFileInfo(loaded).fileName(), "qtbase_zh_CN.qm");
    // The folder chooser's own words.
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:").toStdString(), "查找范围：");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Choose").toStdString(), "选择(&C)");
    // A locale without a translation leaves the dialogs as Qt writes them.
    EXPECT_TRUE(InstallQtTranslations(*QCoreApplication::instance(), QLocale("tlh")).isEmpty());
}
