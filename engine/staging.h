// The first two kinds of install step: preparation (unpack the package, choose and
// create the staging and install folders, make the install records) and the file
// step (save the file to be replaced into the staging folder, then write the new
// one). Both follow the install step contract: true to go on; false after putting
// the message into `error`, leaving what they did for the undo (rollback.h).
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

// Step 0. Fails on a broken or missing package, or one that does not match its
// stored digest (package_digest.h), and sets `offerFeedback`; fails on a staging
// or install folder that cannot be written, on an undo journal that cannot be
// started in the staging folder, and when memory runs out for the install records
// ("Low on memory"). Records the staging folder in the settings value
// kStagingFolderValue, so that a start after a crash finds the journal.
bool prepareInstallation(HWND page, TextBuffer& error, bool& offerFeedback);

// File step k (0..fileCount): k 0 writes package entry 0 as "__cdcb.lx", k >= 1
// writes entry k - 1 under its own name. An existing target is saved first; if it
// cannot be saved the step fails before anything is overwritten, so that the undo
// never loses a file; so it does when its undo journal entry (undo_journal.h)
// cannot be written, which happens before the target changes. A target that cannot be opened for
// writing fails the step with its record left empty, its attributes as they were and no saved copy.
// Never sets `offerFeedback`.
bool installFile(HWND page, int k, TextBuffer& error, bool& offerFeedback);

// A full path "<folder>\XXXXXXXXXXXX.<extension>" (twelve upper-case hex digits)
// at which nothing exists yet; after 1,000 occupied names the last one formed.
TextBuffer makeUniqueTempName(const char* folder, const char* extension);
