// The command line: help forms, "/temp" forms and lines that request nothing.
#include <gtest/gtest.h>

#include "startup/command_line.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"

namespace {

constexpr const char* kHelpText =
    "Kestrova Installation Routine:\n(Command line parameters)\n=======================\n\n"
    "/help - Show help window;\n/temp [PATH] - Specify temporary folder.";
constexpr const char* kUnchanged = "unchanged";

struct CommandLineCase {
    const char* line;
    bool help;
    const char* stagingFolder;  // after the call; kUnchanged when nothing was stored
};

const CommandLineCase kCases[] = {
    {"/help", true, kUnchanged},
    {"-help", true, kUnchanged},
    {"/?", true, kUnchanged},
    {"-?", true, kUnchanged},
    {"/helpme", true, kUnchanged},
    {"-HELP", true, kUnchanged},
    {"  /help  ", true, kUnchanged},
    {"\t\r\n-?\r\n", true, kUnchanged},
    {"/HeLp /temp C:\\x", true, kUnchanged},
    {"/TEMP C:\\Staging\\", false, "C:\\Staging"},
    {"/temp", false, ""},
    {"  /temp   \t", false, ""},
    {"/temporary", false, "orary"},
    {"/temp \"C:\\My Folder\\\"", false, "\"C:\\My Folder\\\""},
    {"/temp C:\\a\\\\", false, "C:\\a\\"},
    {"/temp D:/work/", false, "D:/work"},
    {"C:\\x /temp D:\\y", false, kUnchanged},
    {"/he", false, kUnchanged},
    {"/", false, kUnchanged},
    {"help", false, kUnchanged},
    {"", false, kUnchanged},
    {"   \t\r\n", false, kUnchanged},
    {nullptr, false, kUnchanged},
};

TEST(CommandLine, EveryFormShowsHelpOrStoresTheStagingFolder) {
    for (const CommandLineCase& c : kCases) {
        SCOPED_TRACE(c.line != nullptr ? c.line : "(null)");
        gSession.choices.stagingFolder.assign(kUnchanged);

        MessageBoxAnswerer answerer;
        const bool help = parseCommandLine(c.line);
        const std::vector<ShownBox> boxes = answerer.shown();

        EXPECT_EQ(help, c.help);
        EXPECT_STREQ(gSession.choices.stagingFolder.text(), c.stagingFolder);
        if (c.help) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, kHelpText);
            EXPECT_EQ(boxes[0].caption, "Kestrova 1.2.7.1 - Setup");
            EXPECT_EQ(boxes[0].icon, informationIcon());
            EXPECT_TRUE(boxes[0].hasOk);
            EXPECT_FALSE(boxes[0].hasYes);
            EXPECT_FALSE(boxes[0].hasCancel);
        } else {
            EXPECT_TRUE(boxes.empty());
        }
    }
    gSession.choices.stagingFolder.clear();
}

}  // namespace
