// Undoing an installation from its install records, and deleting the saved copies.
// Both can run any number of times on the same records: an undone record has an
// empty target path, a deleted copy an empty backup path. Neither stops on an error.
#pragma once

#include <windows.h>

// Restores every saved file and deletes every new one, deepest paths first (the
// records are reordered in place), removing folders that this empties. Reports
// "Restoring previous files..." on `page`. When copy-backs fail, one message tells
// the user where the saved copies lie. 0: nothing undone; 1: something undone and
// every copy-back succeeded; -1: at least one copy-back failed.
int rollBackInstallation(HWND page);

// Deletes the saved copies (except those of failed copy-backs) and, with
// `removeFolder`, the staging folder when that leaves it empty. True when every
// copy it tried could be deleted and none had to be kept.
bool cleanUpStaging(bool removeFolder);
