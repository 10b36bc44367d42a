// The earlier release's archive in a program whose resource 139 holds the
// uninstaller twice, with the digest of exactly those bytes: the archive is sound,
// but anything other than one entry counts as broken.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/earlier_release.h"
#include "engine/package_archive.h"
#include "engine/package_digest.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"

namespace {

TEST(TwoEntryUninstaller, RemovalRefusesTheSoundArchiveWithThirteenAndWritesNothing) {
    uint32_t length = 0;
    const uint8_t* bytes = loadPackageResource(kEarlierUninstallerResource, &length);
    ASSERT_NE(bytes, nullptr);
    ASSERT_TRUE(packageMatchesDigest(kEarlierUninstallerResource, bytes, length));
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    ASSERT_TRUE(openPackage(bytes, length, &entries, &image));
    const uint32_t count = entries->count;
    freePackage(entries, image);
    ASSERT_EQ(count, 2u);

    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    const std::string uninstaller = std::string(temp) + "Kestrova Version 1_2_2 Uninstaller.exe";
    MessageBoxAnswerer answerer;
    int errorNumber = -1;

    EXPECT_FALSE(removeEarlierRelease(&errorNumber));

    EXPECT_EQ(errorNumber, 13);
    const std::vector<ShownBox> shown = answerer.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              "FATAL ERROR: Installation package archive is broken, cannot retrieve uninstaller "
              "for v.1.2.2\n(Please report it to our technical support.)");
    EXPECT_EQ(shown[0].icon, errorIcon());
    EXPECT_TRUE(shown[0].hasOk && !shown[0].hasYes);
    EXPECT_FALSE(pathExists(uninstaller));
}

}  // namespace
