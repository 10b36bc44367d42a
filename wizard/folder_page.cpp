#include "wizard/folder_page.h"

#include "text/text_helpers.h"
#include "wizard/folder_validation.h"
#include "wizard/wizard_frame.h"

void showFolderField(HWND page, const FolderPage& folderPage, const char* folder, bool editable) {
    *folderPage.editable = editable ? 1 : 0;
    SetDlgItemTextA(page, folderPage.editId, folder);
    EnableWindow(GetDlgItem(page, folderPage.editId), editable);
    EnableWindow(GetDlgItem(page, folderPage.browseId), editable);
}

INT_PTR nextFromFolderPage(HWND page, const FolderPage& folderPage) {
    char typed[MAX_PATH] = "";
    GetDlgItemTextA(page, folderPage.editId, typed, sizeof typed);
    const FolderCheck check =
        validateFolder(typed, folderPage.invalidPhrase, folderPage.missingPhrase);
    if (check == Accepted) {
        *folderPage.accepted = withoutTrailingSeparator(typed);
        return FALSE;
    }
    // An installed copy whose folder has become unusable must not be a dead end:
    // its refusal unlocks the field; a reset request leaves the lock as it was.
    if (check == ResetRequested || *folderPage.editable == 0) {
        showFolderField(page, folderPage, folderPage.suggestion().text(),
                        check == Rejected || *folderPage.editable != 0);
    }
    return stayOnPage(page);
}
