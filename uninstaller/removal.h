// Removing an installation of the product for the current user, without a
// window: what the setup wrote and is still the setup's, nothing else.
//
// The install folder comes from the settings value "InstallFolder". The removal
// refuses (nothing deleted) when that value is blank, relative or a drive root,
// when the folder holds no kvr.exe, when the uninstall entry's "UninstallString"
// does not name this folder's uninstaller, or when running copies of the program
// do not close. Otherwise it deletes the package's files by name (and the second
// driver library copy), the package's folders once empty, the shortcuts that
// point into the folder, the document type while it names this folder, the
// web-page association that the setup made while ".htm"/".html" still name it,
// and the settings values that mark the installation; then, when nothing stayed,
// the uninstall entry. Files and folders of the user's, the data folder and the
// other settings stay, unless `purge` also removes the whole settings key and then
// the installer, product and maker keys once they hold nothing.
#pragma once

#include <cstddef>

#include "text/text_buffer.h"

struct RemovalRequest {
    const char* const* packageFiles = nullptr;  // relative names, as in the package
    size_t packageFileCount = 0;
    bool purge = false;
    // A package file that the caller deletes itself afterwards (the running
    // uninstaller's own file), skipped here; null: none.
    const char* deferredFile = nullptr;
};

struct RemovalOutcome {
    int exitCode = 0;  // kExitInstalled or kExitFailed (exit_codes.h)
    bool refused = false;
    TextBuffer folder;  // the install folder as recorded, trimmed
    // The refusal's reason, or the full paths of what stayed, one per line.
    TextBuffer detail;
};

RemovalOutcome removeInstallation(const RemovalRequest& request);

// Deletes `path` when it exists (clearing its attributes first); true when it is
// gone afterwards.
bool deleteFileIfPresent(const char* path);
