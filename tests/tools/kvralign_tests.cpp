// kvralign: the resource section moved to a page boundary of the file, on small
// hand-made images laid out as the linker lays out the setup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tool_process.h"

namespace {

constexpr size_t kPeAt = 0x40;
constexpr size_t kOptionalAt = kPeAt + 24;

struct Section {
    const char* name;
    uint32_t raw;   // file offset of its bytes, 0 for none
    uint32_t size;  // bytes in the file
    uint8_t fill;   // every byte of the section
};

void put(std::vector<uint8_t>& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes[at + i] = uint8_t(value >> (8 * i));
}

uint32_t get(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

size_t optionalSize(bool plus) {
    return (plus ? 112 : 96) + 16 * 8;
}

size_t sectionHeaderAt(bool plus, size_t index) {
    return kOptionalAt + optionalSize(plus) + 40 * index;
}

// An image with the given sections, 16 data directories, all empty, and the file
// as long as its last section's end.
std::vector<uint8_t> image(bool plus, const std::vector<Section>& sections) {
    size_t length = 0x400;
    for (const Section& section : sections)
        length = std::max<size_t>(length, section.raw + section.size);
    std::vector<uint8_t> bytes(length, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    put(bytes, 0x3C, kPeAt, 4);
    put(bytes, kPeAt, 0x00004550, 4);
    put(bytes, kPeAt + 4, plus ? 0x8664 : 0x14C, 2);
    put(bytes, kPeAt + 6, uint32_t(sections.size()), 2);
    put(bytes, kPeAt + 20, uint32_t(optionalSize(plus)), 2);
    put(bytes, kOptionalAt, plus ? 0x20B : 0x10B, 2);
    put(bytes, kOptionalAt + 64, 0x12345678, 4);  // a checksum to be replaced
    put(bytes, kOptionalAt + (plus ? 108 : 92), 16, 4);
    for (size_t i = 0; i < sections.size(); ++i) {
        const size_t header = sectionHeaderAt(plus, i);
        for (size_t c = 0; sections[i].name[c] != 0; ++c)
            bytes[header + c] = uint8_t(sections[i].name[c]);
        put(bytes, header + 16, sections[i].size, 4);
        put(bytes, header + 20, sections[i].raw, 4);
        for (uint32_t b = 0; b < sections[i].size; ++b)
            bytes[sections[i].raw + b] = sections[i].fill;
    }
    return bytes;
}

// Where the section's bytes start now, and whether all of them are still its own.
uint32_t rawOf(const std::vector<uint8_t>& bytes, bool plus, size_t index) {
    return get(bytes, sectionHeaderAt(plus, index) + 20);
}

bool holds(const std::vector<uint8_t>& bytes, uint32_t at, const Section& section) {
    if (at + section.size > bytes.size())
        return false;
    for (uint32_t b = 0; b < section.size; ++b) {
        if (bytes[at + b] != section.fill)
            return false;
    }
    return true;
}

const std::vector<Section> kLinkedLayout = {{".text", 0x400, 0x600, 0x11},
                                            {".bss", 0, 0, 0},
                                            {".rsrc", 0xA00, 0x1200, 0x22},
                                            {".reloc", 0x1C00, 0x200, 0x33}};

TEST(Kvralign, MovesTheResourcesToAPageAndTheSectionsAfterThemAlong) {
    for (bool plus : {false, true}) {
        TempFolder temp;
        const std::string exe = temp.file("setup.exe");
        const std::vector<uint8_t> before = image(plus, kLinkedLayout);
        writeFile(exe, std::string(before.begin(), before.end()));
        const ToolResult aligned = runTool(KVRALIGN_PATH, {exe});
        ASSERT_EQ(0, aligned.exitCode) << aligned.output;

        const std::vector<uint8_t> after = readBytes(exe);
        EXPECT_EQ(after.size(), before.size() + 0x1000 - 0xA00) << plus;
        EXPECT_EQ(rawOf(after, plus, 0), 0x400u);
        EXPECT_EQ(rawOf(after, plus, 1), 0u);
        EXPECT_EQ(rawOf(after, plus, 2), 0x1000u);
        EXPECT_EQ(rawOf(after, plus, 3), 0x2200u);
        for (size_t i : {0, 2, 3})
            EXPECT_TRUE(holds(after, rawOf(after, plus, i), kLinkedLayout[i])) << plus << i;
        EXPECT_NE(get(after, kOptionalAt + 64), 0x12345678u);

        // A second run finds nothing to move and keeps the checksum it wrote.
        ASSERT_EQ(0, runTool(KVRALIGN_PATH, {exe}).exitCode);
        EXPECT_EQ(readBytes(exe), after) << plus;
    }
}

// The symbol table of a program that was not stripped lies after the sections, and
// its offset moves with them; one before the resources stays where it is.
TEST(Kvralign, MovesASymbolTableBehindTheResourcesAlong) {
    for (uint32_t symbols : {0x1E00u, 0x300u}) {
        std::vector<Section> layout = kLinkedLayout;
        layout.push_back({"", 0x1E00, 0x100, 0x44});  // the table's bytes, outside any section
        std::vector<uint8_t> bytes = image(false, layout);
        put(bytes, kPeAt + 6, uint32_t(kLinkedLayout.size()), 2);
        put(bytes, kPeAt + 12, symbols, 4);
        TempFolder temp;
        const std::string exe = temp.file("setup.exe");
        writeFile(exe, std::string(bytes.begin(), bytes.end()));
        ASSERT_EQ(0, runTool(KVRALIGN_PATH, {exe}).exitCode) << symbols;
        const std::vector<uint8_t> after = readBytes(exe);
        const uint32_t moved = symbols >= 0xA00 ? symbols + 0x600 : symbols;
        EXPECT_EQ(get(after, kPeAt + 12), moved) << symbols;
        EXPECT_TRUE(holds(after, 0x1E00 + 0x600, layout.back())) << symbols;
    }
}

TEST(Kvralign, RefusesWhatItCannotMoveSafelyAndLeavesTheFileAsItWas) {
    const auto withDirectory = [](int kind) {
        std::vector<uint8_t> bytes = image(false, kLinkedLayout);
        put(bytes, kOptionalAt + 96 + 8 * kind + 4, 0x100, 4);
        return bytes;
    };
    std::vector<uint8_t> notPe = image(false, kLinkedLayout);
    notPe[kPeAt] = 'X';
    std::vector<uint8_t> headerOnly = image(false, kLinkedLayout);
    headerOnly.resize(kPeAt + 16);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* says;
    } cases[] = {
        {"a signature", withDirectory(4),
         "the program is signed; signing must come after kvralign, not before"},
        {"a debug directory", withDirectory(6), "a debug directory holds file offsets"},
        {"no resource section", image(false, {{".text", 0x400, 0x200, 0x11}}),
         "no resource section"},
        {"no PE signature", notPe, "no PE header"},
        {"not a program", std::vector<uint8_t>(0x200, 'x'), "not a Windows program"},
        {"a cut PE header", headerOnly, "no PE header"},
    };
    for (const auto& c : cases) {
        TempFolder temp;
        const std::string exe = temp.file("setup.exe");
        writeFile(exe, std::string(c.bytes.begin(), c.bytes.end()));
        const ToolResult refused = runTool(KVRALIGN_PATH, {exe});
        EXPECT_EQ(1, refused.exitCode) << c.name;
        EXPECT_NE(std::string::npos, refused.output.find("kvralign: " + exe + ": ")) << c.name;
        EXPECT_NE(std::string::npos, refused.output.find(c.says))
            << c.name << ": " << refused.output;
        EXPECT_EQ(readBytes(exe), c.bytes) << c.name;
    }
    TempFolder temp;
    EXPECT_EQ(1, runTool(KVRALIGN_PATH, {temp.file("missing.exe")}).exitCode);
}

}  // namespace
