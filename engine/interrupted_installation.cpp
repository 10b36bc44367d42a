#include "engine/interrupted_installation.h"

#include <windows.h>

#include "engine/folder_paths.h"
#include "engine/rollback.h"
#include "engine/undo_journal.h"
#include "registration/registry_access.h"
#include "registration/settings_constants.h"
#include "text/text_helpers.h"

namespace {

constexpr const char* kUndoneText =
    "The previous installation was interrupted before it was complete...\n"
    "The files that it had installed were removed and the earlier files put back.";
constexpr const char* kCleanupFinishedText =
    "The previous installation was interrupted after its files were installed...\n"
    "Please run this Setup once more to complete the registration.";
constexpr DWORD kRestoredAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool isFolder(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool describesThisSetup(const UndoJournalContents& journal, const TextBuffer& staging) {
    const TextBuffer install = withoutTrailingSeparator(journal.installFolder.text());
    if (!isAbsolutePath(install.text())) {
        return false;
    }
    for (int i = 0; i < journal.count; ++i) {
        const InstallRecord& record = journal.records[i];
        if (!pathLiesInside(record.targetPath.text(), install) ||
            (record.state == backedUp && !pathLiesInside(record.backupPath.text(), staging))) {
            return false;
        }
    }
    return true;
}

// The journal's attributes go onto the saved copies, whose attributes the undo
// gives the restored files.
void restoreRecordedAttributes(const UndoJournalContents& journal) {
    for (int i = 0; i < journal.count; ++i) {
        const InstallRecord& record = journal.records[i];
        if (record.state == backedUp && journal.attributes[i] != INVALID_FILE_ATTRIBUTES &&
            !isFolder(record.backupPath.text())) {
            SetFileAttributesA(record.backupPath.text(),
                               journal.attributes[i] & kRestoredAttributes);
        }
    }
}

void finishJournal(UndoJournalContents& journal, const TextBuffer& staging,
                   InterruptedOutcome& outcome) {
    if (journal.pointOfNoReturn) {
        outcome.found = InterruptedInstallation::cleanupFinished;
        outcome.message.assign(kCleanupFinishedText);
    } else if (journal.count > 0) {
        restoreRecordedAttributes(journal);
        const int undone = undoInstallRecords(journal.records, journal.count);
        outcome.found = InterruptedInstallation::undone;
        outcome.message.assign(kUndoneText);
        if (undone == -1) {
            outcome.message.append("\n\n");
            outcome.message.append(keptCopiesMessage(journal.records, journal.count));
        }
    }
    deleteSavedCopies(journal.records, journal.count);
    discardUndoJournal(staging.text());
    RemoveDirectoryA(staging.text());
}

}  // namespace

InterruptedOutcome recoverInterruptedInstallation() {
    InterruptedOutcome outcome;
    int32_t status = 0;
    const TextBuffer value = readSettingText(HKEY_CURRENT_USER, kStagingFolderValue, "", &status);
    const TextBuffer staging = withoutTrailingSeparator(value.text());
    if (status == 1 && isAbsolutePath(staging.text()) && isFolder(staging.text())) {
        UndoJournalContents journal;
        if (readUndoJournal(staging.text(), &journal) && describesThisSetup(journal, staging)) {
            finishJournal(journal, staging, outcome);
        }
    }
    deleteSettingValue(HKEY_CURRENT_USER, kStagingFolderValue);
    return outcome;
}
