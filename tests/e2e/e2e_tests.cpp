// The real setup program end to end: started as a user starts it, driven through
// its wizard from outside, and judged by what it leaves in this Wine prefix.
//
// tools/wine-e2e.sh gives this program a fresh prefix of its own and runs it as
//   e2e_tests.exe --setup=SETUP.exe --package-list=LIST [--screens=FOLDER] [gtest options]
//   e2e_tests.exe --walk --setup=SETUP.exe --package-list=LIST [--screens=FOLDER]  (make run)
// LIST is the build's package list ("name<TAB>source path" per file, Unix paths);
// FOLDER receives a BMP picture of every page at 96 and at 144 DPI (the script
// converts them to PNG).
//
// The tests share the prefix and run in order: the refusals first, then the first
// installation, which the later cases build on.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <imagehlp.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/screen_capture.h"
#include "tests/e2e/setup_process.h"
#include "tests/e2e/wizard_walk.h"
#include "tests/support/test_environment.h"
#include "tests/support/tree_snapshot.h"
#include "tests/support/wizard_driver.h"

namespace {

constexpr const char* kMachineMakerKey = "Software\\from Velmora";
constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr const char* kCaption = "Kestrova 1.2.7.1 - Setup";

constexpr const char* kHelpText =
    "Kestrova Installation Routine:\n(Command line parameters)\n=======================\n\n"
    "/help - Show help window;\n/temp [PATH] - Specify temporary folder.";
constexpr const char* kUnsupportedText =
    "ERROR: This version of operating system is not supported...\n\n"
    "(The program can be installed on Windows XP and later OS.)";
constexpr const char* kAnotherInstanceText = "Another instance of this Setup is already running.";
constexpr const char* kExitQuestion =
    "Setup is not complete. If you exit now, the program will not be installed.\n\n"
    "You may run Setup again at another time to complete the installation.\n\nExit Setup?";
constexpr const char* kNewerVersionQuestion =
    "Newer version of the program was detected installed on this system...\n"
    "(This setup installs version 1.2.7.1 only.)\n\nDo you want to run the installed program?";
constexpr const char* kCannotRunText =
    "Cannot run installed program.\nConnect to the Internet and click OK. The installation "
    "will open the web site for you to download the latest version of the program.";
constexpr const char* kReinstallNotice =
    "Another copy of the program is already installed for this user...\n"
    "If you continue with the installation the program files will be reinstalled.";
constexpr const char* kDataFolderNotice =
    "This folder has already been defined...\n"
    "(You will be able to change it in the Options window when the program is installed.)";
constexpr const char* kEarlierReleaseNotice =
    "INFORMATION: A previous version 1.2.2 of the Kestrova has been detected. It has to be "
    "removed before this installation can continue...";

// The Windows version that Wine reports to the setup program alone.
void setSetupWindowsVersion(const char* version) {
    writeRawText(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\" + fileNameOf(gOptions.setup),
                 "Version", std::string(version));
}

// The system DPI of programs started from now on.
void setDpi(uint32_t dpi) {
    writeRawNumber(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", dpi);
}

// Every control of the page lies inside the page: nothing is cut off.
void expectControlsInsidePage(WizardDriver& wizard, int pageId) {
    HWND page = wizard.page();
    RECT pageRect;
    ASSERT_TRUE(GetWindowRect(page, &pageRect));
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) {
            continue;
        }
        RECT rect;
        GetWindowRect(child, &rect);
        EXPECT_TRUE(rect.left >= pageRect.left && rect.top >= pageRect.top &&
                    rect.right <= pageRect.right && rect.bottom <= pageRect.bottom)
            << "page " << pageId << ", control " << GetDlgCtrlID(child)
            << " reaches beyond the page";
    }
}

