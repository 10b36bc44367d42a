// SetupSession: the one process-wide record shared by start-up, the wizard pages
// and the install engine. Only the GUI thread touches it.
//
// `gSession` is constructed before WinMain runs (choices empty, progress reset)
// and cleaned up at process exit (the progress record is reset once more, which
// frees whatever a failed or cancelled installation left behind).
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/package_archive.h"
#include "text/text_buffer.h"

// What the user picks on the wizard's pages.
struct SetupChoices {
    TextBuffer installFolder;    // without a trailing separator
    TextBuffer startMenuGroup;   // relative to the Start Menu, no trailing separator
    TextBuffer startMenuFolder;  // full path with a trailing backslash
    int createStartMenuFolder = 0;
    TextBuffer dataFolder;  // without a trailing separator
    int createDesktopIcon = 0;
    int createQuickLaunchIcon = 0;
    // "/temp" folder, or empty; the preparation step fills in a generated one.
    TextBuffer stagingFolder;
};

enum InstallRecordState : int32_t {
    notRecorded = 0,  // nothing to undo
    backedUp = 1,     // a file existed and was saved to backupPath first
    newFile = 2,      // no file existed; undoing means deleting it
    // Backed up, but the copy-back failed: the saved copy is then the only copy of
    // the user's previous file. A later undo tries again; the clean-up keeps it.
    restoreFailed = 3,
};

// One per file step, in file-step order.
struct InstallRecord {
    int32_t state = notRecorded;
    TextBuffer backupPath;  // empty unless backedUp; emptied once the copy is deleted
    TextBuffer targetPath;  // empty until filled; emptied once undone
};

// The install step driver's counters and the unpacked package.
struct InstallProgress {
    int32_t stepIndex = 0;
    int installFailed = 0;
    int32_t stepTotals[2] = {0, 0};  // total driver steps (files + 5), package files
    InstallRecord* backupList = nullptr;
    int32_t backupCount = 0;
    // The system's code of a failing file step's failed call (0 when none), so that
    // an unattended run can tell a full disk from other failures.
    uint32_t failureCode = 0;
    PackageEntryTable* packageEntries = nullptr;
    uint8_t* packageData = nullptr;

    InstallProgress() = default;
    InstallProgress(const InstallProgress&) = delete;
    InstallProgress& operator=(const InstallProgress&) = delete;
    ~InstallProgress() { reset(); }

    // Zeroes the counters and frees the records, the entry table and the image.
    void reset();
};

struct SetupSession {
    // Process handles and flags.
    uint32_t folderWriteProbe = 0;
    HINSTANCE moduleInstance = nullptr;
    HHOOK messageBoxHook = nullptr;
    HWND sheetWindow = nullptr;
    HICON wizardIcon = nullptr;
    HICON destinationIcon = nullptr;
    HICON startMenuIcon = nullptr;
    HICON dataFolderIcon = nullptr;
    int platformProbe = 0;
    HMODULE richEditLibrary = nullptr;
    HMODULE richEdit20Library = nullptr;
    int cancelAllowed = 0;
    WNDPROC richEditProc = nullptr;
    int versionRecorded = 0;
    // An unattended run (/silent): no window and no message box; every message goes
    // to the install log (install_log.h), whose handle is here, null when none.
    int unattended = 0;
    HANDLE installLog = nullptr;

    SetupChoices choices;
    InstallProgress progress;

    // Page state.
    int installFolderEditable = 0;
    int dataFolderEditable = 0;
    HFONT welcomeBoldFont = nullptr;
    int previousVersionFound = 0;
    int wizardCentred = 0;
    HFONT finishBoldFont = nullptr;
    int stepRunning = 0;

    // State of the process-wide pseudo-random generator (see random.h).
    uint32_t randomState = 1;
};

extern SetupSession gSession;
