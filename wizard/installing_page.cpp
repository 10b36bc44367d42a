// The installing page: runs the installation one step per tick of its timer and
// undoes it on a confirmed Cancel. The install driver moves the wizard on to the
// finish page, or back to the ready page after a failed step.
#include <windows.h>

#include <commctrl.h>

#include "engine/install_driver.h"
#include "engine/install_page_ids.h"
#include "engine/rollback.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "wizard/message_box.h"
#include "wizard/wizard_frame.h"
#include "wizard/wizard_pages.h"

namespace {

constexpr UINT kStepInterval = 10;

// Every activation starts a new run from step 0.
INT_PTR onSetActive(HWND page) {
    gSession.cancelAllowed = 1;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    setWizardButtons(0);
    closeRunningCopies(kCloseWaitMs);
    gSession.progress.reset();
    if (SetTimer(page, kInstallTimerId, kStepInterval, nullptr) == 0) {
        showMessage(
            "ERROR: Cannot start installaion due to OS failure.\nPlease contact technical "
            "support...",
            MB_ICONERROR, page);
        openWithShell(kFeedbackPage);
        return pageResult(page, IDD_READY);
    }
    return pageResult(page, 0);
}

void onTimer(HWND page, WPARAM timerId) {
    if (timerId == kInstallTimerId) {
        runInstallStep(page);
    }
}

// From the shortcuts step on, Cancel is refused without a word. Before that the
// run is held while the user is asked; a confirmed Cancel undoes what was done.
INT_PTR onQueryCancel(HWND page) {
    if (!gSession.cancelAllowed) {
        return pageResult(page, 1);
    }
    gSession.progress.installFailed = 1;
    if (confirmCancel(page) == 0) {
        gSession.progress.installFailed = 0;
        return TRUE;
    }
    WaitCursor waiting;
    rollBackInstallation(page);
    cleanUpStaging(true);
    return FALSE;
}

INT_PTR onNotify(HWND page, const NMHDR& notification) {
    switch (notification.code) {
        case PSN_SETACTIVE:
            return onSetActive(page);
        case PSN_QUERYCANCEL:
            return onQueryCancel(page);
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK installingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_TIMER:
            onTimer(page, wParam);
            return TRUE;
        case WM_NOTIFY:
            return onNotify(page, *reinterpret_cast<const NMHDR*>(lParam));
        default:
            return FALSE;
    }
}