// Cancel, confirmed with Yes: the setup ends with exit code 0.
void cancelAndExpectExit(SetupProcess& setup, WizardDriver& wizard) {
    wizard.press(PSBTN_CANCEL);
    const SetupBox question = setup.waitForBox();
    ASSERT_TRUE(question) << "no exit question";
    EXPECT_EQ(question.text, kExitQuestion);
    setup.answer(question, IDYES);
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.waitForExit(kExitWait, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// A run that must show exactly one box with `text`, answered with `button`, and
// no wizard, and then end with exit code 0.
void expectOnlyBox(SetupProcess& setup, const char* text, int button) {
    const SetupBox box = setup.waitForBox();
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_TRUE(setup.answer(box, button));
    DWORD exitCode = 1;
    ASSERT_TRUE(setup.waitForExit(kExitWait, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(setup.wizardSeen());
    EXPECT_FALSE(setup.waitForBox(0)) << "a second box";
}

class SetupEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(gOptions.setup.empty()) << "--setup=PROGRAM is missing";
        DeleteFileA(recordFile().c_str());
    }
    void TearDown() override { closeStandIns(); }
};

class ListedPayloadEndToEnd : public SetupEndToEnd {};

// The program as it is shipped, after its resources were moved to a page boundary
// of the file: the system's own routine agrees with its checksum, and the section
// that carries the packages starts on a page, so a loader can map it from the file.
TEST_F(SetupEndToEnd, TheProgramFileHasItsChecksumAndItsResourcesOnAPage) {
    DWORD inHeader = 0, computed = 0;
    ASSERT_EQ(MapFileAndCheckSumA(gOptions.setup.c_str(), &inHeader, &computed),
              DWORD(CHECKSUM_SUCCESS));
    EXPECT_NE(inHeader, 0u);
    EXPECT_EQ(inHeader, computed);

    std::string image;
    ASSERT_TRUE(readFile(gOptions.setup, &image));
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    const IMAGE_SECTION_HEADER* resources = nullptr;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (std::string(reinterpret_cast<const char*>(section->Name), 5) == ".rsrc") {
            resources = section;
        }
    }
    ASSERT_NE(resources, nullptr);
    EXPECT_EQ(resources->PointerToRawData % 4096, 0u);
}

TEST_F(SetupEndToEnd, HelpShowsTheHelpTextOnly) {
    SetupProcess setup(gOptions.setup, "/help");
    ASSERT_TRUE(setup.started());
    expectOnlyBox(setup, kHelpText, IDOK);
    // Help ends start-up before the probes.
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kMachineMakerKey));
}

TEST_F(SetupEndToEnd, WindowsTwoThousandIsRefusedEvenBeforeHelp) {
    setSetupWindowsVersion("win2k");
    {
        SetupProcess setup(gOptions.setup, "/help");
        ASSERT_TRUE(setup.started());
        expectOnlyBox(setup, kUnsupportedText, IDOK);
    }
    setSetupWindowsVersion("winxp");
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kMachineMakerKey));
}

TEST_F(SetupEndToEnd, WriteProbeLeavesOnlyTheMachineSettingsKey) {
    const std::string testFolder = shellFolder(CSIDL_PROGRAM_FILES) + "\\Test1234";
    ASSERT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kMachineMakerKey));

    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);

    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
    EXPECT_EQ(valueCount(HKEY_LOCAL_MACHINE, kSettingsKey), 0u);
    EXPECT_FALSE(pathExists(testFolder));
    WizardDriver wizard(sheet);
    cancelAndExpectExit(setup, wizard);
}

// Libraries planted beside a copy of the setup under the names of the rich-edit
// libraries that start-up loads. Wine prefers its own copy of a system library: the
// override makes it take a library found on the search path first, as Windows does,
// so that only the setup's search path decides whether a planted one runs.
TEST_F(SetupEndToEnd, LibrariesBesideTheSetupAreNeverLoaded) {
    const char* const kPlantedNames[] = {"riched20", "riched32"};
    constexpr const char* kOverridesKey = "Software\\Wine\\DllOverrides";
    TestFolder folder("planted");
    const std::string setupCopy = folder.path("KestrovaSetup.exe");
    ASSERT_TRUE(CopyFileA(gOptions.setup.c_str(), setupCopy.c_str(), FALSE));
    for (const char* name : kPlantedNames) {
        const std::string planted = folder.path(std::string(name) + ".dll");
        ASSERT_TRUE(
            CopyFileA((programFolder() + "planted_library.dll").c_str(), planted.c_str(), FALSE));
        writeRawText(HKEY_CURRENT_USER, kOverridesKey, name, "native,builtin");
    }
    {
        SetupProcess setup(setupCopy);
        HWND sheet = setup.waitForWizard();
        EXPECT_NE(sheet, nullptr);
        if (sheet != nullptr) {
            WizardDriver wizard(sheet);
            cancelAndExpectExit(setup, wizard);
        }
    }
    HKEY overrides = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOverridesKey, 0, KEY_SET_VALUE, &overrides) ==
        ERROR_SUCCESS) {
        for (const char* name : kPlantedNames) {
            RegDeleteValueA(overrides, name);
        }
        RegCloseKey(overrides);
    }
    for (const char* name : kPlantedNames) {
        EXPECT_FALSE(pathExists(folder.path(std::string(name) + ".dll.ran")))
            << "the setup loaded the " << name << " planted beside it";
    }
}

