// A release's payload lists through kvrpack: every refusal names its line, and a
// refused list leaves no archive behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tool_process.h"

namespace {

// The five names the setup refers to, in their places, and a deeper folder.
const std::string kValidMain =
    "__cdca.lx\tx\nkvr.exe\tx\nhelper.dll\tx\nuninst_kvr.exe\tx\ntool.exe\tx\n"
    "Manual\\index.htm\tx\nManual\\pics\\a.gif\tx\nManual\\pics\\deep\\b.gif\tx\n"
    "Quick Setup\\index.htm\tx\n";

std::string numbered(const std::string& stem, const std::string& source, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += stem + std::to_string(i) + "\t" + source + "\n";
    }
    return lines;
}

struct Refusal {
    const char* what;
    const char* archive;
    std::string list;
    std::string message;
    long messages = 1;
};

TEST(ReleaseList, EachRefusalNamesItsLineAndLeavesNoArchive) {
    TempFolder temp;
    writeFile(temp.file("x"), "x");
    writeFile(temp.file("empty"), "");
    writeFile(temp.file("huge"), "");
    ASSERT_EQ(truncate(temp.file("huge").c_str(), 0x80000000LL), 0);
    const std::string longName(250, 'n');
    const Refusal refusals[] = {
        {"missing source", "main", kValidMain + "a\tmissing\n", ":10: cannot read source file"},
        {"folder as a source", "main", kValidMain + "a\t" + temp.path() + "\n",
         ":10: source is a folder"},
        {"duplicate name", "main", kValidMain + "MANUAL\\Index.htm\tx\n",
         ":10: \"MANUAL\\Index.htm\" repeats the name of line 6"},
        {"absolute name", "main", kValidMain + "\\a\tx\n", ":10: \"\\a\" is an absolute path"},
        {"drive", "main", kValidMain + "C:a\tx\n", ":10: \"C:a\" names a drive"},
        {"colon", "main", kValidMain + "ab:c\tx\n", ":10: \"ab:c\" holds a colon"},
        {"parent folder", "main", kValidMain + "Manual\\..\\a\tx\n",
         ":10: \"Manual\\..\\a\" holds \"..\""},
        {"forbidden character", "main", kValidMain + "a?b\tx\n", ":10: \"a?b\" holds '?'"},
        {"control character", "main",
         kValidMain + "a\x01"
                      "b\tx\n",
         "holds '\\x01'"},
        {"slash", "main", kValidMain + "Manual/a\tx\n", ":10: \"Manual/a\" holds '/'"},
        {"empty part", "main", kValidMain + "Manual\\\\a\tx\n",
         ":10: \"Manual\\\\a\" has an empty"},
        {"folder before its parent", "main", kValidMain + "Help\\pics\\a\tx\nHelp\\b\tx\n",
         ":10: \"Help\\pics\\a\" comes before any entry of its parent folder"},
        {"driver library not first", "main",
         "x.lx\tx\n" + kValidMain.substr(kValidMain.find('\n') + 1),
         ":1: entry 1 must be \"__cdca.lx\", not \"x.lx\""},
        {"uninstaller not fourth", "main",
         "__cdca.lx\tx\nkvr.exe\tx\nuninst_kvr.exe\tx\nManual\\index.htm\tx\n"
         "Quick Setup\\index.htm\tx\n",
         ":4: entry 4 must be \"uninst_kvr.exe\", not \"Manual\\index.htm\""},
        {"list ends early", "main", "__cdca.lx\tx\nkvr.exe\tx\n",
         "the list ends before entry 4, which must be \"uninst_kvr.exe\"", 3},
        {"no manual", "main",
         "__cdca.lx\tx\nkvr.exe\tx\na\tx\nuninst_kvr.exe\tx\nQuick Setup\\index.htm\tx\n",
         "no entry \"Manual\\index.htm\", which the setup opens"},
        {"65,536 entries", "main", kValidMain + numbered("f", "x", 65536 - 9),
         ":65536: more than 65535 entries"},
        {"header over 0xFFFFF", "main", kValidMain + numbered(longName, "x", 4100),
         "the archive's header would exceed 1048575 bytes"},
        {"name too long", "main", kValidMain + std::string(260, 'n') + "\tx\n",
         ":10: name longer than 259 characters"},
        {"2 GB source", "main", kValidMain + "a\thuge\n", ":10: source is 2 GB or larger"},
        {"empty last entry", "main", kValidMain + "a\tempty\n", ":10: the last entry is empty"},
        {"two uninstallers", "earlier", "a.exe\tx\nb.exe\tx\n", "holds exactly one file, not 2"},
    };
    for (const Refusal& refusal : refusals) {
        writeFile(temp.file("list"), refusal.list);
        const ToolResult built =
            runTool(KVRPACK_PATH,
                    {"build", temp.file("list"), temp.file("out"), "--release", refusal.archive});
        EXPECT_EQ(built.exitCode, 1) << refusal.what;
        EXPECT_NE(built.output.find(refusal.message), std::string::npos)
            << refusal.what << ": " << built.output;
        EXPECT_EQ(std::count(built.output.begin(), built.output.end(), '\n'), refusal.messages)
            << refusal.what << ": " << built.output;
        EXPECT_FALSE(fileExists(temp.file("out"))) << refusal.what;
    }
}

TEST(ReleaseList, AValidListBuildsAndChecks) {
    TempFolder temp;
    writeFile(temp.file("x"), "x");
    writeFile(temp.file("list"), kValidMain);
    const ToolResult built =
        runTool(KVRPACK_PATH, {"build", temp.file("list"), temp.file("out"), "--release", "main"});
    EXPECT_EQ(built.exitCode, 0) << built.output;
    EXPECT_TRUE(fileExists(temp.file("out")));
    EXPECT_EQ(runTool(KVRPACK_PATH, {"check", temp.file("list"), "main"}).exitCode, 0);
    writeFile(temp.file("list"), "one.exe\tx\n");
    EXPECT_EQ(runTool(KVRPACK_PATH, {"check", temp.file("list"), "earlier"}).exitCode, 0);
    EXPECT_EQ(runTool(KVRPACK_PATH, {"check", temp.file("list"), "main"}).exitCode, 1);
}

}  // namespace
