// The tasks, ready, installing and finish pages: their decisions as plain
// functions, and the real wizard installing the real package into a test folder.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "resources/resource_ids.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/polling.h"
#include "tests/support/shell_lookups.h"
#include "tests/support/window_search.h"
#include "engine/install_driver.h"
#include "tests/support/test_environment.h"
#include "tests/support/test_windows.h"
#include "tests/support/wizard_driver.h"
#include "wizard/ready_page.h"
#include "wizard/tasks_page.h"
#include "wizard/wizard_pages.h"

namespace {

constexpr const char* kExitQuestion =
    "Setup is not complete. If you exit now, the program will not be installed.\n\nYou may run "
    "Setup again at another time to complete the installation.\n\nExit Setup?";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrova";
constexpr DWORD kInstallTimeout = 60000;
// How long a click or page change of the wizard may take to show.
constexpr DWORD kUiWait = 5000;

TEST(ReadySummary, ListsTheFoldersTheStartMenuFolderAndTheChosenIcons) {
    const std::string folders =
        "The Program Location:\r\n    C:\\Apps\\Kestrova\r\n\r\n"
        "Recording & Data Folder Location:\r\n    D:\\Recordings 100%s\r\n\r\n";
    const std::string startMenu = "Create Start Menu folder:\r\n    Programs\\Kestrova\r\n\r\n";
    const std::string icons = "Additional tasks:\r\n    Additional icons:\r\n";
    const std::string desktop = "      Create a desktop icon\r\n";
    const std::string quickLaunch = "      Create a Quick Launch icon\r\n";
    const struct {
        int startMenuFolder;
        int desktopIcon;
        int quickLaunchIcon;
        std::string expected;
    } cases[] = {
        {0, 0, 0, folders},
        {1, 0, 0, folders + startMenu},
        {1, 1, 0, folders + startMenu + icons + desktop},
        {0, 0, 1, folders + icons + quickLaunch},
        {1, 1, 1, folders + startMenu + icons + desktop + quickLaunch},
    };
    for (const auto& c : cases) {
        SetupChoices choices;
        choices.installFolder.assign("C:\\Apps\\Kestrova");
        choices.dataFolder.assign("D:\\Recordings 100%s");
        choices.createStartMenuFolder = c.startMenuFolder;
        choices.startMenuGroup.assign(c.startMenuFolder ? "Programs\\Kestrova" : "");
        choices.createDesktopIcon = c.desktopIcon;
        choices.createQuickLaunchIcon = c.quickLaunchIcon;
        EXPECT_EQ(c.expected, readySummary(choices).text())
            << c.startMenuFolder << c.desktopIcon << c.quickLaunchIcon;
    }
}

TEST(QuickLaunchOffer, OnlyBeforeVersionSixOneAndWithAnApplicationDataFolder) {
    const struct {
        DWORD major;
        DWORD minor;
        bool offered;
    } cases[] = {
        {5, 1, true}, {5, 2, true}, {6, 0, true}, {6, 1, false}, {6, 2, false}, {10, 0, false},
    };
    for (const auto& c : cases) {
        OSVERSIONINFOA version{};
        version.dwOSVersionInfoSize = sizeof version;
        version.dwMajorVersion = c.major;
        version.dwMinorVersion = c.minor;
        EXPECT_EQ(c.offered, quickLaunchOffered(true, &version)) << c.major << "." << c.minor;
        EXPECT_FALSE(quickLaunchOffered(false, &version)) << c.major << "." << c.minor;
    }
    EXPECT_TRUE(quickLaunchOffered(true, nullptr));
    EXPECT_FALSE(quickLaunchOffered(false, nullptr));
}

// A process's creation time as the open recorder writes it.
std::string creationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return "";
    char text[17];
    wsprintfA(text, "%08lX%08lX", created.dwHighDateTime, created.dwLowDateTime);
    return text;
}

// open_recorder.exe as the machine-wide "open" command of web pages (".htm" is
// given to "htmlfile"); every document it is given is logged with the time its
// process was created. The registrations are put back at the end.
class OpenRecorder {
public:
    explicit OpenRecorder(std::string log) : log_(std::move(log)) {
        const std::string command =
            "\"" + programFolder() + "open_recorder.exe\" \"" + log_ + "\" \"%1\"";
        writeRawText(HKEY_LOCAL_MACHINE, kHtmKey, nullptr, "htmlfile");
        writeRawText(HKEY_LOCAL_MACHINE, kHtmlFileCommand, nullptr, command);
        writeRawText(HKEY_LOCAL_MACHINE, kHttpCommand, nullptr, command);
    }

