#include "install_fixture.h"

#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <shlwapi.h>

#include "engine/install_driver.h"
#include "engine/install_page_ids.h"
#include "engine/package_archive.h"
#include "startup/random.h"
#include "startup/setup_session.h"

namespace {

constexpr DWORD kCheckedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr int kTickLimit = 1000;

// Keys below HKEY_CURRENT_USER that an installation writes; each is deleted after
// a test unless it existed before.
const char* const kProductKeys[] = {
    "Software\\from Velmora",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrova",
    "Software\\Classes\\KVRD.file",
    "Software\\Classes\\.kvrd",
    "Software\\Classes\\Open.html.file",
    "Software\\Classes\\.htm",
    "Software\\Classes\\.html",
};

bool keyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void snapshotInto(const std::string& root, const std::string& relative, FolderTree* tree) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((root + relative + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        FileState state;
        state.attributes = found.dwFileAttributes & kCheckedAttributes;
        state.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (state.folder) {
            snapshotInto(root, relative + name + "\\", tree);
        } else {
            readWholeFile(root + relative + name, &state.contents);
        }
        (*tree)[relative + name] = state;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

LRESULT CALLBACK wizardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PSM_SETCURSELID) {
        auto* requests =
            reinterpret_cast<std::vector<LPARAM>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        requests->push_back(lParam);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* registerWizardClass() {
    static const char* name = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = wizardProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KvrEngineTestWizard";
        RegisterClassA(&windowClass);
        return "KvrEngineTestWizard";
    }();
    return name;
}

HWND makeInstallingPage() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND page = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                                instance, nullptr);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 300, 20, page,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInstallProgressBar)), instance,
                    nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 30, 300, 20, page,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInstallDetailLine)), instance,
                    nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 60, 300, 20, page,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kInstallStatusLine)), instance,
                    nullptr);
    return page;
}

}  // namespace

bool readWholeFile(const std::string& path, std::string* contents) {
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

void writeWholeFile(const std::string& path, const std::string& contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, contents.size()) << path;
}

FolderTree snapshotTree(const std::string& root) {
    FolderTree tree;
    std::string folder = root;
    if (folder.back() != '\\') {
        folder += '\\';
    }
    snapshotInto(folder, "", &tree);
    return tree;
}

void removeTree(const std::string& root) {
    std::string folder = root;
    if (folder.back() != '\\') {
        folder += '\\';
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool pathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD attributesOf(const std::string& path) {
    return GetFileAttributesA(path.c_str());
}

void createFolders(const std::string& folder) {
    for (size_t i = 0; i < folder.size(); ++i) {
        if (folder[i] == '\\' && i > 2) {
            CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
        }
    }
    CreateDirectoryA(folder.c_str(), nullptr);
}

const std::vector<InstalledFile>& installedFiles() {
    static const std::vector<InstalledFile> files = [] {
        std::vector<InstalledFile> list;
        uint32_t length = 0;
        const uint8_t* bytes = loadPackageResource(135, &length);
        PackageEntryTable* entries = nullptr;
        uint8_t* image = nullptr;
        if (bytes == nullptr || !openPackage(bytes, length, &entries, &image)) {
            return list;
        }
        for (uint32_t i = 0; i < entries->count; ++i) {
            const PackageEntry& entry = entries->entries[i];
            std::string contents(reinterpret_cast<const char*>(image) + entry.position, entry.size);
            if (i == 0) {
                list.push_back({"__cdcb.lx", contents});
            }
            list.push_back({entry.name, contents});
        }
        freePackage(entries, image);
        return list;
    }();
    return files;
}

void InstallTest::SetUp() {
    ASSERT_EQ(installedFiles().size(), 102u) << "the engine tests need the full main package";
    OleInitialize(nullptr);
    for (const char* key : kProductKeys) {
        if (!keyExists(key)) {
            keysCreated_.push_back(key);
        }
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = std::string(temp) + "kvr_engine_" + test->name() + "\\";
    removeTree(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << root_;
    installFolder_ = root_ + "Kestrova";

    page_ = makeInstallingPage();
    wizard_ = CreateWindowExA(0, registerWizardClass(), "", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(wizard_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&pageRequests_));

    seedRandom(GetCurrentProcessId() ^ GetTickCount());
    gSession.progress.reset();
    gSession.stepRunning = 0;
    gSession.cancelAllowed = 1;
    gSession.sheetWindow = wizard_;
    SetupChoices& choices = gSession.choices;
    choices.installFolder.assign(installFolder_.c_str());
    choices.dataFolder.assign((root_ + "Data").c_str());
    choices.startMenuFolder.assign((root_ + "Start Menu\\Kestrova\\").c_str());
    choices.startMenuGroup.assign("Kestrova");
    choices.createStartMenuFolder = 0;
    choices.createDesktopIcon = 0;
    choices.createQuickLaunchIcon = 0;
    choices.stagingFolder.clear();
}

void InstallTest::TearDown() {
    gSession.progress.reset();
    gSession.sheetWindow = nullptr;
    const std::string staging = gSession.choices.stagingFolder.text();
    if (!staging.empty()) {
        removeTree(staging);
    }
    gSession.choices.stagingFolder.clear();
    if (wizard_ != nullptr) {
        DestroyWindow(wizard_);
    }
    if (page_ != nullptr) {
        DestroyWindow(page_);
    }
    pumpMessages();
    removeTree(root_);
    for (const std::string& key : keysCreated_) {
        SHDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
    OleUninitialize();
}

int InstallTest::driveToEnd(std::vector<int>* positions) {
    int ticks = 0;
    while (!gSession.progress.installFailed && ticks < kTickLimit) {
        runInstallStep(page_);
        ++ticks;
        if (positions != nullptr) {
            positions->push_back(progressPosition());
        }
    }
    pumpMessages();
    return ticks;
}

void InstallTest::driveUntilStep(int step) {
    int ticks = 0;
    while (!gSession.progress.installFailed && gSession.progress.stepIndex < step &&
           ticks++ < kTickLimit) {
        runInstallStep(page_);
    }
}

void InstallTest::pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

int InstallTest::progressPosition() const {
    return static_cast<int>(SendDlgItemMessageA(page_, kInstallProgressBar, PBM_GETPOS, 0, 0));
}

std::string InstallTest::statusText() const {
    char text[256] = {};
    GetDlgItemTextA(page_, kInstallStatusLine, text, sizeof text);
    return text;
}
