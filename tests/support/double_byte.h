// Cases that only mean something under the double-byte ANSI code page 932, where
// the second byte of a character can be 0x5C (\) or 0x7C (|). They run in the
// cp932 ctest entry (Wine takes the code page from LC_ALL=ja_JP.UTF-8) and are
// left out of the others. Each first checks that the code page really is 932, so
// that none can pass under a single-byte code page.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

class DoubleByteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u) << "run under LC_ALL=ja_JP.UTF-8 (ctest entry cp932)";
    }
};

// In code page 932: U+8868 (second byte 0x5C) and U+30DD (second byte 0x7C).
inline const std::string kTrailBackslash = "\x95\x5C";
inline const std::string kTrailBar = "\x83\x7C";
inline const std::wstring kTrailBackslashWide = L"\x8868";
inline const std::wstring kTrailBarWide = L"\x30DD";
