#include "tests/support/test_environment.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "registration/registry_access.h"
#include "text/scoped_handles.h"

namespace {

constexpr const char* kTestRoot = "Software\\KestrovaSetupTests";
constexpr const char* kStandInClass = "Velmora_kestrova";
constexpr DWORD kWindowWait = 10000;

// Everybody: change the DACL and delete, plus read, or everything.
constexpr const char* kLockedRules = "D:P(A;OICI;WDSD;;;WD)";
constexpr const char* kReadOnlyRules = "D:P(A;OICI;KRWDSD;;;WD)";
constexpr const char* kOpenRules = "D:(A;OICI;KA;;;WD)";

LONG setKeyRules(HKEY root, const std::string& path, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return static_cast<LONG>(GetLastError());
    }
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key);
    if (result == ERROR_SUCCESS) {
        result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
        RegCloseKey(key);
    }
    LocalFree(descriptor);
    return result;
}

std::unique_ptr<KeySnapshot::Node> capture(HKEY key, const std::string& name) {
    auto node = std::make_unique<KeySnapshot::Node>();
    node->name = name;
    for (DWORD index = 0;; ++index) {
        char valueName[16384];
        DWORD nameSize = sizeof valueName;
        DWORD dataSize = 0;
        if (RegEnumValueA(key, index, valueName, &nameSize, nullptr, nullptr, nullptr, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        RawValue value;
        value.data.resize(dataSize);
        nameSize = sizeof valueName;
        value.status = RegEnumValueA(key, index, valueName, &nameSize, nullptr, &value.type,
                                     reinterpret_cast<BYTE*>(&value.data[0]), &dataSize);
        value.data.resize(dataSize);
        node->values.emplace_back(valueName, value);
    }
    for (DWORD index = 0;; ++index) {
        char subName[256];
        HKEY sub = nullptr;
        if (RegEnumKeyA(key, index, subName, sizeof subName) != ERROR_SUCCESS) {
            break;
        }
        if (RegOpenKeyExA(key, subName, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            node->children.push_back(capture(sub, subName));
            RegCloseKey(sub);
        }
    }
    return node;
}

void restore(HKEY parent, const KeySnapshot::Node& node) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, node.name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const auto& [name, value] : node.values) {
        RegSetValueExA(key, name.c_str(), 0, value.type,
                       reinterpret_cast<const BYTE*>(value.data.data()),
                       static_cast<DWORD>(value.data.size()));
    }
    for (const auto& child : node.children) {
        restore(key, *child);
    }
    RegCloseKey(key);
}

struct WindowSearch {
    DWORD process;
    HWND found;
    int count;
};

BOOL CALLBACK matchStandIn(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    char className[64];
    if (GetClassNameA(window, className, sizeof className) == 0 ||
        lstrcmpA(className, kStandInClass) != 0) {
        return TRUE;
    }
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (search->process == 0 || process == search->process) {
        search->found = window;
        ++search->count;
    }
    return TRUE;
}

}  // namespace

std::string programFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    PathRemoveFileSpecA(path);
    return std::string(path) + "\\";
}

TestFolder::TestFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%skvrtest-%s-%lu\\", temp, name, GetCurrentProcessId());
    path_ = folder;
    removeTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TestFolder::~TestFolder() {
    removeTree(path_);
}

bool pathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD attributesOf(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

bool readFile(const std::string& path, std::string* contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD size = GetFileSize(file, nullptr);
    contents->assign(size, '\0');
    DWORD read = 0;
    const bool ok =
        size == 0 || (ReadFile(file, &(*contents)[0], size, &read, nullptr) && read == size);
    CloseHandle(file);
    return ok;
}

void writeFile(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, contents.size()) << path;
}

void createFolders(const std::string& folder) {
    for (size_t i = 3; i < folder.size(); ++i) {
        if (folder[i] == '\\') {
            CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
        }
    }
    CreateDirectoryA(folder.c_str(), nullptr);
}

namespace {

// Everything in `prefix` (which ends in a backslash); the search is closed
// before the caller removes the folder itself.
void removeContents(const std::string& prefix) {
    WIN32_FIND_DATAA found;
    const ScopedFind search(FindFirstFileA((prefix + "*").c_str(), &found));
    if (search.valid()) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = prefix + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search.get(), &found));
    }
}

}  // namespace

void removeTree(const std::string& folder) {
    const std::string prefix = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
    removeContents(prefix);
    RemoveDirectoryA(prefix.c_str());
}

TestRegistryKey::TestRegistryKey(const char* name) : path_(std::string(kTestRoot) + "\\" + name) {
    deleteKeyTree(HKEY_CURRENT_USER, path_);
}

TestRegistryKey::~TestRegistryKey() {
    deleteKeyTree(HKEY_CURRENT_USER, path_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestRoot);
}

