#include "app/start_options.h"

#include <gtest/gtest.h>

#include "app/start_text.h"

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

TEST(StartOptions, TheTraceWithAndWithoutItsFile) {
    EXPECT_FALSE(ParseStartOptions({"--emulate", "rt220"}).trace);
    EXPECT_EQ(ParseStartOptions({"--trace"}).trace, std::string());
    const StartOptions named = ParseStartOptions({"--trace=t.jsonl", "plant.kv"});
    EXPECT_EQ(named.trace, std::string("t.jsonl"));
    EXPECT_EQ(named.documentPath, "plant.kv");
}

TEST(StartOptions, TextsShownForTheOptions) {
    EXPECT_EQ(VersionText(), "korvane 1.1.0");
    StartOptions o;
    EXPECT_EQ(EmulationNote(o), "");
    o.emulateModel = korvane::LampModel::Rt220;
    EXPECT_EQ(EmulationNote(o), "模拟主机 RT-220");
    o.emulateModel = korvane::LampModel::Rt221;
    EXPECT_EQ(EmulationNote(o), "模拟主机 RT-221");
    EXPECT_NE(UsageText().find("--emulate"), std::string::npos);
}

// A windowed program's texts go to the output it inherited, else to the
// console of the program that started it, else into a box; an outlet is
// only tried when those before it could not take the text.
TEST(StartText, GoesToTheFirstOutletThatCanTakeIt) {
    struct Case {
        bool inherited;
        bool parentConsole;
        std::vector<std::string> want;
    } cases[] = {
        {true, true, {"inherited?", "inherited"}},
        {false, true, {"inherited?", "attach?", "console"}},
        {false, false, {"inherited?", "attach?", "box"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> seen;
        const TextOutlets outlets{
            [&](bool) { return seen.push_back("inherited?"), c.inherited; },
            [&] { return seen.push_back("attach?"), c.parentConsole; },
            [&](const std::string& t, bool) { seen.push_back(t == "v\n" ? "inherited" : t); },
            [&](const std::string& t) { seen.push_back(t == "v\n" ? "console" : t); },
            [&](const std::string& t, bool) { seen.push_back(t == "v\n" ? "box" : t); },
        };
        ShowStartText("v\n", false, outlets);
        EXPECT_EQ(seen, c.want);
    }
}
