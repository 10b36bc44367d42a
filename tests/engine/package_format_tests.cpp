// The archive reader's acceptance rules and the writer's limits. Plain C++: built
// into engine_tests (Wine) and into the host's tools_tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/package_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;

void putUint32(Bytes& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

// The one-entry example archive: "a.txt" holding "abc", key 0, 30 bytes.
const Bytes kExample = {0x00, 0x01, 0x00, 0x00, 0x00, 0x1B, 0x00, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x61, 0x2E, 0x74,
                        0x78, 0x74, 0x00, 0x0F, 0x3B, 0x81, 0x91, 0x61, 0x62, 0x63};

struct Record {
    uint32_t offset;
    uint32_t size;
    std::string name;
};

// An archive laid out field by field, so that each field can be made wrong on its own.
struct Layout {
    uint32_t entryCount = 1;
    std::vector<Record> records = {{0, 3, "a.txt"}};
    uint32_t endMarker = package_format::kEndMarker;
    uint32_t padding = 0;       // bytes between the end marker and the data area
    long long headerSize = -1;  // -1: the header's true size
    std::string data = "abc";
};

const Layout kEmpty{0, {}, package_format::kEndMarker, 0, -1, ""};

Bytes build(const Layout& layout) {
    Bytes header;
    for (const Record& record : layout.records) {
        putUint32(header, record.offset);
        putUint32(header, record.size);
        header.insert(header.end(), record.name.begin(), record.name.end());
        header.push_back(0);
    }
    putUint32(header, layout.endMarker);
    header.resize(header.size() + layout.padding, 0xEE);
    const uint32_t trueSize = uint32_t(package_format::kFixedHeaderSize + header.size());
    Bytes out = {0};
    putUint32(out, layout.entryCount);
    putUint32(out, layout.headerSize < 0 ? trueSize : uint32_t(layout.headerSize));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), layout.data.begin(), layout.data.end());
    return out;
}

Bytes scramble(Bytes archive, uint8_t key) {
    archive[0] = key;
    for (size_t i = 1; i < archive.size(); ++i) {
        archive[i] ^= uint8_t((key + (i - 1)) % 256);
    }
    return archive;
}

// openPackage's result, released on destruction. On failure the out-arguments
// must still hold the sentinels they started with.
struct Opened {
    PackageEntryTable* entries;
    uint8_t* image;
    bool ok;
    bool untouched;

    explicit Opened(const Bytes& archive) : Opened(archive.data(), uint32_t(archive.size())) {}
    Opened(const uint8_t* bytes, uint32_t length) {
        PackageEntryTable* const entrySentinel = reinterpret_cast<PackageEntryTable*>(0x10);
        uint8_t* const imageSentinel = reinterpret_cast<uint8_t*>(0x20);
        entries = entrySentinel;
        image = imageSentinel;
        ok = openPackage(bytes, length, &entries, &image);
        untouched = entries == entrySentinel && image == imageSentinel;
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;
    ~Opened() {
        if (ok) {
            freePackage(entries, image);
        }
    }
};

TEST(OpenPackage, UnpacksTheOneEntryExample) {
    Opened opened(kExample);
    ASSERT_TRUE(opened.ok);
    ASSERT_EQ(opened.entries->count, 1u);
    const PackageEntry& entry = opened.entries->entries[0];
    EXPECT_STREQ(entry.name, "a.txt");
    EXPECT_EQ(entry.position, 26u);
    EXPECT_EQ(entry.size, 3u);
    EXPECT_EQ(0, std::memcmp(opened.image, kExample.data() + 1, kExample.size() - 1));
    // Names are not copies: they point into the image's header.
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(entry.name), opened.image + 16);
    EXPECT_EQ(build(Layout{}), kExample);
}

TEST(OpenPackage, RejectsAbsentArguments) {
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    EXPECT_FALSE(openPackage(nullptr, 30, &entries, &image));
    EXPECT_FALSE(openPackage(kExample.data(), 30, nullptr, &image));
    EXPECT_FALSE(openPackage(kExample.data(), 30, &entries, nullptr));
    EXPECT_EQ(entries, nullptr);
    EXPECT_EQ(image, nullptr);
}

TEST(OpenPackage, RejectsArchivesShorterThanNineBytes) {
    const Bytes empty = build(kEmpty);
    for (uint32_t length = 0; length < 9; ++length) {
        Opened opened(empty.data(), length);
        EXPECT_FALSE(opened.ok) << length;
        EXPECT_TRUE(opened.untouched) << length;
    }
}

struct RejectCase {
    const char* what;
    Layout layout;
};

Layout with(void (*change)(Layout&), const Layout& from = Layout{}) {
    Layout layout = from;
    change(layout);
    return layout;
}

