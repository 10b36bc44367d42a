#include "engine/staging.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstring>
#include <new>

#include "engine/folder_paths.h"
#include "engine/install_page_ids.h"
#include "engine/package_archive.h"
#include "engine/package_digest.h"
#include "engine/undo_journal.h"
#include "registration/registry_access.h"
#include "registration/settings_constants.h"
#include "startup/install_log.h"
#include "startup/random.h"
#include "startup/setup_session.h"
#include "text/scoped_handles.h"
#include "text/text_helpers.h"
#include "wizard/folder_validation.h"

namespace {

constexpr const char* kDriverLibrary = "__cdca.lx";
constexpr const char* kDriverLibraryCopy = "__cdcb.lx";
constexpr const char* kBackupExtension = "081";
constexpr int kUniqueNameAttempts = 1000;

// Sets a line only when its text changes: every file step reports "Installing
// File:", and each set costs the window system a round trip and a repaint of the
// line. A text longer than the buffer compares unequal and is set.
void setLine(HWND line, const char* text) {
    char shown[2 * MAX_PATH];
    if (GetWindowTextA(line, shown, sizeof shown) == 0 || std::strcmp(shown, text) != 0) {
        SetWindowTextA(line, text);
    }
}

void report(HWND page, const char* status, const char* detail) {
    setLine(GetDlgItem(page, IDC_INSTALLING_TXT_STATUS), status);
    setLine(GetDlgItem(page, IDC_INSTALLING_TXT_DETAIL), detail);
}

// A package without entries counts as broken: the first file step writes entry 0.
// So does one whose bytes are not those the build made (package_digest.h).
bool unpackMainPackage() {
    uint32_t length = 0;
    const uint8_t* bytes = loadPackageResource(kMainPackageResource, &length);
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    if (bytes == nullptr || !packageMatchesDigest(kMainPackageResource, bytes, length) ||
        !openPackage(bytes, length, &entries, &image)) {
        return false;
    }
    if (entries->count == 0) {
        freePackage(entries, image);
        return false;
    }
    gSession.progress.packageEntries = entries;
    gSession.progress.packageData = image;
    return true;
}

// A blank staging folder means none was given with "/temp": make a fresh name
// below the user's temporary folder.
void chooseStagingFolder() {
    TextBuffer& staging = gSession.choices.stagingFolder;
    if (!staging.isBlank(7)) {
        return;
    }
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    TextBuffer folder = withTrailingSeparator(length == 0 || length >= MAX_PATH ? "C:\\" : temp);
    const int high = nextRandom() & 0xFFFF;
    const int low = nextRandom() & 0xFF;
    folder.appendFormat("instrb%04X.%02X\\", high, low);
    staging = folder;
}

// The one catch of the program. Kept out of line: the 32-bit builds give unwind
// tables only to this file and the text buffer, so nothing else may lie between
// the throw and this catch, and tools/check-unwind.py follows this function's
// calls to prove it.
[[gnu::noinline]] bool makeInstallRecords(int count) {
    InstallProgress& progress = gSession.progress;
    try {
        progress.backupList = new InstallRecord[count];
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const TextBufferError& failure) {
        if (failure.code != TextBufferError::kAllocationFailed) {
            throw;
        }
        return false;
    }
    progress.backupCount = count;
    return true;
}

bool isDriverLibrary(const char* path) {
    const char* name = PathFindFileNameA(path);
    return lstrcmpiA(name, kDriverLibrary) == 0 || lstrcmpiA(name, kDriverLibraryCopy) == 0;
}

// The step's message with the system's code of the call that just failed, which
// the progress record keeps as well.
void failWithSystemError(const char* format, const TextBuffer& target, TextBuffer& error) {
    const DWORD code = GetLastError();
    gSession.progress.failureCode = code;
    error.format(format, static_cast<int>(code), target.text());
}

// Saves an existing target before it is overwritten; `attributes` are the
// target's, INVALID_FILE_ATTRIBUTES when nothing exists there. False (with the
// copy's error code in `error`) when it exists and cannot be saved: overwriting it
// then would lose it for good if the installation were undone.
bool recordTarget(InstallRecord& record, const TextBuffer& target, DWORD attributes,
                  const TextBuffer& backup, TextBuffer& error) {
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        record.state = newFile;
        record.targetPath = target;
        record.backupPath.clear();
        return true;
    }
    if (!CopyFileA(target.text(), backup.text(), FALSE)) {
        failWithSystemError("ERROR: (%d) Cannot install the following file:\n\n%s", target, error);
        return false;
    }
    logEvent("File saved: %s as %s", target.text(), backup.text());
    record.state = backedUp;
    record.targetPath = target;
    record.backupPath = backup;
    return true;
}

