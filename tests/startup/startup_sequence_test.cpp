// The steps of start-up: the system check, the platform probe, the seed, the
// machine-wide write probe, the single-instance decision and the newer-version
// check.
#include <windows.h>

#include <gtest/gtest.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>

#include "engine/undo_journal.h"
#include "registration/registry_access.h"
#include "startup/instance_mutex.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "startup/startup_sequence.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/polling.h"
#include "tests/support/shell_lookups.h"
#include "tests/support/test_environment.h"

namespace {

constexpr const char* kMachineSettingsKey =
    "Software\\from Velmora\\Kestrova & Scheduler\\Settings";
constexpr const char* kMachineMakerKey = "Software\\from Velmora";
constexpr const char* kNewerVersionQuestion =
    "Newer version of the program was detected installed on this system...\n"
    "(This setup installs version 1.2.7.1 only.)\n\nDo you want to run the installed program?";

OSVERSIONINFOA versionInfo(DWORD platform, DWORD major, DWORD minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwPlatformId = platform;
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    return info;
}

TEST(StartupSystemCheck, RefusesEverythingBeforeWindowsXp) {
    struct Case {
        DWORD platform, major, minor;
        bool supported;
    } cases[] = {
        {VER_PLATFORM_WIN32s, 3, 10, false},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, false},
        {VER_PLATFORM_WIN32_WINDOWS, 6, 1, false},
        {VER_PLATFORM_WIN32_NT, 4, 0, false},
        {VER_PLATFORM_WIN32_NT, 5, 0, false},
        {VER_PLATFORM_WIN32_NT, 5, 1, true},
        {VER_PLATFORM_WIN32_NT, 5, 2, true},
        {VER_PLATFORM_WIN32_NT, 6, 0, true},
        {VER_PLATFORM_WIN32_NT, 6, 1, true},
        {VER_PLATFORM_WIN32_NT, 10, 0, true},
        {3, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor);
        EXPECT_EQ(isSupportedSystem(versionInfo(c.platform, c.major, c.minor)), c.supported);
    }
}

TEST(StartupPlatformProbe, NtOnlyWhenBothTestsAgree) {
    struct Case {
        int nt;
        bool heapLock;
        int probe;
    } cases[] = {
        {1, true, 1}, {1, false, 0}, {0, true, 0}, {0, false, 0}, {-1, true, 1}, {-1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nt << " " << c.heapLock);
        EXPECT_EQ(platformProbeAnswer(c.nt, c.heapLock), c.probe);
    }
    EXPECT_EQ(probePlatform(), 1);
}

TEST(StartupRandomSeed, LowHalfOfTheFileTimeOrSecondsTimesMilliseconds) {
    SYSTEMTIME millennium = {2000, 1, 6, 1, 0, 0, 0, 0};
    // 2000-01-01 00:00 is the file time 125911584000000000 = 0x01BF53EB256D4000.
    EXPECT_EQ(randomSeedFrom(millennium), 0x256D4000u);
    millennium.wMilliseconds = 1;
    EXPECT_EQ(randomSeedFrom(millennium), 0x256D4000u + 10000u);

    SYSTEMTIME invalid = {2026, 13, 0, 40, 10, 20, 30, 456};
    EXPECT_EQ(randomSeedFrom(invalid), 30u * 457u);
    invalid.wSecond = 0;
    EXPECT_EQ(randomSeedFrom(invalid), 0u);
}

class MachineWriteProbe : public ::testing::Test {
protected:
    std::string testFolder() const { return shellFolder(CSIDL_PROGRAM_FILES) + "\\Test1234"; }

    KeySnapshot machineKey_{HKEY_LOCAL_MACHINE, kMachineMakerKey};
};

TEST_F(MachineWriteProbe, LeavesOnlyTheSettingsKeyBehind) {
    deleteKeyTree(HKEY_LOCAL_MACHINE, kMachineMakerKey);
    ASSERT_FALSE(pathExists(testFolder()));

    EXPECT_EQ(probeMachineWideWrite(), 3u);

    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kMachineSettingsKey));
    EXPECT_EQ(valueCount(HKEY_LOCAL_MACHINE, kMachineSettingsKey), 0u);
    EXPECT_FALSE(pathExists(testFolder()));
}