TEST(OpenPackage, RejectsEachDefectAndLeavesOutArgumentsUntouched) {
    const RejectCase cases[] = {
        {"entry count above the limit", with([](Layout& l) { l.entryCount = 0x10000; })},
        {"header size below 9", with([](Layout& l) { l.headerSize = 8; })},
        {"header size 0", with([](Layout& l) { l.headerSize = 0; })},
        {"header size one beyond the archive", with([](Layout& l) { l.headerSize = 31; })},
        {"header ends inside the offset", with([](Layout& l) { l.headerSize = 12; })},
        {"header ends inside the size", with([](Layout& l) { l.headerSize = 16; })},
        {"header ends inside the name", with([](Layout& l) { l.headerSize = 20; })},
        {"header ends after the name", with([](Layout& l) { l.headerSize = 23; })},
        {"header ends inside the end marker", with([](Layout& l) { l.headerSize = 26; })},
        {"size negative", with([](Layout& l) { l.records[0].size = 0x80000000u; })},
        {"size all ones", with([](Layout& l) { l.records[0].size = 0xFFFFFFFFu; })},
        {"size 0 at the image's end", with([](Layout& l) {
             l.records[0] = {3, 0, "a"};
         })},
        {"data one byte past the end", with([](Layout& l) { l.records[0].offset = 1; })},
        {"data run past the end", with([](Layout& l) { l.records[0].size = 4; })},
        {"offset wraps around to the header",
         with([](Layout& l) { l.records[0].offset = 0xFFFFFFFFu - 20; })},
        {"wrong end marker", with([](Layout& l) { l.endMarker = 0x91813B0Eu; })},
        {"more entries than records", with([](Layout& l) { l.entryCount = 2; })},
        // The walk alone would find the end marker of an empty archive; the header must fit.
        {"empty, header size 0", with([](Layout& l) { l.headerSize = 0; }, kEmpty)},
        {"empty, header size 1", with([](Layout& l) { l.headerSize = 1; }, kEmpty)},
        {"empty, header size 8", with([](Layout& l) { l.headerSize = 8; }, kEmpty)},
        {"empty, header size 14", with([](Layout& l) { l.headerSize = 14; }, kEmpty)},
        {"empty, header size 0xFFFFF", with([](Layout& l) { l.headerSize = 0xFFFFF; }, kEmpty)},
    };
    for (const RejectCase& rejected : cases) {
        const Bytes plain = build(rejected.layout);
        for (const Bytes& archive : {plain, scramble(plain, 77)}) {
            Opened opened(archive);
            EXPECT_FALSE(opened.ok) << rejected.what << ", key " << int(archive[0]);
            EXPECT_TRUE(opened.untouched) << rejected.what << ", key " << int(archive[0]);
        }
    }
}

TEST(OpenPackage, AcceptsWhatTheRulesAllow) {
    struct AcceptCase {
        const char* what;
        Layout layout;
        uint32_t positions[2];
    };
    const AcceptCase cases[] = {
        {"last entry ends exactly at the image's end", Layout{}, {26, 0}},
        {"size 0 just before the image's end",
         Layout{1, {{2, 0, "a"}}, package_format::kEndMarker, 0, -1, "abc"},
         {24, 0}},
        {"bytes between end marker and data",
         Layout{1, {{0, 3, "a.txt"}}, package_format::kEndMarker, 5, -1, "abc"},
         {31, 0}},
        {"duplicated names",
         Layout{2, {{0, 1, "a"}, {1, 2, "a"}}, package_format::kEndMarker, 0, -1, "abc"},
         {32, 33}},
        {"data out of order and overlapping",
         Layout{2, {{1, 2, "b"}, {0, 3, "c"}}, package_format::kEndMarker, 0, -1, "abc"},
         {33, 32}},
    };
    for (const AcceptCase& accepted : cases) {
        const Bytes archive = build(accepted.layout);
        Opened opened(archive);
        ASSERT_TRUE(opened.ok) << accepted.what;
        ASSERT_EQ(opened.entries->count, accepted.layout.entryCount) << accepted.what;
        for (uint32_t i = 0; i < opened.entries->count; ++i) {
            const PackageEntry& entry = opened.entries->entries[i];
            EXPECT_EQ(entry.name, accepted.layout.records[i].name) << accepted.what;
            EXPECT_EQ(entry.position, accepted.positions[i]) << accepted.what;
            EXPECT_EQ(entry.size, accepted.layout.records[i].size) << accepted.what;
        }
    }
}

TEST(OpenPackage, AcceptsAnEmptyArchive) {
    const Bytes archive = build(kEmpty);
    ASSERT_EQ(archive.size(), 13u);
    EXPECT_EQ(archive[5], 13);
    Opened opened(archive);
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(opened.entries->count, 0u);
}

Layout manyEntries(uint32_t count) {
    Layout layout;
    layout.entryCount = count;
    layout.records.assign(count, Record{0, 1, "e"});
    layout.data = "x";
    return layout;
}

