// Text operations and path helpers over TextBuffer.
#include "text/text_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/double_byte.h"

namespace {

// The delimiter set that version texts are split with.
constexpr const char* kVersionDelimiters = ".,- /\\";

std::vector<std::string> tokens(const char* text, const char* delimiters) {
    TextBuffer source(text);
    std::vector<std::string> result;
    int32_t position = 0;
    for (;;) {
        TextBuffer token = source.nextToken(delimiters, &position);
        if (token.visibleLength() == 0) {
            EXPECT_EQ(-1, position) << text;
            return result;
        }
        result.push_back(token.text());
    }
}

TEST(PathEndings, WithTrailingSeparator) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"C:\\Program Files\\Kestrova", "C:\\Program Files\\Kestrova\\"},
        {"C:\\Data\\", "C:\\Data\\"},
        {"C:/Data/", "C:/Data/"},
        {" \t C:\\Data\r\n", "C:\\Data\\"},
        {"  C:\\Data\\ \n", "C:\\Data\\"},
        {"", ""},
        {" \t\r\n", ""},
        {nullptr, ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.expected, withTrailingSeparator(c.path).text())
            << (c.path ? c.path : "(null)");
    }
}

TEST(PathEndings, WithoutTrailingSeparator) {
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"C:\\Data", "C:\\Data"},
        {"C:\\Data\\", "C:\\Data"},
        {"C:\\Data\\\\", "C:\\Data\\"},
        {"C:\\Data/", "C:\\Data"},
        {"C:\\", "C:"},
        {"\tC:\\Data\\  ", "C:\\Data"},
        {"\\", ""},
        {"   ", ""},
        {nullptr, ""},
    };
    for (const auto& c : cases) {
        TextBuffer result = withoutTrailingSeparator(c.path);
        EXPECT_STREQ(c.expected, result.text()) << (c.path ? c.path : "(null)");
        EXPECT_EQ(strlen(c.expected) + 1, result.length());
    }
}

// A backslash or bar that is the second byte of a character is no separator.
TEST_F(DoubleByteTest, PathEndingsStepByCharacter) {
    const std::string folder = "C:\\x\\" + kTrailBackslash;
    const std::string other = "C:\\" + kTrailBar;
    const struct {
        std::string path;
        std::string with;
        std::string without;
    } cases[] = {
        {folder, folder + "\\", folder},
        {folder + "\\", folder + "\\", folder},
        {other, other + "\\", other},
        {" " + folder + "/\r\n", folder + "/", folder},
        {kTrailBackslash, kTrailBackslash + "\\", kTrailBackslash},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(std::string(withTrailingSeparator(c.path.c_str()).text()), c.with);
        EXPECT_EQ(std::string(withoutTrailingSeparator(c.path.c_str()).text()), c.without);
    }
    const std::string path = kTrailBackslash + "\\" + kTrailBar + "/a";
    EXPECT_EQ(findPathSeparator(path.c_str()), path.c_str() + 2);
    EXPECT_EQ(findPathSeparator(path.c_str() + 3), path.c_str() + 5);
    EXPECT_EQ(findPathSeparator(kTrailBackslash.c_str()), nullptr);
}

TEST(Concat, JoinsBuffersAndTexts) {
    TextBuffer folder = withTrailingSeparator("C:\\Kestrova");
    EXPECT_STREQ("C:\\Kestrova\\kvr.exe", concat(folder, "kvr.exe").text());
    EXPECT_STREQ("C:\\Kestrova\\kvr.exe", concat(folder, TextBuffer("kvr.exe")).text());
    EXPECT_STREQ("C:\\Kestrova\\", concat(folder, TextBuffer()).text());
    EXPECT_EQ(folder.length(), concat(folder, nullptr).length());
    EXPECT_STREQ("C:\\Kestrova\\", folder.text()) << "the source is unchanged";
}

TEST(Trim, RemovesOnlyTheRunsAtEitherEnd) {
    const struct {
        const char* text;
        const char* left;
        const char* right;
        const char* both;
    } cases[] = {
        {" \t a b \r\n", "a b \r\n", " \t a b", "a b"},
        {"a \t b", "a \t b", "a \t b", "a \t b"},
        {" \n\t ", "", "", ""},
        {"", "", "", ""},
        {"x", "x", "x", "x"},
    };
    for (const auto& c : cases) {
        TextBuffer left(c.text), right(c.text), both(c.text);
        left.trimLeft(kBlankSet);
        right.trimRight(kBlankSet);
        both.trim(kBlankSet);
        EXPECT_STREQ(c.left, left.text()) << '"' << c.text << '"';
        EXPECT_STREQ(c.right, right.text()) << '"' << c.text << '"';
        EXPECT_STREQ(c.both, both.text()) << '"' << c.text << '"';
        EXPECT_EQ(strlen(c.both) + 1, both.length());
    }
}

TEST(Trim, NullOrEmptySetChangesNothing) {
    TextBuffer b("  a  ");
    b.trim(nullptr);
    b.trim("");
    EXPECT_STREQ("  a  ", b.text());
}

