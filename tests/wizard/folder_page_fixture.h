// What the destination, Start Menu and data folder page tests share: a session
// reset for the wizard, an emptied settings key that is put back afterwards, and
// the shell's folders read straight from the shell.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "startup/setup_session.h"
#include "tests/support/test_environment.h"
#include "tests/support/wizard_driver.h"

inline constexpr const char* kSettingsKeyPath =
    "Software\\from Velmora\\Kestrova & Scheduler\\Settings";
inline constexpr const char* kBrowseHint =
    "If you're not sure how to write a path, use Browse button...";

// A special folder as SHGetFolderPathA gives it, without a trailing backslash.
inline std::string shellFolder(int csidl) {
    char path[MAX_PATH] = "";
    EXPECT_EQ(S_OK, SHGetFolderPathA(nullptr, csidl, nullptr, 0, path));
    return path;
}

class FolderPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        gSession.moduleInstance = GetModuleHandleA(nullptr);
        gSession.platformProbe = 1;
        resetSession();
    }
    void TearDown() override {
        gSession.platformProbe = 0;
        resetSession();
    }
    static void resetSession() {
        gSession.folderWriteProbe = 0;
        gSession.choices.installFolder.clear();
        gSession.choices.startMenuGroup.clear();
        gSession.choices.startMenuFolder.clear();
        gSession.choices.createStartMenuFolder = 0;
        gSession.choices.dataFolder.clear();
    }
    static void setSetting(const char* name, const std::string& value) {
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, name, value);
    }
    // From the wizard's start to the page, with the default choices on the way.
    static bool walkTo(WizardDriver& wizard, int page) {
        return wizard.waitForPage(106) && wizard.walkTo(page);
    }
    // Cancel, answered Yes by the test's answerer, ends the wizard.
    static bool leave(WizardDriver& wizard) {
        wizard.press(PSBTN_CANCEL);
        return wizard.waitForClose();
    }

    SettingsKeyGuard settings_;
};
