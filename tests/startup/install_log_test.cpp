// The install log: its line format, that an event stays one line, and that a log
// that cannot be opened changes nothing.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "startup/install_log.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "wizard/message_box.h"

namespace {

std::string logFile() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "kvr-install-log-test.log";
}

class InstallLog : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(logFile().c_str()); }
    void TearDown() override {
        closeInstallLog();
        gSession.unattended = 0;
        DeleteFileA(logFile().c_str());
    }
    static std::string written() {
        closeInstallLog();
        std::string text;
        readFile(logFile(), &text);
        return text;
    }
};

TEST_F(InstallLog, EachEventIsOneStampedLineEndingInCrLf) {
    openInstallLog(logFile().c_str());
    ASSERT_TRUE(installLogOpen());
    logEvent("first %d", 1);
    logEvent("two\nlines\r\nand a\x01 control\tcharacter");
    const std::string stamp = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
    EXPECT_TRUE(std::regex_match(
        written(), std::regex(stamp + "first 1\r\n" + stamp +
                              "two\\\\nlines\\\\r\\\\nand a\\\\x01 control\tcharacter\r\n")))
        << written();
}

// Written as it happens: a reader sees each line while the log is still open.
TEST_F(InstallLog, LinesCanBeReadWhileTheLogIsOpen) {
    openInstallLog(logFile().c_str());
    logEvent("step done");
    std::string text;
    ASSERT_TRUE(readFile(logFile(), &text));
    EXPECT_NE(text.find("step done\r\n"), std::string::npos);
}

TEST_F(InstallLog, ALogThatCannotBeOpenedIsIgnored) {
    openInstallLog("Q:\\no such drive\\setup.log");
    EXPECT_FALSE(installLogOpen());
    logEvent("nothing happens");
    EXPECT_FALSE(installLogOpen());
}

// Unattended, no box appears: the message is logged with the safe answer.
TEST_F(InstallLog, UnattendedMessagesAreLoggedAndAnsweredSafely) {
    MessageBoxAnswerer answerer({IDYES});
    openInstallLog(logFile().c_str());
    gSession.unattended = 1;
    EXPECT_EQ(showMessage("A notice", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(showMessage("A failure", MB_ICONERROR), IDOK);
    EXPECT_EQ(showMessage("Go on?", MB_YESNO | MB_ICONERROR), IDNO);
    EXPECT_EQ(showMessage("Really?", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(showMessage("Exit?", MB_YESNOCANCEL), IDNO);
    EXPECT_TRUE(answerer.shown().empty());
    const std::string text = written();
    for (const char* line :
         {"Message (answered OK): A notice\r\n", "Message (answered OK): A failure\r\n",
          "Message (answered No): Go on?\r\n", "Message (answered No): Really?\r\n",
          "Message (answered No): Exit?\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

// With the wizard, a box is shown and logged as well.
TEST_F(InstallLog, ShownMessagesAreLoggedToo) {
    MessageBoxAnswerer answerer({IDYES});
    openInstallLog(logFile().c_str());
    EXPECT_EQ(showMessage("Go on?", MB_YESNO), IDYES);
    EXPECT_EQ(answerer.shown().size(), 1u);
    EXPECT_NE(written().find("Message: Go on?\r\n"), std::string::npos);
}

}  // namespace
