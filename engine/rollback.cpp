#include "engine/rollback.h"

#include <utility>

#include "engine/folder_paths.h"
#include "engine/install_page_ids.h"
#include "engine/undo_journal.h"
#include "registration/registry_access.h"
#include "registration/settings_constants.h"
#include "startup/install_log.h"
#include "startup/setup_session.h"
#include "text/text_buffer.h"
#include "text/text_helpers.h"
#include "wizard/message_box.h"

namespace {

int depthOf(const InstallRecord& record) {
    int depth = 0;
    for (const char* p = findPathSeparator(record.targetPath.text()); p != nullptr;
         p = findPathSeparator(p + 1)) {
        ++depth;
    }
    return depth;
}

// Deepest first, so that a folder's new files are gone before the folder itself is
// tried. The exchange order is kept as it is: records of equal depth end up in the
// order this yields.
void orderDeepestFirst(InstallRecord* records, int count) {
    for (int p = 0; p < count; ++p) {
        for (int m = p + 1; m < count; ++m) {
            if (depthOf(records[m]) > depthOf(records[p])) {
                std::swap(records[m], records[p]);
            }
        }
    }
}

// The copy-back clears the attributes of the installed file first, since a copy
// over a hidden or read-only file is refused, and then gives the file the saved
// copy's attributes, which a copy over an existing file does not always carry.
bool restoreSavedCopy(InstallRecord& record) {
    createFolderChain(record.targetPath.text());
    SetFileAttributesA(record.targetPath.text(), FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(record.backupPath.text(), record.targetPath.text(), FALSE)) {
        logEvent("Undo: cannot put back %s (error %lu); kept as %s", record.targetPath.text(),
                 GetLastError(), record.backupPath.text());
        record.state = restoreFailed;
        return false;
    }
    logEvent("Undo: put back %s from %s", record.targetPath.text(), record.backupPath.text());
    const DWORD attributes = GetFileAttributesA(record.backupPath.text());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(record.targetPath.text(), attributes);
    }
    record.state = backedUp;
    record.targetPath.clear();
    return true;
}

bool deleteNewFile(InstallRecord& record) {
    if (!DeleteFileA(record.targetPath.text())) {
        logEvent("Undo: cannot delete %s (error %lu)", record.targetPath.text(), GetLastError());
        return false;
    }
    logEvent("Undo: deleted %s", record.targetPath.text());
    TextBuffer folder = folderOfPath(record.targetPath.text());
    RemoveDirectoryA(folder.text());
    record.targetPath.clear();
    return true;
}

}  // namespace

TextBuffer keptCopiesMessage(const InstallRecord* records, int count) {
    TextBuffer message(
        "ERROR: Cannot restore the following files. Their previous versions are kept in these "
        "copies...\n");
    for (int i = 0; i < count; ++i) {
        if (records[i].state == restoreFailed && records[i].targetPath.visibleLength() != 0) {
            message.appendFormat("\n%s\n    saved as: %s\n", records[i].targetPath.text(),
                                 records[i].backupPath.text());
        }
    }
    return message;
}

int undoInstallRecords(InstallRecord* records, int count) {
    orderDeepestFirst(records, count);
    int result = 0;
    for (int i = 0; i < count; ++i) {
        InstallRecord& record = records[i];
        if (record.targetPath.visibleLength() == 0) {
            continue;
        }
        if (record.state == backedUp || record.state == restoreFailed) {
            if (!restoreSavedCopy(record)) {
                result = -1;
                continue;
            }
        } else if (record.state != newFile || !deleteNewFile(record)) {
            continue;
        }
        if (result != -1) {
            result = 1;
        }
    }
    return result;
}

bool deleteSavedCopies(InstallRecord* records, int count) {
    bool result = true;
    for (int i = 0; i < count; ++i) {
        InstallRecord& record = records[i];
        if (record.backupPath.visibleLength() == 0) {
            continue;
        }
        if (record.state == restoreFailed) {
            result = false;
            continue;
        }
        // A saved read-only file keeps its attribute, and DeleteFileA refuses it.
        SetFileAttributesA(record.backupPath.text(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(record.backupPath.text())) {
            record.backupPath.clear();
        } else {
            result = false;
        }
    }
    return result;
}

int rollBackInstallation(HWND page) {
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, "Restoring previous files...");
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_DETAIL, "");
    UpdateWindow(page);

    InstallProgress& progress = gSession.progress;
    InstallRecord* records = progress.backupList;
    const int count = records != nullptr ? progress.backupCount : 0;
    const int result = undoInstallRecords(records, count);
    if (result == -1) {
        showMessage(keptCopiesMessage(records, count).text(), MB_ICONERROR);
    }
    return result;
}

bool cleanUpStaging(bool removeFolder) {
    InstallProgress& progress = gSession.progress;
    const int count = progress.backupList != nullptr ? progress.backupCount : 0;
    const bool result = deleteSavedCopies(progress.backupList, count);
    const char* staging = gSession.choices.stagingFolder.text();
    if (staging[0] != '\0') {
        discardUndoJournal(staging);
    }
    deleteSettingValue(HKEY_CURRENT_USER, kStagingFolderValue);
    if (removeFolder) {
        RemoveDirectoryA(staging);
    }
    return result;
}
