// Data folder page: the folder for the program's recordings and data files. The
// folder of an earlier installation stays fixed unless it fails validation.
#include <windows.h>

#include <commctrl.h>

#include "registration/registry_access.h"
#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "wizard/folder_browser.h"
#include "wizard/folder_choices.h"
#include "wizard/folder_page.h"
#include "wizard/folder_validation.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

FolderPage dataFolder() {
    return {IDC_DATA_FOLDER_EDT_FOLDER, IDC_DATA_FOLDER_BTN_BROWSE,   kDataFolderPhrases.invalid,
            kDataFolderPhrases.missing, &gSession.dataFolderEditable, &gSession.choices.dataFolder,
            defaultDataFolder};
}

INT_PTR onInitDialog(HWND page) {
    SendDlgItemMessageA(page, IDC_DATA_FOLDER_ICO, STM_SETICON,
                        reinterpret_cast<WPARAM>(gSession.dataFolderIcon), 0);
    const FolderProposal proposal = dataFolderProposal();
    SetDlgItemTextA(page, IDC_DATA_FOLDER_TXT_DEFINED,
                    proposal.fixed ? "This folder has already been defined...\n(You will be able "
                                     "to change it in the Options window when the program is "
                                     "installed.)"
                                   : "");
    showFolderField(page, dataFolder(), proposal.folder.text(), !proposal.fixed);
    return TRUE;
}

INT_PTR onCommand(HWND page, WPARAM wParam) {
    if (LOWORD(wParam) == IDC_DATA_FOLDER_BTN_BROWSE && HIWORD(wParam) == BN_CLICKED) {
        browseForParentFolder(page, IDC_DATA_FOLDER_EDT_FOLDER,
                              "Select the data folder:", "Kestrova Recordings");
        return TRUE;
    }
    return FALSE;
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
            return pageResult(page, 0);
        case PSN_WIZNEXT:
            return nextFromFolderPage(page, dataFolder());
        case PSN_QUERYCANCEL:
            return queryCancel(page);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK dataFolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
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
