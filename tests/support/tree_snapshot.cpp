#include "tests/support/tree_snapshot.h"

#include "tests/support/test_environment.h"
#include "text/scoped_handles.h"

namespace {

constexpr DWORD kCheckedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kLongestName = 16384;

bool isSkipped(const std::string& path, const std::vector<std::string>& skipped) {
    for (const std::string& folder : skipped) {
        if (_stricmp(path.c_str(), folder.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

void snapshotInto(const std::string& root, const std::string& relative,
                  const std::vector<std::string>& skipped, FolderTree* tree) {
    WIN32_FIND_DATAA found;
    const ScopedFind search(FindFirstFileA((root + relative + "*").c_str(), &found));
    if (!search.valid()) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == ".." || isSkipped(root + relative + name, skipped)) {
            continue;
        }
        FileState state;
        state.attributes = found.dwFileAttributes & kCheckedAttributes;
        state.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (state.folder) {
            snapshotInto(root, relative + name + "\\", skipped, tree);
        } else {
            readFile(root + relative + name, &state.contents);
        }
        (*tree)[relative + name] = state;
    } while (FindNextFileA(search.get(), &found));
}

void registryInto(HKEY key, const std::string& relative, RegistryTree* tree) {
    std::vector<char> name(kLongestName);
    std::vector<BYTE> data;
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kLongestName;
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        data.assign(size + 1, 0);
        nameLength = kLongestName;
        RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        (*tree)[relative + "\\" + name.data()] =
            std::to_string(type) + ":" +
            std::string(reinterpret_cast<const char*>(data.data()), size);
    }
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kLongestName;
        if (RegEnumKeyExA(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;
        }
        const std::string sub = relative.empty() ? name.data() : relative + "\\" + name.data();
        (*tree)[sub] = "";
        ScopedKey child;
        if (RegOpenKeyExA(key, name.data(), 0, KEY_READ, child.out()) == ERROR_SUCCESS) {
            registryInto(child.get(), sub, tree);
        }
    }
}

}  // namespace

FolderTree snapshotTree(const std::string& root, const std::vector<std::string>& skipped) {
    FolderTree tree;
    std::string folder = root;
    if (folder.back() != '\\') {
        folder += '\\';
    }
    snapshotInto(folder, "", skipped, &tree);
    return tree;
}

RegistryTree snapshotRegistry(HKEY root, const std::string& key) {
    RegistryTree tree;
    ScopedKey opened;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, opened.out()) == ERROR_SUCCESS) {
        registryInto(opened.get(), "", &tree);
    }
    return tree;
}
