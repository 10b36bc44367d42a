// The data folder and shortcuts step, and making one shell link. Needs COM
// initialised on the calling thread.
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

// Creates the data folder, removes the Start Menu shortcuts recorded in "instOSMP",
// and creates (or deletes, when not chosen) the Start Menu, desktop and Quick Launch
// shortcuts. A recorded or chosen Start Menu folder that is not an absolute path
// (trimmed) is passed over. Clears cancelAllowed. Fails only when the data folder
// cannot be made.
bool installShortcuts(HWND page, TextBuffer& error);

// Creates or overwrites the shell link `linkPath` pointing at `target`. True only
// when both the target could be set and the link saved.
bool createShortcut(const char* linkPath, const char* target);
