// The shell's folder browser and the shell objects it hands out.
//
// ShellAllocator holds the shell's task allocator (SHGetMalloc) and releases it;
// ShellItemList holds an item list that the shell allocated and frees it with that
// allocator. Declare the allocator first so that it outlives its lists.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include "text/text_buffer.h"

class ShellAllocator {
public:
    ShellAllocator();
    ~ShellAllocator();
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;

    // False when the shell gave no allocator; nothing else may then be asked of it.
    bool available() const { return malloc_ != nullptr; }
    IMalloc* get() const { return malloc_; }

private:
    IMalloc* malloc_ = nullptr;
};

class ShellItemList {
public:
    explicit ShellItemList(const ShellAllocator& allocator) : allocator_(allocator) {}
    ~ShellItemList();
    ShellItemList(const ShellItemList&) = delete;
    ShellItemList& operator=(const ShellItemList&) = delete;

    // For the shell to fill; the list it stores is freed with the guard.
    LPITEMIDLIST* out() { return &items_; }
    LPITEMIDLIST get() const { return items_; }

private:
    const ShellAllocator& allocator_;
    LPITEMIDLIST items_ = nullptr;
};

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