    // (creation time, document), oldest first: the copies may log in any order.
    std::vector<std::pair<std::string, std::string>> opened() const {
        std::vector<std::pair<std::string, std::string>> entries;
        std::string contents;
        if (!readFile(log_, &contents))
            return entries;
        for (size_t start = 0; start < contents.size();) {
            size_t end = contents.find("\r\n", start);
            if (end == std::string::npos)
                end = contents.size();
            const std::string line = contents.substr(start, end - start);
            entries.emplace_back(line.substr(0, 16), line.size() > 17 ? line.substr(17) : "");
            start = end + 2;
        }
        std::sort(entries.begin(), entries.end());
        return entries;
    }

private:
    static constexpr const char* kHtmKey = "Software\\Classes\\.htm";
    static constexpr const char* kHtmlFileCommand =
        "Software\\Classes\\htmlfile\\shell\\open\\command";
    static constexpr const char* kHttpCommand = "Software\\Classes\\http\\shell\\open\\command";
    KeySnapshot htm_{HKEY_LOCAL_MACHINE, kHtmKey};
    KeySnapshot htmlFile_{HKEY_LOCAL_MACHINE, kHtmlFileCommand};
    KeySnapshot http_{HKEY_LOCAL_MACHINE, kHttpCommand};
    std::string log_;
};

class InstallPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        OleInitialize(nullptr);
        gSession.moduleInstance = GetModuleHandleA(nullptr);
        gSession.versionRecorded = 0;
        gSession.progress.reset();
        gSession.stepRunning = 0;
        gSession.cancelAllowed = 0;
        SetupChoices& choices = gSession.choices;
        choices.installFolder.assign(installFolder_.c_str());
        choices.dataFolder.assign(dataFolder_.c_str());
        choices.startMenuGroup.clear();
        choices.startMenuFolder.clear();
        choices.createStartMenuFolder = 0;
        choices.createDesktopIcon = 0;
        choices.createQuickLaunchIcon = 0;
        choices.stagingFolder.clear();
        desktopLink_ = shellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Kestrova.lnk";
        ASSERT_FALSE(pathExists(desktopLink_));
    }

    void TearDown() override {
        gSession.progress.reset();
        const std::string staging = gSession.choices.stagingFolder.text();
        if (!staging.empty())
            removeTree(staging);
        gSession.choices.stagingFolder.clear();
        DeleteFileA(desktopLink_.c_str());
        OleUninitialize();
    }

    // From the welcome page to the tasks page with the default choices, except
    // that every folder lies in the test's own folder and no Start Menu folder is
    // made.
    bool walkToTasksPage(WizardDriver& wizard) {
        if (!wizard.waitForPage(IDD_WELCOME) || !wizard.walkTo(IDD_DESTINATION))
            return false;
        setTextIfPresent(wizard, IDC_DESTINATION_EDT_FOLDER, installFolder_);
        if (!wizard.walkTo(IDD_START_MENU))
            return false;
        if (wizard.control(IDC_START_MENU_CHK_NONE) != nullptr) {
            wizard.click(IDC_START_MENU_CHK_NONE);
            waitUntil([&] { return wizard.isChecked(IDC_START_MENU_CHK_NONE); }, kUiWait);
        }
        if (!wizard.walkTo(IDD_DATA_FOLDER))
            return false;
        setTextIfPresent(wizard, IDC_DATA_FOLDER_EDT_FOLDER, dataFolder_);
        return wizard.walkTo(IDD_TASKS);
    }

    // From the welcome page through a whole installation to the finish page.
    bool installToFinishPage(WizardDriver& wizard) {
        if (!walkToTasksPage(wizard) || !wizard.walkTo(IDD_READY))
            return false;
        wizard.press(PSBTN_NEXT);
        return wizard.waitForPage(IDD_FINISH, kInstallTimeout) &&
               waitUntil([&] { return wizard.sheetButtonEnabled(WizardDriver::kFinish); }, kUiWait);
    }

    // Until the folder pages have their fields, the choices set in SetUp stand.
    static void setTextIfPresent(WizardDriver& wizard, int id, const std::string& text) {
        if (wizard.control(id) != nullptr)
            wizard.setText(id, text);
    }

    static void setChecked(WizardDriver& wizard, int id, bool checked) {
        if (wizard.isChecked(id) != checked) {
            wizard.click(id);
            waitUntil([&] { return wizard.isChecked(id) == checked; }, kUiWait);
        }
    }

    std::string installed(const char* relative) const {
        std::string contents;
        readFile(installFolder_ + "\\" + relative, &contents);
        return contents;
    }
    static std::string built(const char* relative) {
        std::string contents;
        readFile(programFolder() + relative, &contents);
        return contents;
    }

    KeySnapshot product_{HKEY_CURRENT_USER, "Software\\from Velmora"};
    SettingsKeyGuard settings_;
    KeySnapshot uninstall_{HKEY_CURRENT_USER, kUninstallKey};
    KeySnapshot documentType_{HKEY_CURRENT_USER, "Software\\Classes\\.kvrd"};
    KeySnapshot documentClass_{HKEY_CURRENT_USER, "Software\\Classes\\KVRD.file"};
    KeySnapshot htm_{HKEY_CURRENT_USER, "Software\\Classes\\.htm"};
    KeySnapshot html_{HKEY_CURRENT_USER, "Software\\Classes\\.html"};
    KeySnapshot webClass_{HKEY_CURRENT_USER, "Software\\Classes\\Open.html.file"};
    TestFolder folder_{"install-pages"};
    const std::string installFolder_ = folder_.path("Kestrova");
    const std::string dataFolder_ = folder_.path("Data");
    std::string desktopLink_;
};

