#include "engine/install_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include "engine/install_page_ids.h"
#include "engine/rollback.h"
#include "engine/shortcuts.h"
#include "engine/staging.h"
#include "engine/undo_journal.h"
#include "registration/file_associations.h"
#include "registration/program_settings.h"
#include "registration/uninstall_registration.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "startup/install_log.h"
#include "wizard/message_box.h"

namespace {

bool runStepOfKind(HWND page, int step, TextBuffer& error, bool& offerFeedback) {
    const int fileCount = gSession.progress.stepTotals[1];
    if (step == 0) {
        return prepareInstallation(page, error, offerFeedback);
    }
    if (step <= fileCount + 1) {
        return installFile(page, step - 1, error, offerFeedback);
    }
    if (step == fileCount + 2) {
        // From here on the installation is complete and no longer undone, not
        // even after a crash: the journal must say so before the step begins.
        const char* staging = gSession.choices.stagingFolder.text();
        if (!markPointOfNoReturn(staging)) {
            describeJournalFailure(staging, error);
            return false;
        }
        if (!installShortcuts(page, error)) {
            // The failed step is followed by the undo of the files: should the process
            // die during that undo, the next start must go on undoing, not clean up.
            withdrawPointOfNoReturn(staging);
            return false;
        }
        return true;
    }
    if (step == fileCount + 3) {
        return writeProgramSettings(page, error, offerFeedback);
    }
    if (step == fileCount + 4) {
        return finishInstallation(page, error, offerFeedback);
    }
    return false;
}

const char* stepName(int step) {
    const int fileCount = gSession.progress.stepTotals[1];
    if (step == 0) {
        return "preparation";
    }
    if (step <= fileCount + 1) {
        return "file";
    }
    const char* const lastSteps[] = {"data folder and shortcuts", "program settings",
                                     "registration and clean-up"};
    return step - fileCount - 2 < 3 ? lastSteps[step - fileCount - 2] : "none";
}

bool runStep(HWND page, int step, TextBuffer& error, bool& offerFeedback) {
    const bool succeeded = runStepOfKind(page, step, error, offerFeedback);
    logEvent("Step %d (%s): %s", step, stepName(step), succeeded ? "done" : "failed");
    return succeeded;
}

// Steps run strictly one after the other and the preparation puts the bar at 0,
// so the bar already stands where the previous step left it: with more steps than
// positions most steps leave it unchanged, and a set costs a round trip and a
// repaint.
void showProgress(HWND page, int step) {
    const int total = gSession.progress.stepTotals[0];
    if (total == 0) {
        return;
    }
    const int position = step * kInstallProgressRange / total;
    if (step == 0 || position != (step - 1) * kInstallProgressRange / total) {
        SendDlgItemMessageA(page, IDC_INSTALLING_PRG_PROGRESS, PBM_SETPOS, position, 0);
    }
}

void abandonInstallation(HWND page, const TextBuffer& error) {
    gSession.progress.installFailed = 1;
    KillTimer(page, kInstallTimerId);
    showMessage(error.text(), MB_ICONERROR);
    rollBackInstallation(page);
    cleanUpStaging(true);
    SendMessageA(gSession.sheetWindow, PSM_SETCURSELID, 0, IDD_READY);
}

bool isDiskFull(uint32_t code) {
    return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL;
}

}  // namespace

void runInstallStep(HWND page) {
    InstallProgress& progress = gSession.progress;
    if (gSession.stepRunning || progress.installFailed) {
        return;
    }
    gSession.stepRunning = 1;
    TextBuffer error;
    bool offerFeedback = false;
    const int step = progress.stepIndex;
    const bool succeeded = runStep(page, step, error, offerFeedback);
    showProgress(page, step);
    if (succeeded) {
        progress.stepIndex = step + 1;
    } else {
        abandonInstallation(page, error);
    }
    if (offerFeedback) {
        openWithShell(kFeedbackPage);
    }
    gSession.stepRunning = 0;
}

bool finishInstallation(HWND page, TextBuffer& /*error*/, bool& /*offerFeedback*/) {
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, "Setting up file associations...");
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_DETAIL, "");
    setUpFileAssociations();

    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, "Registering uninstallation...");
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_DETAIL, "");
    if (registerUninstaller(HKEY_CURRENT_USER) == 0) {
        showMessage("ERROR: Cannot register uninstallation...", MB_ICONERROR);
    }

    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, "Cleaning up...");
    gSession.progress.installFailed = 1;
    KillTimer(page, kInstallTimerId);
    cleanUpStaging(true);
    if (gSession.sheetWindow != nullptr) {
        PostMessageA(gSession.sheetWindow, PSM_SETCURSELID, 0, IDD_FINISH);
    }
    return true;
}

InstallOutcome installWithoutWindow() {
    InstallProgress& progress = gSession.progress;
    progress.reset();
    for (int step = 0; step == 0 || step < progress.stepTotals[0]; ++step) {
        TextBuffer error;
        bool offerFeedback = false;
        if (!runStep(nullptr, step, error, offerFeedback)) {
            progress.installFailed = 1;
            showMessage(error.text(), MB_ICONERROR);
            rollBackInstallation(nullptr);
            cleanUpStaging(true);
            if (step == 0 && offerFeedback) {
                return InstallOutcome::brokenPackage;
            }
            return isDiskFull(progress.failureCode) ? InstallOutcome::diskFull
                                                    : InstallOutcome::failed;
        }
    }
    return InstallOutcome::installed;
}
