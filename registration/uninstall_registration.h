// The uninstall entry of the installed program, and the question whether the
// settings record an earlier release that must be removed first.
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

// The entry below `root` (the install driver passes HKEY_CURRENT_USER).
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrova";

// Writes the entry's values, attempting every one; "DisplayIcon" only when the
// settings value "InstallFolder" is not blank; then "QuietUninstallString",
// "InstallLocation", "EstimatedSize" (kilobytes of the open package's files, 0
// without one), "NoModify" and "NoRepair" (1). 1 when every attempted write
// succeeded, else 0. Shows nothing; nothing is ever deleted.
int registerUninstaller(HKEY root);

// 1 when the settings value "ver" records release 1.2.2 or older. 0 when no
// release is recorded, a newer one is, or "ver" could not be read (so that no
// uninstaller is started on a record that could not be read). versionOut, when
// given, receives the text as recorded ("0" when absent or unreadable).
int recordedReleaseToRemove(TextBuffer* versionOut);
