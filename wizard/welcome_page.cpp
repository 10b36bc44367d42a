// The welcome page: greets the user, tells whether the program runs and whether an
// earlier release must be removed, and on Next removes that release and closes
// running copies of the program.
#include <windows.h>

#include <commctrl.h>

#include "engine/earlier_release.h"
#include "registration/uninstall_registration.h"
#include "resources/resource_ids.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "text/text_buffer.h"
#include "wizard/message_box.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

INT_PTR onInitDialog(HWND page) {
    if (!gSession.wizardCentred) {
        gSession.wizardCentred = 1;
        centreWindow(GetParent(page), nullptr);
    }
    return TRUE;
}

void makeBoldFont(HWND page) {
    if (gSession.welcomeBoldFont != nullptr)
        return;
    HFONT font = reinterpret_cast<HFONT>(
        SendDlgItemMessageA(page, IDC_WELCOME_TXT_NOTICE, WM_GETFONT, 0, 0));
    LOGFONTA description;
    if (font == nullptr || GetObjectA(font, sizeof description, &description) == 0)
        return;
    description.lfWeight = FW_BOLD;
    gSession.welcomeBoldFont = CreateFontIndirectA(&description);
}

void setBoldFont(HWND page, int controlId) {
    SendDlgItemMessageA(page, controlId, WM_SETFONT,
                        reinterpret_cast<WPARAM>(gSession.welcomeBoldFont), TRUE);
}

// Every activation checks afresh, so that Back never shows what an earlier one found.
INT_PTR onSetActive(HWND page) {
    gSession.previousVersionFound = 0;
    setWizardButtons(PSWIZB_NEXT);
    makeBoldFont(page);
    setBoldFont(page, IDC_WELCOME_TXT_RUNNING);
    const bool programRuns = FindWindowA(kProductWindowClass, nullptr) != nullptr;
    ShowWindow(GetDlgItem(page, IDC_WELCOME_TXT_RUNNING), programRuns ? SW_SHOW : SW_HIDE);

    TextBuffer version;
    if (recordedReleaseToRemove(&version)) {
        TextBuffer notice;
        notice.format(
            "INFORMATION: A previous version %s of the Kestrova has been detected. It has to be "
            "removed before this installation can continue...",
            version.text());
        SetDlgItemTextA(page, IDC_WELCOME_TXT_NOTICE, notice.text());
        setBoldFont(page, IDC_WELCOME_TXT_NOTICE);
        gSession.previousVersionFound = 1;
    } else {
        SetDlgItemTextA(page, IDC_WELCOME_TXT_NOTICE, "");
    }
    showNextShield(gSession.previousVersionFound != 0);
    return pageResult(page, 0);
}

// False when the removal failed and the user chose not to go on anyway.
bool removePreviousVersion(HWND page) {
    SetDlgItemTextA(page, IDC_WELCOME_TXT_NOTICE, "Uninstalling previous version. Please wait ...");
    UpdateWindow(page);
    // The old uninstaller must not find the program running, as the page promised.
    closeRunningCopies(kCloseWaitMs);
    int errorNumber = 0;
    if (removeEarlierRelease(&errorNumber))
        return true;
    TextBuffer question;
    question.format(
        "ERROR: (%d) Unable to remove the previous version of the Kestrova. It is recommended "
        "that you remove it manually before proceeding...\n\nDo you want to conitnue anyway?",
        errorNumber);
    if (showMessage(question.text(), MB_YESNO | MB_ICONERROR | MB_DEFBUTTON2) == IDYES)
        return true;
    SetDlgItemTextA(page, IDC_WELCOME_TXT_NOTICE,
                    "ERROR: Unable to remove the previous version...");
    return false;
}

INT_PTR onWizardNext(HWND page) {
    WaitCursor waitCursor;
    // A removal that reported a failure may still have removed the release: its
    // uninstaller is run again only while the release is still recorded.
    if (gSession.previousVersionFound && recordedReleaseToRemove(nullptr) == 0)
        gSession.previousVersionFound = 0;
    if (gSession.previousVersionFound && !removePreviousVersion(page))
        return stayOnPage(page);
    closeRunningCopies(kCloseWaitMs);
    return FALSE;
}

INT_PTR onNotify(HWND page, const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_WIZNEXT:
            return onWizardNext(page);
        case PSN_QUERYCANCEL:
            return queryCancel(page);
    }
    return FALSE;
}

INT_PTR onDestroy() {
    if (gSession.welcomeBoldFont != nullptr) {
        DeleteObject(gSession.welcomeBoldFont);
        gSession.welcomeBoldFont = nullptr;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK welcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(page);
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
        case WM_DESTROY:
            return onDestroy();
    }
    return FALSE;
}
