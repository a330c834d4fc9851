#include "protocol/frequency.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

#include "tests/support/bytes.h"

namespace korvane {
namespace {

using test::ToHex;

TEST(Frequency, MegahertzToHertzCarriesTheFloatError) {
    struct Case {
        float mhz;
        const char* digits;
    } cases[] = {
        {433.5f, "433500000"}, {433.92f, "433920013"}, {868.3f, "868299987"},
        {999.0f, "999000000"}, {100.0f, "100000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(HzDigits(c.mhz), c.digits) << c.mhz;
}

TEST(Frequency, SetFrequencyRequest) {
    struct Case {
        float mhz;
        const char* request;
    } cases[] = {
        {433.5f, "01 E0 09 34 33 33 35 30 30 30 30 30 56"},
        {999.0f, "01 E0 09 39 39 39 30 30 30 30 30 30 4A"},
    };
    for (const auto& c : cases) EXPECT_EQ(ToHex(SetFrequencyRequest(c.mhz)), c.request) << c.mhz;
    const Bytes r = SetFrequencyRequest(433.92f);
    EXPECT_EQ(std::string(r.begin() + 3, r.end() - 1), "433920013");
}

float FromText(const char* text) {
    return DigitsToMhz(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

TEST(Frequency, DigitsReadAsTheStandardConversionReadsThem) {
    EXPECT_FLOAT_EQ(FromText("433920013"), 433.920013f);
    EXPECT_FLOAT_EQ(FromText("433500000xyz"), 433.5f);
    EXPECT_FLOAT_EQ(FromText("  868300000"), 868.3f);
    EXPECT_EQ(FromText(""), 0.0f);
    EXPECT_EQ(FromText("abc"), 0.0f);
    EXPECT_EQ(FromText("inf"), 0.0f);
    EXPECT_EQ(DigitsToMhz(nullptr, 0), 0.0f);
    const uint8_t withZero[] = {'4', '3', '3', 0, '9', '9'};
    EXPECT_FLOAT_EQ(DigitsToMhz(withZero, sizeof withZero), 0.000433f);
    const uint8_t unterminated[] = {'1', '2'};  // nothing is read past n
    EXPECT_FLOAT_EQ(DigitsToMhz(unterminated, 1), 0.000001f);
}

TEST(Frequency, DisplayUsesSixSignificantDigits) {
    EXPECT_EQ(FormatMhz(433.5f), "433.5");
    EXPECT_EQ(FormatMhz(433.920013f), "433.92");
    EXPECT_EQ(FormatMhz(0.0f), "0");
    EXPECT_EQ(FormatMhz(999.0f), "999");
}

// What the form shows for the digits a host sends back.
TEST(Frequency, ReadBackDigitsAsShown) {
    struct Case {
        const char* digits;
        const char* shown;
    } cases[] = {
        {"433920013", "433.92"},
        {"868300000", "868.3"},
        {"315000000", "315"},
        {"", "0"},
        {"abc", "0"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatMhz(FromText(c.digits)), c.shown) << c.digits;
}

// A text the operator typed, taken and shown back.
TEST(Frequency, TypedTextShownBack) {
    struct Case {
        const char* typed;
        float mhz;
        const char* shown;
    } cases[] = {
        {" 4.335e2\t", 433.5f, "433.5"}, {"100", 100.0f, "100"},   {"999", 999.0f, "999"},
        {"433.92", 433.92f, "433.92"},   {"868.0", 868.0f, "868"},
    };
    for (const auto& c : cases) {
        const auto v = ParseMhzText(c.typed);
        ASSERT_TRUE(v) << c.typed;
        EXPECT_FLOAT_EQ(*v, c.mhz) << c.typed;
        EXPECT_EQ(FormatMhz(*v), c.shown) << c.typed;
    }
}

TEST(Frequency, FormTextAcceptsOneDecimalNumber) {
    struct Case {
        const char* text;
        bool ok;
        float value;
    } cases[] = {
        {"433.5", true, 433.5f}, {"4.335e2", true, 433.5f},
        {".5", true, 0.5f},      {" \t433.5\t ", true, 433.5f},
        {"-7", true, -7.0f},     {"+433", true, 433.0f},
        {"", false, 0},          {"   ", false, 0},
        {"433.5 MHz", false, 0}, {"abc", false, 0},
        {"433,5", false, 0},     {"0x1A", false, 0},
        {"nan", false, 0},       {"4 33", false, 0},
        {"433.5x", false, 0},    {"433.5MHz", false, 0},
        {"1e9", true, 1e9f},     {"-433", true, -433.0f},
    };
    for (const auto& c : cases) {
        const auto v = ParseMhzText(c.text);
        EXPECT_EQ(v.has_value(), c.ok) << '"' << c.text << '"';
        if (v && c.ok) {
            EXPECT_FLOAT_EQ(*v, c.value) << c.text;
        }
    }
}

TEST(Frequency, RangeIsOneHundredTo999Megahertz) {
    struct Case {
        float mhz;
        bool in;
    } cases[] = {
        {100.0f, true},  {999.0f, true},   {433.5f, true},   {99.9f, false}, {999.01f, false},
        {999.5f, false}, {1000.0f, false}, {-433.0f, false}, {1e9f, false},
    };
    for (const auto& c : cases) EXPECT_EQ(FrequencyInRange(c.mhz), c.in) << c.mhz;
}

TEST(Frequency, TextFormsDoNotFollowTheProcessLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE locale";
    EXPECT_EQ(FormatMhz(433.5f), "433.5");
    EXPECT_TRUE(ParseMhzText("433.5"));
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace korvane
