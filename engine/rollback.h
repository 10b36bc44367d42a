// Undoing an installation from its install records, and deleting the saved copies.
// Both can run any number of times on the same records: an undone record has an
// empty target path, a deleted copy an empty backup path. Neither stops on an error.
#pragma once

#include <windows.h>

#include "startup/setup_session.h"
#include "text/text_buffer.h"

// The undo itself, on any list of install records and without a window (the
// start-up's recovery of an interrupted installation uses it too): the same
// results as rollBackInstallation, and no message.
int undoInstallRecords(InstallRecord* records, int count);
// The message that names every record whose copy-back failed and its saved copy.
TextBuffer keptCopiesMessage(const InstallRecord* records, int count);
// Deletes the records' saved copies except those of failed copy-backs; true when
// every copy it tried could be deleted and none had to be kept.
bool deleteSavedCopies(InstallRecord* records, int count);

// Restores every saved file and deletes every new one, deepest paths first (the
// records are reordered in place), removing folders that this empties. Reports
// "Restoring previous files..." on `page`. When copy-backs fail, one message tells
// the user where the saved copies lie. 0: nothing undone; 1: something undone and
// every copy-back succeeded; -1: at least one copy-back failed.
int rollBackInstallation(HWND page);

// Deletes the saved copies (except those of failed copy-backs), the undo journal
// and the settings value that points at it, and, with `removeFolder`, the staging
// folder when that leaves it empty. True when every copy it tried could be
// deleted and none had to be kept.
bool cleanUpStaging(bool removeFolder);