// Tasks and ready pages as the user leaves them, Cancel answered No while the
// files are written, the finish page's boxes, and Finish opening the manual, the
// hardware guide and then the program.
TEST_F(InstallPagesTest, InstallsToTheEndAndFinishOpensTheCheckedItemsInOrder) {
    const OpenRecorder recorder(folder_.path("opened.txt"));
    MessageBoxAnswerer answerer({IDNO});
    bool desktopEnabled = false;
    bool quickLaunchEnabled = true;
    std::string summary;
    bool buttonsWhileInstalling = true;
    bool finishOnly = false;
    bool launchChecked = false, manualChecked = true, guideChecked = false;
    LOGFONTA notice{};
    bool closed = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkToTasksPage(wizard))
            return;
        desktopEnabled = wizard.isEnabled(IDC_TASKS_CHK_DESKTOP);
        quickLaunchEnabled = wizard.isEnabled(IDC_TASKS_CHK_QUICK_LAUNCH);
        setChecked(wizard, IDC_TASKS_CHK_DESKTOP, true);
        if (!wizard.walkTo(IDD_READY))
            return;
        summary = wizard.text(IDC_READY_EDT_SUMMARY);
        wizard.press(PSBTN_NEXT);
        if (!wizard.waitForPage(IDD_INSTALLING))
            return;
        wizard.press(PSBTN_CANCEL);
        buttonsWhileInstalling = wizard.sheetButtonEnabled(WizardDriver::kBack) ||
                                 wizard.sheetButtonEnabled(WizardDriver::kNext) ||
                                 wizard.sheetButtonEnabled(WizardDriver::kFinish);
        if (!wizard.waitForPage(IDD_FINISH, kInstallTimeout))
            return;
        finishOnly = waitUntil(
            [&] {
                return wizard.sheetButtonEnabled(WizardDriver::kFinish) &&
                       !wizard.sheetButtonEnabled(WizardDriver::kBack);
            },
            kUiWait);
        launchChecked = wizard.isChecked(IDC_FINISH_CHK_LAUNCH);
        manualChecked = wizard.isChecked(IDC_FINISH_CHK_MANUAL);
        guideChecked = wizard.isChecked(IDC_FINISH_CHK_HARDWARE_GUIDE);
        const auto font = reinterpret_cast<HFONT>(
            SendMessageA(wizard.control(IDC_FINISH_TXT_IMPORTANT), WM_GETFONT, 0, 0));
        GetObjectA(font, sizeof notice, &notice);
        setChecked(wizard, IDC_FINISH_CHK_MANUAL, true);
        wizard.press(PSBTN_FINISH);
        closed = wizard.waitForClose();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(closed);

    EXPECT_TRUE(desktopEnabled);
    EXPECT_FALSE(quickLaunchEnabled) << "Wine reports version 6.1";
    EXPECT_EQ("The Program Location:\r\n    " + installFolder_ +
                  "\r\n\r\nRecording & Data Folder Location:\r\n    " + dataFolder_ +
                  "\r\n\r\nAdditional tasks:\r\n    Additional icons:\r\n      Create a desktop "
                  "icon\r\n",
              summary);
    EXPECT_FALSE(buttonsWhileInstalling);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kExitQuestion, boxes[0].text);

    EXPECT_TRUE(finishOnly);
    EXPECT_TRUE(launchChecked);
    EXPECT_FALSE(manualChecked);
    EXPECT_TRUE(guideChecked);
    EXPECT_EQ(700, notice.lfWeight);
    EXPECT_EQ(nullptr, gSession.finishBoldFont);
    EXPECT_EQ(nullptr, gSession.progress.backupList);

    EXPECT_EQ(built("kvr.exe"), installed("kvr.exe"));
    EXPECT_EQ(built("payload\\Manual\\index.htm"), installed("Manual\\index.htm"));
    EXPECT_EQ(built("payload\\Quick Setup\\index.htm"), installed("Quick Setup\\index.htm"));
    EXPECT_FALSE(pathExists(gSession.choices.stagingFolder.text()));
    EXPECT_TRUE(fileExists(desktopLink_));

    HWND program = nullptr;
    EXPECT_TRUE(
        waitUntil([&] { return (program = FindWindowA("Velmora_kestrova", nullptr)); }, 10000));
    DWORD programId = 0;
    GetWindowThreadProcessId(program, &programId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, programId);
    ASSERT_NE(nullptr, process);
    const std::string programStarted = creationTime(process);
    PostMessageA(program, RegisterWindowMessageA("KVR_CloseImmediately"), 1, 0);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
    CloseHandle(process);

    waitUntil([&] { return recorder.opened().size() >= 2; }, kUiWait);
    const auto opened = recorder.opened();
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(installFolder_ + "\\Manual\\index.htm", opened[0].second);
    EXPECT_EQ(installFolder_ + "\\Quick Setup\\index.htm", opened[1].second);
    EXPECT_LT(opened[1].first, programStarted);
}

