// The setup program as the user meets it, started as its own process in the
// bench's prefix and watched from outside: the time from process start to its
// first wizard page on screen against a bare window program (kvr_bare_window.exe,
// also once loading the libraries of the setup's start-up), a bare one-page wizard
// (kvr_bare_wizard.exe) and the NSIS peer (kvr_peer.exe), all beside this program,
// started in turn in every round; and one installation with the default choices,
// from Next on the ready page to the finish page, against the floor of one step per
// 10 ms timer tick.
#include <windows.h>

#include <prsht.h>

#include <string>
#include <vector>

#include "bench/bench.h"
#include "engine/package_archive.h"
#include "resources/resource_ids.h"
#include "tests/support/wizard_driver.h"

namespace {

constexpr double kTickMs = 10.0;
constexpr DWORD kPageWait = 30000;
constexpr int kStartRounds = 11;

// One started program; ended by force when the object dies.
class Started {
public:
    explicit Started(const std::string& program, const std::string& arguments = "") {
        std::string commandLine = "\"" + program + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process_)) {
            benchFailed("cannot start " + program);
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    ~Started() {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }

    DWORD id() const { return process_.dwProcessId; }
    bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION process_ = {};
};

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK findVisibleWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.process && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// The first visible top-level window of the process, polled every millisecond.
HWND waitForVisibleWindow(const Started& program) {
    const DWORD start = GetTickCount();
    while (program.running() && GetTickCount() - start < kPageWait) {
        WindowSearch search{program.id(), nullptr};
        EnumWindows(findVisibleWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        Sleep(1);
    }
    return nullptr;
}

// Milliseconds from process start to its first window on screen; the program is
// ended once it is there.
double startToWindowMs(const std::string& program, const std::string& arguments) {
    const double start = secondsNow();
    Started started(program, arguments);
    if (waitForVisibleWindow(started) == nullptr) {
        benchFailed(program + " showed no window");
    }
    return (secondsNow() - start) * 1e3;
}

bool waitForPage(WizardDriver& wizard, int page) {
    const DWORD start = GetTickCount();
    while (wizard.pageId() != page) {
        if (GetTickCount() - start >= kPageWait) {
            return false;
        }
        Sleep(1);
    }
    return true;
}

// Steps of one installation: the preparation, one per file ("__cdcb.lx" and the
// package's entries), shortcuts, settings and the final step.
int installSteps() {
    uint32_t length = 0;
    const uint8_t* bytes = loadPackageResource(kMainPackageResource, &length);
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    if (bytes == nullptr || !openPackage(bytes, length, &entries, &image)) {
        benchFailed("resource 135 missing or broken");
    }
    const int steps = int(entries->count) + 5;
    freePackage(entries, image);
    return steps;
}

double fileMegabytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        benchFailed("cannot find " + path);
    }
    return (double(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / (1024.0 * 1024.0);
}

}  // namespace

void runPayloadStartBenchmark(const std::string& label, const std::string& setup,
                              const std::string& peer) {
    std::vector<double> ours, peers;
    for (int round = -1; round < kStartRounds; ++round) {
        const double oursMs = startToWindowMs(setup, "");
        const double peerMs = startToWindowMs(peer, "");
        if (round >= 0) {
            ours.push_back(oursMs);
            peers.push_back(peerMs);
        }
    }
    char what[200];
    std::snprintf(what, sizeof what,
                  "process start to the first wizard page vs the NSIS peer's, %s payload "
                  "(setup %.1f MB, peer %.1f MB)",
                  label.c_str(), fileMegabytes(setup), fileMegabytes(peer));
    printRow("4start-peer-" + label, what, medianOf(ours), medianOf(peers), "ms", 1.0);
}

void runWizardBenchmarks(const std::string& setup) {
    const std::string bare = benchFolder() + "kvr_bare_window.exe";
    const std::string bareWizard = benchFolder() + "kvr_bare_wizard.exe";
    const std::string peer = benchFolder() + "kvr_peer.exe";
    // A first start of each outside the rounds: the prefix's desktop process and
    // the programs' pages come into the caches once.
    std::vector<double> ours, bareWindow, withLibraries, bareSheet, peerPage;
    for (int round = -1; round < kStartRounds; ++round) {
        const double oursMs = startToWindowMs(setup, "");
        const double bareMs = startToWindowMs(bare, "");
        const double librariesMs = startToWindowMs(bare, "libraries");
        const double sheetMs = startToWindowMs(bareWizard, "");
        const double peerMs = startToWindowMs(peer, "");
        if (round >= 0) {
            ours.push_back(oursMs);
            bareWindow.push_back(bareMs);
            withLibraries.push_back(librariesMs);
            bareSheet.push_back(sheetMs);
            peerPage.push_back(peerMs);
        }
    }
    printRow("4start-bare", "process start to the first wizard page vs a bare window program",
             medianOf(ours), medianOf(bareWindow), "ms", 1.2);
    printRow("4start-libraries",
             "bare window program loading OLE and both rich-edit libraries first vs the bare one",
             medianOf(withLibraries), medianOf(bareWindow), "ms", 0);
    printRow("4start-sheet",
             "bare one-page wizard (property sheet, the setup's common controls) vs the bare "
             "window",
             medianOf(bareSheet), medianOf(bareWindow), "ms", 0);
    printRow("4start-wizard", "process start to the first wizard page vs the bare one-page wizard",
             medianOf(ours), medianOf(bareSheet), "ms", 0);
    printRow("4start-peer", "process start to the first wizard page vs the NSIS peer's first page",
             medianOf(ours), medianOf(peerPage), "ms", 1.0);

    Started started(setup, "");
    const HWND sheet = waitForVisibleWindow(started);
    if (sheet == nullptr) {
        benchFailed(setup + " showed no wizard");
    }
    WizardDriver wizard(sheet);
    if (!waitForPage(wizard, IDD_WELCOME) || !wizard.walkTo(IDD_READY)) {
        benchFailed("the wizard did not reach the ready page (page " +
                    std::to_string(wizard.pageId()) + ")");
    }
    const double start = secondsNow();
    wizard.press(PSBTN_NEXT);
    if (!waitForPage(wizard, IDD_FINISH)) {
        benchFailed("the installation did not reach the finish page (page " +
                    std::to_string(wizard.pageId()) + ")");
    }
    const double installMs = (secondsNow() - start) * 1e3;
    const int steps = installSteps();
    printRow("3install",
             "Next on the ready page to the finish page vs the floor of " + std::to_string(steps) +
                 " steps x 10 ms, standin package",
             installMs, steps * kTickMs, "ms", 1.15);
}
