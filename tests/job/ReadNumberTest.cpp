#include "job/ReadNumber.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace vantorix {
namespace {

struct Reading {
    const char* text;
    double value;
};

void ExpectReadings(std::initializer_list<Reading> readings) {
    for (const auto& [text, value] : readings) EXPECT_DOUBLE_EQ(ReadNumber(text), value) << "text: \"" << text << "\"";
}

TEST(ReadNumber, ReadsTheSettingsExamples) {
    ExpectReadings({{"100", 100}, {"7680", 7680}, {"12.5", 12.5}, {"1 000", 1000}, {"1,5", 1}, {"2e3", 2000},
                    {"100m", 100}, {"-50", -50}, {"abc", 0}, {"", 0}, {"12,5", 12}, {"12abc", 12}, {"1 00", 100}});
}

TEST(ReadNumber, SkipsBlanksTabsAndLineFeedsAnywhere) {
    ExpectReadings({{" \t\n7 6\t8\n0 ", 7680}, {"- 5", -5}, {"2 e 3", 2000}, {"1 . 5", 1.5}, {"   ", 0},
                    // a carriage return is not skipped: it ends the number
                    {"1\r2", 1}});
}

TEST(ReadNumber, TakesTheLongestNumberAtTheStart) {
    ExpectReadings({{"+3", 3}, {".5", 0.5}, {"-.25", -0.25}, {"5.", 5}, {"1.e5", 1}, {"1.E-2", 1}, {"1.2.3", 1.2}, {"2E-2", 0.02},
                    {"2e+2", 200}, {"2e", 2}, {"2e+", 2}, {"2ex", 2}, {"E5", 0}, {".", 0}, {"-", 0}, {"+-3", 0},
                    {"0e999999", 0}, {"1e-400", 0}, {"&H10", 0}, {"&O17", 0}, {"\xC3\xA9" "5", 0}});
}

TEST(ReadNumber, AnyDecimalPointButTheDotEndsTheNumberWhateverTheLocale) {
    EXPECT_DOUBLE_EQ(ReadNumber("3;5"), 3);
    EXPECT_DOUBLE_EQ(ReadNumber("3'5"), 3);
    EXPECT_DOUBLE_EQ(ReadNumber("3\xC2\xB7" "5"), 3);
}

TEST(ReadNumber, ANumberBeyondDoublePrecisionIsAnOverflowNamingTheText) {
    EXPECT_THROW(ReadNumber("1e309"), std::overflow_error);
    EXPECT_THROW(ReadNumber("-1e400"), std::overflow_error);
    EXPECT_THROW(ReadNumber(std::string(400, '9')), std::overflow_error);
    try {
        ReadNumber("9e999 metres");
        FAIL() << "no overflow";
    } catch (const std::overflow_error& error) {
        EXPECT_NE(std::string(error.what()).find("9e999 metres"), std::string::npos) << error.what();
    }
    EXPECT_DOUBLE_EQ(ReadNumber("1.7e308"), 1.7e308);
}

}  // namespace
}  // namespace vantorix
