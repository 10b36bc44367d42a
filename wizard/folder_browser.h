// The shell's folder browser; the item lists it hands out are held by
// ShellItemList (text/scoped_handles.h).
#pragma once

#include <windows.h>

#include <shlobj.h>

#include "text/scoped_handles.h"
#include "text/text_buffer.h"

// The file-system path of an item list (at most 259 characters); false, with an
// empty path, when the item has none.
bool itemListPath(LPCITEMIDLIST items, TextBuffer* path);

// Shows the folder browser over `owner`, rooted at `root` (null: the desktop), for
// file-system folders with an edit box. True when the user chose a folder: its
// item list is then in `chosen`; false when the user cancelled.
bool browseForFolder(HWND owner, LPCITEMIDLIST root, const char* title, ShellItemList& chosen);

// Browse on the destination and data folder pages: the folder browser from the
// desktop; the chosen folder's path followed by `leaf` goes into control `editId`
// of the page. A choice without a file-system path is refused with a message
// (owner the page); a cancelled browser or a missing allocator changes nothing.
void browseForParentFolder(HWND page, int editId, const char* title, const char* leaf);