std::string RawValue::text() const {
    if (!data.empty() && data.back() == '\0') {
        return data.substr(0, data.size() - 1);
    }
    return data;
}

uint32_t RawValue::number() const {
    uint32_t value = 0;
    std::memcpy(&value, data.data(), data.size() < 4 ? data.size() : 4);
    return value;
}

RawValue readRaw(HKEY root, const std::string& key, const char* name) {
    RawValue value;
    HKEY handle = nullptr;
    value.status = RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle);
    if (value.status != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    value.status = RegQueryValueExA(handle, name, nullptr, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS) {
        value.data.resize(size);
        value.status = RegQueryValueExA(handle, name, nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(&value.data[0]), &size);
        value.data.resize(size);
    }
    RegCloseKey(handle);
    return value;
}

bool queryRawValue(HKEY root, const std::string& key, const char* name, DWORD* type,
                   std::vector<BYTE>* data) {
    const RawValue value = readRaw(root, key, name);
    *type = value.type;
    data->assign(value.data.begin(), value.data.end());
    return value.present();
}

void setRawValue(HKEY root, const std::string& key, const char* name, DWORD type, const void* data,
                 DWORD size) {
    HKEY handle = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
}

void writeRawText(HKEY root, const std::string& key, const char* name, const std::string& bytes) {
    setRawValue(root, key, name, REG_SZ, bytes.c_str(), static_cast<DWORD>(bytes.size() + 1));
}

void writeRawNumber(HKEY root, const std::string& key, const char* name, uint32_t value) {
    setRawValue(root, key, name, REG_DWORD, &value, sizeof value);
}

bool keyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

DWORD valueCount(HKEY root, const std::string& path) {
    DWORD count = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return count;
}

void deleteKeyTree(HKEY root, const std::string& path) {
    unlockKey(root, path);
    SHDeleteKeyA(root, path.c_str());
}

void deleteIfEmpty(HKEY root, const std::string& path) {
    SHDeleteEmptyKeyA(root, path.c_str());
}

LONG lockKey(HKEY root, const std::string& path, bool keepReading) {
    return setKeyRules(root, path, keepReading ? kReadOnlyRules : kLockedRules);
}

LONG unlockKey(HKEY root, const std::string& path) {
    return setKeyRules(root, path, kOpenRules);
}

KeyLock::KeyLock(HKEY root, const std::string& path, bool keepReading) : root_(root), path_(path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
    }
    applied_ = lockKey(root, path, keepReading) == ERROR_SUCCESS;
}

KeySnapshot::KeySnapshot(HKEY root, const std::string& path) : root_(root), path_(path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        captured_ = capture(key, path);
        RegCloseKey(key);
    }
}

KeySnapshot::~KeySnapshot() {
    deleteKeyTree(root_, path_);
    if (captured_) {
        restore(root_, *captured_);
    }
}

SettingsKeyGuard::SettingsKeyGuard()
    : saved_(std::make_unique<KeySnapshot>(HKEY_CURRENT_USER, kSettingsKeyPath)) {
    deleteKeyTree(HKEY_CURRENT_USER, kSettingsKeyPath);
}

SettingsKeyGuard::~SettingsKeyGuard() {
    saved_.reset();
    deleteIfEmpty(HKEY_CURRENT_USER, "Software\\from Velmora\\Kestrova & Scheduler");
    deleteIfEmpty(HKEY_CURRENT_USER, "Software\\from Velmora");
}

StandInProcess::StandInProcess(const char* arguments, const char* program) {
    std::string commandLine = "\"" + programFolder() + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
        process_ = {};
    }
}

StandInProcess::~StandInProcess() {
    if (process_.hProcess == nullptr) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, kWindowWait);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND StandInProcess::window() {
    if (process_.hProcess == nullptr) {
        return nullptr;
    }
    const DWORD start = GetTickCount();
    do {
        WindowSearch search{process_.dwProcessId, nullptr, 0};
        EnumWindows(matchStandIn, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
    } while (WaitForSingleObject(process_.hProcess, 10) == WAIT_TIMEOUT &&
             GetTickCount() - start < kWindowWait);
    return nullptr;
}

bool StandInProcess::waitForExit(DWORD milliseconds) {
    return process_.hProcess != nullptr &&
           WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

int closeRequestsShown(HWND standInWindow) {
    char title[128];
    if (GetWindowTextA(standInWindow, title, sizeof title) == 0) {
        return -1;
    }
    const char* dash = strrchr(title, '-');
    return dash != nullptr ? atoi(dash + 1) : -1;
}

int standInWindowCount() {
    WindowSearch search{0, nullptr, 0};
    EnumWindows(matchStandIn, reinterpret_cast<LPARAM>(&search));
    return search.count;
}
