// The whole installation driven tick by tick: fresh installs, reinstalls, and a
// failure injected at every file step (or every n-th, see FileStepFailureTest),
// each followed by the undo.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include "engine/install_driver.h"
#include "engine/rollback.h"
#include "engine/undo_journal.h"
#include "install_fixture.h"
#include "startup/setup_session.h"
#include "tests/support/opened_page_recorder.h"
#include "text/scoped_handles.h"

namespace {

constexpr int kFileSteps = 102;
constexpr int kTotalSteps = 106;
constexpr LPARAM kReadyPage = 112;
constexpr LPARAM kFinishPage = 114;
constexpr int kSettingsStep = 104;
constexpr int kFinalStep = 105;
constexpr const char* kRegistryWriteMessage =
    "ERROR: Writing values to System Registry...\n(Please report it to "
    "support@velmora-software.example)";

// "<temp>\instrbXXXX.XX\" with upper-case hexadecimal digits.
bool isGeneratedStagingName(const std::string& folder) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string prefix = std::string(temp) + "instrb";
    if (folder.size() != prefix.size() + 8 || folder.compare(0, prefix.size(), prefix) != 0 ||
        folder[prefix.size() + 4] != '.' || folder.back() != '\\') {
        return false;
    }
    for (size_t i = prefix.size(); i < folder.size() - 1; ++i) {
        const char c = folder[i];
        if (i != prefix.size() + 4 && !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

std::string nameOf(int k) {
    return installedFiles()[k].name;
}

// Counts the texts set on a control (a subclass of it, `counter` its reference data).
LRESULT CALLBACK countTextSets(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR counter) {
    if (message == WM_SETTEXT) {
        ++*reinterpret_cast<int*>(counter);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

class InstallDriverTest : public InstallTest {
protected:
    void expectCompleteInstallation() {
        for (const InstalledFile& file : installedFiles()) {
            std::string contents;
            ASSERT_TRUE(readFile(installFolder_ + "\\" + file.name, &contents)) << file.name;
            EXPECT_TRUE(contents == file.contents) << file.name << " differs from the package";
        }
    }

    std::string stagingFolder() const { return gSession.choices.stagingFolder.text(); }

    // Holds file step k's target open without sharing (made, with its folder, when
    // missing) and installs from the start: the installation must stop at that
    // step with one message naming the file, go back to the ready page and leave
    // no staging folder.
    void failAtFileStep(int k) {
        const std::string obstacle = target(k);
        createFolders(obstacle.substr(0, obstacle.rfind('\\')));
        HANDLE held = CreateFileA(obstacle.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        gSession.progress.reset();
        wizard_.pageRequests.clear();
        boxes_.clear();

        EXPECT_EQ(driveToEnd(), k + 2);
        CloseHandle(held);
        EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kReadyPage});
        const std::vector<ShownBox> boxes = boxes_.shown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "ERROR: (32) Cannot install the following file:\n\n" + obstacle);
        EXPECT_FALSE(pathExists(stagingFolder()));
    }
};

TEST_F(InstallDriverTest, FreshInstallWritesEveryFileAndMovesToTheFinishPage) {
    std::vector<int> positions;
    EXPECT_EQ(driveToEnd(&positions), kTotalSteps);

    expectCompleteInstallation();
    const std::string a = installFolder_ + "\\__cdca.lx";
    const std::string b = installFolder_ + "\\__cdcb.lx";
    std::string first, second;
    ASSERT_TRUE(readFile(a, &first));
    ASSERT_TRUE(readFile(b, &second));
    EXPECT_EQ(first, second);
    EXPECT_TRUE(attributesOf(a) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(attributesOf(b) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributesOf(installFolder_ + "\\kvr.exe") & FILE_ATTRIBUTE_HIDDEN);

    ASSERT_EQ(positions.size(), static_cast<size_t>(kTotalSteps));
    EXPECT_EQ(positions[0], 0);
    EXPECT_EQ(positions[1], 2);
    EXPECT_EQ(positions.back(), 253);
    for (size_t i = 1; i < positions.size(); ++i) {
        EXPECT_GE(positions[i], positions[i - 1]);
    }
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kFinishPage});
    EXPECT_TRUE(boxes_.shown().empty());
    EXPECT_TRUE(isGeneratedStagingName(stagingFolder())) << stagingFolder();
    EXPECT_FALSE(pathExists(stagingFolder()));
    EXPECT_EQ(gSession.cancelAllowed, 0);

    // Further ticks do nothing once the installation is complete.
    runInstallStep(page_.handle());
    EXPECT_EQ(gSession.progress.stepIndex, kTotalSteps);
}

// A package of more files than the bar has positions: most steps leave the bar
// where it stands, and after every step it still shows step x 256 / total.
TEST_F(InstallDriverTest, TheBarFollowsEveryStepWhenStepsOutnumberItsPositions) {
    constexpr int kPretendedTotal = 1000;
    driveUntilStep(1);
    ASSERT_FALSE(gSession.progress.installFailed);
    gSession.progress.stepTotals[0] = kPretendedTotal;
    int position = page_.progressPosition();
    ASSERT_EQ(position, 0);
    for (int step = 1; step < kTotalSteps; ++step) {
        runInstallStep(page_.handle());
        ASSERT_EQ(gSession.progress.stepIndex, step + 1) << statusText();
        EXPECT_EQ(page_.progressPosition(), step * 256 / kPretendedTotal) << "after step " << step;
    }
    pumpMessages();
}

TEST_F(InstallDriverTest, EveryFileStepShowsItsFileWhileTheStatusLineIsSetOnce) {
    driveUntilStep(1);
    ASSERT_EQ(statusText(), "Creating installation folder...");
    const HWND status = GetDlgItem(page_.handle(), IDC_INSTALLING_TXT_STATUS);
    int statusSets = 0;
    ASSERT_TRUE(SetWindowSubclass(status, countTextSets, 1, DWORD_PTR(&statusSets)));
    for (int k = 0; k < kFileSteps; ++k) {
        driveUntilStep(k + 2);
        ASSERT_EQ(gSession.progress.stepIndex, k + 2) << statusText();
        EXPECT_EQ(statusText(), "Installing File:") << "after file step " << k;
        EXPECT_EQ(page_.line(IDC_INSTALLING_TXT_DETAIL), nameOf(k)) << "after file step " << k;
    }
    EXPECT_EQ(statusSets, 1);
    // The next step's own lines still show: "Installing data folder...", then
    // "Installing shortcuts...".
    driveUntilStep(kFileSteps + 2);
    EXPECT_EQ(statusText(), "Installing shortcuts...");
    EXPECT_EQ(page_.line(IDC_INSTALLING_TXT_DETAIL), "");
    EXPECT_EQ(statusSets, 3);
    RemoveWindowSubclass(status, countTextSets, 1);
}

TEST_F(InstallDriverTest, ReinstallSavesEveryReplacedFileAndDeletesTheCopiesAtTheEnd) {
    makeEarlierInstallation();
    const FolderTree before = snapshotTree(installFolder_);

    driveUntilStep(1 + kFileSteps);
    ASSERT_FALSE(gSession.progress.installFailed);
    const InstallProgress& progress = gSession.progress;
    ASSERT_EQ(progress.backupCount, kFileSteps);
    std::vector<std::string> copies;
    for (int k = 0; k < kFileSteps; ++k) {
        const InstallRecord& record = progress.backupList[k];
        EXPECT_STREQ(record.targetPath.text(), target(k).c_str());
        auto earlier = before.find(nameOf(k));
        if (earlier == before.end()) {
            EXPECT_EQ(record.state, newFile) << nameOf(k);
            continue;
        }
        ASSERT_EQ(record.state, backedUp) << nameOf(k);
        const std::string copy = record.backupPath.text();
        EXPECT_EQ(copy.substr(0, stagingFolder().size()), stagingFolder());
        EXPECT_EQ(copy.substr(copy.size() - 4), ".081");
        std::string contents;
        ASSERT_TRUE(readFile(copy, &contents));
        EXPECT_EQ(contents, earlier->second.contents) << nameOf(k);
        EXPECT_EQ(attributesOf(copy) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                  earlier->second.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
            << nameOf(k);
        copies.push_back(copy);
    }
    int existing = 0;
    for (int k = 0; k < kFileSteps; ++k) {
        existing += before.count(nameOf(k)) != 0;
    }
    EXPECT_EQ(static_cast<int>(copies.size()), existing);
    EXPECT_GE(existing, 36);

    driveToEnd();
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kFinishPage});
    expectCompleteInstallation();
    // Overwritten although it was read-only (it is written as a normal file).
    EXPECT_EQ(attributesOf(installFolder_ + "\\Manual\\index.htm") & FILE_ATTRIBUTE_READONLY, 0u);
    std::string notes;
    ASSERT_TRUE(readFile(installFolder_ + "\\my notes.txt", &notes));
    EXPECT_EQ(notes, "the user's own file");
    for (const std::string& copy : copies) {
        EXPECT_FALSE(pathExists(copy)) << copy;
    }
    EXPECT_FALSE(pathExists(stagingFolder()));
    EXPECT_TRUE(boxes_.shown().empty());
}

// The two undo loops fail an installation at every file step, or at every n-th
// where the build says so (KVR_UNDO_LOOP_STRIDE): the name of each ends with
// which, e.g. "/AtEveryFileStep" or "/AtEvery10thFileStep".
class FileStepFailureTest : public InstallDriverTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Undo, FileStepFailureTest, ::testing::Values(KVR_UNDO_LOOP_STRIDE),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 1
                                        ? std::string("AtEveryFileStep")
                                        : "AtEvery" + std::to_string(info.param) + "thFileStep";
                         });

