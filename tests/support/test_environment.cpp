#include "tests/support/test_environment.h"

#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>

#include "registration/registry_access.h"

namespace {

constexpr const char* kTestRoot = "Software\\KestrovaSetupTests";
constexpr const char* kStandInClass = "Velmora_kestrova";
constexpr DWORD kWindowWait = 10000;

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path + "\\");
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

LONG setKeyDacl(HKEY root, const std::string& path, PACL dacl) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    // A null DACL grants everybody everything; an empty one grants nothing.
    SetSecurityDescriptorDacl(&descriptor, TRUE, dacl, FALSE);
    result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    RegCloseKey(key);
    return result;
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

bool folderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void writeFile(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
}

TestRegistryKey::TestRegistryKey(const char* name) : path_(std::string(kTestRoot) + "\\" + name) {
    deleteKeyTree(HKEY_CURRENT_USER, path_);
}

TestRegistryKey::~TestRegistryKey() {
    deleteKeyTree(HKEY_CURRENT_USER, path_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kTestRoot);
}

void deleteKeyTree(HKEY root, const std::string& path) {
    setKeyDacl(root, path, nullptr);
    SHDeleteKeyA(root, path.c_str());
}

LONG lockKey(HKEY root, const std::string& path) {
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    return setKeyDacl(root, path, &empty);
}

LONG unlockKey(HKEY root, const std::string& path) {
    return setKeyDacl(root, path, nullptr);
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

bool queryRawValue(HKEY root, const std::string& key, const char* name, DWORD* type,
                   std::vector<BYTE>* data) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    LONG result = RegQueryValueExA(handle, name, nullptr, type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        data->assign(size, 0);
        result = RegQueryValueExA(handle, name, nullptr, type, data->data(), &size);
        data->resize(size);
    }
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

SettingsKeyGuard::SettingsKeyGuard() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        existed_ = true;
        for (DWORD index = 0;; ++index) {
            char name[16384];
            DWORD nameLength = sizeof name;
            DWORD type = 0;
            DWORD size = 0;
            if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS) {
                break;
            }
            SavedValue value{name, type, std::vector<BYTE>(size)};
            RegQueryValueExA(key, name, nullptr, &type, value.data.data(), &size);
            saved_.push_back(value);
        }
        RegCloseKey(key);
    }
    deleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
}

SettingsKeyGuard::~SettingsKeyGuard() {
    deleteKeyTree(HKEY_CURRENT_USER, kSettingsKey);
    if (existed_) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            for (const SavedValue& value : saved_) {
                RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                               static_cast<DWORD>(value.data.size()));
            }
            RegCloseKey(key);
        }
        return;
    }
    // Parents go only when empty: RegDeleteKey refuses a key with subkeys.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\from Velmora\\Kestrova & Scheduler");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\from Velmora");
}

StandInProcess::StandInProcess(const char* arguments) {
    std::string commandLine = "\"" + programFolder() + "kvr.exe\" " + arguments;
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
