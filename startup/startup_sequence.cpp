// The setup's start-up sequence: system check, command line, random seed,
// platform and write probes, single instance, newer-version check, rich-edit
// libraries and icons, the wizard, and the tear-down.
#include "startup/startup_sequence.h"

#include <ole2.h>
#include <shlobj.h>

#include <initializer_list>

#include "engine/interrupted_installation.h"
#include "registration/registry_access.h"
#include "resources/product_release.h"
#include "resources/resource_ids.h"
#include "startup/command_line.h"
#include "startup/exit_codes.h"
#include "startup/install_log.h"
#include "startup/install_switches.h"
#include "startup/instance_mutex.h"
#include "startup/launching.h"
#include "startup/library_search.h"
#include "startup/random.h"
#include "startup/setup_session.h"
#include "startup/unattended_install.h"
#include "text/scoped_handles.h"
#include "text/text_buffer.h"
#include "text/text_helpers.h"
#include "text/version.h"
#include "wizard/folder_validation.h"
#include "wizard/message_box.h"
#include "wizard/wizard_frame.h"

namespace {

constexpr const char* kProbeValueName = "testValue283712";
constexpr DWORD kProbeValueData = 291;
constexpr const char* kProbeFolderName = "Test1234";

constexpr const char* kUnsupportedSystemText =
    "ERROR: This version of operating system is not supported...\n\n"
    "(The program can be installed on Windows XP and later OS.)";
constexpr const char* kAnotherInstanceText = "Another instance of this Setup is already running.";
constexpr const char* kNewerVersionFormat =
    "Newer version of the program was detected installed on this system...\n"
    "(This setup installs version %s only.)\n\nDo you want to run the installed program?";
constexpr const char* kCannotRunInstalledText =
    "Cannot run installed program.\nConnect to the Internet and click OK. The installation "
    "will open the web site for you to download the latest version of the program.";
constexpr const char* kLibrariesFailedText = "Failed to initialize the installer";
constexpr const char* kInvalidCommandLineFormat = "Invalid command line: %s.";

bool queryVersion(OSVERSIONINFOA& version) {
    version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) != FALSE;
}

// The rich-edit libraries and the four icons, in gSession while the wizard runs.
class WizardResources {
public:
    WizardResources() {
        gSession.richEditLibrary = loadSystemLibrary("Riched32.dll");
        gSession.richEdit20Library = loadSystemLibrary("Riched20.dll");
        if (gSession.richEditLibrary == nullptr && gSession.richEdit20Library == nullptr) {
            showMessage(kLibrariesFailedText, MB_OK | MB_ICONERROR);
            return;
        }
        gSession.wizardIcon = loadIcon(IDI_APPLICATION_ICON);
        gSession.destinationIcon = loadIcon(IDI_DESTINATION);
        gSession.startMenuIcon = loadIcon(IDI_START_MENU);
        gSession.dataFolderIcon = loadIcon(IDI_DATA_FOLDER);
    }
    ~WizardResources() {
        for (HICON* icon : {&gSession.wizardIcon, &gSession.destinationIcon,
                            &gSession.startMenuIcon, &gSession.dataFolderIcon}) {
            if (*icon != nullptr) {
                DestroyIcon(*icon);
                *icon = nullptr;
            }
        }
        for (HMODULE* library : {&gSession.richEdit20Library, &gSession.richEditLibrary}) {
            if (*library != nullptr) {
                FreeLibrary(*library);
                *library = nullptr;
            }
        }
    }
    WizardResources(const WizardResources&) = delete;
    WizardResources& operator=(const WizardResources&) = delete;

private:
    static HICON loadIcon(int id) {
        return LoadIconA(gSession.moduleInstance, MAKEINTRESOURCEA(id));
    }
};

