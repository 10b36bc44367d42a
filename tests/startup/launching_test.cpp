// Closing running copies of the product and starting the installed program,
// with the kvr.exe stand-in that sits beside this test program.
#include <gtest/gtest.h>

#include "registration/registry_access.h"
#include "startup/launching.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/polling.h"
#include "tests/support/test_environment.h"

namespace {

constexpr DWORD kExitWait = 10000;

// Waits until the stand-in's title shows at least `count` requests.
int waitForRequests(HWND window, int count) {
    int shown = 0;
    waitUntil([&] { return (shown = closeRequestsShown(window)) >= count; }, kExitWait);
    return shown;
}

// True once a stand-in window exists in any process (waits up to kExitWait).
bool standInAppears() {
    return waitUntil([] { return standInWindowCount() > 0; }, kExitWait);
}

class CloseRunningCopies : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(standInWindowCount(), 0) << "a stand-in is already running"; }
};
using OpenWithShell = CloseRunningCopies;

TEST_F(CloseRunningCopies, NoCopyRunningReturnsOne) {
    EXPECT_EQ(closeRunningCopies(5000), 1);
    EXPECT_EQ(closeRunningCopies(0), 1);
}

TEST_F(CloseRunningCopies, ClosesEveryCopy) {
    StandInProcess first;
    StandInProcess second;
    ASSERT_NE(first.window(), nullptr);
    ASSERT_NE(second.window(), nullptr);
    ASSERT_EQ(standInWindowCount(), 2);

    EXPECT_EQ(closeRunningCopies(5000), 1);
    EXPECT_TRUE(first.waitForExit(kExitWait));
    EXPECT_TRUE(second.waitForExit(kExitWait));
    EXPECT_EQ(standInWindowCount(), 0);
}

TEST_F(CloseRunningCopies, CopyThatIgnoresTheRequestOutlastsTheTimeout) {
    StandInProcess stubborn("/ignoreclose");
    HWND window = stubborn.window();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(closeRunningCopies(300), 0);
    EXPECT_EQ(FindWindowA("Velmora_kestrova", nullptr), window);
    // The broadcast, then one direct request every 50 ms: more than the two
    // that a single pass sends.
    EXPECT_GE(waitForRequests(window, 3), 3);
    EXPECT_FALSE(stubborn.waitForExit(0));
}

TEST_F(CloseRunningCopies, ZeroTimeoutPostsOnceAndReturnsAtOnce) {
    StandInProcess stubborn("/ignoreclose");
    HWND window = stubborn.window();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(closeRunningCopies(0), 0);
    // One broadcast and one direct request.
    EXPECT_EQ(waitForRequests(window, 2), 2);

    StandInProcess willing;
    ASSERT_NE(willing.window(), nullptr);
    EXPECT_EQ(closeRunningCopies(0), 0);
    EXPECT_TRUE(willing.waitForExit(kExitWait));
}

class LaunchInstalledProgram : public CloseRunningCopies {
protected:
    SettingsKeyGuard settings_;
};

TEST_F(LaunchInstalledProgram, WithoutRecordedFolderStartsNothing) {
    MessageBoxAnswerer answerer;
    EXPECT_FALSE(launchInstalledProgram(nullptr));
    writeSettingText("InstallFolder", " \t\r\n ", HKEY_CURRENT_USER);
    EXPECT_FALSE(launchInstalledProgram(nullptr));
    writeSettingDword("InstallFolder", 1, HKEY_CURRENT_USER);
    EXPECT_FALSE(launchInstalledProgram(nullptr));
    EXPECT_TRUE(answerer.shown().empty());
    EXPECT_EQ(standInWindowCount(), 0);
}

TEST_F(LaunchInstalledProgram, StartsTheProgramFromTheRecordedFolder) {
    const std::string folder = programFolder();  // ends in a backslash
    const std::string bare = folder.substr(0, folder.size() - 1);
    struct Case {
        std::string recorded;
        const char* fileName;
    } cases[] = {{folder, nullptr}, {"  " + bare + "\t", nullptr}, {bare, "kvr.exe"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recorded);
        writeSettingText("InstallFolder", c.recorded.c_str(), HKEY_CURRENT_USER);
        ASSERT_TRUE(launchInstalledProgram(c.fileName));
        EXPECT_TRUE(standInAppears());
        EXPECT_EQ(closeRunningCopies(5000), 1);
    }
}

TEST_F(LaunchInstalledProgram, MissingProgramFails) {
    writeSettingText("InstallFolder", programFolder().c_str(), HKEY_CURRENT_USER);
    MessageBoxAnswerer answerer;
    EXPECT_FALSE(launchInstalledProgram("no-such-program.exe"));
    EXPECT_EQ(standInWindowCount(), 0);
}

TEST_F(OpenWithShell, OpensAProgramAndReportsAMissingOne) {
    const std::string program = programFolder() + "kvr.exe";
    EXPECT_GT(openWithShell(program.c_str()), 32);
    EXPECT_TRUE(standInAppears());
    EXPECT_EQ(closeRunningCopies(5000), 1);

    MessageBoxAnswerer answerer;
    EXPECT_LE(openWithShell((programFolder() + "no-such-file.kvrd").c_str()), 32);
}

}  // namespace
