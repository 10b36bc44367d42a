#include "wizard/folder_browser.h"

#include "wizard/folder_choices.h"
#include "wizard/message_box.h"

namespace {

constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN | BIF_RETURNFSANCESTORS |
                              BIF_EDITBOX | BIF_NEWDIALOGSTYLE;

}  // namespace

bool itemListPath(LPCITEMIDLIST items, TextBuffer* path) {
    char buffer[MAX_PATH] = "";
    if (items == nullptr || !SHGetPathFromIDListA(items, buffer)) {
        buffer[0] = '\0';
    }
    path->assign(buffer);
    return buffer[0] != '\0';
}

bool browseForFolder(HWND owner, LPCITEMIDLIST root, const char* title, ShellItemList& chosen) {
    char displayName[MAX_PATH] = "";
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.pidlRoot = root;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = kBrowseFlags;
    *chosen.out() = SHBrowseForFolderA(&browse);
    return chosen.get() != nullptr;
}

void browseForParentFolder(HWND page, int editId, const char* title, const char* leaf) {
    ShellAllocator allocator;
    if (!allocator.available()) {
        return;
    }
    ShellItemList chosen(allocator);
    if (!browseForFolder(page, nullptr, title, chosen)) {
        return;
    }
    TextBuffer path;
    if (!itemListPath(chosen.get(), &path)) {
        showMessage("Selected item could not be used for installation...", MB_OK | MB_ICONERROR,
                    page);
        return;
    }
    SetDlgItemTextA(page, editId, folderBelowChoice(path.text(), leaf).text());
}
