// TextBuffer: growth and shrink rules, assignment, appending, formatting, failures.
#include "text/text_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t pageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// Whole pages strictly above `need` bytes.
uint32_t pagesAbove(uint32_t need) {
    return pageSize() * (need / pageSize() + 1);
}

int codeOf(void (*operation)(TextBuffer&), TextBuffer& buffer) {
    try {
        operation(buffer);
    } catch (const TextBufferError& e) {
        return e.code;
    }
    return 0;
}

TEST(TextBuffer, FreshAndNullTextsAreOneNulInTheInitialBlock) {
    TextBuffer fresh;
    TextBuffer fromEmpty("");
    TextBuffer fromNull(static_cast<const char*>(nullptr));
    TextBuffer fromNullWide(static_cast<const wchar_t*>(nullptr));
    for (const TextBuffer* b : {&fresh, &fromEmpty, &fromNull, &fromNullWide}) {
        EXPECT_EQ(1u, b->length());
        EXPECT_EQ('\0', b->text()[0]);
        EXPECT_EQ(260u, b->capacity());
        EXPECT_EQ(pageSize(), b->growthStep());
    }
}

TEST(TextBuffer, AppendingOneCharacterAtATimeDoublesThenGrowsByPages) {
    std::vector<uint32_t> expected;
    for (uint32_t c = 260; c < pageSize(); c *= 2) {
        expected.push_back(c);
    }
    uint32_t c = pagesAbove(expected.back());
    while (expected.size() < 9) {
        expected.push_back(c);
        c += pageSize();
    }

    TextBuffer b;
    std::vector<uint32_t> seen{b.capacity()};
    std::string mirror;
    while (seen.size() < expected.size()) {
        char ch = static_cast<char>('a' + mirror.size() % 26);
        b.appendChar(ch);
        mirror += ch;
        if (b.capacity() != seen.back()) {
            seen.push_back(b.capacity());
        }
    }
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(mirror.size() + 1, b.length());
    EXPECT_EQ(mirror, b.text());
}

TEST(TextBuffer, ReserveAddsAPageOfHeadroomForLargeRequests) {
    TextBuffer b;
    b.reserve(10000);
    uint32_t expected = pagesAbove(10001);
    if (expected - 260 < 40000) {
        expected += pageSize();
    }
    EXPECT_EQ(expected, b.capacity());
    EXPECT_EQ(1u, b.length());
}

TEST(TextBuffer, ReserveWithinCapacityKeepsTheBlock) {
    TextBuffer b;
    b.resizeFilled(258, 'x');
    ASSERT_EQ(259u, b.length());
    const char* before = b.text();
    b.reserve(1);
    EXPECT_EQ(260u, b.capacity());
    EXPECT_EQ(before, b.text());
}

TEST(TextBuffer, RemovalsShrinkOnlyWhenMoreThanAPageIsIdle) {
    TextBuffer b;
    b.resizeFilled(static_cast<int32_t>(3 * pageSize()), 'x');
    ASSERT_GT(b.capacity() - b.length(), pageSize());

    b.eraseText(0, static_cast<int32_t>(2 * pageSize()));
    uint32_t shrunk = b.length() + pageSize();
    EXPECT_EQ(shrunk, b.capacity());
    EXPECT_EQ(std::string(b.visibleLength(), 'x'), b.text());

    uint32_t length = b.length();
    b.appendBytes("y", 1);
    b.erase(length, 1);
    EXPECT_EQ(shrunk, b.capacity()) << "idle space of exactly one page stays";

    b.eraseText(0, 1);
    EXPECT_EQ(b.length() + pageSize(), b.capacity());
    EXPECT_EQ(shrunk - 1, b.capacity());
}

TEST(TextBuffer, AssignTakesTheSourceCapacity) {
    TextBuffer big;
    big.resizeFilled(20000, 'y');
    TextBuffer small("short");
    big.assign(small);
    EXPECT_EQ(260u, big.capacity());
    EXPECT_STREQ("short", big.text());

    TextBuffer copy(big);
    big.assign("changed");
    EXPECT_STREQ("short", copy.text()) << "copies are deep";

    TextBuffer wide;
    wide.reserve(10000);
    small = wide;
    EXPECT_EQ(wide.capacity(), small.capacity());
    EXPECT_EQ(1u, small.length());
}

TEST(TextBuffer, AssignFromItsOwnTextKeepsTheText) {
    TextBuffer b("C:\\Program Files\\Kestrova");
    b.assign(b.text() + 3);
    EXPECT_STREQ("Program Files\\Kestrova", b.text());
    b.append(b.text() + 8);
    EXPECT_STREQ("Program Files\\KestrovaFiles\\Kestrova", b.text());
    b = b;
    EXPECT_STREQ("Program Files\\KestrovaFiles\\Kestrova", b.text());
    b.append(b);
    EXPECT_STREQ("Program Files\\KestrovaFiles\\KestrovaProgram Files\\KestrovaFiles\\Kestrova",
                 b.text());
}

