// The welcome page: what it shows for the program's state, and the removal of an
// earlier release on Next.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/wizard_driver.h"

namespace {

constexpr const char* kSettingsKey = "Software\\from Velmora\\Kestrova & Scheduler\\Settings";
constexpr const char* kEarlierReleaseNotice =
    "INFORMATION: A previous version 1.2.2 of the Kestrova has been detected. It has to be "
    "removed before this installation can continue...";

std::string uninstallerPath() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "Kestrova Version 1_2_2 Uninstaller.exe";
}

class WelcomePage : public ::testing::Test {
protected:
    void SetUp() override {
        gSession.moduleInstance = GetModuleHandleA(nullptr);
        gSession.wizardCentred = 0;
        gSession.previousVersionFound = 0;
    }

    SettingsKeyGuard settings;
};

bool isBold(HWND control) {
    LOGFONTA font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    return handle != nullptr && GetObjectA(handle, sizeof font, &font) != 0 &&
           font.lfWeight == FW_BOLD;
}

TEST_F(WelcomePage, WithNothingToRemoveAndTheProgramNotRunningShowsOnlyItsTexts) {
    MessageBoxAnswerer answerer({IDYES});
    std::string notice = "unread";
    bool runningShown = true, nextOnly = false, movedOn = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        notice = wizard.text(IDC_WELCOME_TXT_NOTICE);
        runningShown = wizard.isVisible(IDC_WELCOME_TXT_RUNNING);
        nextOnly = wizard.sheetButtonEnabled(WizardDriver::kNext) &&
                   !wizard.sheetButtonEnabled(WizardDriver::kBack);
        wizard.press(PSBTN_NEXT);
        movedOn = wizard.waitForPage(IDD_LICENCE);
        wizard.press(PSBTN_CANCEL);
    });
    EXPECT_EQ("", notice);
    EXPECT_FALSE(runningShown);
    EXPECT_TRUE(nextOnly);
    EXPECT_TRUE(movedOn);
    ASSERT_EQ(1u, answerer.shown().size());  // the exit question only
}

TEST_F(WelcomePage, WithTheProgramRunningWarnsInBoldAndNextClosesIt) {
    StandInProcess program;
    ASSERT_NE(nullptr, program.window());
    MessageBoxAnswerer answerer({IDYES});
    bool runningShown = false, bold = false, movedOn = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        runningShown = wizard.isVisible(IDC_WELCOME_TXT_RUNNING);
        bold = isBold(wizard.control(IDC_WELCOME_TXT_RUNNING));
        wizard.press(PSBTN_NEXT);
        movedOn = wizard.waitForPage(IDD_LICENCE);
        wizard.press(PSBTN_CANCEL);
    });
    EXPECT_TRUE(runningShown);
    EXPECT_TRUE(bold);
    EXPECT_TRUE(movedOn);
    EXPECT_TRUE(program.waitForExit(5000));
}

// The program started while the user was on a later page: Back shows the warning.
TEST_F(WelcomePage, ProgramStartedAfterAnEarlierVisitIsWarnedAboutOnReturn) {
    MessageBoxAnswerer answerer({IDYES});
    bool hiddenAtFirst = false, shownOnReturn = false, started = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        hiddenAtFirst = !wizard.isVisible(IDC_WELCOME_TXT_RUNNING);
        wizard.press(PSBTN_NEXT);
        if (!wizard.waitForPage(IDD_LICENCE))
            return;
        StandInProcess program;
        started = program.window() != nullptr;
        wizard.press(PSBTN_BACK);
        if (wizard.waitForPage(IDD_WELCOME))
            shownOnReturn =
                WizardDriver::waitFor([&] { return wizard.isVisible(IDC_WELCOME_TXT_RUNNING); });
        wizard.press(PSBTN_CANCEL);
    });
    EXPECT_TRUE(hiddenAtFirst);
    EXPECT_TRUE(started);
    EXPECT_TRUE(shownOnReturn);
}

