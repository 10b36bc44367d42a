// The tasks page: the optional desktop and Quick Launch shortcuts.
#include "wizard/tasks_page.h"

#include <commctrl.h>
#include <shlobj.h>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "wizard/folder_browser.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

// Whether the shell gives an item list for the user's application-data folder,
// where the Quick Launch shortcuts live. False without the shell's allocator.
bool appDataFolderFound() {
    ShellAllocator allocator;
    if (!allocator.available()) {
        return false;
    }
    ShellItemList folder(allocator);
    return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, folder.out()));
}

bool isChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

INT_PTR onSetActive(HWND page) {
    setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    EnableWindow(GetDlgItem(page, IDC_TASKS_CHK_QUICK_LAUNCH),
                 quickLaunchOfferedHere() ? TRUE : FALSE);
    return pageResult(page, 0);
}

INT_PTR onWizardNext(HWND page) {
    gSession.choices.createDesktopIcon = isChecked(page, IDC_TASKS_CHK_DESKTOP) ? 1 : 0;
    gSession.choices.createQuickLaunchIcon = isChecked(page, IDC_TASKS_CHK_QUICK_LAUNCH) ? 1 : 0;
    return FALSE;
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_WIZNEXT:
            return onWizardNext(page);
        case PSN_QUERYCANCEL:
            return queryCancel(page);
        default:
            return FALSE;
    }
}

}  // namespace

bool quickLaunchOffered(bool appDataFolderFound, const OSVERSIONINFOA* version) {
    if (!appDataFolderFound) {
        return false;
    }
    if (version == nullptr) {
        return true;
    }
    const bool sixOneOrLater = version->dwMajorVersion > 5 &&
                               (version->dwMinorVersion >= 1 || version->dwMajorVersion > 6);
    return !sixOneOrLater;
}

bool quickLaunchOfferedHere() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    const bool versionRead = GetVersionExA(&version) != FALSE;
    return quickLaunchOffered(appDataFolderFound(), versionRead ? &version : nullptr);
}

INT_PTR CALLBACK tasksPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}
