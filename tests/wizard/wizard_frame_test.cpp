#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/wizard_driver.h"

namespace {

constexpr const char* kExitQuestion =
    "Setup is not complete. If you exit now, the program will not be installed.\n\nYou may run "
    "Setup again at another time to complete the installation.\n\nExit Setup?";

TEST(WizardFrame, CancelAsksOnceAndNoKeepsThePage) {
    gSession.moduleInstance = GetModuleHandleA(nullptr);
    MessageBoxAnswerer answerer({IDNO, IDYES});
    bool stayed = false;
    bool closed = false;
    std::string title;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(106))
            return;
        title = wizard.sheetTitle();
        wizard.press(PSBTN_CANCEL);
        Sleep(300);
        stayed = wizard.pageId() == 106;
        wizard.press(PSBTN_CANCEL);
        closed = wizard.waitForClose();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(closed);
    EXPECT_EQ("Kestrova 1.2.7.1 - Setup", title);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(2u, boxes.size());
    for (const ShownBox& box : boxes) {
        EXPECT_EQ(kExitQuestion, box.text);
        EXPECT_TRUE(box.hasYes && box.hasNo && !box.hasCancel);
        EXPECT_EQ(informationIcon(), box.icon);
        EXPECT_EQ(IDNO, box.defaultButton);
    }
    EXPECT_EQ(nullptr, gSession.sheetWindow);
}

// Start-up's application icon becomes the wizard's big icon, and the first page
// puts the wizard in the middle of the work area.
TEST(WizardFrame, OpensCentredOnTheWorkAreaWithTheApplicationIcon) {
    gSession.moduleInstance = GetModuleHandleA(nullptr);
    gSession.wizardCentred = 0;
    gSession.wizardIcon = LoadIconA(gSession.moduleInstance, MAKEINTRESOURCEA(130));
    ASSERT_NE(nullptr, gSession.wizardIcon);
    MessageBoxAnswerer answerer({IDYES});
    RECT sheet{};
    HICON big = nullptr, ofClass = nullptr;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        GetWindowRect(wizard.sheet(), &sheet);
        big = reinterpret_cast<HICON>(SendMessageA(wizard.sheet(), WM_GETICON, ICON_BIG, 0));
        ofClass = reinterpret_cast<HICON>(GetClassLongPtrA(wizard.sheet(), GCLP_HICON));
        wizard.press(PSBTN_CANCEL);
    });
    RECT area{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    EXPECT_EQ(area.left + (area.right - area.left - (sheet.right - sheet.left)) / 2, sheet.left);
    EXPECT_EQ(area.top + (area.bottom - area.top - (sheet.bottom - sheet.top)) / 2, sheet.top);
    EXPECT_EQ(gSession.wizardIcon, big);
    EXPECT_EQ(gSession.wizardIcon, ofClass);
    gSession.wizardIcon = nullptr;
}

struct PageHeader {
    int dialogId;
    const char* title;
    const char* subtitle;
};

// Header texts as the string table gives them (the first page's ids are reversed).
constexpr PageHeader kPageHeaders[] = {
    {IDD_WELCOME, "Initializing", "Welcome to the Kestrova Setup Wizard"},
    {IDD_LICENCE, "License Agreement",
     "Please read the following important information before continuing"},
    {IDD_DESTINATION, "Select Destination Location", "Where should the program be installed?"},
    {IDD_START_MENU, "Select Start Menu Folder",
     "Where would you like Setup to place the program's shortcut?"},
    {IDD_DATA_FOLDER, "Select Data Folder Location",
     "Where should the program recording & data files be stored?"},
    {IDD_TASKS, "Select Additional Tasks", "What additional tasks should be performed?"},
    {IDD_READY, "Ready to Install",
     "Setup is now ready to begin installing the program on your computer"},
    {IDD_INSTALLING, "Installing...",
     "Please wait while Setup installs the program on your computer"},
    {IDD_FINISH, "Finished", "Installation of the program is complete"},
};

TEST(WizardFrame, EveryPageShowsItsHeaderUnderTheSetupTitle) {
    gSession.moduleInstance = GetModuleHandleA(nullptr);
    gSession.wizardCentred = 0;
    SettingsKeyGuard settings;
    MessageBoxAnswerer answerer({IDYES});
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME))
            return;
        for (const PageHeader& expected : kPageHeaders) {
            if (!wizard.walkTo(expected.dialogId) || !wizard.waitForPage(expected.dialogId)) {
                ADD_FAILURE() << "page " << expected.dialogId << " not reached";
                return;
            }
            const WizardDriver::HeaderTexts header = wizard.headerTexts();
            EXPECT_EQ(expected.title, header.title) << expected.dialogId;
            EXPECT_EQ(expected.subtitle, header.subtitle) << expected.dialogId;
            EXPECT_EQ("Kestrova 1.2.7.1 - Setup", wizard.sheetTitle()) << expected.dialogId;
        }
        wizard.press(PSBTN_CANCEL);
    });
}

TEST(WizardFrame, BackToTheLicencePageKeepsItsChoice) {
    gSession.moduleInstance = GetModuleHandleA(nullptr);
    SettingsKeyGuard settings;
    MessageBoxAnswerer answerer({IDYES});
    bool accepted = false, declined = true, nextAvailable = false;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME) || !wizard.walkTo(IDD_DESTINATION))
            return;
        wizard.press(PSBTN_BACK);
        if (!wizard.waitForPage(IDD_LICENCE))
            return;
        accepted = wizard.isChecked(IDC_LICENCE_RAD_ACCEPT);
        declined = wizard.isChecked(IDC_LICENCE_RAD_DECLINE);
        nextAvailable =
            WizardDriver::waitFor([&] { return wizard.sheetButtonEnabled(WizardDriver::kNext); });
        wizard.press(PSBTN_CANCEL);
    });
    EXPECT_TRUE(accepted);
    EXPECT_FALSE(declined);
    EXPECT_TRUE(nextAvailable);
}

}  // namespace
