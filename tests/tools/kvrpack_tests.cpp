// kvrpack run as a process: the archives it writes, and every input it refuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tool_process.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kExample = {0x00, 0x01, 0x00, 0x00, 0x00, 0x1B, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x61, 0x2E, 0x74,
                        0x78, 0x74, 0x00, 0x0F, 0x3B, 0x81, 0x91, 0x61, 0x62, 0x63};

ToolResult kvrpack(const std::vector<std::string>& arguments) {
    return runTool(KVRPACK_PATH, arguments);
}

TEST(Kvrpack, BuildsTheOneEntryExampleByteForByte) {
    TempFolder temp;
    writeFile(temp.file("a.txt"), "abc");
    writeFile(temp.file("list"), "a.txt\t" + temp.file("a.txt") + "\n");
    const ToolResult built = kvrpack({"build", temp.file("list"), temp.file("out.bin")});
    ASSERT_EQ(built.exitCode, 0) << built.output;
    EXPECT_EQ(readBytes(temp.file("out.bin")), kExample);
}

TEST(Kvrpack, KeepsListOrderTakesRelativeSourcesFromTheListFolderAndScrambles) {
    TempFolder temp;
    writeFile(temp.file("one"), "first file");
    writeFile(temp.file("two"), "second");
    writeFile(temp.file("list"),
              "z.txt\tone\r\nManual\\index.htm\ttwo\n\nManual\\pics\\a.bmp\tone\n");
    const ToolResult built =
        kvrpack({"build", temp.file("list"), temp.file("out.bin"), "--key", "0xF0"});
    ASSERT_EQ(built.exitCode, 0) << built.output;
    const Bytes archive = readBytes(temp.file("out.bin"));
    ASSERT_FALSE(archive.empty());
    EXPECT_EQ(archive[0], 0xF0);
    EXPECT_EQ(archive[1], 3 ^ 0xF0);  // entryCount 3, scrambled with the key itself

    // headerSize 9 + 3 records (8 + names 6, 17, 18) + 4 = 78; image positions from 77.
    const ToolResult listed = kvrpack({"list", temp.file("out.bin")});
    ASSERT_EQ(listed.exitCode, 0) << listed.output;
    EXPECT_EQ(listed.output,
              "0\t77\t10\tz.txt\n"
              "1\t87\t6\tManual\\index.htm\n"
              "2\t93\t10\tManual\\pics\\a.bmp\n");
    const ToolResult verified = kvrpack({"verify", temp.file("out.bin")});
    EXPECT_EQ(verified.exitCode, 0) << verified.output;
    EXPECT_NE(verified.output.find("OK, 3 entries, key 240"), std::string::npos) << verified.output;
}

struct Refusal {
    const char* what;
    std::string list;
    const char* message;
};

std::string repeatedLines(const std::string& line, int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += line;
    }
    return lines;
}

// The system's names ignore case, and so does the folder order: "docs\\Sub" follows
// an entry of "Docs" (the release checks compare folders the same way).
TEST(Kvrpack, FolderOrderIgnoresCase) {
    TempFolder temp;
    writeFile(temp.file("x"), "x");
    writeFile(temp.file("list"), "Docs\\a.txt\tx\ndocs\\Sub\\b.txt\tx\n");
    const ToolResult built = kvrpack({"build", temp.file("list"), temp.file("out.bin")});
    EXPECT_EQ(built.exitCode, 0) << built.output;
    EXPECT_TRUE(fileExists(temp.file("out.bin")));
}

TEST(Kvrpack, RefusesBadListsWithAMessageAndNoArchive) {
    TempFolder temp;
    writeFile(temp.file("x"), "x");
    const std::string longName(259, 'n');
    const Refusal refusals[] = {
        {"missing source", "a\tx\nb\tmissing\n", "cannot read source file"},
        {"name too long", longName + "n\tx\n", "name longer than 259"},
        {"65,536 entries", repeatedLines("a\tx\n", 65536), "more than 65535 entries"},
        {"header over 0xFFFFF", repeatedLines(longName + "\tx\n", 4100), "exceeds 1048575 bytes"},
        {"picture folder before its parent", "a\tx\nManual\\pics\\x.gif\tx\nManual\\i.htm\tx\n",
         "\"Manual\\pics\\x.gif\" comes before any entry of its parent folder \"Manual\""},
        {"deep folders without any parent entry", "Manual\\pics\\a\tx\nManual\\pics\\deep\\b\tx\n",
         "comes before any entry of its parent folder \"Manual\""},
        {"line without a TAB", "a x\n", "expected NAME<TAB>FILE"},
        {"empty last entry", "a\tx\nb\t" + temp.file("empty") + "\n", "last entry is empty"},
        {"folder as a source file", "a\tx\nb\t" + temp.path() + "\n", "cannot read source file"},
    };
    writeFile(temp.file("empty"), "");
    for (const Refusal& refusal : refusals) {
        writeFile(temp.file("list"), refusal.list);
        const ToolResult built = kvrpack({"build", temp.file("list"), temp.file("out.bin")});
        EXPECT_EQ(built.exitCode, 1) << refusal.what;
        EXPECT_NE(built.output.find(refusal.message), std::string::npos)
            << refusal.what << ": " << built.output;
        EXPECT_FALSE(fileExists(temp.file("out.bin"))) << refusal.what;
    }
}

