#include "dialogs/dialog_provider.h"

#include <gtest/gtest.h>

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
