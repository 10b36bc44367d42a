// The ready page: a summary of the choices; its Next starts the installation.
#include "wizard/ready_page.h"

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

// Rebuilt on every activation, so that a choice changed after Back shows here.
INT_PTR onSetActive(HWND page) {
    setWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    SetDlgItemTextA(page, IDC_READY_EDT_SUMMARY, readySummary(gSession.choices).text());
    return pageResult(page, 0);
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_QUERYCANCEL:
            return queryCancel(page);
        default:
            return FALSE;
    }
}

}  // namespace

TextBuffer readySummary(const SetupChoices& choices) {
    TextBuffer summary;
    summary.format("The Program Location:\r\n    %s\r\n\r\n", choices.installFolder.text());
    summary.appendFormat("Recording & Data Folder Location:\r\n    %s\r\n\r\n",
                         choices.dataFolder.text());
    if (choices.createStartMenuFolder) {
        summary.appendFormat("Create Start Menu folder:\r\n    %s\r\n\r\n",
                             choices.startMenuGroup.text());
    }
    if (choices.createDesktopIcon || choices.createQuickLaunchIcon) {
        summary.append("Additional tasks:\r\n    Additional icons:\r\n");
        if (choices.createDesktopIcon) {
            summary.append("      Create a desktop icon\r\n");
        }
        if (choices.createQuickLaunchIcon) {
            summary.append("      Create a Quick Launch icon\r\n");
        }
    }
    return summary;
}

INT_PTR CALLBACK readyPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}