bool probeMachineWideSettingsKey() {
    ScopedKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, key.out(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD data = kProbeValueData;
    const bool written =
        RegSetValueExA(key.get(), kProbeValueName, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
    if (written) {
        RegDeleteValueA(key.get(), kProbeValueName);
    }
    return written;
}

bool probeProgramFiles() {
    return probeFolderWritable(
        concat(specialFolderPath(CSIDL_PROGRAM_FILES), kProbeFolderName).text(), true);
}

// An installation whose process died is put back (or its clean-up finished)
// before anything else happens, and the user is told which.
void finishInterruptedInstallation() {
    const InterruptedOutcome outcome = recoverInterruptedInstallation();
    if (outcome.found != InterruptedInstallation::none) {
        showMessage(outcome.message.text(), MB_OK | MB_ICONWARNING);
    }
}

void offerInstalledProgram() {
    TextBuffer question;
    question.format(kNewerVersionFormat, KVR_RELEASE);
    if (showMessage(question.text(), MB_YESNO | MB_ICONERROR) != IDYES) {
        return;
    }
    if (!launchInstalledProgram(nullptr)) {
        showMessage(kCannotRunInstalledText, MB_OK | MB_ICONERROR);
        openWithShell(kDownloadPage);
    }
}

// What the command line asks for: the help and "/temp" forms, or switches.
struct CommandLineRequest {
    bool switchLine = false;
    bool valid = true;
    InstallSwitches switches;
    char refusal[kSwitchReasonSize] = "";
};

// The exit code of a run that ends here: the unattended run's code, or 0 when the
// wizard's user has been told.
int endWith(int unattendedCode) {
    return gSession.unattended ? unattendedCode : kExitInstalled;
}

// Without /silent only /log and /temp change anything: the pages show what they
// always show.
void beginSwitchRun(const CommandLineRequest& request, const char* commandLine) {
    const InstallSwitches& switches = request.switches;
    gSession.unattended = switches.silent ? 1 : 0;
    if (switches.hasLog) {
        openInstallLog(switches.log);
    }
    logEvent("Kestrova %s setup, command line: %s", KVR_RELEASE, commandLine);
    logEvent("Mode: %s", switches.silent ? "unattended" : "wizard");
    if (!switches.silent &&
        (switches.hasDir || switches.hasGroup || switches.hasDataDir || switches.hasTasks)) {
        logEvent("Without /silent the pages decide: /dir, /group, /datadir and /tasks are ignored");
    }
    if (switches.hasTemp) {
        gSession.choices.stagingFolder = withoutTrailingSeparator(switches.temp);
    }
}

// A refused switch line ends the run whether or not it is unattended: it was never
// a valid command line.
int refuseCommandLine(const CommandLineRequest& request) {
    TextBuffer message;
    message.format(kInvalidCommandLineFormat, request.refusal);
    showMessage(message.text(), MB_OK | MB_ICONERROR);
    return kExitInvalidChoice;
}

int runSequence(const CommandLineRequest& request, const char* commandLine) {
    OSVERSIONINFOA version;
    if (queryVersion(version) && !isSupportedSystem(version)) {
        showMessage(kUnsupportedSystemText, MB_OK | MB_ICONERROR);
        return endWith(kExitFailed);
    }
    logEvent("System check: supported");
    if (!request.valid) {
        return refuseCommandLine(request);
    }
    if (!request.switchLine && parseCommandLine(commandLine)) {
        return kExitInstalled;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    seedRandom(randomSeedFrom(now));
    gSession.platformProbe = probePlatform();
    gSession.folderWriteProbe = probeMachineWideWrite();
    logEvent("Platform probe: %d; write probe: %u", gSession.platformProbe,
             static_cast<unsigned>(gSession.folderWriteProbe));

    const InstanceMutex instanceMutex;
    if (instanceMutex.anotherRuns()) {
        showMessage(kAnotherInstanceText, MB_OK | MB_ICONERROR);
        return endWith(kExitAnotherSetupRuns);
    }
    logEvent("Single-instance check: no other copy of the setup runs");
    finishInterruptedInstallation();
    const OleInitialisation ole;
    if (newerVersionInstalled()) {
        return endWith(kExitNewerReleaseInstalled);
    }
    logEvent("Newer-release check: none installed");
    if (gSession.unattended) {
        return runUnattendedInstallation(request.switches);
    }
    const WizardResources resources;
    runWizard();
    return kExitInstalled;
}

}  // namespace

bool isSupportedSystem(const OSVERSIONINFOA& version) {
    switch (version.dwPlatformId) {
        case VER_PLATFORM_WIN32s:
        case VER_PLATFORM_WIN32_WINDOWS:
            return false;
        case VER_PLATFORM_WIN32_NT:
            return version.dwMajorVersion > 5 ||
                   (version.dwMajorVersion == 5 && version.dwMinorVersion >= 1);
        default:
            return true;
    }
}

int platformProbeAnswer(int nt, bool heapLock) {
    const int heapLockAnswer = heapLock ? 1 : 0;
    const bool known = nt >= 0;
    const int answer = known ? nt : heapLockAnswer;
    const bool disagree = known && nt != heapLockAnswer;
    return answer == 1 && !disagree ? 1 : 0;
}

int probePlatform() {
    OSVERSIONINFOA version;
    const int nt =
        queryVersion(version) ? (version.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0) : -1;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const bool heapLock = GetModuleHandleA("ntdll.dll") != nullptr && kernel != nullptr &&
                          GetProcAddress(kernel, "HeapLock") != nullptr;
    return platformProbeAnswer(nt, heapLock);
}

uint32_t randomSeedFrom(const SYSTEMTIME& localTime) {
    FILETIME fileTime;
    if (SystemTimeToFileTime(&localTime, &fileTime)) {
        return fileTime.dwLowDateTime;
    }
    return static_cast<uint32_t>(localTime.wSecond) *
           (static_cast<uint32_t>(localTime.wMilliseconds) + 1u);
}

uint32_t probeMachineWideWrite() {
    uint32_t probe = 0;
    if (probeMachineWideSettingsKey()) {
        probe |= 1u;
    }
    if (probeProgramFiles()) {
        probe |= 2u;
    }
    return probe;
}

bool newerVersionInstalled() {
    TextBuffer own(KVR_RELEASE);
    int32_t readStatus = 0;
    TextBuffer recorded = readSettingText(HKEY_CURRENT_USER, "ver", "0", &readStatus);
    normalizeVersion(own);
    normalizeVersion(recorded);
    if (compareVersion(own, recorded.text()) == 1) {
        offerInstalledProgram();
        return true;
    }
    gSession.versionRecorded = readStatus == 1 ? 1 : 0;
    return false;
}

int runStartup(HINSTANCE instance, const char* commandLine) {
    gSession.sheetWindow = nullptr;
    gSession.moduleInstance = instance;

    CommandLineRequest request;
    request.switchLine = isSwitchLine(commandLine);
    if (request.switchLine) {
        request.valid = parseInstallSwitches(commandLine, &request.switches, request.refusal);
        beginSwitchRun(request, commandLine);
    }
    const int exitCode = runSequence(request, commandLine);
    logEvent("Exit code %d", exitCode);
    closeInstallLog();
    return exitCode;
}
