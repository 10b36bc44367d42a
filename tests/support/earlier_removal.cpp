#include "tests/support/earlier_removal.h"

#include <windows.h>

#include "engine/earlier_release.h"
#include "tests/support/test_environment.h"

std::string earlierUninstallerPath() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "Kestrova Version 1_2_2 Uninstaller.exe";
}

EarlierRemovalRun runEarlierRemoval() {
    EarlierRemovalRun run;
    MessageBoxAnswerer answerer;
    run.removed = removeEarlierRelease(&run.errorNumber);
    run.shown = answerer.shown();
    run.uninstallerLeft = pathExists(earlierUninstallerPath());
    return run;
}