TEST_F(WelcomePage, RecordedRelease122IsAnnouncedAndRemovedOnNext) {
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.2");
    TestFolder folder("welcome-removal");
    ScopedEnvironment log("KVR_OLD_UNINSTALLER_LOG", folder.path("uninstaller.log"));
    MessageBoxAnswerer answerer({IDYES});
    std::string notice;
    bool noticeBold = false, movedOn = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        notice = wizard.text(IDC_WELCOME_TXT_NOTICE);
        noticeBold = isBold(wizard.control(IDC_WELCOME_TXT_NOTICE));
        wizard.press(PSBTN_NEXT);
        movedOn = wizard.waitForPage(IDD_LICENCE, 30000);
        wizard.press(PSBTN_CANCEL);
    });
    EXPECT_EQ(kEarlierReleaseNotice, notice);
    EXPECT_TRUE(noticeBold);
    EXPECT_TRUE(movedOn);
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKey, "ver").present());
    EXPECT_FALSE(pathExists(uninstallerPath()));
    std::string logged;
    EXPECT_TRUE(readFile(folder.path("uninstaller.log"), &logged));
    EXPECT_EQ("KVRUninstaller122 ran: " + uninstallerPath() + "\r\n", logged);
    ASSERT_EQ(1u, answerer.shown().size());  // the exit question only
}

// Release 1.2.2 recorded, and a folder in its uninstaller's place, so that its
// removal fails.
void recordReleaseWithItsUninstallerBlocked() {
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.2");
    createFolders(uninstallerPath());
}

// Next on the welcome page, then until the failed removal's question was answered
// and the page shows its outcome.
void pressNextUntilTheRemovalHasFailed(WizardDriver& wizard, MessageBoxAnswerer& answerer) {
    wizard.press(PSBTN_NEXT);
    WizardDriver::waitFor([&] { return answerer.shown().size() == 1; }, 30000);
    WizardDriver::waitFor([&] {
        return wizard.text(IDC_WELCOME_TXT_NOTICE) !=
               "Uninstalling previous version. Please wait ...";
    });
}

// A folder in the uninstaller's place makes the removal fail: No keeps the page with
// its error, Yes goes on, and Back after the release is gone shows no old notice.
TEST_F(WelcomePage, FailedRemovalAsksWithNoAsDefaultAndBackShowsNoStaleNotice) {
    recordReleaseWithItsUninstallerBlocked();
    MessageBoxAnswerer answerer({IDNO, IDYES, IDYES});
    std::string afterNo, afterBack = "unread";
    bool stayed = false, movedOn = false, backed = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        pressNextUntilTheRemovalHasFailed(wizard, answerer);
        stayed = wizard.pageId() == IDD_WELCOME;
        afterNo = wizard.text(IDC_WELCOME_TXT_NOTICE);
        wizard.press(PSBTN_NEXT);
        movedOn = wizard.waitForPage(IDD_LICENCE, 30000);
        deleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
        wizard.press(PSBTN_BACK);
        backed = wizard.waitForPage(IDD_WELCOME);
        afterBack = wizard.text(IDC_WELCOME_TXT_NOTICE);
        wizard.press(PSBTN_CANCEL);
    });
    RemoveDirectoryA(uninstallerPath().c_str());
    EXPECT_TRUE(stayed);
    EXPECT_EQ("ERROR: Unable to remove the previous version...", afterNo);
    EXPECT_TRUE(movedOn);
    EXPECT_TRUE(backed);
    EXPECT_EQ("", afterBack);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(3u, boxes.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(
            "ERROR: (5) Unable to remove the previous version of the Kestrova. It is recommended "
            "that you remove it manually before proceeding...\n\nDo you want to conitnue anyway?",
            boxes[i].text);
        EXPECT_TRUE(boxes[i].hasYes && boxes[i].hasNo && !boxes[i].hasCancel);
        EXPECT_EQ(errorIcon(), boxes[i].icon);
        EXPECT_EQ(IDNO, boxes[i].defaultButton);
    }
}

// The removal failed and the user stayed; meanwhile the release is gone (as when its
// uninstaller ran but did not end in time): Next goes on without running it again.
TEST_F(WelcomePage, NextAfterAFailedRemovalRemovesOnlyWhileTheReleaseIsStillRecorded) {
    recordReleaseWithItsUninstallerBlocked();
    MessageBoxAnswerer answerer({IDNO, IDYES});
    bool stayed = false, movedOn = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        pressNextUntilTheRemovalHasFailed(wizard, answerer);
        stayed = wizard.pageId() == IDD_WELCOME;
        deleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
        wizard.press(PSBTN_NEXT);
        movedOn = wizard.waitForPage(IDD_LICENCE, 30000);
        wizard.press(PSBTN_CANCEL);
    });
    RemoveDirectoryA(uninstallerPath().c_str());
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(movedOn);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(2u, boxes.size());  // the removal failure once, then the exit question
    EXPECT_NE(std::string::npos, boxes[1].text.find("exit"))
        << "a second removal was attempted: " << boxes[1].text;
}

}  // namespace
