// Entry point of the uninstaller "uninst_kvr.exe". Started from the install
// folder, it copies itself to the temporary folder, runs the copy and waits: the
// copy reports its exit code through a pipe once the removal is done, and deletes
// the original file (and the then empty folder) after this process has ended; the
// copy's own file goes when the copy ends. Before removing, it finishes an
// installation that was interrupted, as the setup would at its start.
//
// Switches: /silent (no window, no message box), /log=FILE (the setup's log
// format), /purge (the settings too). Exit codes (startup/exit_codes.h): 0
// removed, 1602 the user said No, 1603 refused or something stayed, 1618 the
// setup or another uninstaller runs.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "engine/interrupted_installation.h"
#include "resources/product_release.h"
#include "startup/exit_codes.h"
#include "startup/install_log.h"
#include "startup/instance_mutex.h"
#include "startup/launching.h"
#include "startup/library_search.h"
#include "startup/setup_session.h"
#include "text/scoped_handles.h"
#include "text/text_buffer.h"
#include "text/text_helpers.h"
#include "uninstaller/removal.h"
#include "uninstaller/uninstall_switches.h"
#include "wizard/message_box.h"

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace {

const char* const kPackageFiles[] = {
#include "package_files.inc"
};
constexpr const char* kOwnFile = "uninst_kvr.exe";
constexpr const char* kCaption = "Kestrova " KVR_RELEASE " - Uninstall";
constexpr const char* kQuestion = "Remove Kestrova " KVR_RELEASE " and all of its components?";
constexpr const char* kRemovedText = "Kestrova " KVR_RELEASE " was removed from your computer.";
constexpr const char* kStayedFormat =
    "Kestrova " KVR_RELEASE
    " was removed, except for these items:\n\n%s\n"
    "Close the programs that use them and run the uninstaller again.";
constexpr const char* kRefusedFormat = "Nothing was removed:\n%s";
constexpr const char* kAnotherRunsText =
    "Another copy of the Kestrova setup or uninstaller is running.";
constexpr DWORD kParentWaitMs = 30000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

TextBuffer ownPath() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return TextBuffer(path);
}

// Starts the copy of this program, which inherits what it needs: a handle to
// this process (to wait for its end) and the write end of a pipe for its exit
// code. The pipe's read end goes to `reader` and the copy's process to `child`;
// false when the copy did not start.
bool startCopy(const TextBuffer& copy, const char* commandLine, ScopedHandle& reader,
               ScopedHandle& child) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    // Closed here once the copy holds its own, so that a copy that ends without
    // writing ends the read too.
    ScopedHandle writer;
    ScopedHandle self;
    if (!CreatePipe(reader.out(), writer.out(), &inherit, 0) ||
        !DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.out(),
                         SYNCHRONIZE, TRUE, 0)) {
        return false;
    }
    TextBuffer line;
    line.format("\"%s\" /copyof=%llu,%llu %s", copy.text(),
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(self.get())),
                static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(writer.get())),
                commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(copy.text(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    const ScopedHandle thread(process.hThread);
    *child.out() = process.hProcess;
    return true;
}

// The first process: runs a temporary copy of itself with the same switches and
// returns the code that the copy reports.
int runFromTemporaryCopy(const char* commandLine) {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    TextBuffer copy;
    copy.format("%suninst_kvr-%lu.exe", folder, GetCurrentProcessId());
    if (!CopyFileA(ownPath().text(), copy.text(), FALSE)) {
        return kExitFailed;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    // The copy inherits a handle that deletes its file on the last close, so that
    // the file goes when the copy ends, or now if the copy does not start.
    const ScopedHandle deleteOnClose(
        CreateFileA(copy.text(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    &inherit, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ScopedHandle reader;
    ScopedHandle child;
    if (!startCopy(copy, commandLine, reader, child)) {
        if (!deleteOnClose.valid()) {
            DeleteFileA(copy.text());
        }
        return kExitFailed;
    }
    int32_t code = 0;
    DWORD read = 0;
    if (ReadFile(reader.get(), &code, sizeof code, &read, nullptr) && read == sizeof code) {
        return code;
    }
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = kExitFailed;
    GetExitCodeProcess(child.get(), &exitCode);
    return static_cast<int>(exitCode);
}

void tell(const char* text, UINT icon) {
    showMessage(text, MB_OK | icon, nullptr, kCaption);
}

void finishInterruptedInstallation() {
    const InterruptedOutcome outcome = recoverInterruptedInstallation();
    if (outcome.found != InterruptedInstallation::none) {
        tell(outcome.message.text(), MB_ICONWARNING);
    }
}

int uninstall(const UninstallSwitches& switches, TextBuffer* folder) {
    if (!switches.silent && showMessage(kQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2,
                                        nullptr, kCaption) != IDYES) {
        return kExitUserDeclined;
    }
    RemovalRequest request;
    request.packageFiles = kPackageFiles;
    request.packageFileCount = sizeof kPackageFiles / sizeof kPackageFiles[0];
    request.purge = switches.purge;
    request.deferredFile = switches.hasCopyOf ? kOwnFile : nullptr;
    const RemovalOutcome outcome = removeInstallation(request);
    TextBuffer text;
    if (outcome.refused) {
        text.format(kRefusedFormat, outcome.detail.text());
        tell(text.text(), MB_ICONERROR);
    } else if (outcome.exitCode != kExitInstalled) {
        text.format(kStayedFormat, outcome.detail.text());
        tell(text.text(), MB_ICONWARNING);
    } else {
        *folder = outcome.folder;
        tell(kRemovedText, MB_ICONINFORMATION);
    }
    return outcome.exitCode;
}

// After the first process has ended, its file can go, and with it the folder.
void removeOriginal(HANDLE parent, const TextBuffer& folder) {
    WaitForSingleObject(parent, kParentWaitMs);
    if (folder.visibleLength() == 0) {
        return;
    }
    const TextBuffer original = concat(withTrailingSeparator(folder.text()), kOwnFile);
    for (int attempt = 0; attempt < kDeleteAttempts && !deleteFileIfPresent(original.text());
         ++attempt) {
        Sleep(kDeleteRetryMs);
    }
    RemoveDirectoryA(folder.text());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    restrictLibrarySearch();
    UninstallSwitches switches;
    const bool understood = parseUninstallSwitches(commandLine, &switches);
    if (!switches.hasCopyOf) {
        return runFromTemporaryCopy(commandLine);
    }
    const ScopedHandle parent(switches.parent);
    const ScopedHandle reportPipe(switches.reportPipe);
    gSession.unattended = switches.silent ? 1 : 0;
    if (switches.hasLog) {
        openInstallLog(switches.log);
    }
    logEvent("Uninstall of Kestrova " KVR_RELEASE ": %s", commandLine);
    int code = kExitFailed;
    TextBuffer removedFolder;
    const InstanceMutex mutex;
    if (!understood) {
        tell("Invalid command line.\nKnown switches: /silent, /log=FILE, /purge.", MB_ICONERROR);
        code = kExitInvalidChoice;
    } else if (!mutex.held() || mutex.anotherRuns()) {
        tell(kAnotherRunsText, MB_ICONERROR);
        code = kExitAnotherSetupRuns;
    } else {
        finishInterruptedInstallation();
        code = uninstall(switches, &removedFolder);
    }
    logEvent("Exit code %d", code);
    closeInstallLog();
    const int32_t report = code;
    DWORD written = 0;
    WriteFile(reportPipe.get(), &report, sizeof report, &written, nullptr);
    removeOriginal(parent.get(), removedFolder);
    return code;
}
