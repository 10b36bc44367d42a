// An installation whose process is ended half-way, put back (or finished) by the
// next start's recovery; journals torn in their last entry; values and journals
// that do not describe an installation of this setup.
#include <functional>
#include <string>

#include "engine/interrupted_installation.h"
#include "engine/undo_journal.h"
#include "install_fixture.h"
#include "startup/setup_session.h"

namespace {

constexpr int kFileSteps = 102;
constexpr int kShortcutsStep = kFileSteps + 1;
constexpr int kFinalStep = kFileSteps + 3;
constexpr const char* kStagingValue = "SetupStgFldr";

class InterruptedInstallationTest : public InstallTest {
protected:
    std::string stagingValue() const {
        return readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, kStagingValue).text();
    }
    bool stagingValuePresent() const {
        return readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, kStagingValue).present();
    }
    void setStagingValue(const std::string& folder) {
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, kStagingValue, folder);
    }

    // Ends the installation right after driver step `step`, then recovers: the
    // staging folder and the value are gone afterwards.
    InterruptedInstallation interruptAfter(int step) {
        EXPECT_TRUE(installInChildUntilStep(step, root_));
        const std::string staging = stagingValue();
        EXPECT_EQ(staging.empty(), step == kFinalStep) << "the value of a running installation";
        const InterruptedOutcome outcome = recoverInterruptedInstallation();
        EXPECT_FALSE(stagingValuePresent());
        if (!staging.empty()) {
            EXPECT_FALSE(pathExists(staging)) << staging;
            removeTree(staging);
        }
        return outcome.found;
    }

    void expectCompleteInstallation() {
        for (int k = 0; k < kFileSteps; ++k) {
            std::string contents;
            EXPECT_TRUE(readFile(target(k), &contents) && contents == installedFiles()[k].contents)
                << installedFiles()[k].name;
        }
    }

    // Ended after every n-th file step and after the three steps beyond the point
    // of no return; `earlier` makes the folder that each run starts from.
    void interruptEverywhere(const std::function<void()>& earlier) {
        earlier();
        const FolderTree before = snapshotTree(installFolder_);
        for (int k = 0; k < kFileSteps; k += KVR_UNDO_LOOP_STRIDE) {
            SCOPED_TRACE("file step " + std::to_string(k) + ": " + installedFiles()[k].name);
            EXPECT_EQ(interruptAfter(k + 1), InterruptedInstallation::undone);
            EXPECT_TRUE(snapshotTree(installFolder_) == before);
        }
        for (int step = kShortcutsStep; step <= kFinalStep; ++step) {
            SCOPED_TRACE("driver step " + std::to_string(step));
            EXPECT_EQ(interruptAfter(step), step == kFinalStep
                                                ? InterruptedInstallation::none
                                                : InterruptedInstallation::cleanupFinished);
            expectCompleteInstallation();
            removeTree(installFolder_);
            earlier();
        }
    }
};

TEST_F(InterruptedInstallationTest, FreshInstallationEndedAfterAnyStep) {
    interruptEverywhere([] {});
}

TEST_F(InterruptedInstallationTest, ReinstallationOverReadOnlyAndHiddenFilesEndedAfterAnyStep) {
    interruptEverywhere([this] { makeEarlierInstallation(); });
}

// A staging folder given with "/temp" is found through the value like the default
// one; of what was in it, only the setup's own files go.
TEST_F(InterruptedInstallationTest, GivenStagingFolderIsUndoneToo) {
    makeEarlierInstallation();
    const FolderTree before = snapshotTree(installFolder_);
    const std::string given = root_ + "my temp";
    createFolders(given);
    writeFile(given + "\\notes.txt", "mine");

    ASSERT_TRUE(installInChildUntilStep(kFileSteps / 2, root_, given));
    EXPECT_EQ(stagingValue(), given);
    EXPECT_EQ(recoverInterruptedInstallation().found, InterruptedInstallation::undone);

    EXPECT_TRUE(snapshotTree(installFolder_) == before);
    const FolderTree left = snapshotTree(given);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left.begin()->first, "notes.txt");
    EXPECT_FALSE(stagingValuePresent());
}