// Both rich-edit libraries disabled for the setup alone (an empty override): start-up
// says so, and the wizard still opens. (Its icons cannot be read from another
// process here: WM_GETICON answers null across processes under Wine.)
TEST_F(SetupEndToEnd, MissingRichEditLibrariesAreReportedAndTheWizardRunsAnyway) {
    const std::string overridesKey =
        "Software\\Wine\\AppDefaults\\" + fileNameOf(gOptions.setup) + "\\DllOverrides";
    for (const char* name : {"riched20", "riched32"}) {
        writeRawText(HKEY_CURRENT_USER, overridesKey, name, "");
    }
    SetupProcess setup(gOptions.setup);
    const SetupBox box = setup.waitForBox();
    deleteKeyTree(HKEY_CURRENT_USER, overridesKey);
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box.text, "Failed to initialize the installer");
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_TRUE(setup.answer(box, IDOK));
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    EXPECT_EQ(wizard.pageId(), IDD_WELCOME);
    cancelAndExpectExit(setup, wizard);
}

TEST_F(SetupEndToEnd, SecondCopyIsRefusedWhileTheFirstShowsItsWizard) {
    SetupProcess first(gOptions.setup);
    HWND sheet = first.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    {
        SetupProcess second(gOptions.setup);
        ASSERT_TRUE(second.started());
        expectOnlyBox(second, kAnotherInstanceText, IDOK);
    }
    WizardDriver wizard(sheet);
    EXPECT_EQ(wizard.pageId(), IDD_WELCOME);
    cancelAndExpectExit(first, wizard);
}

// This prefix lets the setup write the machine-wide key and Program Files, so its
// start-up probe says that the user is not held back by rights: a folder that
// cannot be written is refused, with no offer of a suggested one.
TEST_F(SetupEndToEnd, UnwritableFolderIsRefusedWithoutTheResetOfferWhenTheProbePassed) {
    TestFolder folder("e2e-unwritable");
    writeFile(folder.path("occupied"), "a file where a folder should be");
    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    ASSERT_TRUE(wizard.walkTo(IDD_DESTINATION));
    wizard.setText(IDC_DESTINATION_EDT_FOLDER, folder.path("occupied\\Kestrova"));
    wizard.press(PSBTN_NEXT);
    const SetupBox box = setup.waitForBox();
    ASSERT_TRUE(box) << "no refusal";
    EXPECT_EQ(box.text,
              "ERROR: Can't write to the specified folder.\nPlease specify another location...");
    EXPECT_TRUE(setup.answer(box, IDOK));
    EXPECT_EQ(wizard.pageId(), IDD_DESTINATION);
    cancelAndExpectExit(setup, wizard);
}

