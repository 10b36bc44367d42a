// The one session record, and the reset of its installation progress.
#include "startup/setup_session.h"

SetupSession gSession;

void InstallProgress::reset() {
    stepIndex = 0;
    installFailed = 0;
    stepTotals[0] = 0;
    stepTotals[1] = 0;
    delete[] backupList;
    backupList = nullptr;
    backupCount = 0;
    failureCode = 0;
    if (packageEntries != nullptr || packageData != nullptr) {
        freePackage(packageEntries, packageData);
    }
    packageEntries = nullptr;
    packageData = nullptr;
}
