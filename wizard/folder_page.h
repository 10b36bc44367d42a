// What the destination and data folder pages share: an edit field for a folder
// with its Browse button, locked while an earlier installation fixes the folder,
// and Next, which validates the typed folder.
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

struct FolderPage {
    int editId;
    int browseId;
    const char* invalidPhrase;  // for validateFolder's messages
    const char* missingPhrase;
    int* editable;               // the page's gSession flag: 1 unlocked, 0 fixed
    TextBuffer* accepted;        // the gSession choice that an accepted Next sets
    TextBuffer (*suggestion)();  // the suggested folder
};

// Puts the folder into the field and sets the flag and the two controls' state.
void showFolderField(HWND page, const FolderPage& folderPage, const char* folder, bool editable);

// PSN_WIZNEXT. Accepted: the typed folder, without its trailing separator, is
// stored and the wizard moves on (FALSE). A reset request puts the suggestion into
// the field and stays; a refusal of a fixed folder does the same and unlocks the
// field; any other refusal only stays. Validation has shown its messages.
INT_PTR nextFromFolderPage(HWND page, const FolderPage& folderPage);