TEST_F(SetupEndToEnd, FirstInstallationWithDefaultChoicesAndBothIcons) {
    ASSERT_FALSE(pathExists(installFolder()));
    ASSERT_EQ(packageFiles().size(), 101u) << "--package-list=" << gOptions.packageList;
    recordOpenedDocuments();

    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    std::string summary;
    walkToFinish(setup, wizard, "96dpi", [&](WizardDriver& page, int id) {
        expectControlsInsidePage(page, id);
        switch (id) {
            case IDD_DESTINATION:
                EXPECT_EQ(page.text(IDC_DESTINATION_EDT_FOLDER), installFolder());
                EXPECT_TRUE(page.isEnabled(IDC_DESTINATION_EDT_FOLDER));
                EXPECT_EQ(page.text(IDC_DESTINATION_TXT_REINSTALL), "");
                break;
            case IDD_DATA_FOLDER:
                EXPECT_EQ(page.text(IDC_DATA_FOLDER_EDT_FOLDER), dataFolder());
                EXPECT_TRUE(page.isEnabled(IDC_DATA_FOLDER_EDT_FOLDER));
                break;
            case IDD_TASKS:
                ASSERT_TRUE(page.isEnabled(IDC_TASKS_CHK_QUICK_LAUNCH))
                    << "Quick Launch is not offered";
                page.click(IDC_TASKS_CHK_DESKTOP);
                page.click(IDC_TASKS_CHK_QUICK_LAUNCH);
                EXPECT_TRUE(
                    waitUntil([&] { return page.isChecked(IDC_TASKS_CHK_QUICK_LAUNCH); }, 5000));
                break;
            case IDD_READY:
                summary = page.text(IDC_READY_EDT_SUMMARY);
                break;
            case IDD_FINISH:
                EXPECT_TRUE(page.isChecked(IDC_FINISH_CHK_LAUNCH));
                EXPECT_FALSE(page.isChecked(IDC_FINISH_CHK_MANUAL));
                EXPECT_TRUE(page.isChecked(IDC_FINISH_CHK_HARDWARE_GUIDE));
                break;
        }
    });
    EXPECT_EQ(summary, "The Program Location:\r\n    " + installFolder() +
                           "\r\n\r\nRecording & Data Folder Location:\r\n    " + dataFolder() +
                           "\r\n\r\nCreate Start Menu folder:\r\n    Programs\\Kestrova\r\n\r\n"
                           "Additional tasks:\r\n    Additional icons:\r\n"
                           "      Create a desktop icon\r\n      Create a Quick Launch icon\r\n");
    ASSERT_EQ(wizard.pageId(), IDD_FINISH);
    finish(setup, wizard);

    expectInstalled(defaultInstallation(true, true));
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKey, "nshbt0").number(), 2u);
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKey, "WOVol").number(), 16383u);
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKey, "SetupSchdRcSAI").number(), 1u);

    // Finish opened the hardware guide and started the program.
    EXPECT_NE(openedDocuments().find("Quick Setup\\index.htm"), std::string::npos);
    EXPECT_TRUE(waitUntil([] { return standInCount() == 1; }, 10000));
}

// A setup built from a list of other files (ctest e2e-payload-list) installs those
// files, byte for byte, and nothing else but the driver library's second copy.
TEST_F(ListedPayloadEndToEnd, InstallsExactlyTheFilesOfItsList) {
    const std::vector<PackageFile> files = packageFiles();
    ASSERT_FALSE(files.empty()) << "--package-list=" << gOptions.packageList;
    installWithTheDefaults();

    const std::string folder = installFolder() + "\\";
    std::set<std::string> expected = {"__cdcb.lx"};
    for (const PackageFile& file : files) {
        expected.insert(file.name);
        std::string installed, source;
        ASSERT_TRUE(readFile(file.source, &source)) << file.source;
        EXPECT_TRUE(readFile(folder + file.name, &installed)) << file.name;
        EXPECT_TRUE(installed == source) << file.name << " differs from " << file.source;
    }
    std::set<std::string> installed;
    for (const auto& [name, state] : snapshotTree(folder)) {
        if (!state.folder) {
            installed.insert(name);
        }
    }
    EXPECT_EQ(installed, expected);
}

