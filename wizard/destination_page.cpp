// Destination page: the install folder. An installed copy for this user fixes
// the folder (the program files are then reinstalled); otherwise the user may
// type or browse to another one.
#include <windows.h>

#include <commctrl.h>

#include "registration/registry_access.h"
#include "resources/resource_ids.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "wizard/folder_browser.h"
#include "wizard/folder_choices.h"
#include "wizard/folder_page.h"
#include "wizard/folder_validation.h"
#include "wizard/message_box.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

FolderPage destinationFolder() {
    return {IDC_DESTINATION_EDT_FOLDER,
            IDC_DESTINATION_BTN_BROWSE,
            kInstallFolderPhrases.invalid,
            kInstallFolderPhrases.missing,
            &gSession.installFolderEditable,
            &gSession.choices.installFolder,
            defaultInstallFolder};
}

INT_PTR onInitDialog(HWND page) {
    SendDlgItemMessageA(page, IDC_DESTINATION_ICO, STM_SETICON,
                        reinterpret_cast<WPARAM>(gSession.destinationIcon), 0);
    if (gSession.platformProbe != 0) {
        SetDlgItemTextA(
            page, IDC_DESTINATION_TXT_PER_USER,
            "INFORMATION: This program is installed per-Windows user on this computer.");
    }
    const FolderProposal proposal = installFolderProposal();
    SetDlgItemTextA(page, IDC_DESTINATION_TXT_REINSTALL,
                    proposal.fixed ? "Another copy of the program is already installed for this "
                                     "user...\nIf you continue with the installation the program "
                                     "files will be reinstalled."
                                   : "");
    showFolderField(page, destinationFolder(), proposal.folder.text(), !proposal.fixed);
    return TRUE;
}

INT_PTR onCommand(HWND page, WPARAM wParam) {
    if (LOWORD(wParam) == IDC_DESTINATION_BTN_BROWSE && HIWORD(wParam) == BN_CLICKED) {
        browseForParentFolder(page, IDC_DESTINATION_EDT_FOLDER,
                              "Select folder where you'd like to install the program:", "Kestrova");
        return TRUE;
    }
    return FALSE;
}

// Copies of the program that still run would hold the files to be replaced. The
// wait may last seconds: show the hourglass meanwhile.
INT_PTR onSetActive(HWND page) {
    setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    WaitCursor wait;
    closeRunningCopies(kCloseWaitMs);
    return pageResult(page, 0);
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_WIZNEXT:
            return nextFromFolderPage(page, destinationFolder());
        case PSN_QUERYCANCEL:
            return queryCancel(page);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK destinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(page);
        case WM_COMMAND:
            return onCommand(page, wParam);
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
    }
    return FALSE;
}
