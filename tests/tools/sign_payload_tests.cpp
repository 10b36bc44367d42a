// tools/sign-payload.sh run as a process on lists without real programs: how it
// rewrites a list, and that a program it cannot sign leaves no list behind. The
// signing itself is verified end to end (tests/e2e/signed_setup_test.sh).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tool_process.h"

namespace {

ToolResult signPayload(const TempFolder& temp, const std::string& list) {
    writeFile(temp.file("in.list"), list);
    return runTool(SIGN_PAYLOAD_PATH,
                   {temp.file("in.list"), temp.file("signed"), temp.file("out.list"),
                    temp.file("key.pem"), temp.file("cert.pem")});
}

std::string text(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(SignPayload, KeepsEveryLineAndMakesSourcesAbsoluteWhenNoProgramIsListed) {
    TempFolder temp;
    writeFile(temp.file("index.htm"), "<p>");
    const ToolResult result =
        signPayload(temp, "Manual\\index.htm\tindex.htm\r\n\nnotes.txt\t/somewhere/notes.txt\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(text(temp.file("out.list")), "Manual\\index.htm\t" + temp.file("index.htm") +
                                               "\n\nnotes.txt\t/somewhere/notes.txt\n");
    EXPECT_EQ(text(temp.file("index.htm")), "<p>");
}

// A list given through a link: its relative sources start from the link's folder,
// as kvrpack reads them, not from the folder of the file it points to.
TEST(SignPayload, RelativeSourcesOfALinkedListStartFromTheLinksFolder) {
    TempFolder temp;
    ASSERT_EQ(mkdir(temp.file("lists").c_str(), 0755), 0);
    writeFile(temp.file("lists/real.list"), "Manual\\index.htm\tindex.htm\n");
    ASSERT_EQ(symlink("lists/real.list", temp.file("in.list").c_str()), 0);
    const ToolResult result = runTool(
        SIGN_PAYLOAD_PATH, {temp.file("in.list"), temp.file("signed"), temp.file("out.list"),
                            temp.file("key.pem"), temp.file("cert.pem")});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(text(temp.file("out.list")), "Manual\\index.htm\t" + temp.file("index.htm") + "\n");
}

TEST(SignPayload, AProgramThatCannotBeSignedLeavesNoListAndTheSourceAsItWas) {
    for (const std::string name : {"broken.exe", "Plugins\\CORE.DLL"}) {
        TempFolder temp;
        writeFile(temp.file("program"), "not a program");
        const ToolResult result = signPayload(temp, name + "\tprogram\n");
        EXPECT_EQ(result.exitCode, 1) << name << ": " << result.output;
        EXPECT_NE(result.output.find("sign: cannot sign"), std::string::npos) << name;
        EXPECT_FALSE(fileExists(temp.file("out.list"))) << name;
        EXPECT_FALSE(fileExists(temp.file("out.list.sign-part"))) << name;
        EXPECT_EQ(text(temp.file("program")), "not a program") << name;
    }
}

}  // namespace