TEST_F(MachineWriteProbe, KeepsOtherValuesOfTheSettingsKey) {
    writeRawNumber(HKEY_LOCAL_MACHINE, kMachineSettingsKey, "testValue283712", 7);
    writeRawText(HKEY_LOCAL_MACHINE, kMachineSettingsKey, "ver", "1.2.2");

    EXPECT_EQ(probeMachineWideWrite(), 3u);

    EXPECT_FALSE(readRaw(HKEY_LOCAL_MACHINE, kMachineSettingsKey, "testValue283712").present());
    EXPECT_EQ(readRaw(HKEY_LOCAL_MACHINE, kMachineSettingsKey, "ver").text(), "1.2.2");
}

TEST_F(MachineWriteProbe, LockedKeyClearsBitZero) {
    KeyLock lock(HKEY_LOCAL_MACHINE, kMachineSettingsKey, true);
    ASSERT_TRUE(lock.applied());
    EXPECT_EQ(probeMachineWideWrite(), 2u);
}

TEST_F(MachineWriteProbe, FileInPlaceOfTheTestFolderClearsBitOneAndStays) {
    const std::string blocker = testFolder();
    writeFile(blocker, "not a folder");

    const uint32_t probe = probeMachineWideWrite();

    EXPECT_EQ(probe & 2u, 0u);
    EXPECT_EQ(probe & 1u, 1u);
    std::string contents;
    EXPECT_TRUE(readFile(blocker, &contents));
    EXPECT_EQ(contents, "not a folder");
    DeleteFileA(blocker.c_str());
}

TEST(StartupSingleInstance, ExistingOrForbiddenMutexMeansAnotherCopy) {
    HANDLE some = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(4));
    EXPECT_TRUE(anotherInstanceRuns(some, ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(anotherInstanceRuns(some, ERROR_SUCCESS));
    EXPECT_TRUE(anotherInstanceRuns(nullptr, ERROR_ACCESS_DENIED));
    EXPECT_FALSE(anotherInstanceRuns(nullptr, ERROR_INVALID_HANDLE));
}

TEST(StartupSingleInstance, RealMutexOfAnotherCopy) {
    {
        const InstanceMutex first;
        ASSERT_TRUE(first.held());
        ASSERT_FALSE(first.anotherRuns());
        const InstanceMutex second;
        EXPECT_TRUE(second.held());
        EXPECT_TRUE(second.anotherRuns());
    }
    const InstanceMutex afterBothClosed;
    EXPECT_FALSE(afterBothClosed.anotherRuns());
}

TEST(StartupSingleInstance, MutexThatThisUserMayNotOpen) {
    // A copy started with other rights: its mutex grants this user nothing.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE foreign = CreateMutexA(&attributes, FALSE, "KVR_Mtx_19222");
    LocalFree(descriptor);
    ASSERT_NE(foreign, nullptr);

    {
        const InstanceMutex mine;
        EXPECT_FALSE(mine.held());
        EXPECT_TRUE(mine.anotherRuns());
    }
    CloseHandle(foreign);
}

// Start-up itself must find the mutex of another copy by its name. A newer
// recorded version makes a start-up that missed it ask and end, not open the wizard.
TEST(StartupSingleInstance, StartupRefusesWhileAnotherCopyHoldsTheMutex) {
    SettingsKeyGuard settings;
    writeSettingText("ver", "9", HKEY_CURRENT_USER);
    HANDLE other = CreateMutexA(nullptr, FALSE, "KVR_Mtx_19222");
    ASSERT_NE(other, nullptr);
    MessageBoxAnswerer answerer({IDNO});

    EXPECT_EQ(runStartup(GetModuleHandleA(nullptr), ""), 0);

    CloseHandle(other);
    const std::vector<ShownBox> shown = answerer.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Another instance of this Setup is already running.");
    EXPECT_EQ(shown[0].icon, errorIcon());
    EXPECT_TRUE(shown[0].hasOk && !shown[0].hasYes);
}

// An installation that died after its point of no return is finished, and the
// user told, before the newer-version check asks its question.
TEST(StartupInterruptedInstallation, FinishedAndToldBeforeTheNewerVersionCheck) {
    SettingsKeyGuard settings;
    writeSettingText("ver", "9", HKEY_CURRENT_USER);
    TestFolder folder("interrupted");
    const std::string staging = folder.path("staging");
    createFolders(staging);
    ASSERT_TRUE(startUndoJournal(staging.c_str(), folder.path("Kestrova").c_str()));
    ASSERT_TRUE(markPointOfNoReturn(staging.c_str()));
    writeSettingText("SetupStgFldr", staging.c_str(), HKEY_CURRENT_USER);
    MessageBoxAnswerer answerer({IDOK, IDNO});

    EXPECT_EQ(runStartup(GetModuleHandleA(nullptr), ""), 0);

    const std::vector<ShownBox> shown = answerer.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text,
              "The previous installation was interrupted after its files were installed...\n"
              "Please run this Setup once more to complete the registration.");
    EXPECT_EQ(shown[1].text, kNewerVersionQuestion);
    EXPECT_FALSE(pathExists(staging));
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupStgFldr").present());
}

class NewerVersionCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(standInWindowCount(), 0) << "a stand-in is already running";
        gSession.versionRecorded = -1;
    }
    void TearDown() override { closeRunningCopies(5000); }

    SettingsKeyGuard settings_;
};

TEST_F(NewerVersionCheck, SameOlderOrNoRecordedVersionGoesOn) {
    struct Case {
        const char* recorded;  // null: no value
        int versionRecorded;
    } cases[] = {
        {nullptr, 0}, {"1.2.7.1", 1}, {"1.2.7", 1},          {"1.2.2", 1},
        {"0", 1},     {"", 1},        {"1.2.7.1 (beta)", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recorded != nullptr ? c.recorded : "(none)");
        if (c.recorded != nullptr) {
            writeSettingText("ver", c.recorded, HKEY_CURRENT_USER);
        }
        MessageBoxAnswerer answerer;
        EXPECT_FALSE(newerVersionInstalled());
        EXPECT_EQ(gSession.versionRecorded, c.versionRecorded);
        EXPECT_TRUE(answerer.shown().empty());
    }
}

TEST_F(NewerVersionCheck, NewerVersionAskedAndNoStartsNothing) {
    writeSettingText("InstallFolder", programFolder().c_str(), HKEY_CURRENT_USER);
    for (const char* recorded : {"1.2.8", "1.3", "1.2.7.2", "2"}) {
        SCOPED_TRACE(recorded);
        writeSettingText("ver", recorded, HKEY_CURRENT_USER);
        MessageBoxAnswerer answerer({IDNO});
        EXPECT_TRUE(newerVersionInstalled());
        const std::vector<ShownBox> shown = answerer.shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, kNewerVersionQuestion);
        EXPECT_EQ(shown[0].caption, "Kestrova 1.2.7.1 - Setup");
        EXPECT_EQ(shown[0].icon, errorIcon());
        EXPECT_TRUE(shown[0].hasYes && shown[0].hasNo);
        EXPECT_EQ(shown[0].defaultButton, IDYES);
        EXPECT_EQ(gSession.versionRecorded, -1);
    }
    Sleep(200);
    EXPECT_EQ(standInWindowCount(), 0);
}

TEST_F(NewerVersionCheck, YesStartsTheInstalledProgram) {
    writeSettingText("ver", "1.2.8", HKEY_CURRENT_USER);
    writeSettingText("InstallFolder", programFolder().c_str(), HKEY_CURRENT_USER);
    MessageBoxAnswerer answerer({IDYES});

    EXPECT_TRUE(newerVersionInstalled());

    EXPECT_EQ(answerer.shown().size(), 1u);
    waitUntil([] { return standInWindowCount() > 0; }, 10000);
    EXPECT_EQ(standInWindowCount(), 1);
}

}  // namespace
