// The removal against a fake installation in a test folder: what goes, what
// stays, and the refusals that delete nothing.
#include "uninstaller/removal.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/shortcuts.h"
#include "tests/support/test_environment.h"

namespace {

const char* const kFiles[] = {"__cdca.lx", "kvr.exe", "uninst_kvr.exe", "Manual\\index.htm",
                              "Manual\\pics\\a.png"};
constexpr const char* kClassesType = "Software\\Classes\\KVRD.file";
constexpr const char* kClassesCommand = "Software\\Classes\\KVRD.file\\Shell\\open\\Command";
constexpr const char* kClassesExtension = "Software\\Classes\\.kvrd";

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

TEST_F(RemovalTest, AnEmptiedFolderGoesAndPurgeTakesTheSettings) {
    const RemovalOutcome outcome = remove(true);

    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_FALSE(pathExists(installed()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
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

}  // namespace
