// Direct registry access for the registration tests: raw reads that bypass the
// code under test, key removal, access locks and snapshots of machine-wide keys.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One value as the registry holds it; status is the Win32 code of the read.
struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::string data;  // the raw bytes, terminator included for text

    bool present() const { return status == ERROR_SUCCESS; }
    // Text without its one terminating NUL.
    std::string text() const;
    uint32_t number() const;
};

RawValue readRaw(HKEY root, const char* keyPath, const char* valueName);
bool keyExists(HKEY root, const char* keyPath);
DWORD valueCount(HKEY root, const char* keyPath);
void writeRawText(HKEY root, const char* keyPath, const char* valueName, const std::string& bytes);
void writeRawNumber(HKEY root, const char* keyPath, const char* valueName, uint32_t value);
// Removes the key with everything below it; a missing key is fine.
void deleteTree(HKEY root, const char* keyPath);
// Removes the key only if it has no subkeys (used for shared parent keys).
void deleteIfEmpty(HKEY root, const char* keyPath);

// Replaces a key's access rules with `sddl` (created if missing) for the
// lifetime of the guard, then gives everyone full access again. The rules hold
// only while the registry server runs, which covers one test.
class KeyLock {
public:
    KeyLock(HKEY root, const char* keyPath, const char* sddl);
    ~KeyLock();
    KeyLock(const KeyLock&) = delete;
    KeyLock& operator=(const KeyLock&) = delete;
    bool applied() const { return applied_; }

private:
    HKEY root_;
    std::string path_;
    bool applied_;
};

// A key with all its values and subkeys, captured at construction and put back
// exactly (or removed, when it did not exist) at destruction.
class KeySnapshot {
public:
    KeySnapshot(HKEY root, const char* keyPath);
    ~KeySnapshot();
    KeySnapshot(const KeySnapshot&) = delete;
    KeySnapshot& operator=(const KeySnapshot&) = delete;

    struct Node {
        std::string name;
        std::vector<std::pair<std::string, RawValue>> values;
        std::vector<std::unique_ptr<Node>> children;
    };

private:
    HKEY root_;
    std::string path_;
    std::unique_ptr<Node> captured_;  // null when the key did not exist
};