TEST(OpenPackage, EntryCountLimitIs65535) {
    Opened most(build(manyEntries(65535)));
    ASSERT_TRUE(most.ok);
    EXPECT_EQ(most.entries->count, 65535u);
    EXPECT_STREQ(most.entries->entries[65534].name, "e");

    Opened tooMany(build(manyEntries(65536)));
    EXPECT_FALSE(tooMany.ok);
    EXPECT_TRUE(tooMany.untouched);
}

TEST(OpenPackage, HeaderSizeLimitIs0xFFFFF) {
    Layout layout;
    layout.padding = 0xFFFFF - 27;
    const Bytes largest = build(layout);
    ASSERT_EQ(largest[5] | largest[6] << 8 | largest[7] << 16, 0xFFFFF);
    Opened most(largest);
    ASSERT_TRUE(most.ok);
    EXPECT_EQ(most.entries->entries[0].position, 0xFFFFEu);
    EXPECT_EQ(0, std::memcmp(most.image + 0xFFFFE, "abc", 3));

    layout.padding += 1;
    Opened tooLarge(build(layout));
    EXPECT_FALSE(tooLarge.ok);
    EXPECT_TRUE(tooLarge.untouched);
}

TEST(OpenPackage, UnscramblesWithAKeyThatWrapsPast255) {
    const Bytes plain = build(Layout{2,
                                     {{0, 3, "x\\one.txt"}, {3, 40, "two.bin"}},
                                     package_format::kEndMarker,
                                     0,
                                     -1,
                                     "abc0123456789012345678901234567890123456789"});
    const Bytes scrambled = scramble(plain, 250);
    // Key bytes 250..255 then 0, 1, ...: byte 7 of the image is stored XOR 1.
    ASSERT_EQ(scrambled[8], plain[8] ^ 1);
    Opened opened(scrambled);
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(0, std::memcmp(opened.image, plain.data() + 1, plain.size() - 1));
    ASSERT_EQ(opened.entries->count, 2u);
    EXPECT_STREQ(opened.entries->entries[0].name, "x\\one.txt");
    EXPECT_STREQ(opened.entries->entries[1].name, "two.bin");
    EXPECT_EQ(0, std::memcmp(opened.image + opened.entries->entries[1].position,
                             "0123456789012345678901234567890123456789", 40));
}

PackageInput input(const std::string& name, const std::string& data) {
    return PackageInput{name, Bytes(data.begin(), data.end())};
}

TEST(WritePackage, WritesTheExampleAndEveryKeyRoundTrips) {
    const std::vector<PackageInput> inputs = {input("a.txt", "abc")};
    Bytes archive;
    std::string reason;
    ASSERT_TRUE(writePackage(inputs, 0, &archive, &reason));
    EXPECT_EQ(archive, kExample);

    const std::vector<PackageInput> two = {input("Manual\\index.htm", "<html>"),
                                           input("Manual\\pics\\a.bmp", std::string(300, 'p'))};
    Bytes plain;
    ASSERT_TRUE(writePackage(two, 0, &plain, &reason));
    for (int key = 1; key < 256; ++key) {
        Bytes scrambled;
        ASSERT_TRUE(writePackage(two, uint8_t(key), &scrambled, &reason));
        ASSERT_EQ(scrambled, scramble(plain, uint8_t(key))) << key;
        Opened opened(scrambled);
        ASSERT_TRUE(opened.ok) << key;
        EXPECT_EQ(0, std::memcmp(opened.image, plain.data() + 1, plain.size() - 1)) << key;
    }
}

TEST(WritePackage, RefusesWhatTheFormatCannotHold) {
    const std::string longest(package_format::kMaxNameLength, 'n');
    struct RefuseCase {
        const char* what;
        std::vector<PackageInput> inputs;
    };
    const RefuseCase cases[] = {
        {"65,536 entries", std::vector<PackageInput>(65536, input("a", "x"))},
        {"header over 0xFFFFF", std::vector<PackageInput>(4100, input(longest, "x"))},
        {"name too long", {input(longest + "n", "x")}},
        {"empty name", {input("", "x")}},
        {"NUL in a name", {input(std::string("a\0b", 3), "x")}},
        {"empty last entry", {input("a", "x"), input("b", "")}},
    };
    for (const RefuseCase& refused : cases) {
        Bytes archive = {1, 2, 3};
        std::string reason;
        EXPECT_FALSE(writePackage(refused.inputs, 0, &archive, &reason)) << refused.what;
        EXPECT_FALSE(reason.empty()) << refused.what;
        EXPECT_EQ(archive, (Bytes{1, 2, 3})) << refused.what;
    }
    Bytes archive;
    std::string reason;
    EXPECT_TRUE(
        writePackage(std::vector<PackageInput>(65535, input("a", "x")), 0, &archive, &reason));
    EXPECT_TRUE(
        writePackage({input(longest, "x"), input("b", ""), input("c", "y")}, 0, &archive, &reason));
}

}  // namespace
