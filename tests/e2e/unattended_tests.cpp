// The unattended installation end to end: the real setup started with /silent and
// /log=, judged by its exit code, its log, what it left in this prefix, and by
// never showing a window. Runs in a prefix of its own (tools/wine-e2e.sh
// --prefix-name), in order: the refusals first, then the first installation,
// which the later cases build on.
#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/setup_process.h"
#include "tests/support/test_environment.h"

namespace {

constexpr DWORD kRunWait = 60000;
constexpr const char* kMutexName = "KVR_Mtx_19222";

struct SilentRun {
    bool ended = false;
    DWORD exitCode = 0;
    bool windowSeen = false;
    std::string log;

    bool logged(const std::string& text) const { return log.find(text) != std::string::npos; }
};

std::string logPath() {
    return tempFolder() + "kvr-unattended.log";
}

// One unattended run of `program` with `arguments` after "/silent /log=...".
SilentRun runSilently(const std::string& arguments, const std::string& program = gOptions.setup) {
    DeleteFileA(logPath().c_str());
    SetupProcess setup(program, "/silent /log=\"" + logPath() + "\" " + arguments);
    SilentRun run;
    run.ended = setup.waitForExitWithoutWindows(kRunWait, &run.exitCode, &run.windowSeen);
    readFile(logPath(), &run.log);
    return run;
}

void expectEnded(const SilentRun& run, DWORD exitCode) {
    ASSERT_TRUE(run.ended) << "the setup did not end";
    EXPECT_EQ(run.exitCode, exitCode) << run.log;
    EXPECT_FALSE(run.windowSeen) << "a window of the setup appeared";
    EXPECT_TRUE(run.logged("Exit code " + std::to_string(exitCode) + "\r\n")) << run.log;
}

std::vector<std::string> valueNames(const std::string& key) {
    std::vector<std::string> names;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return names;
    }
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.push_back(name);
    }
    RegCloseKey(handle);
    return names;
}

size_t count(const std::string& text, const std::string& part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++found;
    }
    return found;
}

// A copy of the setup whose main package (resource 135) is replaced by bytes that
// are no archive (and do not match the stored digest).
std::string setupWithBrokenPackage() {
    const std::string copy = tempFolder() + "kvr-broken-setup.exe";
    if (!CopyFileA(gOptions.setup.c_str(), copy.c_str(), FALSE)) {
        return "";
    }
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    static char garbage[] = "this is not a package archive";
    if (update == nullptr ||
        !UpdateResourceA(update, RT_RCDATA, MAKEINTRESOURCEA(135),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), garbage, sizeof garbage) ||
        !EndUpdateResourceA(update, FALSE)) {
        return "";
    }
    return copy;
}

class UnattendedEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(gOptions.setup.empty()) << "--setup=PROGRAM is missing"; }
    void TearDown() override { closeStandIns(); }
};

TEST_F(UnattendedEndToEnd, RefusalsEndWith1639AndInstallNothing) {
    struct Case {
        const char* arguments;
        const char* logged;
    };
    const Case cases[] = {
        {"/bogus", "Invalid command line: unknown switch \"/bogus\"."},
        {"/silent", "Invalid command line: /silent is given twice."},
        {"/dir=", "Invalid command line: /dir has no value."},
        {"/dir=\"C:\\Open", "Invalid command line: a quote is not closed."},
        {"/tasks=desktop,floppy", "Invalid command line: /tasks: unknown task \"floppy\""},
        {"/dir=C:\\Bad|Name", "ERROR: Specified path for installation is not valid."},
        {"/datadir=Relative\\Data", "ERROR: Specified path is not recognized..."},
        {"\"/group=  \"", "Please specify Start Menu shortcut name..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const SilentRun run = runSilently(c.arguments);
        expectEnded(run, 1639);
        EXPECT_TRUE(run.logged(c.logged)) << run.log;
    }
    EXPECT_FALSE(pathExists(installFolder()));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstallKey));
}

