// Start Menu page: the folder inside the user's Start Menu for the program's
// shortcut, or none at all.
#include <windows.h>

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "text/text_helpers.h"
#include "wizard/folder_browser.h"
#include "wizard/folder_choices.h"
#include "wizard/folder_validation.h"
#include "wizard/message_box.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

// The folder browser rooted at the user's Start Menu. 1: `name` holds the chosen
// folder relative to the Start Menu, followed by "Kestrova"; 0: the user
// cancelled; -1: failure, after a beep (no Start Menu) or a message (a choice
// without a file-system path).
int browseStartMenuFolder(HWND owner, TextBuffer* name) {
    ShellAllocator allocator;
    if (!allocator.available()) {
        return -1;
    }
    ShellItemList root(allocator);
    if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_STARTMENU, root.out()))) {
        MessageBeep(MB_ICONHAND);
        return -1;
    }
    ShellItemList chosen(allocator);
    if (!browseForFolder(owner, root.get(),
                         "Select Start Menu folder to install shortcut to the program:", chosen)) {
        return 0;
    }
    TextBuffer chosenPath;
    TextBuffer rootPath;
    if (!itemListPath(chosen.get(), &chosenPath) || !itemListPath(root.get(), &rootPath)) {
        showMessage("Selected item could not be used as Start Menu item...", MB_OK | MB_ICONERROR,
                    owner);
        return -1;
    }
    *name = relativeStartMenuName(chosenPath.text(), rootPath.text());
    return 1;
}

INT_PTR onInitDialog(HWND page) {
    SendDlgItemMessageA(page, IDC_START_MENU_ICO, STM_SETICON,
                        reinterpret_cast<WPARAM>(gSession.startMenuIcon), 0);
    SetDlgItemTextA(page, IDC_START_MENU_EDT_GROUP, kDefaultStartMenuGroup);
    return TRUE;
}

void onNoFolderClicked(HWND page) {
    const BOOL enable = IsDlgButtonChecked(page, IDC_START_MENU_CHK_NONE) != BST_CHECKED;
    EnableWindow(GetDlgItem(page, IDC_START_MENU_EDT_GROUP), enable);
    EnableWindow(GetDlgItem(page, IDC_START_MENU_BTN_BROWSE), enable);
}

void onBrowseClicked(HWND page) {
    TextBuffer name;
    if (browseStartMenuFolder(page, &name) == 1) {
        SetDlgItemTextA(page, IDC_START_MENU_EDT_GROUP, name.text());
    }
}

INT_PTR onCommand(HWND page, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
        case IDC_START_MENU_CHK_NONE:
            onNoFolderClicked(page);
            return TRUE;
        case IDC_START_MENU_BTN_BROWSE:
            onBrowseClicked(page);
            return TRUE;
    }
    return FALSE;
}

// The check box wins over the text. A folder that cannot be made (or a Start
// Menu that cannot be found) lets the user go on without one.
INT_PTR onWizardNext(HWND page) {
    const TextBuffer none;
    if (IsDlgButtonChecked(page, IDC_START_MENU_CHK_NONE) == BST_CHECKED) {
        storeStartMenuChoice(gSession.choices, none, none);
        return FALSE;
    }
    char typed[MAX_PATH] = "";
    GetDlgItemTextA(page, IDC_START_MENU_EDT_GROUP, typed, sizeof typed);
    TextBuffer folder;
    switch (decideStartMenuFolder(typed, &folder)) {
        case StartMenuDecision::blank:
            showMessage(kStartMenuNameMissingText, MB_OK | MB_ICONERROR);
            return stayOnPage(page);
        case StartMenuDecision::usable:
            storeStartMenuChoice(gSession.choices, withoutTrailingSeparator(typed), folder);
            return FALSE;
        case StartMenuDecision::unusable:
            break;
    }
    if (showMessage(kStartMenuUnusableQuestion, MB_YESNO | MB_ICONERROR | MB_DEFBUTTON2) == IDYES) {
        storeStartMenuChoice(gSession.choices, none, none);
        return FALSE;
    }
    return stayOnPage(page);
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
            return pageResult(page, 0);
        case PSN_WIZNEXT:
            return onWizardNext(page);
        case PSN_QUERYCANCEL:
            return queryCancel(page);
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK startMenuPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
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
