// What the engine tests share: an invisible installing page with the progress bar
// and the two status lines, a stand-in wizard window that records page changes,
// the main package as the tests expect it installed, and a test folder and
// registry state that are removed again after every test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/test_windows.h"
#include "tests/support/tree_snapshot.h"

// The files of one installation in file-step order: k 0 is "__cdcb.lx", k >= 1
// package entry k - 1.
struct InstalledFile {
    std::string name;
    std::string contents;
};
const std::vector<InstalledFile>& installedFiles();

// The session as every engine test starts it: choices below `root` (with a
// trailing backslash; the install folder is root + "Kestrova"), progress reset,
// page changes going to `wizard`.
void prepareSession(const std::string& root, HWND wizard);

// An installation in a child process (this test program started again) that is
// ended with TerminateProcess right after a given driver step has run, as if the
// user had ended it from the task manager or the machine had gone down.
// True when the child reached and ran the step before it was ended; false when
// it failed earlier, could not start or took longer than a minute.
// `staging`, when given, is the staging folder, as "/temp" gives it.
bool installInChildUntilStep(int step, const std::string& root, const std::string& staging = "");
// For main: runs the child's installation for the child's command line (and never
// returns then); false for any other command line.
bool runInstallationChild(int argc, char** argv);

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs ticks until the installation fails or completes; returns the number of
    // ticks that ran a step and appends the bar's position after each to `positions`.
    int driveToEnd(std::vector<int>* positions = nullptr);
    // Runs ticks while stepIndex < `step` and the installation goes on.
    void driveUntilStep(int step);
    // Delivers the page changes that the driver posted.
    void pumpMessages();
    std::string statusText() const;
    // File step k's target.
    std::string target(int k) const;
    // An earlier installation: the even-numbered files of the package up to the
    // guide's pages with other contents (none of "Quick Setup\pics"), the driver
    // libraries hidden, the manual's start page read-only, and a file of the user's.
    void makeEarlierInstallation();

    std::string root_;           // this test's folder, with a trailing backslash
    std::string installFolder_;  // root_ + "Kestrova", no trailing backslash
    InstallingPage page_;
    StandInWizard wizard_;
    MessageBoxAnswerer boxes_;

private:
    std::vector<std::string> keysCreated_;
};
