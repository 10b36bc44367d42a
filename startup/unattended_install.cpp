#include "startup/unattended_install.h"

#include "engine/earlier_release.h"
#include "engine/install_driver.h"
#include "registration/uninstall_registration.h"
#include "startup/exit_codes.h"
#include "startup/install_log.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "text/text_helpers.h"
#include "wizard/folder_choices.h"
#include "wizard/folder_validation.h"
#include "wizard/message_box.h"
#include "wizard/ready_page.h"
#include "wizard/tasks_page.h"

namespace {

// As the welcome page's Next: the old uninstaller must not find the program running.
bool earlierReleaseRemoved() {
    TextBuffer version;
    if (!recordedReleaseToRemove(&version)) {
        return true;
    }
    logEvent("Earlier release %s is installed: removing it", version.text());
    closeRunningCopies(kCloseWaitMs);
    int errorNumber = 0;
    if (!removeEarlierRelease(&errorNumber)) {
        logEvent("The earlier release could not be removed (error %d)", errorNumber);
        return false;
    }
    logEvent("The earlier release was removed");
    return true;
}

bool runningCopiesClosed() {
    if (closeRunningCopies(kCloseWaitMs) != 1) {
        logEvent("Running copies of the program did not close");
        return false;
    }
    return true;
}

// The folder page's Next: the switch's folder or the page's proposal, validated.
bool chooseFolder(const char* what, const FolderProposal& proposal, bool overridden,
                  const char* given, const FolderPhrases& phrases, TextBuffer* chosen) {
    const char* folder = overridden ? given : proposal.folder.text();
    logEvent("%s: %s (%s)", what, folder,
             overridden       ? "given"
             : proposal.fixed ? "fixed by the installed copy"
                              : "proposed");
    if (validateFolder(folder, phrases.invalid, phrases.missing) != Accepted) {
        logEvent("%s refused", what);
        return false;
    }
    *chosen = withoutTrailingSeparator(folder);
    return true;
}

// The Start Menu page's Next; a folder that cannot be made is refused, the
// answer the page gives by default.
bool chooseStartMenuFolder(const InstallSwitches& switches, SetupChoices& choices) {
    const char* group = switches.hasGroup ? switches.group : kDefaultStartMenuGroup;
    logEvent("Start Menu folder: %s (%s)", group, switches.hasGroup ? "given" : "proposed");
    TextBuffer folder;
    switch (decideStartMenuFolder(group, &folder)) {
        case StartMenuDecision::blank:
            showMessage(kStartMenuNameMissingText, MB_OK | MB_ICONERROR);
            break;
        case StartMenuDecision::usable:
            storeStartMenuChoice(choices, withoutTrailingSeparator(group), folder);
            return true;
        case StartMenuDecision::unusable:
            showMessage(kStartMenuUnusableQuestion, MB_YESNO | MB_ICONERROR | MB_DEFBUTTON2);
            break;
    }
    logEvent("Start Menu folder refused");
    return false;
}

void chooseIcons(const InstallSwitches& switches, SetupChoices& choices) {
    choices.createDesktopIcon = switches.desktopIcon ? 1 : 0;
    const bool offered = quickLaunchOfferedHere();
    if (switches.quickLaunchIcon && !offered) {
        logEvent("A Quick Launch icon is not offered on this system: none is made");
    }
    choices.createQuickLaunchIcon = switches.quickLaunchIcon && offered ? 1 : 0;
}

bool makeChoices(const InstallSwitches& switches, SetupChoices& choices) {
    if (!chooseFolder("Install folder", installFolderProposal(), switches.hasDir, switches.dir,
                      kInstallFolderPhrases, &choices.installFolder) ||
        !chooseStartMenuFolder(switches, choices) ||
        !chooseFolder("Data folder", dataFolderProposal(), switches.hasDataDir, switches.dataDir,
                      kDataFolderPhrases, &choices.dataFolder)) {
        return false;
    }
    chooseIcons(switches, choices);
    if (switches.hasTemp) {
        choices.stagingFolder = withoutTrailingSeparator(switches.temp);
    }
    logEvent("Choices: %s", readySummary(choices).text());
    return true;
}

int exitCodeOf(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::installed:
            return kExitInstalled;
        case InstallOutcome::diskFull:
            return kExitDiskFull;
        case InstallOutcome::brokenPackage:
            return kExitBrokenPackage;
        case InstallOutcome::failed:
            break;
    }
    return kExitFailed;
}

}  // namespace

int runUnattendedInstallation(const InstallSwitches& switches) {
    if (!earlierReleaseRemoved() || !runningCopiesClosed()) {
        return kExitFailed;
    }
    if (!makeChoices(switches, gSession.choices)) {
        return kExitInvalidChoice;
    }
    if (!runningCopiesClosed()) {
        return kExitFailed;
    }
    const InstallOutcome outcome = installWithoutWindow();
    logEvent("Installation %s",
             outcome == InstallOutcome::installed ? "completed" : "failed and undone");
    return exitCodeOf(outcome);
}
