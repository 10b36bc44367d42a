// The session record's progress reset and the pseudo-random generator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/package_writer.h"
#include "startup/random.h"
#include "startup/setup_session.h"

namespace {

TEST(Random, FollowsTheLinearCongruentialSequence) {
    const uint32_t saved = gSession.randomState;
    // The classic sequence of this generator seeded with 1.
    seedRandom(1);
    EXPECT_EQ(nextRandom(), 41);
    EXPECT_EQ(nextRandom(), 18467);
    EXPECT_EQ(nextRandom(), 6334);
    EXPECT_EQ(nextRandom(), 26500);

    // Reseeding restarts the sequence; values stay within 15 bits.
    seedRandom(0xFFFFFFFFu);
    const int first = nextRandom();
    int highest = 0;
    for (int i = 0; i < 10000; ++i) {
        const int value = nextRandom();
        ASSERT_GE(value, 0);
        highest = value > highest ? value : highest;
    }
    EXPECT_LE(highest, 32767);
    EXPECT_GT(highest, 32000);
    seedRandom(0xFFFFFFFFu);
    EXPECT_EQ(nextRandom(), first);
    gSession.randomState = saved;
}

TEST(InstallProgress, ResetFreesRecordsAndZeroesEverything) {
    InstallProgress progress;
    progress.reset();
    EXPECT_EQ(progress.backupList, nullptr);

    progress.stepIndex = 7;
    progress.installFailed = 1;
    progress.stepTotals[0] = 108;
    progress.stepTotals[1] = 103;
    progress.backupCount = 3;
    progress.backupList = new InstallRecord[3];
    progress.backupList[1].state = backedUp;
    progress.backupList[1].backupPath.assign("C:\\staging\\0000AAAA1111.081");
    progress.backupList[1].targetPath.assign("C:\\Kestrova\\kvr.exe");
    std::vector<uint8_t> archive;
    std::string reason;
    ASSERT_TRUE(writePackage({{"kvr.exe", {1, 2, 3}}}, 0, &archive, &reason)) << reason;
    ASSERT_TRUE(openPackage(archive.data(), static_cast<uint32_t>(archive.size()),
                            &progress.packageEntries, &progress.packageData));

    progress.reset();
    EXPECT_EQ(progress.stepIndex, 0);
    EXPECT_EQ(progress.installFailed, 0);
    EXPECT_EQ(progress.stepTotals[0], 0);
    EXPECT_EQ(progress.stepTotals[1], 0);
    EXPECT_EQ(progress.backupList, nullptr);
    EXPECT_EQ(progress.backupCount, 0);
    EXPECT_EQ(progress.packageEntries, nullptr);
    EXPECT_EQ(progress.packageData, nullptr);

    // A second reset of an empty record only zeroes.
    progress.reset();
    EXPECT_EQ(progress.backupList, nullptr);
}

}  // namespace
