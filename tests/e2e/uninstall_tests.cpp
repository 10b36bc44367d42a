// The uninstaller end to end, in a prefix of its own: installed by the real setup,
// removed through Wine's own list of installed programs (uninstaller --remove,
// which starts the registered command) and silently, judged by the files below
// the user's profile and the keys that the setup writes.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <set>
#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/setup_process.h"
#include "tests/support/test_environment.h"

namespace {

constexpr DWORD kRunWait = 60000;
constexpr const char* kUninstallCaption = "Kestrova 1.2.7.1 - Uninstall";

// Every file and folder below `folder`, except the temporary folder's contents
// (Wine's and the uninstaller's copy of itself).
void listTree(const std::string& folder, std::set<std::string>* paths) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        const std::string path = folder + name;
        if (_stricmp((path + "\\").c_str(), tempFolder().c_str()) == 0) {
            continue;
        }
        paths->insert(path);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            listTree(path + "\\", paths);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::set<std::string> profileFiles() {
    std::set<std::string> paths;
    listTree(shellFolder(CSIDL_PROFILE) + "\\", &paths);
    return paths;
}

void expectSameBesidesData(const std::set<std::string>& before,
                           const std::set<std::string>& after) {
    const std::string data = dataFolder();
    for (const std::string& path : after) {
        if (before.count(path) == 0 && path.compare(0, data.size(), data) != 0) {
            ADD_FAILURE() << "left behind: " << path;
        }
    }
    for (const std::string& path : before) {
        EXPECT_EQ(after.count(path), 1u) << "removed: " << path;
    }
}

void installSilently() {
    SetupProcess setup(gOptions.setup, "/silent");
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.waitForExit(kRunWait, &exitCode));
    ASSERT_EQ(exitCode, 0u);
    ASSERT_TRUE(fileExists(installFolder() + "\\kvr.exe"));
}

// Clicks `button` of the uninstaller's box once it shows; false if none came.
bool answerUninstallBox(int button) {
    for (int i = 0; i < 400; ++i) {
        HWND box = FindWindowA("#32770", kUninstallCaption);
        if (box != nullptr && IsWindowVisible(box)) {
            PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
            for (int j = 0; j < 200 && IsWindow(box); ++j) {
                Sleep(25);
            }
            return true;
        }
        Sleep(50);
    }
    return false;
}

TEST(UninstallEndToEnd, RoundTripThroughTheSystemsListLeavesOnlyTheData) {
    const std::set<std::string> before = profileFiles();
    installSilently();
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "SetupWISmpRt", "22050");

    SetupProcess client("C:\\windows\\system32\\uninstaller.exe", "--remove Kestrova");
    ASSERT_TRUE(answerUninstallBox(IDYES)) << "no question";
    ASSERT_TRUE(answerUninstallBox(IDOK)) << "no result";
    DWORD exitCode = 1;
    EXPECT_TRUE(client.waitForExit(kRunWait, &exitCode));
    for (int i = 0; i < 100 && pathExists(installFolder()); ++i) {
        Sleep(50);
    }

    expectSameBesidesData(before, profileFiles());
    EXPECT_TRUE(folderExists(dataFolder()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\KVRD.file"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\.kvrd"));
    EXPECT_EQ(setting("InstallFolder"), "");
    EXPECT_EQ(setting("SetupWISmpRt"), "22050");
}

TEST(UninstallEndToEnd, SilentPurgeReturnsOnlyWhenDoneAndShowsNothing) {
    installSilently();
    const std::string uninstaller = installFolder() + "\\uninst_kvr.exe";
    SetupProcess run(uninstaller, "/silent /purge");
    DWORD exitCode = 1;
    bool windowSeen = true;
    ASSERT_TRUE(run.waitForExitWithoutWindows(kRunWait, &exitCode, &windowSeen));

    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_FALSE(fileExists(installFolder() + "\\kvr.exe"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstallKey));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSettingsKey));
}

}  // namespace
