// kvrscramble (the stored licence) and kvrart (the wizard's icons and bitmaps).
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tool_process.h"

namespace {

uint32_t little(const std::vector<uint8_t>& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | bytes.at(at + i);
    return value;
}

// The bytes of the header's string literal, as the compiler would read them.
std::vector<uint8_t> scrambledBytes(const std::string& header) {
    std::vector<uint8_t> bytes;
    const std::regex escape("\\\\x([0-9A-F]{2})");
    for (std::sregex_iterator it(header.begin(), header.end(), escape), end; it != end; ++it)
        bytes.push_back(uint8_t(std::stoul((*it)[1].str(), nullptr, 16)));
    return bytes;
}

TEST(Kvrscramble, StoresTheTextWithWindowsLineEndsAndNoZeroByte) {
    TempFolder temp;
    writeFile(temp.file("in.txt"), "(C) #YR#\nA\r\n~z\n");
    const ToolResult made =
        runTool(KVRSCRAMBLE_PATH, {"0x80", "kText", temp.file("in.txt"), temp.file("out.h")});
    ASSERT_EQ(0, made.exitCode) << made.output;
    const std::vector<uint8_t> header = readBytes(temp.file("out.h"));
    const std::string text(header.begin(), header.end());
    EXPECT_NE(std::string::npos, text.find("inline constexpr uint8_t kTextKey = 0x80;"));
    std::string plain;
    for (uint8_t byte : scrambledBytes(text)) {
        EXPECT_NE(0, byte);
        plain.push_back(char(byte ^ 0x80));
    }
    EXPECT_EQ("(C) #YR#\r\nA\r\n~z\r\n", plain);
}

TEST(Kvrscramble, RefusesKeysBelow0x80AndTextThatIsNotAscii) {
    TempFolder temp;
    writeFile(temp.file("plain.txt"), "text\n");
    writeFile(temp.file("latin1.txt"), "caf\xE9\n");
    writeFile(temp.file("empty.txt"), "");
    const struct {
        const char* key;
        const char* input;
    } cases[] = {{"0x7F", "plain.txt"},  {"0x100", "plain.txt"}, {"12x", "plain.txt"},
                 {"0xB5", "latin1.txt"}, {"0xB5", "empty.txt"},  {"0xB5", "missing.txt"}};
    for (const auto& c : cases) {
        const ToolResult made =
            runTool(KVRSCRAMBLE_PATH, {c.key, "kText", temp.file(c.input), temp.file("out.h")});
        EXPECT_EQ(1, made.exitCode) << c.key << " " << c.input;
        EXPECT_FALSE(fileExists(temp.file("out.h"))) << c.key << " " << c.input;
    }
}

// The application icon at both sizes and depths; a page icon only at the size and
// depth its page shows.
TEST(Kvrart, DrawsTheIconsAtTheirSizesAndDepthsAndTheTwoBitmaps) {
    TempFolder temp;
    const ToolResult made = runTool(KVRART_PATH, {temp.path()});
    ASSERT_EQ(0, made.exitCode) << made.output;
    using Images = std::vector<std::pair<uint32_t, uint32_t>>;  // side, bits
    const Images application = {{16, 4}, {16, 8}, {32, 4}, {32, 8}};
    const Images page = {{32, 4}};
    const struct {
        const char* name;
        Images images;
    } icons[] = {{"kvr_application.ico", application},
                 {"kvr_data_folder.ico", page},
                 {"kvr_destination.ico", page},
                 {"kvr_start_menu.ico", page}};
    for (const auto& c : icons) {
        const char* name = c.name;
        const std::vector<uint8_t> icon = readBytes(temp.file(name));
        ASSERT_GE(icon.size(), 6u + c.images.size() * 16) << name;
        EXPECT_EQ(1u, little(icon, 2, 2)) << name;
        ASSERT_EQ(c.images.size(), little(icon, 4, 2)) << name;
        for (size_t i = 0; i < c.images.size(); ++i) {
            const size_t entry = 6 + 16 * i;
            const uint32_t side = c.images[i].first, bits = c.images[i].second;
            EXPECT_EQ(side, icon[entry]) << name;
            EXPECT_EQ(bits, little(icon, entry + 6, 2)) << name;
            const uint32_t size = little(icon, entry + 8, 4), offset = little(icon, entry + 12, 4);
            ASSERT_LE(offset + size, icon.size()) << name;
            EXPECT_EQ(side * 2, little(icon, offset + 8, 4)) << name;
            // The 16 colours of the palette only, at either depth: header, palette,
            // pixel rows and mask rows (each padded to 4 bytes) and nothing more.
            EXPECT_EQ(16u, little(icon, offset + 32, 4)) << name;
            EXPECT_EQ(40 + 16 * 4 + side * ((side * bits + 31) / 32 * 4) + side * 4, size)
                << name << " " << side << "x" << side << "x" << bits;
        }
    }
    const struct {
        const char* name;
        uint32_t side, bits;
    } bitmaps[] = {{"kvr_watermark.bmp", 2, 4}, {"kvr_header.bmp", 48, 8}};
    for (const auto& b : bitmaps) {
        const std::vector<uint8_t> bitmap = readBytes(temp.file(b.name));
        ASSERT_GE(bitmap.size(), 54u) << b.name;
        EXPECT_EQ('B', bitmap[0]);
        EXPECT_EQ(bitmap.size(), little(bitmap, 2, 4)) << b.name;
        EXPECT_EQ(b.side, little(bitmap, 18, 4)) << b.name;
        EXPECT_EQ(b.side, little(bitmap, 22, 4)) << b.name;
        EXPECT_EQ(b.bits, little(bitmap, 28, 2)) << b.name;
        EXPECT_EQ(16u, little(bitmap, 46, 4)) << b.name;
        EXPECT_EQ(14u + 40 + 16 * 4, little(bitmap, 10, 4)) << b.name;
    }
}

}  // namespace