// Without /silent a refused switch line is told in one box, and nothing else runs.
TEST_F(UnattendedEndToEnd, ARefusedLineWithoutSilentShowsOneBox) {
    SetupProcess setup(gOptions.setup, "/log=\"" + logPath() + "\" /dir");
    const SetupBox box = setup.waitForBox();
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box.text, "Invalid command line: unknown switch \"/dir\".");
    setup.answer(box, IDOK);
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.waitForExit(kExitWait, &exitCode));
    EXPECT_EQ(exitCode, 1639u);
    EXPECT_FALSE(setup.wizardSeen());
}

TEST_F(UnattendedEndToEnd, AnotherRunningSetupEndsWith1618) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, kMutexName);
    ASSERT_NE(mutex, nullptr);
    const SilentRun run = runSilently("");
    CloseHandle(mutex);
    expectEnded(run, 1618);
    EXPECT_TRUE(run.logged("Another instance of this Setup is already running.")) << run.log;
}

TEST_F(UnattendedEndToEnd, ABrokenPackageEndsWith1620BeforeAnyFileIsWritten) {
    const std::string broken = setupWithBrokenPackage();
    ASSERT_FALSE(broken.empty()) << "the test could not break the package";
    const SilentRun run = runSilently("", broken);
    DeleteFileA(broken.c_str());
    expectEnded(run, 1620);
    EXPECT_TRUE(run.logged("FATAL ERROR: Installation package is broken...")) << run.log;
    EXPECT_TRUE(run.logged("Package 135: its SHA-256 ")) << "the digest that differs";
    EXPECT_FALSE(run.logged("File written:"));
    EXPECT_FALSE(fileExists(installFolder() + "\\kvr.exe"));
}

// The choices the pages propose, every file and value in the log, nothing started.
TEST_F(UnattendedEndToEnd, FirstInstallationTakesEveryProposal) {
    const SilentRun run = runSilently("");
    expectEnded(run, 0);
    expectInstalled(defaultInstallation(false, false));

    const std::vector<PackageFile> files = packageFiles();
    EXPECT_EQ(count(run.log, "File written: "), files.size() + 1) << "the package and __cdcb.lx";
    for (const PackageFile& file : files) {
        std::string bytes;
        readFile(file.source, &bytes);
        EXPECT_TRUE(run.logged("File written: " + installFolder() + "\\" + file.name + " (" +
                               std::to_string(bytes.size()) + " bytes)\r\n"))
            << file.name;
    }
    for (const std::string& key : {std::string(kSettingsKey), std::string(kUninstallKey)}) {
        const std::vector<std::string> names = valueNames(key);
        EXPECT_FALSE(names.empty()) << key;
        for (const std::string& name : names) {
            EXPECT_TRUE(run.logged("Registry value written: HKCU\\" + key + "\\" + name + " = "))
                << key << "\\" << name;
        }
    }
    EXPECT_EQ(standInCount(), 0) << "the program was started";
}

TEST_F(UnattendedEndToEnd, ReinstallationKeepsTheFixedFoldersAndTheUsersValues) {
    ASSERT_TRUE(fileExists(installFolder() + "\\kvr.exe")) << "needs the first installation";
    writeRawNumber(HKEY_CURRENT_USER, kSettingsKey, "nshbt0", 5);
    const SilentRun run = runSilently("/tasks=desktop");
    expectEnded(run, 0);
    expectInstalled(defaultInstallation(true, false));
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKey, "nshbt0").number(), 5u);
    EXPECT_TRUE(run.logged("Install folder: " + installFolder() + " (fixed by the installed copy)"))
        << run.log;
    EXPECT_TRUE(run.logged("File saved: " + installFolder() + "\\kvr.exe as ")) << run.log;
}

TEST_F(UnattendedEndToEnd, SwitchesOverrideEveryProposal) {
    const ExpectedInstallation expected = {"C:\\Other Programs\\Kestrova", "C:\\Radio Data",
                                           shellFolder(CSIDL_STARTMENU) + "\\Programs\\My Radio\\",
                                           true, true};
    const SilentRun run = runSilently(
        "/DIR=\"C:\\Other Programs\\Kestrova\" \"/group=Programs\\My Radio\" "
        "/datadir=\"C:\\Radio Data\" /Tasks=desktop,QuickLaunch");
    expectEnded(run, 0);
    expectInstalled(expected);
}

