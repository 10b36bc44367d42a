// Engine work: every install step driven back to back without the timer, against
// two baselines in the same process and prefix: the same files written from memory
// with one CreateFileA/WriteFile each, and copied with CopyFileA. The processor
// measurement of the settings step spins for a fixed time by design: it is timed
// on its own and reported as its own row instead of inside the engine's total.
// Also the peer installer's silent installation of the same files, and the peak
// memory of one installation, in a process of its own.
#include <windows.h>

#include <objbase.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlwapi.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "bench/bench.h"
#include "engine/install_driver.h"
#include "engine/package_archive.h"
#include "engine/shortcuts.h"
#include "engine/undo_journal.h"
#include "registration/program_settings.h"
#include "registration/registry_access.h"
#include "registration/uninstall_registration.h"
#include "startup/random.h"
#include "startup/setup_session.h"
#include "tests/support/test_windows.h"

namespace {

constexpr double kTickMs = 10.0;
constexpr double kMegabyte = 1024.0 * 1024.0;

// The bench's own folder, whatever is left in it: the shell deletes the tree.
void removeTree(const std::string& folder) {
    std::string from = folder;
    from.push_back('\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&operation);
}

std::string benchRoot(const std::string& label) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "kvr-bench-" + label + "\\";
}

// The files of one installation, in file-step order: "__cdcb.lx", then every entry.
struct BenchFile {
    std::string name;
    const uint8_t* data;
    uint32_t size;
};

class OpenedPackage {
public:
    OpenedPackage() {
        bytes_ = loadPackageResource(kMainPackageResource, &length_);
        if (bytes_ == nullptr || !openPackage(bytes_, length_, &entries_, &image_)) {
            benchFailed("resource 135 missing or broken");
        }
        for (uint32_t i = 0; i < entries_->count; ++i) {
            const PackageEntry& entry = entries_->entries[i];
            if (i == 0) {
                files_.push_back({"__cdcb.lx", image_ + entry.position, entry.size});
            }
            files_.push_back({entry.name, image_ + entry.position, entry.size});
        }
    }
    OpenedPackage(const OpenedPackage&) = delete;
    OpenedPackage& operator=(const OpenedPackage&) = delete;
    ~OpenedPackage() { freePackage(entries_, image_); }