TEST_F(SetupEndToEnd, ReinstallationKeepsTheFoldersAndTheUsersValues) {
    ASSERT_TRUE(fileExists(installFolder() + "\\kvr.exe")) << "needs the first installation";
    writeRawNumber(HKEY_CURRENT_USER, kSettingsKey, "nshbt0", 5);
    writeRawNumber(HKEY_CURRENT_USER, kSettingsKey, "WOVol", 1234);

    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    walkToFinish(setup, wizard, nullptr, [&](WizardDriver& page, int id) {
        switch (id) {
            case IDD_DESTINATION:
                EXPECT_EQ(page.text(IDC_DESTINATION_EDT_FOLDER), installFolder());
                EXPECT_FALSE(page.isEnabled(IDC_DESTINATION_EDT_FOLDER));
                EXPECT_FALSE(page.isEnabled(IDC_DESTINATION_BTN_BROWSE));
                EXPECT_EQ(page.text(IDC_DESTINATION_TXT_REINSTALL), kReinstallNotice);
                break;
            case IDD_DATA_FOLDER:
                EXPECT_EQ(page.text(IDC_DATA_FOLDER_EDT_FOLDER), dataFolder());
                EXPECT_FALSE(page.isEnabled(IDC_DATA_FOLDER_EDT_FOLDER));
                EXPECT_FALSE(page.isEnabled(IDC_DATA_FOLDER_BTN_BROWSE));
                EXPECT_EQ(page.text(IDC_DATA_FOLDER_TXT_DEFINED), kDataFolderNotice);
                break;
            case IDD_FINISH:
                EXPECT_TRUE(page.isChecked(IDC_FINISH_CHK_LAUNCH));
                EXPECT_FALSE(page.isChecked(IDC_FINISH_CHK_HARDWARE_GUIDE));
                page.click(IDC_FINISH_CHK_LAUNCH);
                EXPECT_TRUE(
                    waitUntil([&] { return !page.isChecked(IDC_FINISH_CHK_LAUNCH); }, 5000));
                break;
        }
    });
    ASSERT_EQ(wizard.pageId(), IDD_FINISH);
    finish(setup, wizard);

    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKey, "nshbt0").number(), 5u);
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKey, "WOVol").number(), 1234u);
    // No icons chosen this time: the earlier ones are gone.
    expectInstalled(defaultInstallation(false, false));
    EXPECT_EQ(standInCount(), 0);
}

TEST_F(SetupEndToEnd, EveryPageFitsAt144Dpi) {
    setDpi(144);
    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    setDpi(96);
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    RECT rect;
    GetWindowRect(sheet, &rect);
    walkToFinish(setup, wizard, "144dpi", [&](WizardDriver& page, int id) {
        expectControlsInsidePage(page, id);
        if (id == IDD_FINISH) {
            page.click(IDC_FINISH_CHK_LAUNCH);
            EXPECT_TRUE(waitUntil([&] { return !page.isChecked(IDC_FINISH_CHK_LAUNCH); }, 5000));
        }
    });
    ASSERT_EQ(wizard.pageId(), IDD_FINISH);
    finish(setup, wizard);
    // 144 DPI makes the wizard half as large again as at 96 DPI (about 500 pixels wide).
    EXPECT_GT(rect.right - rect.left, 650);
}

TEST_F(SetupEndToEnd, EarlierReleaseIsRemovedWhenNextIsPressed) {
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.2");
    const std::string log = tempFolder() + "kvr-e2e-uninstaller.log";
    const std::string uninstaller = tempFolder() + "Kestrova Version 1_2_2 Uninstaller.exe";
    DeleteFileA(log.c_str());

    SetupProcess setup(gOptions.setup, "", {{"KVR_OLD_UNINSTALLER_LOG", log}});
    HWND sheet = setup.waitForWizard();
    ASSERT_NE(sheet, nullptr);
    WizardDriver wizard(sheet);
    ASSERT_TRUE(wizard.waitForPage(IDD_WELCOME));
    settle(setup, wizard);
    EXPECT_EQ(wizard.text(IDC_WELCOME_TXT_NOTICE), kEarlierReleaseNotice);
    EXPECT_FALSE(fileExists(log));

    wizard.press(PSBTN_NEXT);
    ASSERT_TRUE(wizard.waitForPage(IDD_LICENCE, 30000));
    std::string ran;
    EXPECT_TRUE(readFile(log, &ran));
    EXPECT_EQ(ran, "KVRUninstaller122 ran: " + uninstaller + "\r\n");
    EXPECT_FALSE(pathExists(uninstaller));
    // The stand-in uninstaller removes the recorded release.
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kSettingsKey, "ver").present());
    cancelAndExpectExit(setup, wizard);
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.7.1");
}