// A file of the package held open fails its step: every saved file is put back,
// the log says which file failed with which error, and the run ends with 1603.
TEST_F(UnattendedEndToEnd, AFailingStepIsUndoneAndEndsWith1603) {
    const std::string folder = setting("InstallFolder");
    ASSERT_TRUE(fileExists(folder + "\\Quick Setup\\index.htm")) << "needs an installation";
    writeFile(folder + "\\Manual\\index.htm", "the user's manual");
    const std::string held = folder + "\\Quick Setup\\index.htm";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const SilentRun run = runSilently("");
    CloseHandle(file);

    expectEnded(run, 1603);
    EXPECT_TRUE(run.logged("Cannot install the following file:\\n\\n" + held)) << run.log;
    EXPECT_TRUE(run.logged("ERROR: (32) ")) << "the sharing violation's code";
    std::string manual;
    EXPECT_TRUE(readFile(folder + "\\Manual\\index.htm", &manual));
    EXPECT_EQ(manual, "the user's manual");
    // Every file saved before the failure was put back from its copy.
    const std::string saved = "File saved: ";
    size_t savedCount = 0;
    for (size_t at = run.log.find(saved); at != std::string::npos;
         at = run.log.find(saved, at + 1)) {
        const size_t end = run.log.find("\r\n", at);
        const std::string line = run.log.substr(at + saved.size(), end - at - saved.size());
        const size_t as = line.find(" as ");
        ASSERT_NE(as, std::string::npos) << line;
        EXPECT_TRUE(run.logged("Undo: put back " + line.substr(0, as) + " from " +
                               line.substr(as + 4) + "\r\n"))
            << line;
        ++savedCount;
    }
    EXPECT_GT(savedCount, 10u);
}

TEST_F(UnattendedEndToEnd, AFullDiskEndsWith112AndLeavesNothingThere) {
    if (gOptions.smallDrive.empty()) {
        GTEST_SKIP() << "no small drive: the rig could not mount a small file system here";
    }
    const std::string folder = gOptions.smallDrive + "\\Kestrova";
    const SilentRun run = runSilently("/dir=" + folder);
    expectEnded(run, 112);
    EXPECT_TRUE(run.logged("ERROR: (112) Cannot write to the following file:")) << run.log;
    EXPECT_FALSE(fileExists(folder + "\\kvr.exe"));
    EXPECT_FALSE(fileExists(folder + "\\__cdcb.lx"));
}

TEST_F(UnattendedEndToEnd, ANewerInstalledReleaseEndsWith1638AndStartsNothing) {
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.8");
    const SilentRun run = runSilently("");
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.7.1");
    expectEnded(run, 1638);
    EXPECT_TRUE(run.logged("Message (answered No): Newer version of the program was detected"))
        << run.log;
    Sleep(300);
    EXPECT_EQ(standInCount(), 0);
}

// Release 1.2.2 is removed as the welcome page removes it; a removal that fails
// ends the run without going on anyway.
TEST_F(UnattendedEndToEnd, AnEarlierReleaseIsRemovedFirstAndAFailedRemovalEndsWith1603) {
    const std::string uninstaller = tempFolder() + "Kestrova Version 1_2_2 Uninstaller.exe";
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.2");
    createFolders(uninstaller);
    const SilentRun blocked = runSilently("");
    RemoveDirectoryA(uninstaller.c_str());
    expectEnded(blocked, 1603);
    EXPECT_TRUE(blocked.logged("The earlier release could not be removed (error ")) << blocked.log;
    EXPECT_FALSE(blocked.logged("Step 0 "));

    const SilentRun removed = runSilently("");
    expectEnded(removed, 0);
    EXPECT_TRUE(removed.logged("The earlier release was removed")) << removed.log;
    EXPECT_EQ(setting("ver"), "1.2.7.1");
}

}  // namespace
