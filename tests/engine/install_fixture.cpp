#include "install_fixture.h"

#include <objbase.h>

#include <algorithm>

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
            readFile(root + relative + name, &state.contents);
        }
        (*tree)[relative + name] = state;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

FolderTree snapshotTree(const std::string& root) {
    FolderTree tree;
    std::string folder = root;
    if (folder.back() != '\\') {
        folder += '\\';
    }
    snapshotInto(folder, "", &tree);
    return tree;
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
        if (!keyExists(HKEY_CURRENT_USER, key)) {
            keysCreated_.push_back(key);
        }
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // A parameterised test's name holds a '/', which a folder name cannot.
    std::string name = test->name();
    std::replace(name.begin(), name.end(), '/', '_');
    root_ = std::string(temp) + "kvr_engine_" + name + "\\";
    removeTree(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr)) << root_;
    installFolder_ = root_ + "Kestrova";

    seedRandom(GetCurrentProcessId() ^ GetTickCount());
    gSession.progress.reset();
    gSession.stepRunning = 0;
    gSession.cancelAllowed = 1;
    gSession.sheetWindow = wizard_.handle();
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
    pumpMessages();
    removeTree(root_);
    for (const std::string& key : keysCreated_) {
        deleteKeyTree(HKEY_CURRENT_USER, key);
    }
    OleUninitialize();
}

int InstallTest::driveToEnd(std::vector<int>* positions) {
    int ticks = 0;
    while (!gSession.progress.installFailed && ticks < kTickLimit) {
        runInstallStep(page_.handle());
        ++ticks;
        if (positions != nullptr) {
            positions->push_back(page_.progressPosition());
        }
    }
    pumpMessages();
    return ticks;
}

void InstallTest::driveUntilStep(int step) {
    int ticks = 0;
    while (!gSession.progress.installFailed && gSession.progress.stepIndex < step &&
           ticks++ < kTickLimit) {
        runInstallStep(page_.handle());
    }
}

void InstallTest::pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

std::string InstallTest::statusText() const {
    return page_.line(kInstallStatusLine);
}