// What stands at OUT stays when the archive cannot be written there; an archive
// that stands there is replaced only by a complete new one.
TEST(Kvrpack, OutputThatCannotBeWrittenLeavesWhatStandsThere) {
    TempFolder temp;
    writeFile(temp.file("a.txt"), "abc");
    writeFile(temp.file("list"), "a.txt\ta.txt\n");
    ASSERT_EQ(mkdir(temp.file("folder").c_str(), 0755), 0);
    const struct {
        std::string out;
        bool folderStays;
    } cases[] = {
        {temp.file("folder"), true},
        {temp.file("missing/out.bin"), false},
    };
    for (const auto& c : cases) {
        const ToolResult built = kvrpack({"build", temp.file("list"), c.out});
        EXPECT_EQ(built.exitCode, 1) << c.out;
        EXPECT_NE(built.output.find("cannot write " + c.out), std::string::npos) << built.output;
        EXPECT_EQ(fileExists(c.out), c.folderStays) << c.out;
    }

    writeFile(temp.file("out.bin"), "earlier archive");
    writeFile(temp.file("list"), "a.txt\t" + temp.path() + "\n");
    EXPECT_EQ(kvrpack({"build", temp.file("list"), temp.file("out.bin")}).exitCode, 1);
    const Bytes earlier = readBytes(temp.file("out.bin"));
    EXPECT_EQ(std::string(earlier.begin(), earlier.end()), "earlier archive");
    writeFile(temp.file("list"), "a.txt\ta.txt\n");
    EXPECT_EQ(kvrpack({"build", temp.file("list"), temp.file("out.bin")}).exitCode, 0);
    EXPECT_EQ(readBytes(temp.file("out.bin")), kExample);
}

TEST(Kvrpack, AcceptsDeepFoldersAfterTheirParentsAndTheLimits) {
    TempFolder temp;
    writeFile(temp.file("x"), "x");
    const std::string longName(259, 'n');
    const std::string lists[] = {
        "a\tx\nManual\\i.htm\tx\nManual\\pics\\x.gif\tx\nManual\\pics\\deep\\y\tx\n",
        "Quick Setup/index.htm\tx\nQuick Setup\\pics\\a.bmp\tx\n",
        repeatedLines("a\tx\n", 65535),
        longName + "\tx\n",
    };
    for (const std::string& list : lists) {
        writeFile(temp.file("list"), list);
        const ToolResult built = kvrpack({"build", temp.file("list"), temp.file("out.bin")});
        EXPECT_EQ(built.exitCode, 0) << list.substr(0, 80) << ": " << built.output;
        EXPECT_EQ(kvrpack({"verify", temp.file("out.bin")}).exitCode, 0);
    }
}

TEST(Kvrpack, RefusesABadKeyAndBadUsage) {
    TempFolder temp;
    writeFile(temp.file("list"), "");
    EXPECT_EQ(kvrpack({"build", temp.file("list"), temp.file("o"), "--key", "256"}).exitCode, 2);
    EXPECT_EQ(kvrpack({"build", temp.file("list"), temp.file("o"), "--key", "x"}).exitCode, 2);
    EXPECT_EQ(kvrpack({"unpack", temp.file("list")}).exitCode, 2);
    EXPECT_EQ(kvrpack({}).exitCode, 2);
    EXPECT_FALSE(fileExists(temp.file("o")));
}

TEST(Kvrpack, ListAndVerifyRejectBrokenArchives) {
    TempFolder temp;
    Bytes truncated(kExample.begin(), kExample.end() - 1);
    Bytes wrongMarker = kExample;
    wrongMarker[23] ^= 1;
    Bytes tooShort(kExample.begin(), kExample.begin() + 8);
    const std::vector<std::pair<const char*, Bytes>> broken = {
        {"truncated", truncated}, {"wrong end marker", wrongMarker}, {"eight bytes", tooShort}};
    for (const auto& [what, bytes] : broken) {
        writeFile(temp.file("bad.bin"), std::string(bytes.begin(), bytes.end()));
        for (const char* command : {"list", "verify"}) {
            const ToolResult result = kvrpack({command, temp.file("bad.bin")});
            EXPECT_EQ(result.exitCode, 1) << what << " " << command;
            EXPECT_NE(result.output.find("broken package archive"), std::string::npos)
                << what << " " << command << ": " << result.output;
        }
    }
    const ToolResult missing = kvrpack({"verify", temp.file("nothing.bin")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot read"), std::string::npos) << missing.output;
}

}  // namespace