// A journal whose last entry, for a file that existed, is cut short or damaged at
// any byte: the entries before it are undone, the file that it names is left as
// it is, and so is its saved copy.
TEST_F(InterruptedInstallationTest, TornOrDamagedLastEntryLeavesItsFileAlone) {
    const std::string staging = root_ + "staging\\";
    const std::string added = installFolder_ + "\\added.dll";
    const std::string replaced = installFolder_ + "\\kvr.exe";
    const std::string saved = staging + "0123456789AB.081";
    createFolders(staging);
    createFolders(installFolder_);
    ASSERT_TRUE(startUndoJournal(staging.c_str(), installFolder_.c_str()));
    InstallRecord record;
    record.state = newFile;
    record.targetPath.assign(added.c_str());
    ASSERT_TRUE(appendUndoEntry(staging.c_str(), record, 0, INVALID_FILE_ATTRIBUTES));
    std::string journal;
    ASSERT_TRUE(readFile(undoJournalPath(staging.c_str()).text(), &journal));
    const size_t lastEntry = journal.size();
    record.state = backedUp;
    record.targetPath.assign(replaced.c_str());
    record.backupPath.assign(saved.c_str());
    ASSERT_TRUE(appendUndoEntry(staging.c_str(), record, 1, FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(readFile(undoJournalPath(staging.c_str()).text(), &journal));

    auto recoverFrom = [&](const std::string& bytes) {
        writeFile(added, "added");
        writeFile(replaced, "installed");
        writeFile(saved, "earlier");
        writeFile(undoJournalPath(staging.c_str()).text(), bytes);
        setStagingValue(staging);
        EXPECT_EQ(recoverInterruptedInstallation().found, InterruptedInstallation::undone);
        EXPECT_FALSE(pathExists(added));
        EXPECT_FALSE(stagingValuePresent());
    };
    auto expectUntouched = [&] {
        std::string contents;
        EXPECT_TRUE(readFile(replaced, &contents) && contents == "installed");
        EXPECT_TRUE(readFile(saved, &contents) && contents == "earlier");
    };
    for (size_t cut = lastEntry; cut < journal.size(); ++cut) {
        SCOPED_TRACE("cut at byte " + std::to_string(cut));
        recoverFrom(journal.substr(0, cut));
        expectUntouched();
    }
    for (size_t damaged = lastEntry; damaged < journal.size(); ++damaged) {
        SCOPED_TRACE("byte " + std::to_string(damaged) + " damaged");
        std::string bytes = journal;
        bytes[damaged] = static_cast<char>(bytes[damaged] ^ 0x5A);
        recoverFrom(bytes);
        expectUntouched();
    }
    // The whole entry proves that the file may be put back, hidden as it was.
    recoverFrom(journal);
    std::string contents;
    EXPECT_TRUE(readFile(replaced, &contents) && contents == "earlier");
    EXPECT_EQ(attributesOf(replaced) & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(pathExists(staging));
}

// A journal of several megabytes (a large package; here fewer entries with the
// longest names an entry holds) is read whole, not refused for its size.
TEST_F(InterruptedInstallationTest, JournalOfSeveralMegabytesIsReadWhole) {
    constexpr int kEntries = 560;
    const std::string staging = root_ + "staging\\";
    createFolders(staging);
    ASSERT_TRUE(startUndoJournal(staging.c_str(), installFolder_.c_str()));
    InstallRecord record;
    record.state = newFile;
    const std::string longName = installFolder_ + "\\" + std::string(7900, 'n');
    for (int step = 0; step < kEntries; ++step) {
        record.targetPath.assign((longName + std::to_string(step)).c_str());
        ASSERT_TRUE(appendUndoEntry(staging.c_str(), record, step, INVALID_FILE_ATTRIBUTES));
    }
    UndoJournalContents journal;
    ASSERT_TRUE(readUndoJournal(staging.c_str(), &journal));
    EXPECT_EQ(journal.count, kEntries);
    EXPECT_EQ(std::string(journal.records[kEntries - 1].targetPath.text()),
              longName + std::to_string(kEntries - 1));
}

// Ended after the preparation step: no file was touched, so nothing is said; the
// journal and the staging folder go with the value.
TEST_F(InterruptedInstallationTest, JournalWithoutFileStepsIsRemovedWithoutAWord) {
    const FolderTree before = snapshotTree(root_);
    const std::string staging = root_ + "staging";
    createFolders(staging);
    ASSERT_TRUE(startUndoJournal(staging.c_str(), installFolder_.c_str()));
    setStagingValue(staging);
    const InterruptedOutcome outcome = recoverInterruptedInstallation();
    EXPECT_EQ(outcome.found, InterruptedInstallation::none);
    EXPECT_EQ(outcome.message.visibleLength(), 0u);
    EXPECT_FALSE(stagingValuePresent());
    EXPECT_TRUE(snapshotTree(root_) == before);
}

// Values and journals that do not describe an installation of this setup: the
// value is removed and no file anywhere below the test folder changes.
TEST_F(InterruptedInstallationTest, ForeignOrMalformedValueIsRemovedAndNothingTouched) {
    const std::string staging = root_ + "staging";
    const std::string outside = root_ + "outside.txt";
    const std::string installed = installFolder_ + "\\kvr.exe";
    auto journalWith = [&](const char* installFolder, InstallRecord record) {
        ASSERT_TRUE(startUndoJournal(staging.c_str(), installFolder));
        ASSERT_TRUE(appendUndoEntry(staging.c_str(), record, 0, 0));
    };
    auto newFileAt = [](const std::string& path) {
        InstallRecord record;
        record.state = newFile;
        record.targetPath.assign(path.c_str());
        return record;
    };
    const struct {
        const char* what;
        std::function<void()> prepare;
    } cases[] = {
        {"folder missing", [&] { setStagingValue(root_ + "nowhere"); }},
        {"no journal", [&] { setStagingValue(staging); }},
        {"relative folder", [&] { setStagingValue("staging"); }},
        {"not a text value",
         [&] { writeRawNumber(HKEY_CURRENT_USER, kSettingsKeyPath, kStagingValue, 7); }},
        {"foreign journal",
         [&] {
             writeFile(undoJournalPath(staging.c_str()).text(), "KVRJ and something else");
             setStagingValue(staging);
         }},
        {"empty journal",
         [&] {
             writeFile(undoJournalPath(staging.c_str()).text(), "");
             setStagingValue(staging);
         }},
        {"damaged start entry",
         [&] {
             journalWith(installFolder_.c_str(), newFileAt(installed));
             std::string bytes;
             readFile(undoJournalPath(staging.c_str()).text(), &bytes);
             bytes[12] = static_cast<char>(bytes[12] ^ 1);
             writeFile(undoJournalPath(staging.c_str()).text(), bytes);
             setStagingValue(staging);
         }},
        {"target outside the install folder",
         [&] {
             journalWith(installFolder_.c_str(), newFileAt(outside));
             setStagingValue(staging);
         }},
        {"target in a sibling folder",
         [&] {
             journalWith(installFolder_.c_str(), newFileAt(root_ + "Kestrovb\\kvr.exe"));
             setStagingValue(staging);
         }},
        {"target that climbs out",
         [&] {
             journalWith(installFolder_.c_str(), newFileAt(installFolder_ + "\\..\\outside.txt"));
             setStagingValue(staging);
         }},
        {"relative install folder",
         [&] {
             journalWith("Kestrova", newFileAt("Kestrova\\kvr.exe"));
             setStagingValue(staging);
         }},
        {"saved copy outside the staging folder",
         [&] {
             InstallRecord record;
             record.state = backedUp;
             record.targetPath.assign(installed.c_str());
             record.backupPath.assign(outside.c_str());
             journalWith(installFolder_.c_str(), record);
             setStagingValue(staging);
         }},
        {"entries out of step order",
         [&] {
             journalWith(installFolder_.c_str(), newFileAt(installed));
             ASSERT_TRUE(appendUndoEntry(staging.c_str(), newFileAt(installed), 0, 0));
             setStagingValue(staging);
         }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        removeTree(root_);
        createFolders(staging);
        createFolders(installFolder_);
        writeFile(installed, "installed");
        writeFile(outside, "the user's");
        createFolders(root_ + "Kestrovb");
        writeFile(root_ + "Kestrovb\\kvr.exe", "another program's");
        test.prepare();
        const FolderTree before = snapshotTree(root_);
        const InterruptedOutcome outcome = recoverInterruptedInstallation();
        EXPECT_EQ(outcome.found, InterruptedInstallation::none);
        EXPECT_EQ(outcome.message.visibleLength(), 0u);
        EXPECT_FALSE(stagingValuePresent());
        EXPECT_TRUE(snapshotTree(root_) == before);
    }
}

}  // namespace
