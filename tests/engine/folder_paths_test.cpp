// The folder part of a path and creating folder chains.
#include <gtest/gtest.h>

#include <string>

#include "engine/folder_paths.h"
#include "tests/support/test_environment.h"

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

}  // namespace