// A failure at file step k (the target held open without sharing) undoes
// everything: the folder is as it was before, apart from the obstacle itself.
TEST_P(FileStepFailureTest, FreshInstallLeavesNothingBehind) {
    for (int k = 0; k < kFileSteps; k += GetParam()) {
        SCOPED_TRACE("file step " + std::to_string(k) + ": " + nameOf(k));
        const std::string obstacle = target(k);
        const std::string obstacleFolder = obstacle.substr(0, obstacle.rfind('\\'));
        ASSERT_NO_FATAL_FAILURE(failAtFileStep(k));

        // Only the obstacle and the folders made for it may remain.
        ASSERT_TRUE(DeleteFileA(obstacle.c_str()));
        for (std::string folder = obstacleFolder; folder.size() >= installFolder_.size();
             folder = folder.substr(0, folder.rfind('\\'))) {
            EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << folder << " is not empty";
        }
        ASSERT_FALSE(pathExists(installFolder_));
    }
}

TEST_P(FileStepFailureTest, ReinstallRestoresTheEarlierFiles) {
    makeEarlierInstallation();
    const FolderTree before = snapshotTree(installFolder_);
    for (int k = 0; k < kFileSteps; k += GetParam()) {
        SCOPED_TRACE("file step " + std::to_string(k) + ": " + nameOf(k));
        const std::string obstacle = target(k);
        const bool existed = pathExists(obstacle);
        const std::string obstacleFolder = obstacle.substr(0, obstacle.rfind('\\'));
        const bool folderExisted = pathExists(obstacleFolder);
        ASSERT_NO_FATAL_FAILURE(failAtFileStep(k));

        if (!existed) {
            ASSERT_TRUE(DeleteFileA(obstacle.c_str()));
            if (!folderExisted) {
                EXPECT_TRUE(RemoveDirectoryA(obstacleFolder.c_str()));
            }
        }
        const FolderTree after = snapshotTree(installFolder_);
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [name, state] : before) {
            auto found = after.find(name);
            ASSERT_NE(found, after.end()) << name << " is missing";
            EXPECT_TRUE(found->second == state) << name << " differs";
        }
    }
}

