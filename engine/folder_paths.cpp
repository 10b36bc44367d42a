// The folder part of a path, creating the folders along a path, and whether a
// path stays inside a folder.
#include "engine/folder_paths.h"

#include <windows.h>

#include <cstring>

#include "text/text_helpers.h"

TextBuffer folderOfPath(const char* path) {
    char copy[MAX_PATH];
    lstrcpynA(copy, path != nullptr ? path : "", sizeof copy);
    const char* lastSeparator = nullptr;
    for (const char* p = findPathSeparator(copy); p != nullptr; p = findPathSeparator(p + 1)) {
        lastSeparator = p;
    }
    if (lastSeparator == nullptr) {
        return TextBuffer();
    }
    copy[lastSeparator - copy] = '\0';
    return TextBuffer(copy);
}

void createFolderChain(const char* path) {
    if (path == nullptr) {
        return;
    }
    TextBuffer prefix(path);
    char* text = prefix.data();
    for (const char* p = findPathSeparator(text); p != nullptr; p = findPathSeparator(p + 1)) {
        char& separator = text[p - text];
        if (p != text) {
            const char kept = separator;
            separator = '\0';
            CreateDirectoryA(text, nullptr);
            separator = kept;
        }
    }
}

bool isAbsolutePath(const char* path) {
    if (path == nullptr) {
        return false;
    }
    const bool isLetter = (path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z');
    if (isLetter && path[1] == ':') {
        return path[2] == '\\' || path[2] == '/';
    }
    if (path[0] != '\\' || path[1] != '\\') {
        return false;
    }
    // Both the server and the share must be named.
    const char* share = findPathSeparator(path + 2);
    return share != nullptr && share != path + 2 && share[1] != '\0' && share[1] != '\\' &&
           share[1] != '/';
}

bool pathLiesInside(const char* path, const TextBuffer& folder) {
    const int length = static_cast<int>(folder.visibleLength());
    if (length == 0 || static_cast<int>(std::strlen(path)) <= length + 1 ||
        CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, path, length, folder.text(), length) !=
            CSTR_EQUAL ||
        (path[length] != '\\' && path[length] != '/')) {
        return false;
    }
    const char* part = path + length + 1;
    for (;;) {
        const char* separator = findPathSeparator(part);
        const size_t size =
            separator != nullptr ? static_cast<size_t>(separator - part) : std::strlen(part);
        if (size == 0 || (size == 1 && part[0] == '.') ||
            (size == 2 && part[0] == '.' && part[1] == '.')) {
            return false;
        }
        if (separator == nullptr) {
            return true;
        }
        part = separator + 1;
    }
}
