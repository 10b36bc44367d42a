// kvrpack's list and verify lines, printed into memory: names that would break the
// one-line-per-entry listing, and the archives that print nothing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/package_writer.h"
#include "tools/package_listing.h"

namespace {

using Bytes = std::vector<uint8_t>;

// What one print call writes, and its result.
struct Printed {
    bool ok;
    std::string text;
};

template <typename Print>
Printed capture(Print print) {
    char* buffer = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    Printed printed;
    printed.ok = print(out);
    std::fclose(out);
    printed.text.assign(buffer, length);
    std::free(buffer);
    return printed;
}

Bytes archiveOf(const std::vector<std::pair<std::string, std::string>>& files, uint8_t key) {
    std::vector<PackageInput> inputs;
    for (const auto& [name, data] : files) {
        inputs.push_back(PackageInput{name, Bytes(data.begin(), data.end())});
    }
    Bytes archive;
    std::string reason;
    EXPECT_TRUE(writePackage(inputs, key, &archive, &reason)) << reason;
    return archive;
}

TEST(PackageListing, ControlCharactersInNamesArePrintedAsHexEscapes) {
    const Bytes archive = archiveOf(
        {{"a\nb.txt", "xy"}, {"tab\there", "z"}, {std::string("\x01\x1F\x7F\x80\xE9", 5), "q"}},
        0x33);
    const Printed listed = capture([&](std::FILE* out) { return listPackage(archive, out); });
    ASSERT_TRUE(listed.ok);
    // headerSize 9 + 3 * 8 + names 8, 9, 6 + 4 = 60: image positions from 59.
    EXPECT_EQ(listed.text,
              "0\t59\t2\ta\\x0Ab.txt\n"
              "1\t61\t1\ttab\\x09here\n"
              "2\t62\t1\t\\x01\\x1F\\x7F\x80\xE9\n");
}

TEST(PackageListing, VerifyNamesTheArchiveItsEntriesKeyAndLength) {
    const Bytes archive = archiveOf({{"a.txt", "abc"}}, 0);
    const Printed verified =
        capture([&](std::FILE* out) { return verifyPackage("pkg.bin", archive, out); });
    ASSERT_TRUE(verified.ok);
    EXPECT_EQ(verified.text, "pkg.bin: OK, 1 entries, key 0, 30 bytes\n");
}

TEST(PackageListing, BrokenArchivesPrintNothing) {
    const Bytes example = archiveOf({{"a.txt", "abc"}}, 0);
    const Bytes broken[] = {Bytes(), Bytes(example.begin(), example.end() - 1),
                            Bytes(example.begin(), example.begin() + 8)};
    for (const Bytes& bytes : broken) {
        const Printed listed = capture([&](std::FILE* out) { return listPackage(bytes, out); });
        EXPECT_FALSE(listed.ok) << bytes.size();
        EXPECT_EQ(listed.text, "") << bytes.size();
        const Printed verified =
            capture([&](std::FILE* out) { return verifyPackage("x", bytes, out); });
        EXPECT_FALSE(verified.ok) << bytes.size();
        EXPECT_EQ(verified.text, "") << bytes.size();
    }
}

}  // namespace
