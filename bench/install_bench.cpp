// One file per timer tick keeps the wizard responsive only while a file step costs
// far less than the 10 ms tick. Measures the file steps and the undo of the whole
// stand-in package: a fresh installation, and a reinstallation over it (which saves
// every replaced file first).
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "bench/bench.h"
#include "engine/rollback.h"
#include "engine/staging.h"
#include "startup/random.h"
#include "startup/setup_session.h"

namespace {

// The bench's own folder, whatever is left in it: the shell deletes the tree.
void removeTree(const std::string& folder) {
    std::string from = folder;
    from.push_back('\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

// Preparation and every file step; returns the seconds spent in the file steps.
double installAllFiles() {
    TextBuffer error;
    bool offerFeedback = false;
    gSession.progress.reset();
    if (!prepareInstallation(nullptr, error, offerFeedback)) {
        std::printf("install: preparation failed: %s\n", error.text());
        std::exit(1);
    }
    const int files = gSession.progress.stepTotals[1] + 1;
    const double start = secondsNow();
    for (int k = 0; k < files; ++k) {
        if (!installFile(nullptr, k, error, offerFeedback)) {
            std::printf("install: file step %d failed: %s\n", k, error.text());
            std::exit(1);
        }
    }
    return secondsNow() - start;
}

double undoSeconds() {
    const double start = secondsNow();
    rollBackInstallation(nullptr);
    cleanUpStaging(true);
    return secondsNow() - start;
}

}  // namespace

void runInstallBenchmarks() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "kvr-install-bench";
    removeTree(folder);
    seedRandom(GetTickCount());
    gSession.choices.installFolder.assign(folder.c_str());

    const double freshSeconds = installAllFiles();
    const int files = gSession.progress.backupCount;
    const double freshUndoSeconds = undoSeconds();

    installAllFiles();
    cleanUpStaging(true);
    const double reinstallSeconds = installAllFiles();
    const double reinstallUndoSeconds = undoSeconds();
    gSession.progress.reset();
    removeTree(folder);

    std::printf(
        "install: %d file steps; fresh %.2f ms/step (undo %.2f ms/file), "
        "reinstall %.2f ms/step (undo %.2f ms/file); one timer tick is 10 ms\n",
        files, freshSeconds * 1e3 / files, freshUndoSeconds * 1e3 / files,
        reinstallSeconds * 1e3 / files, reinstallUndoSeconds * 1e3 / files);
}
