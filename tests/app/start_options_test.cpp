#include "app/start_options.h"

#include <gtest/gtest.h>

TEST(StartOptions, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        int emulate;  // -1: none
        std::string document;
        bool error;
    };
    const Case cases[] = {
        {{}, -1, "", false},
        {{"--emulate", "rt220"}, 0, "", false},
        {{"--emulate", "rt221"}, 1, "", false},
        {{"--emulate", "RT-220"}, 0, "", false},
        {{"--emulate", "rt-221"}, 1, "", false},
        {{"--emulate=rt221"}, 1, "", false},
        {{"--emulate", "rt222"}, -1, "", true},
        {{"--emulate"}, -1, "", true},
        {{"--help"}, -1, "", false},
        {{"--version"}, -1, "", false},
        {{"site.kv"}, -1, "site.kv", false},
        {{"a.kv", "b.kv"}, -1, "a.kv", true},
        {{"--frobnicate"}, -1, "", true},
        {{"--emulate", "rt220", "plant.kv"}, 0, "plant.kv", false},
    };
    for (const Case& c : cases) {
        const StartOptions o = ParseStartOptions(c.args);
        std::string where;
        for (const auto& a : c.args) where += a + " ";
        EXPECT_EQ(o.emulateModel ? korvane::ModelIndex(*o.emulateModel) : -1, c.emulate) << where;
        EXPECT_EQ(o.documentPath, c.document) << where;
        EXPECT_EQ(!o.error.empty(), c.error) << where;
    }
}

TEST(StartOptions, TextsShownForTheOptions) {
    EXPECT_EQ(VersionText(), "korvane 1.0.0");
    StartOptions o;
    EXPECT_EQ(EmulationNote(o), "");
    o.emulateModel = korvane::LampModel::Rt220;
    EXPECT_EQ(EmulationNote(o), "模拟主机 RT-220");
    o.emulateModel = korvane::LampModel::Rt221;
    EXPECT_EQ(EmulationNote(o), "模拟主机 RT-221");
    EXPECT_NE(UsageText().find("--emulate"), std::string::npos);
}