// A target that can be read, and so saved, but not opened for writing (a library
// still loaded by another program): nothing was written, so the undo has nothing
// to put back. One message, no copy kept anywhere, the folder as it was.
TEST_F(InstallDriverTest, TargetThatCanBeSavedButNotOpenedForWritingStaysAsItWas) {
    const struct {
        const char* what;
        bool reinstall;
        int k;
    } cases[] = {{"fresh", false, 2}, {"reinstall", true, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        removeTree(installFolder_);
        if (c.reinstall) {
            makeEarlierInstallation();
        } else {
            createFolders(installFolder_);
            writeFile(target(c.k), "the user's kvr.exe");
            SetFileAttributesA(target(c.k).c_str(), FILE_ATTRIBUTE_HIDDEN);
        }
        const FolderTree before = snapshotTree(installFolder_);
        HANDLE held = CreateFileA(target(c.k).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        gSession.progress.reset();
        wizard_.pageRequests.clear();
        boxes_.clear();

        EXPECT_EQ(driveToEnd(), c.k + 2);
        const InstallRecord& record = gSession.progress.backupList[c.k];
        EXPECT_EQ(record.state, notRecorded);
        EXPECT_EQ(record.targetPath.visibleLength(), 0u);
        EXPECT_EQ(record.backupPath.visibleLength(), 0u);
        CloseHandle(held);
        const std::vector<ShownBox> boxes = boxes_.shown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text,
                  "ERROR: (32) Cannot install the following file:\n\n" + target(c.k));
        EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kReadyPage});
        EXPECT_FALSE(pathExists(stagingFolder()));
        EXPECT_TRUE(snapshotTree(installFolder_) == before);
    }
}