TEST_F(InstallPagesTest, CancelConfirmedWhileFilesAreWrittenRestoresTheFolderAndEndsTheWizard) {
    createFolders(installFolder_);
    writeFile(installFolder_ + "\\kvr.exe", "earlier kvr.exe");
    MessageBoxAnswerer answerer({IDYES});
    bool closed = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkToTasksPage(wizard) || !wizard.walkTo(IDD_READY))
            return;
        wizard.press(PSBTN_NEXT);
        if (!wizard.waitForPage(IDD_INSTALLING))
            return;
        wizard.press(PSBTN_CANCEL);
        closed = wizard.waitForClose(kInstallTimeout);
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(closed);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kExitQuestion, boxes[0].text);
    EXPECT_EQ("earlier kvr.exe", installed("kvr.exe"));
    EXPECT_FALSE(pathExists(installFolder_ + "\\Manual"));
    EXPECT_FALSE(pathExists(installFolder_ + "\\Quick Setup"));
    EXPECT_FALSE(pathExists(installFolder_ + "\\kvrcore.dll"));
    EXPECT_FALSE(pathExists(dataFolder_));
    EXPECT_FALSE(pathExists(desktopLink_));
    const std::string staging = gSession.choices.stagingFolder.text();
    EXPECT_TRUE(staging.empty() || !pathExists(staging)) << staging;
}

// Cancel on the page itself, beside a stand-in wizard, after the first tick has
// made the install folder and before any file is written: refused once the
// installation may no longer stop, declined, then confirmed.
TEST_F(InstallPagesTest, CancelRightAfterThePreparationLeavesNoInstallFolder) {
    StandInWizard wizard;
    gSession.sheetWindow = wizard.handle();
    HWND page = CreateDialogParamA(gSession.moduleInstance, MAKEINTRESOURCEA(IDD_INSTALLING),
                                   wizard.handle(), installingPageProc, 0);
    ASSERT_NE(nullptr, page);
    gSession.cancelAllowed = 1;
    runInstallStep(page);
    ASSERT_EQ(1, gSession.progress.stepIndex);
    ASSERT_TRUE(folderExists(installFolder_));

    NMHDR cancel{wizard.handle(), 0, PSN_QUERYCANCEL};
    const auto pressCancel = [&] {
        return SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&cancel));
    };
    MessageBoxAnswerer answerer({IDNO, IDYES});
    gSession.cancelAllowed = 0;
    const LRESULT refused = pressCancel();
    const size_t boxesAfterRefusal = answerer.shown().size();
    gSession.cancelAllowed = 1;
    const LRESULT declined = pressCancel();
    const int heldAfterNo = gSession.progress.installFailed;
    const LRESULT confirmed = pressCancel();
    DestroyWindow(page);
    gSession.sheetWindow = nullptr;

    EXPECT_EQ(1, refused);
    EXPECT_EQ(0u, boxesAfterRefusal);
    EXPECT_EQ(1, declined);
    EXPECT_EQ(0, heldAfterNo);
    EXPECT_EQ(1, gSession.progress.stepIndex);
    EXPECT_EQ(0, confirmed);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(kExitQuestion, boxes[1].text);
    EXPECT_FALSE(pathExists(installFolder_));
    EXPECT_FALSE(pathExists(gSession.choices.stagingFolder.text()));
}

