// The finish page: on Finish, opens the manual and the hardware setup guide and
// starts the program, each when its box is checked.
#include <windows.h>

#include <commctrl.h>

#include "resources/resource_ids.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "text/text_helpers.h"
#include "wizard/message_box.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

constexpr const char* kManualPage = "Manual\\index.htm";
constexpr const char* kHardwareGuidePage = "Quick Setup\\index.htm";
constexpr LONG kBoldWeight = 700;

bool isChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

void makeNoticeBold(HWND page) {
    HWND notice = GetDlgItem(page, IDC_FINISH_TXT_IMPORTANT);
    auto font = reinterpret_cast<HFONT>(SendMessageA(notice, WM_GETFONT, 0, 0));
    LOGFONTA description;
    if (font == nullptr || GetObjectA(font, sizeof description, &description) == 0) {
        return;
    }
    description.lfWeight = kBoldWeight;
    gSession.finishBoldFont = CreateFontIndirectA(&description);
    if (gSession.finishBoldFont != nullptr) {
        SendMessageA(notice, WM_SETFONT, reinterpret_cast<WPARAM>(gSession.finishBoldFont), TRUE);
    }
}

// The hardware guide is offered by default only to a first installation.
INT_PTR onInitDialog(HWND page) {
    CheckDlgButton(page, IDC_FINISH_CHK_LAUNCH, BST_CHECKED);
    CheckDlgButton(page, IDC_FINISH_CHK_HARDWARE_GUIDE,
                   gSession.versionRecorded == 0 ? BST_CHECKED : BST_UNCHECKED);
    makeNoticeBold(page);
    return TRUE;
}

void onDestroy() {
    if (gSession.finishBoldFont != nullptr) {
        DeleteObject(gSession.finishBoldFont);
        gSession.finishBoldFont = nullptr;
    }
}

// The finished run's package image and records are no longer needed.
INT_PTR onSetActive(HWND page) {
    gSession.progress.reset();
    setWizardButtons(PSWIZB_FINISH);
    return pageResult(page, 0);
}

void openInstalledDocument(const char* relativePath) {
    const TextBuffer path =
        concat(withTrailingSeparator(gSession.choices.installFolder.text()), relativePath);
    openWithShell(path.text());
}

INT_PTR onWizardFinish(HWND page) {
    if (isChecked(page, IDC_FINISH_CHK_MANUAL)) {
        openInstalledDocument(kManualPage);
    }
    if (isChecked(page, IDC_FINISH_CHK_HARDWARE_GUIDE)) {
        openInstalledDocument(kHardwareGuidePage);
    }
    if (isChecked(page, IDC_FINISH_CHK_LAUNCH) && !launchInstalledProgram(nullptr)) {
        showMessage("Cannot start main program", MB_ICONERROR);
    }
    return FALSE;
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_WIZFINISH:
            return onWizardFinish(page);
        case PSN_QUERYCANCEL:
            // The installation is complete: leave without a question.
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK finishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(page);
        case WM_DESTROY:
            onDestroy();
            return FALSE;
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}
