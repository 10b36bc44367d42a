#include "tests/e2e/wizard_walk.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_capture.h"
#include "tests/support/test_environment.h"

namespace {

struct PageName {
    int id;
    const char* name;
};
const PageName kPages[] = {
    {IDD_WELCOME, "1-welcome"},
    {IDD_LICENCE, "2-licence"},
    {IDD_DESTINATION, "3-destination"},
    {IDD_START_MENU, "4-startmenu"},
    {IDD_DATA_FOLDER, "5-datafolder"},
    {IDD_TASKS, "6-tasks"},
    {IDD_READY, "7-ready"},
    {IDD_INSTALLING, "8-installing"},
    {IDD_FINISH, "9-finish"},
};

// A picture of the wizard as "<page>-<dpiTag>.bmp" when pictures are asked for
// and the walk has a tag.
void savePicture(WizardDriver& wizard, const char* pageName, const char* dpiTag) {
    if (gOptions.screens.empty() || dpiTag == nullptr) {
        return;
    }
    const std::string path = gOptions.screens + "\\" + pageName + "-" + dpiTag + ".bmp";
    EXPECT_TRUE(captureWindow(wizard.sheet(), path)) << path;
}

}  // namespace

std::string recordFile() {
    return tempFolder() + "kvr-e2e-opened.txt";
}

void recordOpenedDocuments() {
    const std::string command =
        "\"" + programFolder() + "open_recorder.exe\" \"" + recordFile() + "\" \"%1\"";
    for (const char* key : {"Software\\Classes\\htmlfile\\shell\\open\\command",
                            "Software\\Classes\\https\\shell\\open\\command"}) {
        writeRawText(HKEY_LOCAL_MACHINE, key, nullptr, command);
    }
    writeRawText(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", nullptr, "htmlfile");
}

std::string openedDocuments() {
    std::string opened;
    for (int wait = 0; wait < 100; ++wait) {
        if (readFile(recordFile(), &opened)) {
            break;
        }
        Sleep(50);
    }
    return opened;
}

void settle(SetupProcess& setup, WizardDriver& wizard) {
    RedrawWindow(wizard.sheet(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(wizard.sheet(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    setup.waitUntilIdle();
    Sleep(100);
}

void walkToFinish(SetupProcess& setup, WizardDriver& wizard, const char* dpiTag,
                  const PageVisit& visit) {
    for (const PageName& page : kPages) {
        if (page.id == IDD_INSTALLING) {
            ASSERT_TRUE(waitUntil(
                [&] {
                    const int current = wizard.pageId();
                    return current == IDD_INSTALLING || current == IDD_FINISH;
                },
                15000))
                << "the installation did not start";
            if (wizard.pageId() == IDD_INSTALLING) {
                settle(setup, wizard);
                savePicture(wizard, page.name, dpiTag);
            }
            continue;
        }
        ASSERT_TRUE(wizard.waitForPage(page.id, 30000)) << "page " << page.id << " did not come";
        settle(setup, wizard);
        savePicture(wizard, page.name, dpiTag);
        if (visit) {
            visit(wizard, page.id);
        }
        if (page.id == IDD_LICENCE) {
            wizard.click(IDC_LICENCE_RAD_ACCEPT);
            ASSERT_TRUE(
                waitUntil([&] { return wizard.sheetButtonEnabled(WizardDriver::kNext); }, 5000));
        }
        if (page.id != IDD_FINISH) {
            wizard.press(PSBTN_NEXT);
        }
    }
}

void finish(SetupProcess& setup, WizardDriver& wizard) {
    wizard.press(PSBTN_FINISH);
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.waitForExit(kExitWait, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

void installWithTheDefaults() {
    recordOpenedDocuments();
    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    walkToFinish(setup, wizard, nullptr, nullptr);
    ASSERT_EQ(wizard.pageId(), IDD_FINISH);
    finish(setup, wizard);
}
