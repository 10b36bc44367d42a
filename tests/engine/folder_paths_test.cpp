// The folder part of a path, creating folder chains, and paths inside a folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/folder_paths.h"
#include "tests/support/double_byte.h"
#include "tests/support/test_environment.h"
#include "text/scoped_handles.h"

namespace {

TEST(FolderOfPath, CutsAtTheLastSeparator) {
    const std::string longFolder = "C:\\" + std::string(250, 'a');
    struct Case {
        std::string path;
        const char* folder;
    } cases[] = {
        {"C:\\Kestrova\\kvr.exe", "C:\\Kestrova"},
        {"C:/Kestrova/help/index.htm", "C:/Kestrova/help"},
        {"a\\b/c", "a\\b"},
        {"C:\\Kestrova\\", "C:\\Kestrova"},
        {"\\file", ""},
        {"kvr.exe", ""},
        {"", ""},
        // Only the first 259 characters count: the separator at 254 is the last.
        {longFolder + "\\" + std::string(20, 'b') + "\\c", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string expected = c.folder != nullptr ? c.folder : longFolder;
        EXPECT_EQ(std::string(folderOfPath(c.path.c_str()).text()), expected);
    }
    EXPECT_STREQ(folderOfPath(nullptr).text(), "");
}

TEST(CreateFolderChain, CreatesEveryFolderBeforeASeparator) {
    TestFolder folder("chain");
    createFolderChain(folder.path("a\\b/c\\").c_str());
    EXPECT_TRUE(folderExists(folder.path("a\\b\\c")));

    createFolderChain(folder.path("x\\y\\file.txt").c_str());
    EXPECT_TRUE(folderExists(folder.path("x\\y")));
    EXPECT_FALSE(folderExists(folder.path("x\\y\\file.txt")));
    EXPECT_FALSE(fileExists(folder.path("x\\y\\file.txt")));

    // Folders that exist already and a blocked chain are passed over.
    writeFile(folder.path("blocker"), "x");
    createFolderChain(folder.path("a\\b\\c\\blocker\\d\\").c_str());
    createFolderChain(folder.path("blocker\\d\\").c_str());
    EXPECT_TRUE(folderExists(folder.path("a\\b\\c\\blocker\\d")));
    EXPECT_TRUE(fileExists(folder.path("blocker")));
    EXPECT_FALSE(folderExists(folder.path("blocker\\d")));
}

TEST(IsAbsolutePath, DriveRootsAndUncPathsOnly) {
    struct Case {
        const char* path;
        bool absolute;
    } cases[] = {
        {"C:\\Menu\\", true},
        {"c:/Menu", true},
        {"C:\\", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\Menu\\", true},
        {"", false},
        {"   ", false},
        {"Menu\\", false},
        {"\\Menu\\", false},
        {"C:Menu", false},
        {"C:", false},
        {"1:\\Menu", false},
        {"\\\\server", false},
        {"\\\\server\\", false},
        {"\\\\\\share", false},
        {" C:\\Menu", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path != nullptr ? c.path : "(null)");
        EXPECT_EQ(isAbsolutePath(c.path), c.absolute);
    }
}

TEST(PathLiesInside, OnlyPathsBelowTheFolderThatCannotClimbOut) {
    const TextBuffer folder("C:\\Users\\u\\Kestrova");
    struct Case {
        const char* path;
        bool inside;
    } cases[] = {
        {"C:\\Users\\u\\Kestrova\\kvr.exe", true},
        {"c:\\users\\U\\KESTROVA\\Manual\\index.htm", true},
        {"C:\\Users\\u\\Kestrova/Manual/index.htm", true},
        {"C:\\Users\\u\\Kestrova", false},
        {"C:\\Users\\u\\Kestrova\\", false},
        {"C:\\Users\\u\\Kestrovb\\kvr.exe", false},
        {"C:\\Users\\u\\Kestrova\\..\\other.exe", false},
        {"C:\\Users\\u\\Kestrova\\.\\kvr.exe", false},
        {"C:\\Users\\u\\Kestrova\\\\kvr.exe", false},
        {"C:\\Users\\u\\Kestrova\\Manual\\", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(pathLiesInside(c.path, folder), c.inside);
    }
    EXPECT_FALSE(pathLiesInside("C:\\kvr.exe", TextBuffer("")));
}

// The folder names' second bytes are 0x5C and 0x7C; the folders must come out
// whole, as the file system sees them in UTF-16.
TEST_F(DoubleByteTest, FolderPathsSplitOnlyBetweenCharacters) {
    EXPECT_EQ(std::string(folderOfPath(("C:\\x\\" + kTrailBackslash + "\\kvr.exe").c_str()).text()),
              "C:\\x\\" + kTrailBackslash);
    EXPECT_EQ(std::string(folderOfPath(("C:\\x\\" + kTrailBackslash).c_str()).text()), "C:\\x");
    EXPECT_EQ(std::string(folderOfPath(kTrailBackslash.c_str()).text()), "");
    EXPECT_TRUE(isAbsolutePath(("\\\\" + kTrailBackslash + "\\" + kTrailBar).c_str()));

    TestFolder folder("chain-cp932");
    createFolderChain(folder.path(kTrailBackslash + "\\" + kTrailBar + "\\").c_str());
    const std::string narrowRoot = folder.path();
    const std::wstring root(narrowRoot.begin(), narrowRoot.end());
    const DWORD inner =
        GetFileAttributesW((root + kTrailBackslashWide + L"\\" + kTrailBarWide).c_str());
    ASSERT_NE(inner, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(inner & FILE_ATTRIBUTE_DIRECTORY);
    WIN32_FIND_DATAW found;
    const ScopedFind search(FindFirstFileW((root + L"*").c_str(), &found));
    ASSERT_TRUE(search.valid());
    std::vector<std::wstring> names;
    do {
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..") {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search.get(), &found));
    EXPECT_EQ(names, std::vector<std::wstring>{kTrailBackslashWide});
}

}  // namespace
