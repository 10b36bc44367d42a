// The removal against a fake installation in a test folder: what goes, what
// stays, and the refusals that delete nothing; and the program uninst_kvr.exe
// itself, run from that folder: its exit codes, its log and what it finishes first.
#include "uninstaller/removal.h"

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/shortcuts.h"
#include "engine/undo_journal.h"
#include "startup/launching.h"
#include "tests/support/polling.h"
#include "tests/support/test_environment.h"
#include "tests/support/window_search.h"
#include "text/scoped_handles.h"

namespace {

const char* const kFiles[] = {"__cdca.lx", "kvr.exe", "uninst_kvr.exe", "Manual\\index.htm",
                              "Manual\\pics\\a.png"};
constexpr const char* kClassesType = "Software\\Classes\\KVRD.file";
constexpr const char* kClassesCommand = "Software\\Classes\\KVRD.file\\Shell\\open\\Command";
constexpr const char* kClassesExtension = "Software\\Classes\\.kvrd";
constexpr const char* kUninstallCaption = "Kestrova 1.2.7.1 - Uninstall";
constexpr const char* kMakerKeyPath = "Software\\from Velmora";
constexpr const char* kWebHtm = "Software\\Classes\\.htm";
constexpr const char* kWebHtml = "Software\\Classes\\.html";
constexpr const char* kWebType = "Software\\Classes\\Open.html.file";

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        install(folder_.path("Kestrova"));
    }
    void TearDown() override { CoUninitialize(); }

    // A complete installation in `installFolder` (no trailing backslash).
    void install(const std::string& installFolder) {
        createFolders(installFolder + "\\Manual\\pics");
        for (const char* name : kFiles) {
            writeFile(installFolder + "\\" + name, name);
        }
        writeFile(installFolder + "\\__cdcb.lx", "copy");
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", installFolder);
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "ver", "1.2.7.1");
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupWISmpRt", "44100");
        writeRawText(HKEY_CURRENT_USER, kUninstallKeyPath, "UninstallString",
                     installFolder + "\\uninst_kvr.exe");
        writeRawText(HKEY_CURRENT_USER, kClassesCommand, "",
                     "\"" + installFolder + "\\kvr.exe\" \"%1\"");
        writeRawText(HKEY_CURRENT_USER, kClassesExtension, "", "KVRD.file");
    }

    RemovalOutcome remove(bool purge = false) {
        RemovalRequest request;
        request.packageFiles = kFiles;
        request.packageFileCount = sizeof kFiles / sizeof kFiles[0];
        request.purge = purge;
        return removeInstallation(request);
    }

    std::string installed(const char* relative = "") const {
        return folder_.path("Kestrova\\") + relative;
    }

    TestFolder folder_{"removal"};
    SettingsKeyGuard settings_;
    KeySnapshot entry_{HKEY_CURRENT_USER, kUninstallKeyPath};
    KeySnapshot type_{HKEY_CURRENT_USER, kClassesType};
    KeySnapshot extension_{HKEY_CURRENT_USER, kClassesExtension};
};

TEST_F(RemovalTest, RemovesThePackageAndKeepsWhatTheUserAdded) {
    writeFile(installed("Manual\\my notes.txt"), "mine");

    const RemovalOutcome outcome = remove();

    EXPECT_EQ(outcome.exitCode, 0) << outcome.detail.text();
    for (const char* name : kFiles) {
        EXPECT_FALSE(pathExists(installed(name))) << name;
    }
    EXPECT_FALSE(pathExists(installed("__cdcb.lx")));
    EXPECT_FALSE(pathExists(installed("Manual\\pics")));
    EXPECT_TRUE(fileExists(installed("Manual\\my notes.txt")));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kClassesType));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kClassesExtension));
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder").present());
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "ver").present());
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupWISmpRt").text(), "44100");
}

