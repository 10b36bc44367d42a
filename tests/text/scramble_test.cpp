// XOR scrambling with a fixed and a rolling key.
#include "text/scramble.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Scramble, FixedKeyRoundTrips) {
    const char* plain = "Kestrova licence, (c) #YR# Velmora.\r\nAll rights reserved.";
    for (uint8_t key : {0x01, 0x5A, 0x80, 0xC3, 0xFF}) {
        TextBuffer scrambled = unscrambleWithKey(plain, key);
        ASSERT_EQ(strlen(plain), scrambled.visibleLength()) << int(key);
        EXPECT_EQ(static_cast<char>('K' ^ key), scrambled.text()[0]);
        EXPECT_STREQ(plain, unscrambleWithKey(scrambled.text(), key).text()) << int(key);
    }
}

TEST(Scramble, RollingKeyRoundTrips) {
    const char* plain = "source=kvr-site;campaign=2024;id=1234567890";
    TextBuffer scrambled = unscrambleRolling(plain);
    ASSERT_EQ(strlen(plain), scrambled.visibleLength());
    EXPECT_STRNE(plain, scrambled.text());
    EXPECT_STREQ(plain, unscrambleRolling(scrambled.text()).text());
}

TEST(Scramble, RollingKeyRunsToTheBoundThenRestarts) {
    const int firstCycle = kRollingKeyBound - kRollingKeyStart;
    const int laterCycle = kRollingKeyBound - kRollingKeyRestart;
    std::string plain(firstCycle + 2 * laterCycle + 3, 'A');
    TextBuffer scrambled = unscrambleRolling(plain.c_str());
    ASSERT_EQ(plain.size(), scrambled.visibleLength());
    for (size_t i = 0; i < plain.size(); ++i) {
        int key = static_cast<uint8_t>(scrambled.text()[i] ^ 'A');
        int expected = static_cast<int>(i) < firstCycle
                           ? kRollingKeyStart + static_cast<int>(i)
                           : kRollingKeyRestart + (static_cast<int>(i) - firstCycle) % laterCycle;
        EXPECT_EQ(expected, key) << "byte " << i;
    }
    EXPECT_EQ(kRollingKeyRestart, scrambled.text()[firstCycle] ^ 'A');
}

TEST(Scramble, EmptyInputGivesTheEmptyText) {
    for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
        EXPECT_EQ(1u, unscrambleWithKey(empty, 0x5A).length());
        EXPECT_EQ(1u, unscrambleRolling(empty).length());
    }
}

TEST(Scramble, PrintableTextNeverScramblesToAZeroByte) {
    std::string plain;
    for (int round = 0; round < 3; ++round) {
        plain += "\t\r\n";
        for (int c = 0x20; c < 0x7F; ++c) {
            plain += static_cast<char>(c);
        }
    }
    EXPECT_EQ(plain.size(), unscrambleRolling(plain.c_str()).visibleLength());
}

}  // namespace