// Each folder failure of the preparation: its message with the folder, one box,
// back to the ready page.
TEST_F(InstallDriverTest, PreparationFolderFailuresNameTheFolderAndGoBackToTheReadyPage) {
    writeFile(root_ + "blocked", "a file, not a folder");
    const struct {
        std::string staging;
        std::string install;
        std::string message;
    } cases[] = {
        {root_ + "blocked\\temp", installFolder_,
         "ERROR: Cannot write to specified temporary folder:\n\n" + root_ + "blocked\\temp"},
        {"", root_ + "blocked\\Kestrova",
         "ERROR: Cannot write to destination folder:\n\n" + root_ + "blocked\\Kestrova\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        gSession.progress.reset();
        wizard_.pageRequests.clear();
        boxes_.clear();
        gSession.choices.stagingFolder.assign(c.staging.c_str());
        gSession.choices.installFolder.assign(c.install.c_str());
        EXPECT_EQ(driveToEnd(), 1);
        const std::vector<ShownBox> boxes = boxes_.shown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].icon, errorIcon());
        EXPECT_EQ(boxes[0].defaultButton, IDOK);
        EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kReadyPage});
        EXPECT_FALSE(pathExists(stagingFolder()));
    }
}

// The settings step's writes refused: its one message, during which a tick does
// nothing; the step still counts as done, the feedback page opens after it, and
// the run reaches the finish page.
TEST_F(InstallDriverTest, RefusedSettingsWritesOpenTheFeedbackPageAndTheRunGoesOn) {
    driveUntilStep(kSettingsStep);
    ASSERT_EQ(gSession.progress.stepIndex, kSettingsStep);
    int stepAfterNestedTick = -1;
    boxes_.callWhileOpen([&] {
        if (stepAfterNestedTick == -1) {
            runInstallStep(page_.handle());
            stepAfterNestedTick = gSession.progress.stepIndex;
        }
    });
    std::string opened;
    {
        const OpenedPageRecorder recorder(root_ + "opened.txt");
        const KeyLock lock(HKEY_CURRENT_USER, kSettingsKeyPath, true);
        ASSERT_TRUE(lock.applied());
        runInstallStep(page_.handle());
        opened = recorder.waitForPage();
    }
    EXPECT_EQ(stepAfterNestedTick, kSettingsStep);
    EXPECT_EQ(gSession.progress.stepIndex, kFinalStep);
    const std::vector<ShownBox> boxes = boxes_.shown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kRegistryWriteMessage);
    EXPECT_EQ(boxes[0].icon, errorIcon());
    EXPECT_EQ(boxes[0].defaultButton, IDOK);
    // The host is the build's (KVR_MAKER_WEB_HOST); the path and query are fixed.
    EXPECT_EQ(opened, std::string("https://") + KVR_MAKER_WEB_HOST +
                          "/php/dwnld_fdbk.php?what=glitch&name=KVR&ver=1.2.7.1");

    EXPECT_EQ(driveToEnd(), 1);
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kFinishPage});
    EXPECT_FALSE(pathExists(stagingFolder()));
}

