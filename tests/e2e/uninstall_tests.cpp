// The uninstaller end to end, in a prefix of its own: installed by the real setup
// (silently and through the wizard), removed through Wine's own list of installed
// programs (uninstaller --remove, which starts the registered command) and
// silently, judged by every file below the user's profile and every key of the
// current user: only the data folder, and the preferences unless purged, remain.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "resources/resource_ids.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/setup_process.h"
#include "tests/e2e/wizard_walk.h"
#include "tests/support/test_environment.h"
#include "tests/support/tree_snapshot.h"
#include "text/scoped_handles.h"

namespace {

constexpr DWORD kRunWait = 60000;
constexpr const char* kUninstallCaption = "Kestrova 1.2.7.1 - Uninstall";
constexpr const char* kMakerKey = "Software\\from Velmora";
// Containers that Windows keeps for every program, made on first use in a fresh
// prefix, and Wine's own keys: none of them the setup's.
const char* const kSystemContainers[] = {"Software\\Classes",
                                         "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"};
constexpr const char* kWineKeys = "Software\\Wine\\";

struct UserState {
    FolderTree files;  // below the profile
    RegistryTree registry;
};

std::string profile() {
    return shellFolder(CSIDL_PROFILE) + "\\";
}

UserState userState() {
    DeleteFileA(recordFile().c_str());
    return {snapshotTree(profile()), snapshotRegistry(HKEY_CURRENT_USER, "")};
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return _strnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

// Every entry that differs between the two maps, unless `kept` says it may.
template <typename Tree>
void expectSame(const Tree& before, const Tree& after,
                const std::function<bool(const std::string&)>& kept, const char* what) {
    for (const auto& [name, state] : after) {
        const auto earlier = before.find(name);
        if ((earlier == before.end() || !(earlier->second == state)) && !kept(name)) {
            ADD_FAILURE() << what << (earlier == before.end() ? " left behind: " : " changed: ")
                          << name;
        }
    }
    for (const auto& [name, state] : before) {
        EXPECT_EQ(after.count(name), 1u) << what << " removed: " << name;
    }
}

// The user's state is `before` again, but for the data folder and, unless the
// settings were purged, the program's preferences.
void expectOnlyKeptRemain(const UserState& before, bool preferencesKept) {
    const UserState after = userState();
    const std::string data = dataFolder().substr(profile().size());
    expectSame(
        before.files, after.files, [&](const std::string& path) { return startsWith(path, data); },
        "file");
    expectSame(
        before.registry, after.registry,
        [&](const std::string& key) {
            for (const char* container : kSystemContainers) {
                if (_stricmp(key.c_str(), container) == 0) {
                    return true;
                }
            }
            return startsWith(key, kWineKeys) || (preferencesKept && startsWith(key, kMakerKey));
        },
        "registry");
    EXPECT_TRUE(folderExists(dataFolder()));
}

// Waits until the uninstaller's temporary copy has ended, taking its file and the
// install folder with it.
void waitForTheCopyToEnd() {
    EXPECT_TRUE(waitUntil(
        [] {
            WIN32_FIND_DATAA found;
            const ScopedFind search(
                FindFirstFileA((tempFolder() + "uninst_kvr-*").c_str(), &found));
            return !search.valid() && !pathExists(installFolder());
        },
        kRunWait))
        << "the temporary copy or the install folder stayed";
}

void installSilently() {
    SetupProcess setup(gOptions.setup, "/silent");
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.waitForExit(kRunWait, &exitCode));
    ASSERT_EQ(exitCode, 0u);
}

// With the defaults, so that Finish starts the program: the uninstaller has to
// close it.
void installWithTheWizard() {
    installWithTheDefaults();
    ASSERT_TRUE(waitUntil([] { return standInCount() == 1; }, 10000)) << "kvr.exe did not start";
}

// Clicks `button` of the uninstaller's box once it shows; false if none came.
bool answerUninstallBox(int button) {
    HWND box = nullptr;
    if (!waitUntil(
            [&] {
                box = FindWindowA("#32770", kUninstallCaption);
                return box != nullptr && IsWindowVisible(box);
            },
            20000)) {
        return false;
    }
    PostMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
    return waitUntil([&] { return !IsWindow(box); }, 5000);
}

TEST(UninstallEndToEnd, RoundTripThroughTheSystemsListLeavesOnlyTheData) {
    const struct {
        const char* name;
        void (*install)();
    } kInstallations[] = {{"unattended", installSilently}, {"wizard", installWithTheWizard}};
    for (const auto& installation : kInstallations) {
        SCOPED_TRACE(installation.name);
        const UserState before = userState();
        installation.install();
        ASSERT_TRUE(fileExists(installFolder() + "\\kvr.exe"));
        writeRawText(HKEY_CURRENT_USER, kSettingsKey, "SetupWISmpRt", "22050");

        SetupProcess client("C:\\windows\\system32\\uninstaller.exe", "--remove Kestrova");
        ASSERT_TRUE(answerUninstallBox(IDYES)) << "no question";
        ASSERT_TRUE(answerUninstallBox(IDOK)) << "no result";
        DWORD exitCode = 1;
        EXPECT_TRUE(client.waitForExit(kRunWait, &exitCode));
        waitForTheCopyToEnd();

        EXPECT_EQ(standInCount(), 0);
        expectOnlyKeptRemain(before, true);
        EXPECT_EQ(setting("InstallFolder"), "");
        EXPECT_EQ(setting("SetupWISmpRt"), "22050");
        removeTree(dataFolder());
        deleteKeyTree(HKEY_CURRENT_USER, kMakerKey);
    }
}

TEST(UninstallEndToEnd, SilentPurgeReturnsOnlyWhenDoneAndShowsNothing) {
    const UserState before = userState();
    installSilently();
    SetupProcess run(installFolder() + "\\uninst_kvr.exe", "/silent /purge");
    DWORD exitCode = 1;
    bool windowSeen = true;
    ASSERT_TRUE(run.waitForExitWithoutWindows(kRunWait, &exitCode, &windowSeen));

    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_FALSE(fileExists(installFolder() + "\\kvr.exe")) << "returned before the work was done";
    waitForTheCopyToEnd();
    expectOnlyKeptRemain(before, false);
}

}  // namespace
