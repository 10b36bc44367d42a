// The folder part of a path, and creating the folders along a path.
#include "engine/folder_paths.h"

#include <windows.h>

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

TextBuffer folderOfPath(const char* path) {
    char copy[MAX_PATH];
    lstrcpynA(copy, path != nullptr ? path : "", sizeof copy);
    char* lastSeparator = nullptr;
    for (char* p = copy; *p != '\0'; ++p) {
        if (isSeparator(*p)) {
            lastSeparator = p;
        }
    }
    if (lastSeparator == nullptr) {
        return TextBuffer();
    }
    *lastSeparator = '\0';
    return TextBuffer(copy);
}

void createFolderChain(const char* path) {
    if (path == nullptr) {
        return;
    }
    TextBuffer prefix(path);
    char* text = prefix.data();
    for (char* p = text; *p != '\0'; ++p) {
        if (isSeparator(*p) && p != text) {
            const char separator = *p;
            *p = '\0';
            CreateDirectoryA(text, nullptr);
            *p = separator;
        }
    }
}
