// The install driver in a program that carries no main package: the first tick
// fails with the broken-package message, returns to the ready page and opens the
// feedback page. The shell's "open" command for https is pointed at this program
// itself (OpenedPageRecorder), which writes the URL it was given to a file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/earlier_release.h"
#include "engine/install_driver.h"
#include "engine/staging.h"
#include "startup/setup_session.h"
#include "tests/support/earlier_removal.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/opened_page_recorder.h"
#include "tests/support/test_environment.h"
#include "tests/support/test_windows.h"

namespace {

constexpr const char* kBrokenText =
    "FATAL ERROR: Installation package is broken...\n(Please report it to our technical "
    "support.)";

class BrokenPackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        gSession.progress.reset();
        gSession.stepRunning = 0;
        gSession.sheetWindow = wizard_.handle();
        gSession.choices.installFolder.assign(installFolder_.c_str());
        gSession.choices.stagingFolder.clear();
    }
    void TearDown() override {
        gSession.progress.reset();
        gSession.sheetWindow = nullptr;
    }

    TestFolder folder_{"broken-package"};
    const std::string installFolder_ = folder_.path("Kestrova");
    InstallingPage page_;
    StandInWizard wizard_;
};

TEST_F(BrokenPackageTest, PreparationReportsTheBrokenPackageAndAsksForFeedback) {
    TextBuffer error;
    bool offerFeedback = false;
    EXPECT_FALSE(prepareInstallation(page_.handle(), error, offerFeedback));
    EXPECT_STREQ(error.text(), kBrokenText);
    EXPECT_TRUE(offerFeedback);
    EXPECT_EQ(gSession.progress.packageEntries, nullptr);
    EXPECT_EQ(gSession.progress.stepTotals[0], 0);
    EXPECT_EQ(gSession.choices.stagingFolder.visibleLength(), 0u);
    EXPECT_FALSE(pathExists(installFolder_));
}

TEST_F(BrokenPackageTest, FirstTickFailsReturnsToTheReadyPageAndOpensTheFeedbackPage) {
    std::vector<ShownBox> shown;
    std::string opened;
    {
        const OpenedPageRecorder recorder(folder_.path("opened.txt"));
        MessageBoxAnswerer boxes;
        runInstallStep(page_.handle());
        shown = boxes.shown();
        opened = recorder.waitForPage();
    }
    EXPECT_EQ(gSession.progress.installFailed, 1);
    EXPECT_EQ(gSession.progress.stepIndex, 0);
    EXPECT_EQ(gSession.stepRunning, 0);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kBrokenText);
    EXPECT_EQ(wizard_.pageRequests, std::vector<LPARAM>{112});
    EXPECT_NE(opened.find("/php/dwnld_fdbk.php?what=glitch&name=KVR&ver=1.2.7.1"),
              std::string::npos)
        << opened;

    // Later ticks do nothing.
    runInstallStep(page_.handle());
    EXPECT_EQ(wizard_.pageRequests.size(), 1u);
}

// Without resource 139 the earlier release cannot be unpacked: error 9, said once,
// and no uninstaller file is written.
TEST(BrokenPackage, EarlierReleaseRemovalWithoutItsUninstallerFailsWithNine) {
    const EarlierRemovalRun run = runEarlierRemoval();

    EXPECT_FALSE(run.removed);
    EXPECT_EQ(run.errorNumber, 9);
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].text,
              "FATAL ERROR: Installation package is broken, cannot retrieve uninstaller for "
              "v.1.2.2\n(Please report it to our technical support.)");
    EXPECT_EQ(run.shown[0].icon, errorIcon());
    EXPECT_FALSE(run.uninstallerLeft);
}

}  // namespace

int main(int argc, char** argv) {
    if (recordOpenedPage(argc, argv)) {
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