// A copy of the program started after the earlier pages had closed theirs is asked
// to close when the installation starts, and the run's timer is 391.
TEST_F(InstallPagesTest, ActivationClosesRunningCopiesAndStartsTimer391) {
    StandInWizard wizard;
    gSession.sheetWindow = wizard.handle();
    HWND page = CreateDialogParamA(gSession.moduleInstance, MAKEINTRESOURCEA(IDD_INSTALLING),
                                   wizard.handle(), installingPageProc, 0);
    ASSERT_NE(nullptr, page);
    StandInProcess program;
    ASSERT_NE(nullptr, program.window());

    NMHDR activate{wizard.handle(), 0, PSN_SETACTIVE};
    SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&activate));
    const bool timerStarted = KillTimer(page, 391) != FALSE;
    DestroyWindow(page);
    gSession.sheetWindow = nullptr;

    EXPECT_TRUE(program.waitForExit(5000));
    EXPECT_TRUE(timerStarted);
    EXPECT_EQ(1, gSession.cancelAllowed);
}

// The summary is made on every visit: Back, a box checked, and the ready page shows
// the new icon.
TEST_F(InstallPagesTest, ReadySummaryShowsAChoiceChangedAfterBack) {
    MessageBoxAnswerer answerer({IDYES});
    std::string first, second;
    WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkToTasksPage(wizard) || !wizard.walkTo(IDD_READY))
            return;
        first = wizard.text(IDC_READY_EDT_SUMMARY);
        wizard.press(PSBTN_BACK);
        if (!wizard.waitForPage(IDD_TASKS))
            return;
        setChecked(wizard, IDC_TASKS_CHK_DESKTOP, true);
        if (wizard.walkTo(IDD_READY))
            second = wizard.text(IDC_READY_EDT_SUMMARY);
        wizard.press(PSBTN_CANCEL);
    });
    const std::string folders = "The Program Location:\r\n    " + installFolder_ +
                                "\r\n\r\nRecording & Data Folder Location:\r\n    " + dataFolder_ +
                                "\r\n\r\n";
    EXPECT_EQ(folders, first);
    EXPECT_EQ(
        folders + "Additional tasks:\r\n    Additional icons:\r\n      Create a desktop icon\r\n",
        second);
}