// The uninstall entry refused: one message, during which a tick does nothing (the
// final step does not run twice), then the finish page, the staging folder gone.
TEST_F(InstallDriverTest, RefusedUninstallEntryGivesOneMessageAndStillFinishes) {
    driveUntilStep(kFinalStep);
    ASSERT_EQ(gSession.progress.stepIndex, kFinalStep);
    boxes_.clear();
    int nestedTicks = 0;
    boxes_.callWhileOpen([&] {
        if (nestedTicks++ == 0) {
            runInstallStep(page_.handle());
        }
    });
    {
        const KeyLock lock(HKEY_CURRENT_USER, kUninstallKeyPath);
        ASSERT_TRUE(lock.applied());
        runInstallStep(page_.handle());
    }
    pumpMessages();
    EXPECT_EQ(nestedTicks, 1);
    const std::vector<ShownBox> boxes = boxes_.shown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ERROR: Cannot register uninstallation...");
    EXPECT_EQ(boxes[0].icon, errorIcon());
    EXPECT_EQ(boxes[0].defaultButton, IDOK);
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kFinishPage});
    EXPECT_EQ(gSession.progress.stepIndex, kTotalSteps);
    EXPECT_FALSE(pathExists(stagingFolder()));
}

// A failed shortcuts step undoes the files after all, so its message finds the
// journal without the point of no return: a process that died during that undo
// would be undone again at the next start.
TEST_F(InstallDriverTest, FailedShortcutsStepWithdrawsThePointOfNoReturnBeforeTheUndo) {
    makeEarlierInstallation();
    writeFile(root_ + "blocked", "a file, not a folder");
    gSession.choices.dataFolder.assign((root_ + "blocked\\Data").c_str());
    driveUntilStep(kFileSteps + 1);
    UndoJournalContents journal;
    bool journalRead = false;
    boxes_.callWhileOpen([&] { journalRead = readUndoJournal(stagingFolder().c_str(), &journal); });
    runInstallStep(page_.handle());
    ASSERT_EQ(boxes_.shown().size(), 1u);
    EXPECT_TRUE(journalRead);
    EXPECT_FALSE(journal.pointOfNoReturn);
    EXPECT_EQ(journal.count, kFileSteps);
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kReadyPage});
}

TEST_F(InstallDriverTest, GivenStagingFolderTakesTheCopiesDirectlyAndIsRemovedWhenEmpty) {
    makeEarlierInstallation();
    const std::string given = root_ + "given temp";
    gSession.choices.stagingFolder.assign(given.c_str());

    driveUntilStep(1 + kFileSteps);
    EXPECT_EQ(stagingFolder(), given);
    WIN32_FIND_DATAA found;
    const ScopedFind search(FindFirstFileA((given + "\\instrb*").c_str(), &found));
    EXPECT_FALSE(search.valid()) << "a generated subfolder was made";
    int saved = 0;
    for (int k = 0; k < gSession.progress.backupCount; ++k) {
        const InstallRecord& record = gSession.progress.backupList[k];
        if (record.state == backedUp) {
            const std::string copy = record.backupPath.text();
            EXPECT_EQ(copy.substr(0, copy.rfind('\\')), given);
            EXPECT_TRUE(pathExists(copy));
            ++saved;
        }
    }
    EXPECT_GE(saved, 36);

    driveToEnd();
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{kFinishPage});
    expectCompleteInstallation();
    EXPECT_FALSE(pathExists(given));
}

TEST_F(InstallDriverTest, UndoAfterEveryFileWasWrittenRemovesTheWholeFreshTree) {
    driveUntilStep(1 + kFileSteps);
    ASSERT_TRUE(pathExists(installFolder_ + "\\Quick Setup\\pics"));
    EXPECT_EQ(rollBackInstallation(page_.handle()), 1);
    EXPECT_EQ(statusText(), "Restoring previous files...");
    EXPECT_TRUE(cleanUpStaging(true));
    EXPECT_FALSE(pathExists(installFolder_));
    EXPECT_FALSE(pathExists(stagingFolder()));
    // The records are ordered deepest first now, and a second undo has nothing to do.
    for (int i = 1; i < gSession.progress.backupCount; ++i) {
        EXPECT_TRUE(gSession.progress.backupList[i].targetPath.visibleLength() == 0);
    }
    EXPECT_EQ(rollBackInstallation(page_.handle()), 0);
}

}  // namespace