TEST(IsBlank, FlagsAdmitEachKindOfBlank) {
    const struct {
        const char* text;
        unsigned flags;
        int expected;
    } cases[] = {
        {"", 0, 1},         {"", 7, 1},     {" ", 0, 0},    {" \t\r\n", 7, 1},
        {" \t\r\nx", 7, 0}, {"x  ", 7, 0},  {"  ", 1, 1},   {" \t", 1, 0},
        {"\t", 2, 1},       {"\r\n", 4, 1}, {"\r\n", 3, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, TextBuffer(c.text).isBlank(c.flags))
            << '"' << c.text << "\" flags " << c.flags;
    }
}

TEST(Find, CharactersAndTexts) {
    TextBuffer command("\"C:\\Kestrova\\kvr.exe\" \"%1\" %1");
    EXPECT_EQ(22, command.findText("\"%1\"", 0));
    EXPECT_EQ(23, command.findText("%1", 0));
    EXPECT_EQ(27, command.findText("%1", 24));
    EXPECT_EQ(-1, command.findText("%1", 28));
    EXPECT_EQ(-1, command.findText("KVR.EXE", 0)) << "case-sensitive";
    EXPECT_EQ(-1, command.findText("", 0));
    EXPECT_EQ(-1, command.findText("%1", static_cast<int32_t>(command.visibleLength())));
    EXPECT_EQ(-1, command.findText("%1", -1));
    EXPECT_EQ(-1, TextBuffer("%").findText("%1", 0));

    TextBuffer path("C:\\a\\b\\c");
    EXPECT_EQ(2, path.findChar('\\', 0));
    EXPECT_EQ(4, path.findChar('\\', 3));
    EXPECT_EQ(-1, path.findChar('\\', 7));
    EXPECT_EQ(-1, path.findChar('\0', 0)) << "the terminator is not searched";
    EXPECT_EQ(3, path.countChar('\\', 0));
    EXPECT_EQ(1, path.countChar('\\', 5));
    EXPECT_EQ(0, path.countChar('\0', 0));
}

TEST(Substrings, LeftRightMid) {
    TextBuffer b("Kestrova");
    const struct {
        TextBuffer result;
        const char* expected;
    } cases[] = {
        {b.left(0), ""},           {b.left(4), "Kest"},  {b.left(8), "Kestrova"},
        {b.left(50), "Kestrova"},  {b.right(0), ""},     {b.right(4), "rova"},
        {b.right(50), "Kestrova"}, {b.mid(0, 3), "Kes"}, {b.mid(2, 3), "str"},
        {b.mid(5, 50), "ova"},     {b.mid(8, 1), ""},    {b.mid(2, 0), ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.expected, c.result.text());
        EXPECT_EQ(strlen(c.expected) + 1, c.result.length());
    }
    EXPECT_STREQ("Kestrova", b.text());
}

TEST(NextToken, SplitsOnRunsOfDelimiters) {
    const struct {
        const char* text;
        std::vector<std::string> expected;
    } cases[] = {
        {"1.2.7.1", {"1", "2", "7", "1"}},
        {"..1..2", {"1", "2"}},
        {" /\\1,2-3 ", {"1", "2", "3"}},
        {"1.2.", {"1", "2"}},
        {"12b", {"12b"}},
        {"", {}},
        {"...", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, tokens(c.text, kVersionDelimiters)) << c.text;
    }
}

TEST(NextToken, PositionMovesPastTheEndingDelimiter) {
    TextBuffer b("ab..cd");
    int32_t position = 0;
    EXPECT_STREQ("ab", b.nextToken(".", &position).text());
    EXPECT_EQ(3, position);
    EXPECT_STREQ("cd", b.nextToken(".", &position).text());
    EXPECT_EQ(7, position);
    EXPECT_STREQ("", b.nextToken(".", &position).text());
    EXPECT_EQ(-1, position);

    position = 2;
    EXPECT_STREQ("ab..cd", b.nextToken(nullptr, &position).text());
    EXPECT_EQ(2, position);
}

TEST(KeepAlphanumeric, DropsEverythingElse) {
    TextBuffer b(" 1b-2 c\t3!");
    b.keepAlphanumeric();
    EXPECT_STREQ("1b2c3", b.text());
    EXPECT_EQ(6u, b.length());
    TextBuffer none("-. ");
    none.keepAlphanumeric();
    EXPECT_EQ(1u, none.length());
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnce) {
    const struct {
        const char* text;
        const char* pattern;
        const char* replacement;
        bool ignoreCase;
        const char* expected;
    } cases[] = {
        {"(c) #YR# Velmora", "#YR#", "2024", true, "(c) 2024 Velmora"},
        {"#yr# #Yr# #yR#", "#YR#", "2024", true, "2024 2024 2024"},
        {"#YR##yr#", "#YR#", "2024", true, "20242024"},
        {"#yr# #YR#", "#YR#", "2024", false, "#yr# 2024"},
        {"aaa", "aa", "b", false, "ba"},
        {"ab", "b", "bb", false, "abb"},
        {"#YR", "#YR#", "2024", true, "#YR"},
        {"text", "", "x", false, "text"},
        {"a#YR#b", "#YR#", nullptr, true, "ab"},
        {"", "#YR#", "2024", true, ""},
    };
    for (const auto& c : cases) {
        TextBuffer source(c.text);
        TextBuffer result = source.replaceAll(c.pattern, c.replacement, c.ignoreCase);
        EXPECT_STREQ(c.expected, result.text()) << c.text << " / " << c.pattern;
        EXPECT_EQ(strlen(c.expected) + 1, result.length());
        EXPECT_STREQ(c.text, source.text());
    }
}

}  // namespace