    uint32_t length() const { return length_; }
    const std::vector<BenchFile>& files() const { return files_; }

private:
    const uint8_t* bytes_ = nullptr;
    uint32_t length_ = 0;
    PackageEntryTable* entries_ = nullptr;
    uint8_t* image_ = nullptr;
    std::vector<BenchFile> files_;
};

std::string folderOf(const std::string& path) {
    const size_t separator = path.find_last_of('\\');
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// Creates the folder of each file once, as the files arrive grouped by folder.
class FolderMaker {
public:
    void makeFolderOf(const std::string& path) {
        const std::string folder = folderOf(path);
        if (folder != last_) {
            CreateDirectoryA(folder.c_str(), nullptr);
            last_ = folder;
        }
    }

private:
    std::string last_;
};

void writeFromMemory(const std::vector<BenchFile>& files, const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    FolderMaker folders;
    for (const BenchFile& file : files) {
        const std::string path = folder + "\\" + file.name;
        folders.makeFolderOf(path);
        HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (handle == INVALID_HANDLE_VALUE ||
            !WriteFile(handle, file.data, file.size, &written, nullptr) || written != file.size) {
            benchFailed("cannot write " + path);
        }
        CloseHandle(handle);
    }
}

void copyFiles(const std::vector<BenchFile>& files, const std::string& from,
               const std::string& to) {
    CreateDirectoryA(to.c_str(), nullptr);
    FolderMaker folders;
    for (const BenchFile& file : files) {
        const std::string target = to + "\\" + file.name;
        folders.makeFolderOf(target);
        if (!CopyFileA((from + "\\" + file.name).c_str(), target.c_str(), FALSE)) {
            benchFailed("cannot copy to " + target);
        }
    }
}

// The wizard's windows, stand-ins that the steps talk to, and the choices of an
// installation into `root`.
class InstallRig {
public:
    explicit InstallRig(const std::string& root) : root_(root) {
        OleInitialize(nullptr);
        seedRandom(GetTickCount());
        gSession.sheetWindow = wizard_.handle();
        SetupChoices& choices = gSession.choices;
        choices.installFolder.assign((root + "Kestrova").c_str());
        choices.dataFolder.assign((root + "Data").c_str());
        choices.startMenuGroup.assign("Kestrova");
        choices.startMenuFolder.assign((root + "Start Menu\\Kestrova\\").c_str());
        choices.createStartMenuFolder = 1;
        choices.createDesktopIcon = 1;
        choices.createQuickLaunchIcon = 1;
    }
    InstallRig(const InstallRig&) = delete;
    InstallRig& operator=(const InstallRig&) = delete;
    ~InstallRig() {
        gSession.progress.reset();
        gSession.sheetWindow = nullptr;
        OleUninitialize();
    }

    std::string installFolder() const { return root_ + "Kestrova"; }

    // Drives every step; `afterStep` (step index, seconds it took) runs between steps.
    template <typename AfterStep>
    void install(AfterStep afterStep) {
        gSession.progress.reset();
        gSession.stepRunning = 0;
        gSession.cancelAllowed = 1;
        int step = 0;
        while (!gSession.progress.installFailed) {
            step = gSession.progress.stepIndex;
            const double seconds = secondsOf([&] { runInstallStep(page_.handle()); });
            afterStep(step, seconds);
        }
        if (gSession.progress.stepIndex != gSession.progress.stepTotals[0]) {
            benchFailed("the installation failed at step " + std::to_string(step) + ": " +
                        page_.line(IDC_INSTALLING_TXT_STATUS) + " " +
                        page_.line(IDC_INSTALLING_TXT_DETAIL));
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
    }

    void removeInstallation() {
        removeTree(root_ + "Kestrova");
        removeTree(root_ + "Data");
        removeTree(root_ + "Start Menu");
    }

private:
    std::string root_;
    InstallingPage page_;
    StandInWizard wizard_;
};

// What one call of the platform costs here, for the notes that explain the engine's
// time beyond the baselines' calls.
struct CallCosts {
    double shortcut, write, exists, createFolder, attributes, sameStatus, detail, position;
};

template <typename Body>
double medianCallSeconds(int calls, Body body) {
    std::vector<double> samples;
    for (int i = 0; i < calls; ++i) {
        samples.push_back(secondsOf([&] { body(i); }));
    }
    return medianOf(samples);
}

// Measured in the folder of the package's last file, inside a tree written like an
// installation, so that each call sees a folder as full as the file steps see it.
CallCosts measureCallCosts(const std::vector<BenchFile>& files, const std::string& tree) {
    writeFromMemory(files, tree);
    const BenchFile& last = files.back();
    const std::string inFolder = folderOf(last.name);
    const std::string folder = inFolder.empty() ? tree : tree + "\\" + inFolder;
    const std::string target = tree + "\\" + last.name;
    InstallingPage page;
    CallCosts costs;
    costs.shortcut = medianCallSeconds(5, [&](int i) {
        createShortcut((folder + "\\link" + std::to_string(i) + ".lnk").c_str(), target.c_str());
    });
    costs.write = medianCallSeconds(101, [&](int i) {
        writeFromMemory({BenchFile{"new" + std::to_string(i), last.data, last.size}}, folder);
    });
    // The backup name is looked for in the staging folder, empty on a fresh
    // installation; the target in its own folder, where it does not exist yet.
    const std::string staging = tree + "\\Staging";
    CreateDirectoryA(staging.c_str(), nullptr);
    costs.exists = medianCallSeconds(101, [&](int i) {
        PathFileExistsA((staging + "\\missing" + std::to_string(i) + ".081").c_str());
    });
    costs.createFolder =
        medianCallSeconds(101, [&](int) { CreateDirectoryA(folder.c_str(), nullptr); });
    costs.attributes = medianCallSeconds(
        101, [&](int i) { GetFileAttributesA((folder + "\\absent" + std::to_string(i)).c_str()); });
    // The lines and the bar as a file step would set them, each call apart.
    // A file step reads the status line back to see that it already says so.
    costs.sameStatus = medianCallSeconds(101, [&](int) {
        char shown[2 * MAX_PATH];
        GetWindowTextA(GetDlgItem(page.handle(), IDC_INSTALLING_TXT_STATUS), shown, sizeof shown);
    });
    costs.detail = medianCallSeconds(101, [&](int i) {
        SetDlgItemTextA(page.handle(), IDC_INSTALLING_TXT_DETAIL,
                        files[size_t(i) % files.size()].name.c_str());
    });
    costs.position = medianCallSeconds(101, [&](int i) {
        SendDlgItemMessageA(page.handle(), IDC_INSTALLING_PRG_PROGRESS, PBM_SETPOS, WPARAM(i), 0);
    });
    removeTree(tree);
    return costs;
}

// The undo journal's own share of the file steps, replayed for the files of the
// installation in `install` into a scratch staging folder: one unflushed entry per
// new file on a fresh installation; over an earlier one a flushed saved copy and a
// flushed entry per file (the copies themselves, which the file steps make with
// or without the journal, are made untimed). Also the median of each call.
struct JournalCost {
    double seconds = 0, savedCopyFlush = 0, flushedEntry = 0, unflushedEntry = 0;
};

JournalCost replayJournal(const std::vector<BenchFile>& files, const std::string& install,
                          const std::string& staging, bool reinstall) {
    CreateDirectoryA(staging.c_str(), nullptr);
    if (!startUndoJournal(staging.c_str(), install.c_str())) {
        benchFailed("cannot start a journal in " + staging);
    }
    std::vector<double> flushes, entries;
    int step = 0;
    for (const BenchFile& file : files) {
        InstallRecord record;
        record.state = reinstall ? backedUp : newFile;
        record.targetPath.assign((install + "\\" + file.name).c_str());
        if (reinstall) {
            record.backupPath.assign((staging + "\\" + std::to_string(step) + ".081").c_str());
            CopyFileA(record.targetPath.text(), record.backupPath.text(), FALSE);
            flushes.push_back(secondsOf([&] { flushSavedCopy(record.backupPath.text()); }));
        }
        entries.push_back(secondsOf(
            [&] { appendUndoEntry(staging.c_str(), record, step, FILE_ATTRIBUTE_NORMAL); }));
        ++step;
    }
    removeTree(staging);
    JournalCost cost;
    for (double seconds : flushes) {
        cost.seconds += seconds;
    }
    for (double seconds : entries) {
        cost.seconds += seconds;
    }
    if (reinstall) {
        cost.savedCopyFlush = medianOf(flushes);
        cost.flushedEntry = medianOf(entries);
    } else {
        cost.unflushedEntry = medianOf(entries);
    }
    return cost;
}

// 0 preparation, 1 file step, 2 shortcuts, 3 settings, 4 final step.
int kindOfStep(int step, int fileSteps) {
    if (step == 0) {
        return 0;
    }
    if (step <= fileSteps) {
        return 1;
    }
    return std::min(step - fileSteps + 1, 4);
}

// The process's private bytes now (or their peak, where the system keeps one: Wine
// reports the current value as the peak, so callers sample between steps).
double privateBytes(double* workingSetPeak) {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    if (workingSetPeak != nullptr) {
        *workingSetPeak = double(counters.PeakWorkingSetSize);
    }
    return double(std::max(counters.PagefileUsage, counters.PeakPagefileUsage));
}

}  // namespace

EngineTimes runEngineBenchmarks(const std::string& label, int rounds) {
    const std::string root = benchRoot(label);
    removeTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    const OpenedPackage package;
    const std::vector<BenchFile>& files = package.files();
    InstallRig rig(root);

    // Per round: the steps by kind (preparation, files, shortcuts, settings, final).
    std::vector<double> engine, measurement, phases[5], filesPart, written, copied;
    std::vector<double> reinstallFiles, freshJournal, reinstallJournal;
    JournalCost freshCalls, reinstallCalls;
    for (int round = 0; round < rounds; ++round) {
        double total = 0, phase[5] = {};
        rig.install([&](int step, double seconds) {
            total += seconds;
            phase[kindOfStep(step, int(files.size()))] += seconds;
        });
        const double measureSeconds = secondsOf([] { measureProcessorMhz(); });
        engine.push_back(total - measureSeconds);
        measurement.push_back(measureSeconds);
        for (int kind = 0; kind < 5; ++kind) {
            phases[kind].push_back(phase[kind]);
        }
        filesPart.push_back(phase[0] + phase[1]);
        freshCalls = replayJournal(files, rig.installFolder(), root + "Journal", false);
        freshJournal.push_back(freshCalls.seconds);
        double reinstallPhase = 0;
        rig.install([&](int step, double seconds) {
            if (kindOfStep(step, int(files.size())) == 1) {
                reinstallPhase += seconds;
            }
        });
        reinstallFiles.push_back(reinstallPhase);
        reinstallCalls = replayJournal(files, rig.installFolder(), root + "Journal", true);
        reinstallJournal.push_back(reinstallCalls.seconds);
        written.push_back(secondsOf([&] { writeFromMemory(files, root + "Written"); }));
        copied.push_back(secondsOf([&] { copyFiles(files, root + "Written", root + "Copied"); }));
        rig.removeInstallation();
        removeTree(root + "Written");
        removeTree(root + "Copied");
    }
    const CallCosts costs = measureCallCosts(files, root + "Calls");
    removeTree(root);

    char what[160];
    std::snprintf(what, sizeof what, "%s package (%zu files, %.1f MB)", label.c_str(), files.size(),
                  package.length() / kMegabyte);
    const double engineMs = medianOf(engine) * 1e3;
    printRow("2" + label + "-write", std::string("engine work vs WriteFile from memory, ") + what,
             engineMs, medianOf(written) * 1e3, "ms", label == "large" ? 1.3 : 1.5);
    printRow("2" + label + "-copy", std::string("engine work vs CopyFileA, ") + what, engineMs,
             medianOf(copied) * 1e3, "ms", 0);
    printRow("2" + label + "-files",
             std::string("the file steps alone vs WriteFile from memory, ") + what,
             medianOf(phases[1]) * 1e3, medianOf(written) * 1e3, "ms", 0);
    printRow("2" + label + "-tick", std::string("one file step vs the 10 ms timer tick, ") + what,
             medianOf(phases[1]) * 1e3 / double(files.size()), kTickMs, "ms", 1.0);
    const double freshMs = medianOf(phases[1]) * 1e3;
    const double reinstallMs = medianOf(reinstallFiles) * 1e3;
    printRow("2" + label + "-journal-fresh",
             std::string("the file steps with the undo journal vs without it, fresh, ") + what,
             freshMs, freshMs - medianOf(freshJournal) * 1e3, "ms", 0);
    printRow("2" + label + "-journal-reinstall",
             std::string("the file steps with the undo journal vs without it, reinstall, ") + what,
             reinstallMs, reinstallMs - medianOf(reinstallJournal) * 1e3, "ms",
             label == "large" ? 1.2 : 0);
    std::printf(
        "note;%s undo journal calls (median ms): unflushed entry %.3f; over an earlier "
        "installation flushing the saved copy %.3f and the flushed entry %.3f\n",
        label.c_str(), freshCalls.unflushedEntry * 1e3, reinstallCalls.savedCopyFlush * 1e3,
        reinstallCalls.flushedEntry * 1e3);
    if (label == "standin") {
        printRow("2settings", "processor measurement vs the whole settings step",
                 medianOf(measurement) * 1e3, medianOf(phases[3]) * 1e3, "ms", 0);
    }
    std::printf(
        "note;%s engine steps (median ms): preparation %.1f, files %.1f, shortcuts %.1f, "
        "settings %.1f (measurement %.1f), final %.1f; WriteFile %.1f, CopyFileA %.1f\n",
        label.c_str(), medianOf(phases[0]) * 1e3, medianOf(phases[1]) * 1e3,
        medianOf(phases[2]) * 1e3, medianOf(phases[3]) * 1e3, medianOf(measurement) * 1e3,
        medianOf(phases[4]) * 1e3, medianOf(written) * 1e3, medianOf(copied) * 1e3);
    std::printf(
        "note;%s calls (median ms): createShortcut %.2f; CreateFileA+WriteFile+CloseHandle "
        "%.3f; per file step beyond those: PathFileExistsA %.3f (the backup name), "
        "GetFileAttributesA %.3f (the target), CreateDirectoryA %.3f; reading the status "
        "line back %.3f, setting the detail line to a new name %.3f, the progress bar to a "
        "new position %.3f\n",
        label.c_str(), costs.shortcut * 1e3, costs.write * 1e3, costs.exists * 1e3,
        costs.attributes * 1e3, costs.createFolder * 1e3, costs.sameStatus * 1e3,
        costs.detail * 1e3, costs.position * 1e3);
    return {engineMs, medianOf(filesPart) * 1e3};
}

void runPeerBenchmark(const EngineTimes& engine) {
    const std::string root = benchRoot("peer");
    removeTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string folder = root + "Kestrova Peer";
    // The peer takes its folder from /D=, which must come last and unquoted.
    const std::string commandLine = "\"" + benchFolder() + "kvr_peer.exe\" /S /D=" + folder;
    std::vector<double> installs;
    for (int round = 0; round < 5; ++round) {
        DWORD exitCode = 1;
        installs.push_back(secondsOf([&] { exitCode = runAndWait(commandLine); }));
        if (exitCode != 0 || !PathFileExistsA((folder + "\\kvr.exe").c_str())) {
            benchFailed("the peer's silent installation failed: " + commandLine);
        }
        removeTree(folder);
    }
    removeTree(root);
    printRow("4silent", "engine work vs the NSIS peer's silent install (/S), standin package",
             engine.engineMs, medianOf(installs) * 1e3, "ms", 1.0);
    printRow("4silent-files",
             "the preparation and file steps vs the NSIS peer's silent install (/S), standin "
             "package",
             engine.filesMs, medianOf(installs) * 1e3, "ms", 0);
}

void runUnattendedPeerBenchmark(const std::string& label, const std::string& setup,
                                const std::string& peer) {
    const std::string root = benchRoot("unattended-" + label);
    removeTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string ours = root + "Kestrova";
    const std::string theirs = root + "Kestrova Peer";
    std::vector<double> oursMs, peerMs;
    // A first run of each outside the rounds brings both programs into the caches.
    for (int round = -1; round < 5; ++round) {
        // Each run a first installation: no settings, so no fixed folder and no saves.
        SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
        SHDeleteKeyA(HKEY_CURRENT_USER, kUninstallKey);
        DWORD exitCode = 1;
        const double oursSeconds = secondsOf(
            [&] { exitCode = runAndWait("\"" + setup + "\" /silent /dir=\"" + ours + "\""); });
        // Every package's installation holds the driver library's second copy; the
        // large payload has no kvr.exe.
        if (exitCode != 0 || !PathFileExistsA((ours + "\\__cdcb.lx").c_str())) {
            benchFailed("the unattended installation failed with " + std::to_string(exitCode));
        }
        const double peerSeconds =
            secondsOf([&] { exitCode = runAndWait("\"" + peer + "\" /S /D=" + theirs); });
        if (exitCode != 0 || !PathIsDirectoryA(theirs.c_str())) {
            benchFailed("the peer's silent installation failed: " + peer);
        }
        if (round >= 0) {
            oursMs.push_back(oursSeconds * 1e3);
            peerMs.push_back(peerSeconds * 1e3);
        }
        removeTree(ours);
        removeTree(theirs);
    }
    removeTree(root);
    SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    SHDeleteKeyA(HKEY_CURRENT_USER, kUninstallKey);
    printRow("4unattended-" + label,
             "unattended installation (/silent), process start to exit, vs the NSIS peer's /S, " +
                 label + " package",
             medianOf(oursMs), medianOf(peerMs), "ms", 1.0);
}

void runMemoryBenchmark(const std::string& label) {
    const std::string root = benchRoot(label + "-memory");
    removeTree(root);
    CreateDirectoryA(root.c_str(), nullptr);
    uint32_t length = 0;
    loadPackageResource(kMainPackageResource, &length);
    double workingSetBefore = 0;
    const double before = privateBytes(&workingSetBefore);
    double peak = before;
    double workingSetPeak = 0;
    {
        InstallRig rig(root);
        rig.install([&](int, double) { peak = std::max(peak, privateBytes(nullptr)); });
        privateBytes(&workingSetPeak);
        rig.removeInstallation();
    }
    removeTree(root);

    const double allowed = length / kMegabyte + 8;
    char what[160];
    std::snprintf(what, sizeof what, "%s package (%.1f MB) + 8 MB, process before %.1f MB",
                  label.c_str(), length / kMegabyte, before / kMegabyte);
    printRow("5" + label, std::string("peak private memory growth vs ") + what,
             (peak - before) / kMegabyte, allowed, "MB", 1.0);
    printRow("5" + label + "-ws", std::string("peak working set growth vs ") + what,
             (workingSetPeak - workingSetBefore) / kMegabyte, allowed, "MB", 0);
}
