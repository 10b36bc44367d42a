// Removing release 1.2.2 of the program by running its own uninstaller, which the
// setup carries as the one entry of package resource 139.
//
// removeEarlierRelease writes the uninstaller to "<temp>\Kestrova Version 1_2_2
// Uninstaller.exe", starts it through the shell, waits for it and deletes the file
// again (while it exists and is no folder: a try, then a pause, up to the attempt
// count). It returns true only when the uninstaller ran and ended within the wait
// limit; *errorNumber is then 0. On false *errorNumber says why:
//    9  resource 139 is missing (message shown)
//   13  its archive is rejected, does not match its stored digest or does not
//       hold exactly one entry (message shown)
//    6  the shell started the file without giving a process handle
//  258  WAIT_TIMEOUT: the uninstaller still runs at the wait limit; it would race
//       the new installation over the same files and settings
//  else the system code of the call that failed: creating or writing the file
//       (a write failure shows its message), starting it, or waiting for it.
// No deletion is attempted when the file could not be created. The hourglass shows
// for the whole call.
#pragma once

#include <windows.h>

struct EarlierReleaseTimings {
    DWORD waitLimitMs = 20000;
    int deleteAttempts = 50;
    DWORD deletePauseMs = 100;
};

// The setup always uses the default timings; tests shorten them.
bool removeEarlierRelease(int* errorNumber, const EarlierReleaseTimings& timings = {});