// The maker's key goes only once empty: it may hold another product's values.
TEST_F(RemovalTest, AnEmptiedFolderGoesAndPurgeTakesTheSettings) {
    const KeySnapshot maker(HKEY_CURRENT_USER, kMakerKeyPath);
    writeRawText(HKEY_CURRENT_USER, kMakerKeyPath, "Other product", "1");
    // The settings step leaves the installer key empty.
    writeRawText(HKEY_CURRENT_USER, kInstallerKeyPath, "Referrer", "");
    SHDeleteValueA(HKEY_CURRENT_USER, kInstallerKeyPath, "Referrer");

    const RemovalOutcome outcome = remove(true);

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_FALSE(pathExists(installed()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kInstallerKeyPath));
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kMakerKeyPath, "Other product").text(), "1");
}

TEST_F(RemovalTest, AHeldFileStaysWithTheEntryAndASecondRunFinishes) {
    HANDLE held = CreateFileA(installed("Manual\\index.htm").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const RemovalOutcome first = remove();
    CloseHandle(held);

    EXPECT_EQ(first.exitCode, 1603);
    EXPECT_NE(std::string(first.detail.text()).find("Manual\\index.htm"), std::string::npos);
    EXPECT_FALSE(pathExists(installed("kvr.exe")));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath));
    // The settings marks are gone, so the second run finds the folder in the entry.
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", folder_.path("Kestrova"));
    writeFile(installed("kvr.exe"), "again");
    EXPECT_EQ(remove().exitCode, 0);
    EXPECT_FALSE(pathExists(installed()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath));
}

TEST_F(RemovalTest, OnlyShortcutsIntoTheFolderAndOnlyOurDocumentType) {
    const std::string menu = folder_.path("Menu\\");
    createFolders(menu);
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "instOSMP", menu);
    ASSERT_TRUE(createShortcut((menu + "Kestrova.lnk").c_str(), installed("kvr.exe").c_str()));
    writeFile(folder_.path("elsewhere.htm"), "not ours");
    ASSERT_TRUE(
        createShortcut((menu + "Manual.lnk").c_str(), folder_.path("elsewhere.htm").c_str()));
    writeRawText(HKEY_CURRENT_USER, kClassesCommand, "", "\"C:\\Other\\kvr.exe\" \"%1\"");

    remove();

    EXPECT_FALSE(pathExists(menu + "Kestrova.lnk"));
    EXPECT_TRUE(fileExists(menu + "Manual.lnk"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kClassesType));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kClassesExtension));
}

// The web-page association that the setup made where none existed goes; the
// user's values beside it and an association of another program stay.
TEST_F(RemovalTest, OnlyTheWebPageAssociationItMadeGoes) {
    const KeySnapshot htm(HKEY_CURRENT_USER, kWebHtm), html(HKEY_CURRENT_USER, kWebHtml),
        type(HKEY_CURRENT_USER, kWebType);
    writeRawText(HKEY_CURRENT_USER, kWebType + std::string("\\Shell\\open\\Command"), "",
                 "browser %1");
    for (const char* key : {kWebHtm, kWebHtml}) {
        writeRawText(HKEY_CURRENT_USER, key, "", "Open.html.file");
        writeRawText(HKEY_CURRENT_USER, key, "Content Type", "text/html");
        writeRawText(HKEY_CURRENT_USER, key, "PerceivedType", "text");
    }
    writeRawText(HKEY_CURRENT_USER, kWebHtml, "OpenWithProgids", "mine");
    writeRawText(HKEY_CURRENT_USER, kWebHtml, "Content Type", "application/xhtml+xml");

    remove();

    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kWebHtm));
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kWebHtml, "").present());
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kWebHtml, "OpenWithProgids").text(), "mine");
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kWebHtml, "Content Type").text(), "application/xhtml+xml");
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kWebHtml, "PerceivedType").present());
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kWebType));

    writeRawText(HKEY_CURRENT_USER, kWebType + std::string("\\Shell\\open\\Command"), "",
                 "browser %1");
    writeRawText(HKEY_CURRENT_USER, kWebHtm, "", "htmlfile");
    writeRawText(HKEY_CURRENT_USER, kWebHtm, "Content Type", "text/html");
    install(folder_.path("Kestrova"));
    remove();
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kWebHtm, "").text(), "htmlfile");
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kWebHtm, "Content Type").text(), "text/html");
}

TEST_F(RemovalTest, AnEmptiedStartMenuFolderGoes) {
    const std::string menu = folder_.path("Menu\\");
    createFolders(menu);
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "instOSMP", menu);
    ASSERT_TRUE(
        createShortcut((menu + "Uninstall.lnk").c_str(), installed("uninst_kvr.exe").c_str()));

    remove();

    EXPECT_FALSE(pathExists(menu));
}

