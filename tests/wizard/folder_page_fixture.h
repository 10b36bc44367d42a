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
#include "tests/support/message_box_answerer.h"
#include "tests/support/shell_lookups.h"
#include "tests/support/test_environment.h"
#include "tests/support/wizard_driver.h"

inline constexpr const char* kBrowseHint =
    "If you're not sure how to write a path, use Browse button...";

// What one Next that shows a message box leaves behind.
struct NextAttempt {
    std::vector<ShownBox> boxes;
    int page = 0;       // the page shown afterwards
    std::string field;  // the edit field afterwards
};

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
    // Types into the edit field, presses Next and waits until the box it opens has
    // been answered and the page's handler has returned.
    static NextAttempt nextWith(WizardDriver& wizard, MessageBoxAnswerer& answerer, int editId,
                                const std::string& typed) {
        answerer.clear();
        wizard.setText(editId, typed);
        wizard.press(PSBTN_NEXT);
        answerer.waitForBoxes(1);
        wizard.settle();
        return {answerer.shown(), wizard.pageId(), wizard.text(editId)};
    }
    // Cancel, answered Yes by the test's answerer, ends the wizard.
    static bool leave(WizardDriver& wizard) {
        wizard.press(PSBTN_CANCEL);
        return wizard.waitForClose();
    }

    SettingsKeyGuard settings_;
};
