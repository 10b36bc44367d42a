// The archives embedded as resources of this program (package_resources.rc), read
// back with loadPackageResource and openPackage and compared with the payload files
// the build left beside this program: programs in its folder, documents in payload\.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/package_archive.h"
#include "tests/support/test_environment.h"

namespace {

constexpr int kScrambledMainPackageResource = 901;

std::vector<uint8_t> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

uint32_t imageUint32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// A resource archive opened for the length of a test.
struct OpenedResource {
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    bool ok = false;

    explicit OpenedResource(int id) {
        bytes = loadPackageResource(id, &length);
        ok = bytes != nullptr && openPackage(bytes, length, &entries, &image);
    }
    OpenedResource(const OpenedResource&) = delete;
    OpenedResource& operator=(const OpenedResource&) = delete;
    ~OpenedResource() {
        if (ok) {
            freePackage(entries, image);
        }
    }
    const PackageEntry& entry(uint32_t i) const { return entries->entries[i]; }
};

// The folder an entry name is in: all before its last backslash.
std::string folderOf(const std::string& name) {
    const size_t slash = name.rfind('\\');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

TEST(PackageResource, MissingResourceGivesNoBytesAndLengthZero) {
    uint32_t length = 1234;
    EXPECT_EQ(loadPackageResource(4711, &length), nullptr);
    EXPECT_EQ(length, 0u);
}

TEST(PackageResource, MainPackageHoldsThePayloadInInstallOrder) {
    OpenedResource package(kMainPackageResource);
    ASSERT_TRUE(package.ok);
    ASSERT_EQ(package.entries->count, 101u);

    const char* programs[] = {"__cdca.lx", "kvr.exe", "kvrcore.dll", "uninst_kvr.exe",
                              "kvrsched.exe"};
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_STREQ(package.entry(i).name, programs[i]);
    }
    struct Run {
        uint32_t first;
        uint32_t count;
        const char* folder;
    };
    const Run runs[] = {{5, 12, "Manual"},
                        {17, 22, "Manual\\pics"},
                        {39, 31, "Quick Setup"},
                        {70, 31, "Quick Setup\\pics"}};
    for (const Run& run : runs) {
        for (uint32_t i = run.first; i < run.first + run.count; ++i) {
            EXPECT_EQ(folderOf(package.entry(i).name), run.folder) << i;
        }
    }
    EXPECT_STREQ(package.entry(5).name, "Manual\\index.htm");
    EXPECT_STREQ(package.entry(39).name, "Quick Setup\\index.htm");

    // Header exactly as long as its contents; data back to back up to the end.
    const uint32_t headerSize = imageUint32(package.image + 4);
    EXPECT_EQ(imageUint32(package.image + headerSize - 5), package_format::kEndMarker);
    uint32_t expectedPosition = headerSize - 1;
    for (uint32_t i = 0; i < package.entries->count; ++i) {
        EXPECT_EQ(package.entry(i).position, expectedPosition) << package.entry(i).name;
        expectedPosition += package.entry(i).size;
    }
    EXPECT_EQ(expectedPosition, package.length - 1);

    const std::string folder = programFolder();
    for (uint32_t i = 0; i < package.entries->count; ++i) {
        const PackageEntry& entry = package.entry(i);
        const std::string source = i < 5 ? folder + entry.name : folder + "payload\\" + entry.name;
        const std::vector<uint8_t> expected = readFileBytes(source);
        ASSERT_FALSE(expected.empty()) << source;
        ASSERT_EQ(entry.size, expected.size()) << entry.name;
        EXPECT_EQ(0, std::memcmp(package.image + entry.position, expected.data(), entry.size))
            << entry.name;
    }
    EXPECT_EQ(0, std::memcmp(package.image + package.entry(0).position, "MZ", 2));
}

TEST(PackageResource, EarlierUninstallerPackageHoldsOneProgram) {
    OpenedResource package(kEarlierUninstallerResource);
    ASSERT_TRUE(package.ok);
    ASSERT_EQ(package.entries->count, 1u);
    EXPECT_EQ(package.bytes[0], 0);
    EXPECT_EQ(imageUint32(package.image + 4), 43u);
    const PackageEntry& entry = package.entry(0);
    EXPECT_STREQ(entry.name, "KVRUninstaller122.exe");
    const std::vector<uint8_t> expected = readFileBytes(programFolder() + "KVRUninstaller122.exe");
    ASSERT_EQ(entry.size, expected.size());
    EXPECT_EQ(0, std::memcmp(package.image + entry.position, expected.data(), entry.size));
}

TEST(PackageResource, ScrambledCopyUnpacksToTheSameImage) {
    OpenedResource plain(kMainPackageResource);
    OpenedResource scrambled(kScrambledMainPackageResource);
    ASSERT_TRUE(plain.ok);
    ASSERT_TRUE(scrambled.ok);
    EXPECT_EQ(scrambled.bytes[0], 250);
    ASSERT_EQ(scrambled.length, plain.length);
    EXPECT_NE(0, std::memcmp(scrambled.bytes + 1, plain.bytes + 1, plain.length - 1));
    EXPECT_EQ(0, std::memcmp(scrambled.image, plain.image, plain.length - 1));
    ASSERT_EQ(scrambled.entries->count, plain.entries->count);
    for (uint32_t i = 0; i < plain.entries->count; ++i) {
        EXPECT_STREQ(scrambled.entry(i).name, plain.entry(i).name);
        EXPECT_EQ(scrambled.entry(i).position, plain.entry(i).position);
        EXPECT_EQ(scrambled.entry(i).size, plain.entry(i).size);
    }
}

TEST(EarlierUninstallerStandIn, RecordsEachRunAndLingersWhenAsked) {
    char temp[MAX_PATH] = "";
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    const std::string log = std::string(temp) + "kvr-earlier-uninstaller-test.log";
    DeleteFileA(log.c_str());
    const std::string program = programFolder() + "KVRUninstaller122.exe";
    {
        ScopedEnvironment logVariable("KVR_OLD_UNINSTALLER_LOG", log);
        for (int run = 0; run < 2; ++run) {
            StandInProcess process("", "KVRUninstaller122.exe");
            ASSERT_TRUE(process.started());
            EXPECT_TRUE(process.waitForExit(10000));
        }
    }
    {
        ScopedEnvironment linger("KVR_OLD_UNINSTALLER_LINGER_MS", "60000");
        StandInProcess lingering("", "KVRUninstaller122.exe");
        ASSERT_TRUE(lingering.started());
        EXPECT_FALSE(lingering.waitForExit(300));
    }
    const std::vector<uint8_t> bytes = readFileBytes(log);
    const std::string line = "KVRUninstaller122 ran: " + program + "\r\n";
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), line + line);
    EXPECT_TRUE(DeleteFileA(log.c_str()));
}

}  // namespace