// Each recorded folder that must not be taken for the installation's: nothing
// is deleted, neither there nor in the current folder.
TEST_F(RemovalTest, RefusesAFolderThatIsNotThisInstallation) {
    const std::string other = folder_.path("Other");
    install(other);
    SetCurrentDirectoryA(other.c_str());
    // A root that looks like an installation is still refused.
    writeFile("C:\\kvr.exe", "root");
    const struct {
        const char* label;
        std::string installFolder;
        std::string uninstallString;
    } cases[] = {
        {"blank", " \t", other + "\\uninst_kvr.exe"},
        {"relative", "Manual", other + "\\Manual\\uninst_kvr.exe"},
        {"current folder", ".", ".\\uninst_kvr.exe"},
        {"drive root", "C:\\", "C:\\uninst_kvr.exe"},
        {"without kvr.exe", folder_.path("Other\\Manual"), other + "\\Manual\\uninst_kvr.exe"},
        {"foreign entry", other, folder_.path("Kestrova\\uninst_kvr.exe")},
    };
    for (const auto& each : cases) {
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", each.installFolder);
        writeRawText(HKEY_CURRENT_USER, kUninstallKeyPath, "UninstallString", each.uninstallString);

        const RemovalOutcome outcome = remove();

        EXPECT_EQ(outcome.exitCode, 1603) << each.label;
        EXPECT_TRUE(outcome.refused) << each.label;
        EXPECT_NE(outcome.detail.visibleLength(), 0u) << each.label;
        EXPECT_TRUE(fileExists(other + "\\kvr.exe")) << each.label;
        EXPECT_TRUE(fileExists(other + "\\Manual\\index.htm")) << each.label;
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath)) << each.label;
        EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kClassesType)) << each.label;
    }
    EXPECT_TRUE(fileExists("C:\\kvr.exe"));
    DeleteFileA("C:\\kvr.exe");
    SetCurrentDirectoryA(programFolder().c_str());
}

TEST_F(RemovalTest, ClosesTheRunningProgramFirst) {
    StandInProcess program;
    ASSERT_NE(program.window(), nullptr);

    EXPECT_EQ(remove().exitCode, 0);
    EXPECT_TRUE(program.waitForExit(5000));
}

// The built uninstaller, run from the fake installation with `switches`: its
// exit code, or -1 when it did not end within a minute.
class UninstallerProgramTest : public RemovalTest {
protected:
    // With `answer`, the program's message box (of another process, so found by
    // its caption) is answered with that button; its text and the button focused first
    // are kept in `shown_` and `defaultButton_`.
    long run(const std::string& switches, int answer = 0) {
        const std::string program = installed("uninst_kvr.exe");
        EXPECT_TRUE(
            CopyFileA((programFolder() + "uninst_kvr.exe").c_str(), program.c_str(), FALSE));
        std::string line = "\"" + program + "\" " + switches;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process)) {
            return -1;
        }
        const ScopedHandle thread(process.hThread);
        const ScopedHandle ended(process.hProcess);
        const bool exited = waitUntil(
            [&] {
                HWND box = FindWindowA("#32770", kUninstallCaption);
                if (answer != 0 && box != nullptr && IsWindowVisible(box) && shown_.empty()) {
                    shown_ = windowText(GetDlgItem(box, kMessageBoxTextId));
                    GUITHREADINFO focus = {};
                    focus.cbSize = sizeof focus;
                    GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &focus);
                    defaultButton_ = GetDlgCtrlID(focus.hwndFocus);
                    PostMessageA(GetDlgItem(box, answer), BM_CLICK, 0, 0);
                }
                return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
            },
            60000);
        DWORD code = static_cast<DWORD>(-1);
        if (exited) {
            GetExitCodeProcess(process.hProcess, &code);
        }
        return static_cast<long>(code);
    }
    std::string log() const {
        std::string text;
        readFile(logFile_, &text);
        return text;
    }
    // Its copy in the temporary folder ends after the first process, taking its
    // own file with it (and the original's, after a removal).
    bool copyEnded() {
        char temp[MAX_PATH] = "";
        GetTempPathA(MAX_PATH, temp);
        const std::string copies = std::string(temp) + "uninst_kvr-*";
        return waitUntil(
            [&] {
                WIN32_FIND_DATAA found;
                return !ScopedFind(FindFirstFileA(copies.c_str(), &found)).valid();
            },
            10000);
    }
    const std::string logFile_ = folder_.path("uninstall.log");
    std::string shown_;
    int defaultButton_ = 0;
};

