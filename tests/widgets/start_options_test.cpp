#include "app/start_options.h"

#include <gtest/gtest.h>

TEST(StartOptions, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        int emulate;  // -1: none
        bool help, version;
        std::string document;
        bool error;
    };
    const Case cases[] = {
        {{}, -1, false, false, "", false},
        {{"--emulate", "rt220"}, 0, false, false, "", false},
        {{"--emulate", "rt221"}, 1, false, false, "", false},
        {{"--emulate=rt221"}, 1, false, false, "", false},
        {{"--emulate", "rt222"}, -1, false, false, "", true},
        {{"--emulate"}, -1, false, false, "", true},
        {{"--help"}, -1, true, false, "", false},
        {{"--version"}, -1, false, true, "", false},
        {{"site.kv"}, -1, false, false, "site.kv", false},
        {{"a.kv", "b.kv"}, -1, false, false, "a.kv", true},
        {{"--frobnicate"}, -1, false, false, "", true},
        {{"--emulate", "rt220", "plant.kv"}, 0, false, false, "plant.kv", false},
    };
    for (const Case& c : cases) {
        const StartOptions o = ParseStartOptions(c.args);
        std::string where;
        for (const auto& a : c.args) where += a + " ";
        EXPECT_EQ(o.emulateModel.value_or(-1), c.emulate) << where;
        EXPECT_EQ(o.showHelp, c.help) << where;
        EXPECT_EQ(o.showVersion, c.version) << where;
        EXPECT_EQ(o.documentPath, c.document) << where;
        EXPECT_EQ(!o.error.empty(), c.error) << where;
    }
}

TEST(StartOptions, TextsShownForTheOptions) {
    EXPECT_EQ(VersionText(), "korvane 1.0.0");
    StartOptions o;
    EXPECT_EQ(EmulationNote(o), "");
    o.emulateModel = 0;
    EXPECT_EQ(EmulationNote(o), "模拟主机 RT-220");
    o.emulateModel = 1;
    EXPECT_EQ(EmulationNote(o), "模拟主机 RT-221");
    EXPECT_NE(UsageText().find("--emulate"), std::string::npos);
}
