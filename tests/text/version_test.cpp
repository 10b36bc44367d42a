// Cleaning and comparing version texts.
#include "text/version.h"

#include <gtest/gtest.h>

namespace {

TEST(Version, NormalizeKeepsTheLeadingDigitsAndDots) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"1.2.7.1", "1.2.7.1"}, {"1.2.7 (beta)", "1.2.7"}, {"1.2-3", "1.2"},
        {"ver1.2", ""},         {"1, 2, 7", "127"},        {"1.2 [test]", "1.2"},
        {"1.2.7b", "1.2.7"},    {" 1.2\t/3 ", "1.23"},     {"", ""},
    };
    for (const auto& c : cases) {
        TextBuffer version(c.text);
        normalizeVersion(version);
        EXPECT_STREQ(c.expected, version.text()) << '"' << c.text << '"';
        EXPECT_EQ(strlen(c.expected) + 1, version.length());
    }
}

TEST(Version, CompareGivesOneWhenTheArgumentIsNewer) {
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"1.2.7.1", "0", -1},
        {"1.2.7.1", "1.2.7.1", 0},
        {"1.2.7.1", "1.2.8", 1},
        {"1.2.7.1", "1.2.7", -1},
        {"1.2", "1.2.0", 1},
        {"1.2.0", "1.2", -1},
        {"", "1", 1},
        {"", "", 0},
        {"0", "", -1},
        {"1.10", "1.9", -1},
        {"1.9", "1.10", 1},
        {"1.02", "1.2", 0},
        {"1.2.2", "1.2.2", 0},
        {"1.2.1", "1.2.2", 1},
        {"1.2.7.1", "1.2.2", -1},
        {"2", "1.9.9.9", -1},
        {"1..2", "1.2", 0},
        {"1,2 7", "1.2.7", 0},
        {"1.2b", "1.2", 0},
        {"1.b2", "1.0", 0},
        {"1.2", "1.2.", 0},
        {"1.2.7.1", nullptr, -1},
        {"99999999999", "2147483647", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, compareVersion(TextBuffer(c.a), c.b))
            << '"' << c.a << "\" vs \"" << (c.b ? c.b : "(null)") << '"';
    }
}

}  // namespace
