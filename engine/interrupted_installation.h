// Finishing, at the next start, an installation whose process died: the settings
// value kStagingFolderValue leads to the undo journal (undo_journal.h).
//
// Before the journal's point of no return the installation is undone with the
// rules of the ordinary undo (rollback.h); after it the clean-up is finished. Then
// the saved copies (except those that could not be put back), the journal, the
// staging folder when empty and the value are removed. A value that leads to no
// journal of this setup (a missing folder, no or a malformed journal, a target
// outside the journal's install folder, a saved copy outside the staging folder)
// is only removed: no file is touched. Shows nothing: the caller tells the user.
#pragma once

#include "text/text_buffer.h"

enum class InterruptedInstallation {
    none,             // nothing to do (or only an unusable value, or a journal
                      // that had no file step yet, removed)
    undone,           // the files were put back as they were before it
    cleanupFinished,  // it had passed the point of no return
};

struct InterruptedOutcome {
    InterruptedInstallation found = InterruptedInstallation::none;
    TextBuffer message;  // for the user; empty with `none`
};

InterruptedOutcome recoverInterruptedInstallation();