// A file held open stops the first run, which goes back to the ready page; Next
// from there installs. Cancel during the final step (held there by the message of
// an unwritable uninstall entry) is refused without a question. On a reinstall
// only the program is offered, and Finish with every box cleared opens nothing.
TEST_F(InstallPagesTest, FailedStepReturnsToTheReadyPageAndNextFromThereInstalls) {
    gSession.versionRecorded = 1;
    const OpenRecorder recorder(folder_.path("opened.txt"));
    const KeyLock lockedEntry(HKEY_CURRENT_USER, kUninstallKey, true);
    ASSERT_TRUE(lockedEntry.applied());
    const std::string held = installFolder_ + "\\kvr.exe";
    createFolders(installFolder_);
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);

    std::string failure, registration;
    bool backOnReady = false, nextEnabled = false;
    bool cancelRefused = false, noOtherBox = false;
    bool launchChecked = false, manualChecked = true, guideChecked = true;
    bool closed = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkToTasksPage(wizard) || !wizard.walkTo(IDD_READY))
            return;
        wizard.press(PSBTN_NEXT);
        HWND box = nullptr;
        if (!waitUntil([&] { return (box = findMessageBox(wizard.sheet())); }, kInstallTimeout))
            return;
        failure = windowText(GetDlgItem(box, kMessageBoxTextId));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        backOnReady = wizard.waitForPage(IDD_READY);
        nextEnabled =
            waitUntil([&] { return wizard.sheetButtonEnabled(WizardDriver::kNext); }, kUiWait);
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;

        wizard.press(PSBTN_NEXT);
        if (!waitUntil([&] { return (box = findMessageBox(wizard.sheet())); }, kInstallTimeout))
            return;
        registration = windowText(GetDlgItem(box, kMessageBoxTextId));
        wizard.press(PSBTN_CANCEL);
        Sleep(300);
        cancelRefused = gSession.sheetWindow != nullptr && wizard.pageId() == IDD_INSTALLING;
        noOtherBox = !waitUntil(
            [&] {
                HWND other = findMessageBox(wizard.sheet());
                return other != nullptr && other != box;
            },
            300);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        if (!wizard.waitForPage(IDD_FINISH, kInstallTimeout))
            return;
        launchChecked = wizard.isChecked(IDC_FINISH_CHK_LAUNCH);
        manualChecked = wizard.isChecked(IDC_FINISH_CHK_MANUAL);
        guideChecked = wizard.isChecked(IDC_FINISH_CHK_HARDWARE_GUIDE);
        setChecked(wizard, IDC_FINISH_CHK_LAUNCH, false);
        wizard.press(PSBTN_FINISH);
        closed = wizard.waitForClose();
    });
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    EXPECT_TRUE(ended);
    EXPECT_EQ("ERROR: (32) Cannot install the following file:\n\n" + held, failure);
    EXPECT_TRUE(backOnReady);
    EXPECT_TRUE(nextEnabled);
    EXPECT_EQ("ERROR: Cannot register uninstallation...", registration);
    EXPECT_TRUE(cancelRefused);
    EXPECT_TRUE(noOtherBox);
    EXPECT_TRUE(launchChecked);
    EXPECT_FALSE(manualChecked);
    EXPECT_FALSE(guideChecked);
    EXPECT_TRUE(closed);
    EXPECT_EQ(built("kvr.exe"), installed("kvr.exe"));
    EXPECT_EQ(built("payload\\Manual\\index.htm"), installed("Manual\\index.htm"));
    Sleep(500);
    EXPECT_TRUE(recorder.opened().empty());
    EXPECT_EQ(nullptr, FindWindowA("Velmora_kestrova", nullptr));
}

// After the installation there is nothing to confirm: Cancel closes at once, and
// the documents and the program that Finish would open stay closed.
TEST_F(InstallPagesTest, CancelOnTheFinishPageClosesWithoutAQuestionAndOpensNothing) {
    const OpenRecorder recorder(folder_.path("opened.txt"));
    MessageBoxAnswerer answerer({IDNO});
    bool reached = false, closed = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!(reached = installToFinishPage(wizard)))
            return;
        setChecked(wizard, IDC_FINISH_CHK_MANUAL, true);
        wizard.press(PSBTN_CANCEL);
        closed = wizard.waitForClose();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(reached);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(answerer.shown().empty());
    Sleep(500);
    EXPECT_TRUE(recorder.opened().empty());
    EXPECT_EQ(nullptr, FindWindowA("Velmora_kestrova", nullptr));
}

// Finish with the program gone from the install folder says so.
TEST_F(InstallPagesTest, FinishSaysWhenTheProgramCannotBeStarted) {
    const OpenRecorder recorder(folder_.path("opened.txt"));
    MessageBoxAnswerer answerer;
    bool reached = false, closed = false, removed = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!(reached = installToFinishPage(wizard)))
            return;
        setChecked(wizard, IDC_FINISH_CHK_HARDWARE_GUIDE, false);
        setChecked(wizard, IDC_FINISH_CHK_LAUNCH, true);
        removed = DeleteFileA((installFolder_ + "\\kvr.exe").c_str()) != FALSE;
        wizard.press(PSBTN_FINISH);
        closed = wizard.waitForClose();
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(reached);
    EXPECT_TRUE(removed);
    EXPECT_TRUE(closed);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot start main program", boxes[0].text);
    EXPECT_EQ(errorIcon(), boxes[0].icon);
    EXPECT_TRUE(boxes[0].hasOk && !boxes[0].hasYes);
    Sleep(500);
    EXPECT_TRUE(recorder.opened().empty());
}

}  // namespace