TEST(TextBuffer, AppendBufferReallocatesToTheSumOfCapacities) {
    TextBuffer a("abc");
    TextBuffer b;
    b.reserve(10000);
    b.append("def");
    uint32_t sum = a.capacity() + b.capacity();
    a.append(b);
    EXPECT_EQ(sum, a.capacity());
    EXPECT_STREQ("abcdef", a.text());
    EXPECT_EQ(7u, a.length());
}

TEST(TextBuffer, AppendCharOfNulLeavesOneTerminator) {
    TextBuffer b("ab");
    b.appendChar('\0');
    EXPECT_EQ(3u, b.length());
    EXPECT_STREQ("ab", b.text());
    b.appendChar('c');
    EXPECT_STREQ("abc", b.text());
    EXPECT_EQ(4u, b.length());
}

TEST(TextBuffer, FormatHasNoLengthLimitAndMayUseItsOwnText) {
    TextBuffer b;
    std::string longText(1000, 'k');
    uint32_t length = b.format("%s-%d", longText.c_str(), 42);
    EXPECT_EQ(longText.size() + 4, length);
    EXPECT_EQ(longText + "-42", b.text());

    b.format("%s\\%s", "C:", "Data");
    b.format("%s\\%s", b.text(), "file.kvrd");
    EXPECT_STREQ("C:\\Data\\file.kvrd", b.text());

    b.appendFormat(" (%u of %u)", 3u, 103u);
    EXPECT_STREQ("C:\\Data\\file.kvrd (3 of 103)", b.text());
    EXPECT_EQ(1u, b.format("%s", ""));
}

TEST(TextBuffer, ResizeFilledPadsAndCuts) {
    TextBuffer b("abcdef");
    EXPECT_EQ(4u, b.resizeFilled(3, ' '));
    EXPECT_STREQ("abc", b.text());
    EXPECT_EQ(6u, b.resizeFilled(5, '.'));
    EXPECT_STREQ("abc..", b.text());
    EXPECT_EQ(0u, b.resizeFilled(0, ' '));
    EXPECT_EQ(1u, b.length());
    EXPECT_STREQ("", b.text());
}

TEST(TextBuffer, EraseCutsAtTheEnd) {
    TextBuffer b("abcdef");
    b.eraseText(2, 100);
    EXPECT_STREQ("ab", b.text());
    EXPECT_EQ(3u, b.length());
    b.erase(1, 1);
    EXPECT_EQ(2u, b.length());
    EXPECT_EQ('a', b.at(0));
    EXPECT_EQ('\0', b.at(1));
}

TEST(TextBuffer, OutOfRangePositionsRaiseCodeThree) {
    struct Case {
        const char* name;
        void (*operation)(TextBuffer&);
    };
    const Case cases[] = {
        {"at(length)", [](TextBuffer& b) { b.at(b.length()); }},
        {"removeAt(length)", [](TextBuffer& b) { b.removeAt(b.length()); }},
        {"erase(length, 1)", [](TextBuffer& b) { b.erase(b.length(), 1); }},
        {"erase(0, 0)", [](TextBuffer& b) { b.erase(0, 0); }},
        {"erase(0, -1)", [](TextBuffer& b) { b.erase(0, -1); }},
    };
    for (const Case& c : cases) {
        TextBuffer b("abc");
        EXPECT_EQ(TextBufferError::kOutOfRange, codeOf(c.operation, b)) << c.name;
    }
}

TEST(TextBuffer, ImpossibleAllocationsRaiseCodeTwoAndFreeTheBlock) {
    struct Case {
        const char* name;
        void (*operation)(TextBuffer&);
    };
    const Case cases[] = {
        {"reserve(UINT32_MAX)", [](TextBuffer& b) { b.reserve(UINT32_MAX); }},
        {"reserve(4 GB - 2 pages)", [](TextBuffer& b) { b.reserve(0xFFFFE000u); }},
        {"resize(UINT32_MAX)", [](TextBuffer& b) { b.resize(UINT32_MAX, ' '); }},
    };
    for (const Case& c : cases) {
        TextBuffer b("abc");
        EXPECT_EQ(TextBufferError::kAllocationFailed, codeOf(c.operation, b)) << c.name;
        EXPECT_EQ(nullptr, b.text()) << c.name;
        EXPECT_EQ(0u, b.capacity()) << c.name;
    }
}

TEST(TextBuffer, AssignWideConvertsToTheAnsiCodePage) {
    TextBuffer b("old");
    EXPECT_TRUE(b.assignWide(L"", -1));
    EXPECT_EQ(1u, b.length());
    EXPECT_TRUE(b.assignWide(L"x", 0));
    EXPECT_EQ(1u, b.length());
    EXPECT_TRUE(b.assignWide(L"Kestrova", -1));
    EXPECT_STREQ("Kestrova", b.text());
    EXPECT_EQ(9u, b.length());
    EXPECT_TRUE(b.assignWide(L"Kestrova", 4));
    EXPECT_STREQ("Kest", b.text());
    EXPECT_FALSE(b.assignWide(nullptr, -1));
    EXPECT_STREQ("Kest", b.text());
    TextBuffer fromWide(L"C:\\Data");
    EXPECT_STREQ("C:\\Data", fromWide.text());
}

}  // namespace