TEST_F(UninstallerProgramTest, NoToTheQuestionRemovesNothing) {
    EXPECT_EQ(run("", IDNO), 1602);
    EXPECT_EQ(shown_, "Remove Kestrova 1.2.7.1 and all of its components?");
    EXPECT_EQ(defaultButton_, IDNO);
    EXPECT_TRUE(fileExists(installed("kvr.exe")));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath));
}

TEST_F(UninstallerProgramTest, ExitCodesReachTheCallerWithTheLog) {
    const struct {
        const char* switches;
        bool otherSetupRuns;
        long exitCode;
        const char* logged;
    } cases[] = {
        {"/silent /bogus", false, 1639, "Invalid command line."},
        {"/silent", true, 1618, "Another copy of the Kestrova setup or uninstaller is running."},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.switches);
        HANDLE mutex = each.otherSetupRuns ? CreateMutexA(nullptr, TRUE, kSetupMutexName) : nullptr;
        EXPECT_EQ(run(std::string(each.switches) + " /log=\"" + logFile_ + "\""), each.exitCode);
        if (mutex != nullptr) {
            CloseHandle(mutex);
        }
        EXPECT_NE(log().find(each.logged), std::string::npos) << log();
        EXPECT_NE(log().find("Exit code " + std::to_string(each.exitCode)), std::string::npos);
        EXPECT_TRUE(fileExists(installed("kvr.exe")));
        EXPECT_TRUE(fileExists(installed("uninst_kvr.exe")));
        EXPECT_TRUE(copyEnded());
    }
}

TEST_F(UninstallerProgramTest, AHeldFileGives1603AndASecondRunFinishes) {
    HANDLE held = CreateFileA(installed("Manual\\index.htm").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(run("/silent /log=\"" + logFile_ + "\""), 1603);
    CloseHandle(held);
    // Named in the result's message, which the log keeps as one line.
    const std::string stayed =
        "was removed, except for these items:\\n\\n" + installed("Manual\\index.htm");
    EXPECT_NE(log().find(stayed), std::string::npos) << log();
    EXPECT_FALSE(pathExists(installed("kvr.exe")));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath));
    EXPECT_TRUE(copyEnded());

    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", folder_.path("Kestrova"));
    writeFile(installed("kvr.exe"), "again");
    EXPECT_EQ(run("/silent"), 0);
    EXPECT_FALSE(pathExists(installed("Manual\\index.htm")));
    EXPECT_TRUE(copyEnded());
    EXPECT_FALSE(pathExists(installed("uninst_kvr.exe")));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstallKeyPath));
}

// An installation that died after its files were in place is finished, and the
// log says so, before the removal, which the caller sees done when it returns.
TEST_F(UninstallerProgramTest, FinishesAnInterruptedInstallationFirst) {
    const std::string staging = folder_.path("staging");
    createFolders(staging);
    ASSERT_TRUE(startUndoJournal(staging.c_str(), folder_.path("Kestrova").c_str()));
    ASSERT_TRUE(markPointOfNoReturn(staging.c_str()));
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupStgFldr", staging);

    EXPECT_EQ(run("/silent /log=\"" + logFile_ + "\""), 0);

    EXPECT_FALSE(pathExists(installed("kvr.exe")));
    const std::string text = log();
    const size_t told = text.find("The previous installation was interrupted after");
    EXPECT_NE(told, std::string::npos) << text;
    EXPECT_LT(told, text.find("Removed "));
    EXPECT_FALSE(pathExists(staging));
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupStgFldr").present());
    EXPECT_TRUE(copyEnded());
    EXPECT_FALSE(pathExists(installed("uninst_kvr.exe")));
}

}  // namespace