// Nothing was written when the target cannot even be opened (a file still loaded
// by another program, say): the target gets its attributes back and the saved
// copy goes, so that the undo neither tries to put back an unchanged file nor
// reports a copy that stays behind.
void forgetUnwrittenTarget(InstallRecord& record, const TextBuffer& target, DWORD attributes) {
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(target.text(), attributes);
    }
    if (record.state == backedUp) {
        SetFileAttributesA(record.backupPath.text(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(record.backupPath.text());
    }
    record.state = notRecorded;
    record.backupPath.clear();
    record.targetPath.clear();
}

// The journal entry, and for a saved file the saved copy, reach the disk before the
// target changes: after a crash the next start can then always put the target back.
bool journalTarget(const InstallRecord& record, int k, DWORD attributes, TextBuffer& error) {
    if ((record.state == backedUp && !flushSavedCopy(record.backupPath.text())) ||
        !appendUndoEntry(gSession.choices.stagingFolder.text(), record, k, attributes)) {
        describeJournalFailure(gSession.choices.stagingFolder.text(), error);
        return false;
    }
    return true;
}

// False with the message in `error`; `opened` tells whether the target was
// opened (and so truncated) before the failure.
bool writeTarget(const TextBuffer& target, const uint8_t* data, uint32_t size, TextBuffer& error,
                 bool& opened) {
    ScopedHandle file(CreateFileA(target.text(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    opened = file.valid();
    if (!opened) {
        failWithSystemError("ERROR: (%d) Cannot install the following file:\n\n%s", target, error);
        return false;
    }
    DWORD written = 0;
    const bool accepted = WriteFile(file.get(), data, size, &written, nullptr) != FALSE;
    if (accepted && written != size) {
        // A file system that takes only part of a write has run out of room; the
        // call itself reports no error then.
        SetLastError(ERROR_DISK_FULL);
    }
    if (!accepted || written != size) {
        failWithSystemError("ERROR: (%d) Cannot write to the following file:\n\n%s", target, error);
        return false;
    }
    logEvent("File written: %s (%u bytes)", target.text(), static_cast<unsigned>(size));
    return true;
}

}  // namespace

bool prepareInstallation(HWND page, TextBuffer& error, bool& offerFeedback) {
    report(page, "Preparing for installation && unpacking files into memory...", "");
    if (!unpackMainPackage()) {
        offerFeedback = true;
        error.assign(
            "FATAL ERROR: Installation package is broken...\n(Please report it to our technical "
            "support.)");
        return false;
    }
    InstallProgress& progress = gSession.progress;
    const int fileCount = static_cast<int>(progress.packageEntries->count);
    progress.stepTotals[0] = fileCount + 5;
    progress.stepTotals[1] = fileCount;

    SendDlgItemMessageA(page, IDC_INSTALLING_PRG_PROGRESS, PBM_SETRANGE, 0,
                        MAKELPARAM(0, kInstallProgressRange));
    SendDlgItemMessageA(page, IDC_INSTALLING_PRG_PROGRESS, PBM_SETPOS, 0, 0);

    chooseStagingFolder();
    const TextBuffer& staging = gSession.choices.stagingFolder;
    report(page, "Creating temporary folder...", staging.text());
    TextBuffer stagingPath = withTrailingSeparator(staging.text());
    if (!probeFolderWritable(stagingPath.text(), true)) {
        error.format("ERROR: Cannot write to specified temporary folder:\n\n%s", staging.text());
        return false;
    }
    createFolderChain(stagingPath.text());

    const TextBuffer& install = gSession.choices.installFolder;
    report(page, "Creating installation folder...", install.text());
    TextBuffer installPath = withTrailingSeparator(install.text());
    if (!probeFolderWritable(installPath.text(), true)) {
        error.format("ERROR: Cannot write to destination folder:\n\n%s", installPath.text());
        return false;
    }
    createFolderChain(installPath.text());

    if (!startUndoJournal(staging.text(), install.text())) {
        describeJournalFailure(staging.text(), error);
        return false;
    }
    // Without this value the journal cannot be found after a crash, but the
    // installation itself still works: a refused write does not stop it.
    writeSettingText(kStagingFolderValue, staging.text(), HKEY_CURRENT_USER);

    if (!makeInstallRecords(fileCount + 1)) {
        error.assign("Low on memory");
        return false;
    }
    return true;
}

bool installFile(HWND page, int k, TextBuffer& error, bool& /*offerFeedback*/) {
    InstallProgress& progress = gSession.progress;
    const PackageEntry& entry = progress.packageEntries->entries[k == 0 ? 0 : k - 1];
    const char* name = k == 0 ? kDriverLibraryCopy : entry.name;
    report(page, "Installing File:", name);

    TextBuffer backup = makeUniqueTempName(gSession.choices.stagingFolder.text(), kBackupExtension);
    TextBuffer target;
    target.format("%s\\%s", gSession.choices.installFolder.text(), name);
    InstallRecord& record = progress.backupList[k];
    // One look at the target answers both whether it exists and what its
    // attributes were: on a file system where each lookup of a missing name reads
    // the whole folder, the step's lookups are most of its cost.
    const DWORD previousAttributes = GetFileAttributesA(target.text());
    if (!recordTarget(record, target, previousAttributes, backup, error)) {
        return false;
    }
    if (!journalTarget(record, k, previousAttributes, error)) {
        forgetUnwrittenTarget(record, target, previousAttributes);
        return false;
    }

    TextBuffer folder = folderOfPath(target.text());
    if (folder.visibleLength() != 0) {
        CreateDirectoryA(folder.text(), nullptr);
    }
    if (previousAttributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(target.text(), FILE_ATTRIBUTE_NORMAL);
    }
    bool opened = false;
    const bool written =
        writeTarget(target, progress.packageData + entry.position, entry.size, error, opened);
    if (!opened) {
        forgetUnwrittenTarget(record, target, previousAttributes);
        return false;
    }
    if (isDriverLibrary(target.text())) {
        const DWORD attributes = GetFileAttributesA(target.text());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            SetFileAttributesA(target.text(), attributes | FILE_ATTRIBUTE_HIDDEN);
        }
    }
    return written;
}

TextBuffer makeUniqueTempName(const char* folder, const char* extension) {
    TextBuffer base = withoutTrailingSeparator(folder);
    TextBuffer name;
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        const int a = nextRandom() & 0xFFFF;
        const int b = nextRandom() & 0xFFFF;
        const int c = nextRandom() & 0xFFFF;
        name.format("%s\\%04X%04X%04X.%s", base.text(), a, b, c, extension);
        if (!PathFileExistsA(name.text())) {
            break;
        }
    }
    return name;
}