TEST_F(SetupEndToEnd, NewerInstalledVersionIsOfferedInsteadOfTheWizard) {
    ASSERT_TRUE(fileExists(installFolder() + "\\kvr.exe")) << "needs the first installation";
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.8");
    recordOpenedDocuments();
    {
        SCOPED_TRACE("No: nothing is started");
        SetupProcess setup(gOptions.setup);
        expectOnlyBox(setup, kNewerVersionQuestion, IDNO);
        Sleep(300);
        EXPECT_EQ(standInCount(), 0);
    }
    {
        SCOPED_TRACE("Yes: the installed program is started");
        SetupProcess setup(gOptions.setup);
        expectOnlyBox(setup, kNewerVersionQuestion, IDYES);
        EXPECT_TRUE(waitUntil([] { return standInCount() == 1; }, 10000));
        closeStandIns();
    }
    {
        SCOPED_TRACE("Yes, but no program recorded: the download page");
        writeRawText(HKEY_CURRENT_USER, kSettingsKey, "InstallFolder", "");
        SetupProcess setup(gOptions.setup);
        const SetupBox question = setup.waitForBox();
        ASSERT_TRUE(question);
        EXPECT_EQ(question.text, kNewerVersionQuestion);
        setup.answer(question, IDYES);
        const SetupBox failure = setup.waitForBox();
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure.text, kCannotRunText);
        setup.answer(failure, IDOK);
        DWORD exitCode = 1;
        ASSERT_TRUE(setup.waitForExit(kExitWait, &exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_FALSE(setup.wizardSeen());
        EXPECT_NE(openedDocuments().find("/php/download.php?what=kvr"), std::string::npos);
    }
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "InstallFolder", installFolder());
    writeRawText(HKEY_CURRENT_USER, kSettingsKey, "ver", "1.2.7.1");
}

// make run: one installation with the default choices, its pictures, and a line
// that says what was installed.
int walkOnce() {
    setSetupWindowsVersion("winxp");
    SetupProcess setup(gOptions.setup);
    HWND sheet = setup.waitForWizard();
    if (sheet == nullptr) {
        std::printf("The setup showed no wizard.\n");
        return 1;
    }
    WizardDriver wizard(sheet);
    walkToFinish(setup, wizard, "96dpi", [](WizardDriver& page, int id) {
        if (id == IDD_FINISH && page.isChecked(IDC_FINISH_CHK_HARDWARE_GUIDE)) {
            page.click(IDC_FINISH_CHK_HARDWARE_GUIDE);
            waitUntil([&] { return !page.isChecked(IDC_FINISH_CHK_HARDWARE_GUIDE); }, 5000);
        }
    });
    if (wizard.pageId() != IDD_FINISH) {
        std::printf("The setup did not reach its finish page.\n");
        return 1;
    }
    finish(setup, wizard);
    int files = 0;
    const std::vector<PackageFile> expected = packageFiles();
    for (const PackageFile& file : expected) {
        files += fileExists(installFolder() + "\\" + file.name) ? 1 : 0;
    }
    int links = 0;
    for (const char* name : {"Kestrova", "Manual", "Quick Hardware Setup", "Uninstall"}) {
        links += fileExists(startMenuFolder() + name + ".lnk") ? 1 : 0;
    }
    std::printf(
        "Installed Kestrova %s: %d of %zu files into %s, data folder %s, %d Start Menu "
        "shortcuts, uninstall entry %s; the program %s.\n",
        setting("ver").c_str(), files, expected.size(), installFolder().c_str(),
        dataFolder().c_str(), links,
        keyExists(HKEY_CURRENT_USER, kUninstallKey) ? "registered" : "MISSING",
        waitUntil([] { return standInCount() > 0; }, 5000) ? "was started" : "did not start");
    closeStandIns();
    return files == static_cast<int>(expected.size()) && files > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.rfind("--setup=", 0) == 0) {
            gOptions.setup = argument.substr(8);
        } else if (argument.rfind("--package-list=", 0) == 0) {
            gOptions.packageList = argument.substr(15);
        } else if (argument.rfind("--screens=", 0) == 0) {
            gOptions.screens = argument.substr(10);
        } else if (argument.rfind("--small-drive=", 0) == 0) {
            gOptions.smallDrive = argument.substr(14);
        } else if (argument == "--walk") {
            gOptions.walk = true;
        }
    }
    usePhysicalPixels();
    CoInitialize(nullptr);
    setDpi(96);
    if (gOptions.walk) {
        return walkOnce();
    }
    setSetupWindowsVersion("winxp");
    return RUN_ALL_TESTS();
}
