#include "install_fixture.h"

#include <objbase.h>

#include <algorithm>
#include <cstdlib>

#include "engine/install_driver.h"
#include "engine/install_page_ids.h"
#include "engine/package_archive.h"
#include "startup/random.h"
#include "startup/setup_session.h"

namespace {

constexpr int kTickLimit = 1000;
constexpr const char* kInstallUntilOption = "--install-until";
constexpr UINT kChildStepFailed = 2;
constexpr DWORD kChildTimeout = 60000;

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

}  // namespace

void prepareSession(const std::string& root, HWND wizard) {
    seedRandom(GetCurrentProcessId() ^ GetTickCount());
    gSession.progress.reset();
    gSession.stepRunning = 0;
    gSession.cancelAllowed = 1;
    gSession.sheetWindow = wizard;
    SetupChoices& choices = gSession.choices;
    choices.installFolder.assign((root + "Kestrova").c_str());
    choices.dataFolder.assign((root + "Data").c_str());
    choices.startMenuFolder.assign((root + "Start Menu\\Kestrova\\").c_str());
    choices.startMenuGroup.assign("Kestrova");
    choices.createStartMenuFolder = 0;
    choices.createDesktopIcon = 0;
    choices.createQuickLaunchIcon = 0;
    choices.stagingFolder.clear();
}

bool runInstallationChild(int argc, char** argv) {
    if ((argc != 5 && argc != 6) || std::string(argv[1]) != kInstallUntilOption) {
        return false;
    }
    const int lastStep = std::atoi(argv[2]);
    OleInitialize(nullptr);
    InstallingPage page;
    StandInWizard wizard;
    prepareSession(argv[3], wizard.handle());
    if (argc == 6) {
        gSession.choices.stagingFolder.assign(argv[5]);
    }
    while (gSession.progress.stepIndex <= lastStep && !gSession.progress.installFailed) {
        runInstallStep(page.handle());
    }
    if (gSession.progress.stepIndex != lastStep + 1) {
        ExitProcess(kChildStepFailed);
    }
    HANDLE ran = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);
    SetEvent(ran);
    Sleep(INFINITE);
    return true;
}

bool installInChildUntilStep(int step, const std::string& root, const std::string& staging) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string eventName =
        "kvr_step_ran_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(step);
    HANDLE ran = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    // The root's trailing backslash is doubled: before a quotation mark, a single
    // one would escape it.
    std::string commandLine = std::string("\"") + program + "\" " + kInstallUntilOption + " " +
                              std::to_string(step) + " \"" + root + "\\\" " + eventName;
    if (!staging.empty()) {
        commandLine += " \"" + staging + "\"";
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    bool ranToStep = false;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        const HANDLE waits[2] = {ran, process.hProcess};
        ranToStep = WaitForMultipleObjects(2, waits, FALSE, kChildTimeout) == WAIT_OBJECT_0;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kChildTimeout);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(ran);
    return ranToStep;
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

    prepareSession(root_, wizard_.handle());
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
    return page_.line(IDC_INSTALLING_TXT_STATUS);
}

std::string InstallTest::target(int k) const {
    return installFolder_ + "\\" + installedFiles()[k].name;
}

void InstallTest::makeEarlierInstallation() {
    for (int k = 0; k < 71; k += 2) {
        const std::string path = target(k);
        createFolders(path.substr(0, path.rfind('\\')));
        writeFile(path, "earlier " + installedFiles()[k].name);
    }
    writeFile(target(1), "earlier __cdca.lx");
    SetFileAttributesA(target(0).c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA(target(1).c_str(), FILE_ATTRIBUTE_HIDDEN);
    writeFile(installFolder_ + "\\Manual\\index.htm", "earlier manual");
    SetFileAttributesA((installFolder_ + "\\Manual\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY);
    writeFile(installFolder_ + "\\my notes.txt", "the user's own file");
}
