// The engine in programs whose packages cannot be trusted: built twice, once
// carrying both archives with their last byte changed after their digests were
// taken, once carrying the archives as built but no digest resource. Either way
// both archives still pass the reader's own checks, and both are refused before
// anything is written, with the messages of a broken package.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/earlier_release.h"
#include "engine/package_archive.h"
#include "engine/staging.h"
#include "startup/setup_session.h"
#include "tests/support/earlier_removal.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/test_windows.h"

namespace {

bool readerAccepts(int resourceId) {
    uint32_t length = 0;
    const uint8_t* bytes = loadPackageResource(resourceId, &length);
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    if (bytes == nullptr || !openPackage(bytes, length, &entries, &image)) {
        return false;
    }
    freePackage(entries, image);
    return true;
}

TEST(UntrustedPackage, BothArchivesStillPassTheReadersChecks) {
    EXPECT_TRUE(readerAccepts(kMainPackageResource));
    EXPECT_TRUE(readerAccepts(kEarlierUninstallerResource));
}

TEST(UntrustedPackage, PreparationRefusesTheMainPackageBeforeWritingAnything) {
    TestFolder folder("untrusted-package");
    InstallingPage page;
    gSession.progress.reset();
    gSession.choices.installFolder.assign(folder.path("Kestrova").c_str());
    gSession.choices.stagingFolder.assign(folder.path("staging").c_str());
    TextBuffer error;
    bool offerFeedback = false;

    EXPECT_FALSE(prepareInstallation(page.handle(), error, offerFeedback));

    EXPECT_STREQ(error.text(),
                 "FATAL ERROR: Installation package is broken...\n(Please report it to our "
                 "technical support.)");
    EXPECT_TRUE(offerFeedback);
    EXPECT_EQ(gSession.progress.packageEntries, nullptr);
    EXPECT_FALSE(pathExists(folder.path("Kestrova")));
    EXPECT_FALSE(pathExists(folder.path("staging")));
    gSession.progress.reset();
}

TEST(UntrustedPackage, EarlierReleaseRemovalRefusesItsArchiveWithThirteen) {
    const EarlierRemovalRun run = runEarlierRemoval();

    EXPECT_FALSE(run.removed);
    EXPECT_EQ(run.errorNumber, 13);
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].text,
              "FATAL ERROR: Installation package archive is broken, cannot retrieve uninstaller "
              "for v.1.2.2\n(Please report it to our technical support.)");
    EXPECT_FALSE(run.uninstallerLeft);
}

}  // namespace
