// Removing release 1.2.2 with the stand-in uninstaller of package resource 139.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/earlier_release.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/earlier_removal.h"
#include "tests/support/test_environment.h"

namespace {

constexpr const char* kSettingsKey = "Software\\from Velmora\\Kestrova & Scheduler\\Settings";

// A lingering uninstaller keeps its file in use; it is deleted once it has ended.
void deleteWhenReleased(const std::string& path) {
    for (int attempt = 0; attempt < 100 && pathExists(path); ++attempt) {
        DeleteFileA(path.c_str());
        Sleep(100);
    }
}

TEST(RemoveEarlierRelease, UninstallerThatEndsAtOnceIsRunWaitedForAndDeleted) {
    SettingsKeyGuard settings;
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.2");
    TestFolder folder("earlier-release");
    ScopedEnvironment log("KVR_OLD_UNINSTALLER_LOG", folder.path("uninstaller.log"));
    MessageBoxAnswerer answerer;
    int errorNumber = -1;

    EXPECT_TRUE(removeEarlierRelease(&errorNumber));

    EXPECT_EQ(0, errorNumber);
    EXPECT_FALSE(pathExists(earlierUninstallerPath()));
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKey, "ver").present());
    std::string logged;
    EXPECT_TRUE(readFile(folder.path("uninstaller.log"), &logged));
    EXPECT_EQ("KVRUninstaller122 ran: " + earlierUninstallerPath() + "\r\n", logged);
    EXPECT_TRUE(answerer.shown().empty());
}

// The product waits 20 s and then tries 50 times, 100 ms apart, to delete the file;
// the test shortens both so that the case stays quick.
TEST(RemoveEarlierRelease, UninstallerStillRunningAtTheWaitLimitFailsWithTheTimeOutCode) {
    SettingsKeyGuard settings;
    ScopedEnvironment linger("KVR_OLD_UNINSTALLER_LINGER_MS", "3000");
    MessageBoxAnswerer answerer;
    int errorNumber = 0;

    EXPECT_FALSE(removeEarlierRelease(&errorNumber, {300, 3, 50}));

    EXPECT_EQ(258, errorNumber);
    EXPECT_TRUE(answerer.shown().empty());
    deleteWhenReleased(earlierUninstallerPath());
    EXPECT_FALSE(pathExists(earlierUninstallerPath()));
}

}  // namespace
