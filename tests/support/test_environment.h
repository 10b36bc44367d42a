// Private places for one test that leave nothing behind: a folder below the
// temporary folder, a registry key below HKCU\Software\KestrovaSetupTests,
// saved copies of registry keys and running copies of the kvr.exe stand-in; with
// raw registry access that bypasses the code under test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The folder that holds this test program (and kvr.exe), with a trailing backslash.
std::string programFolder();

// A fresh folder "<temp>\kvrtest-<name>-<pid>\"; removed with everything in it.
class TestFolder {
public:
    explicit TestFolder(const char* name);
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // The folder with a trailing backslash, or that followed by `relative`.
    std::string path(const std::string& relative = "") const { return path_ + relative; }

private:
    std::string path_;
};

bool pathExists(const std::string& path);
bool folderExists(const std::string& path);
bool fileExists(const std::string& path);
// GetFileAttributes: INVALID_FILE_ATTRIBUTES when the path does not exist.
DWORD attributesOf(const std::string& path);
// Reads the whole file; false when it cannot be read.
bool readFile(const std::string& path, std::string* contents);
// Creates or replaces the file; a failure fails the test.
void writeFile(const std::string& path, const std::string& contents);
// Creates the folder and every missing parent.
void createFolders(const std::string& folder);
// Deletes the folder and everything in it, read-only files included.
void removeTree(const std::string& folder);

// "Software\KestrovaSetupTests\<name>" below HKCU, absent at the start and
// deleted (with the test root, when that is empty) at the end.
class TestRegistryKey {
public:
    explicit TestRegistryKey(const char* name);
    ~TestRegistryKey();
    TestRegistryKey(const TestRegistryKey&) = delete;
    TestRegistryKey& operator=(const TestRegistryKey&) = delete;

    const char* path() const { return path_.c_str(); }
    std::string sub(const char* relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

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

// Raw reads and writes that bypass the code under test; writes create the key.
RawValue readRaw(HKEY root, const std::string& key, const char* name);
// Reads a value's type and data; false when it cannot be read.
bool queryRawValue(HKEY root, const std::string& key, const char* name, DWORD* type,
                   std::vector<BYTE>* data);
void setRawValue(HKEY root, const std::string& key, const char* name, DWORD type, const void* data,
                 DWORD size);
void writeRawText(HKEY root, const std::string& key, const char* name, const std::string& bytes);
void writeRawNumber(HKEY root, const std::string& key, const char* name, uint32_t value);
bool keyExists(HKEY root, const std::string& path);
DWORD valueCount(HKEY root, const std::string& path);

// Grants everybody full access to the key again and deletes it with its subkeys.
void deleteKeyTree(HKEY root, const std::string& path);
// Removes the key only if it has neither values nor subkeys (shared parent keys).
void deleteIfEmpty(HKEY root, const std::string& path);
// Replaces the key's DACL by one that lets everybody only change the DACL and
// delete the key, plus read it when `keepReading`. Returns the Win32 result.
LONG lockKey(HKEY root, const std::string& path, bool keepReading = false);
// Gives everybody full access to the key again.
LONG unlockKey(HKEY root, const std::string& path);

// lockKey for the guard's lifetime (the key is created if missing), then unlockKey.
class KeyLock {
public:
    KeyLock(HKEY root, const std::string& path, bool keepReading = false);
    ~KeyLock() { unlockKey(root_, path_); }
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
    KeySnapshot(HKEY root, const std::string& path);
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

// Saves the product's settings key and empties it; at the end puts it back, or
// removes it and its parents when they are left empty.
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;

private:
    std::unique_ptr<KeySnapshot> saved_;
};

// Sets an environment variable for the programs this test starts, and clears it again.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        SetEnvironmentVariableA(name, value.c_str());
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { SetEnvironmentVariableA(name_, nullptr); }

private:
    const char* name_;
};

// A running stand-in program from this program's folder (kvr.exe unless named);
// terminated at the end if it still runs.
class StandInProcess {
public:
    explicit StandInProcess(const char* arguments = "", const char* program = "kvr.exe");
    ~StandInProcess();
    StandInProcess(const StandInProcess&) = delete;
    StandInProcess& operator=(const StandInProcess&) = delete;

    // Its main window, once it exists (waits up to 10 s), or null.
    HWND window();
    // True when the process ended within the time.
    bool waitForExit(DWORD milliseconds);
    bool started() const { return process_.hProcess != nullptr; }

private:
    PROCESS_INFORMATION process_ = {};
};

// The number of close requests a stand-in's title reports; -1 if unreadable.
int closeRequestsShown(HWND standInWindow);
// Top-level windows of the stand-in's class, in any process.
int standInWindowCount();
