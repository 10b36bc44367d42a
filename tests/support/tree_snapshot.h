// Snapshots for before-and-after comparisons: every file and folder below a
// folder (attributes and contents), and every key and value below a registry key.
// A folder or key that does not exist gives an empty snapshot.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct FileState {
    bool folder = false;
    DWORD attributes = 0;  // read-only, hidden and system bits only
    std::string contents;
    bool operator==(const FileState& other) const {
        return folder == other.folder && attributes == other.attributes &&
               contents == other.contents;
    }
};
// Relative path -> state.
using FolderTree = std::map<std::string, FileState>;

// `skipped`: absolute folders (no trailing backslash) left out with their contents.
FolderTree snapshotTree(const std::string& root, const std::vector<std::string>& skipped = {});

// "Key\\Sub" (relative to the snapshot's key) for a key, "Key\\Sub\\\\name" for a
// value -> its type and data ("" for a key).
using RegistryTree = std::map<std::string, std::string>;

RegistryTree snapshotRegistry(HKEY root, const std::string& key);
