// Private places for one test that leave nothing behind: a folder below the
// temporary folder, a registry key below HKCU\Software\KestrovaSetupTests, a
// saved copy of the product's settings key, and running copies of the kvr.exe
// stand-in.
#pragma once

#include <windows.h>

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

bool folderExists(const std::string& path);
bool fileExists(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);

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

// Grants everybody full access to the key again and deletes it with its subkeys.
void deleteKeyTree(HKEY root, const std::string& path);
// Replaces the key's DACL by one that grants nobody anything (owner keeps
// READ_CONTROL and WRITE_DAC). Returns the Win32 result.
LONG lockKey(HKEY root, const std::string& path);
// Gives everybody full access to the key again.
LONG unlockKey(HKEY root, const std::string& path);
// Stores raw data of any type under the value name (the key is created).
void setRawValue(HKEY root, const std::string& key, const char* name, DWORD type, const void* data,
                 DWORD size);
// Reads a value's type and data; false when it cannot be read.
bool queryRawValue(HKEY root, const std::string& key, const char* name, DWORD* type,
                   std::vector<BYTE>* data);

// Saves the product's settings key (values only) and empties it; at the end puts
// the saved values back, or removes the key and its empty parents when there was none.
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;

private:
    struct SavedValue {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool existed_ = false;
    std::vector<SavedValue> saved_;
};

// A running kvr.exe stand-in; terminated at the end if it still runs.
class StandInProcess {
public:
    explicit StandInProcess(const char* arguments = "");
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
