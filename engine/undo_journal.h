// The undo journal: a file beside the saved copies in the staging folder that says,
// before each file step changes the install folder, what that step is about to do,
// so that an installation whose process died can still be undone at the next
// start (interrupted_installation.h).
//
// Layout: a sequence of entries, each
//   uint32 magic "KVRJ" | uint32 payload length | payload | uint32 Adler-32 of
//   everything before it in the entry
// with the payload
//   uint8 kind | uint32 step | uint32 attributes | target NUL | backup NUL.
// The first entry is the start entry (target: the install folder), then one file
// entry per file step in step order ('N' new file, 'B' saved to backup), and last
// perhaps the point of no return. A torn or damaged entry ends the journal: the
// reader keeps the entries before it and ignores everything from it on.
//
// The writers return false when the journal cannot be written (or flushed); the
// caller must then not change the file that the entry was for.
#pragma once

#include <windows.h>

#include <cstdint>

#include "startup/setup_session.h"
#include "text/text_buffer.h"

// The journal's full path in a staging folder (with or without its separator).
TextBuffer undoJournalPath(const char* stagingFolder);

// Creates (or empties) the journal and writes its flushed start entry.
bool startUndoJournal(const char* stagingFolder, const char* installFolder);
// Appends the entry for a filled install record (backedUp or newFile) of file step
// `step`; `attributes` are the target's before the step. A backedUp entry is
// flushed to disk, a newFile entry is not.
bool appendUndoEntry(const char* stagingFolder, const InstallRecord& record, int step,
                     DWORD attributes);
// Appends the flushed entry after which the installation is no longer undone.
bool markPointOfNoReturn(const char* stagingFolder);
// Takes that entry off the journal's end again (flushed), for an installation that
// is undone after all; false when the journal does not end with it.
bool withdrawPointOfNoReturn(const char* stagingFolder);
// The step's message when the journal cannot be written; the failed call's system
// code goes to the progress record, as for the file steps' own failures.
void describeJournalFailure(const char* stagingFolder, TextBuffer& error);
// Deletes the journal; true when none is left.
bool discardUndoJournal(const char* stagingFolder);

// Opens the saved copy for writing just long enough to flush it to disk, clearing
// a read-only attribute for that time. False when it cannot be flushed.
bool flushSavedCopy(const char* path);

// What a readable journal says. `records` are the file entries in journal order
// (state, target, backup), `attributes` the targets' attributes before their steps.
struct UndoJournalContents {
    TextBuffer installFolder;
    InstallRecord* records = nullptr;
    DWORD* attributes = nullptr;
    int count = 0;
    bool pointOfNoReturn = false;

    UndoJournalContents() = default;
    UndoJournalContents(const UndoJournalContents&) = delete;
    UndoJournalContents& operator=(const UndoJournalContents&) = delete;
    ~UndoJournalContents() {
        delete[] records;
        delete[] attributes;
    }
};

// False when there is no journal, or its first entry is not a whole start entry,
// or a file entry is of an unknown kind or out of step order, or the file is larger
// than the journal of the largest package the archive format allows.
bool readUndoJournal(const char* stagingFolder, UndoJournalContents* contents);
