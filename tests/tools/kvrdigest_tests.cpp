// kvrdigest run as a process: the records it writes, and what it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool_process.h"

namespace {

using Bytes = std::vector<uint8_t>;

// SHA-256 of "abc" and of no bytes at all (FIPS 180-2 examples).
const Bytes kAbcDigest = {0xba, 0x78, 0x16, 0xbf, 0x8f, 0x01, 0xcf, 0xea, 0x41, 0x41, 0x40,
                          0xde, 0x5d, 0xae, 0x22, 0x23, 0xb0, 0x03, 0x61, 0xa3, 0x96, 0x17,
                          0x7a, 0x9c, 0xb4, 0x10, 0xff, 0x61, 0xf2, 0x00, 0x15, 0xad};
const Bytes kEmptyDigest = {0xe3, 0xb0, 0xc4, 0x42, 0x98, 0xfc, 0x1c, 0x14, 0x9a, 0xfb, 0xf4,
                            0xc8, 0x99, 0x6f, 0xb9, 0x24, 0x27, 0xae, 0x41, 0xe4, 0x64, 0x9b,
                            0x93, 0x4c, 0xa4, 0x95, 0x99, 0x1b, 0x78, 0x52, 0xb8, 0x55};

ToolResult kvrdigest(const std::vector<std::string>& arguments) {
    return runTool(KVRDIGEST_PATH, arguments);
}

TEST(Kvrdigest, WritesOneRecordPerPackageInArgumentOrder) {
    TempFolder temp;
    writeFile(temp.file("abc"), "abc");
    writeFile(temp.file("empty"), "");
    const ToolResult result =
        kvrdigest({temp.file("out"), "135=" + temp.file("abc"), "139=" + temp.file("empty")});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    Bytes expected = {135, 0, 0, 0};
    expected.insert(expected.end(), kAbcDigest.begin(), kAbcDigest.end());
    expected.insert(expected.end(), {139, 0, 0, 0});
    expected.insert(expected.end(), kEmptyDigest.begin(), kEmptyDigest.end());
    EXPECT_EQ(readBytes(temp.file("out")), expected);
}

TEST(Kvrdigest, RefusesAMissingFileAndBadArgumentsWithoutOutput) {
    TempFolder temp;
    writeFile(temp.file("abc"), "abc");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
    } refusals[] = {
        {{temp.file("out"), "135=" + temp.file("missing")}, 1, "cannot read"},
        {{temp.file("out"), "135=" + temp.path()}, 1, "cannot read"},
        {{temp.file("out"), "x=" + temp.file("abc")}, 2, "usage"},
        {{temp.file("out"), temp.file("abc")}, 2, "usage"},
        {{temp.file("out")}, 2, "usage"},
    };
    for (const auto& refusal : refusals) {
        const ToolResult result = kvrdigest(refusal.arguments);
        EXPECT_EQ(result.exitCode, refusal.exitCode) << refusal.arguments.back();
        EXPECT_NE(result.output.find(refusal.message), std::string::npos) << result.output;
        EXPECT_FALSE(fileExists(temp.file("out"))) << refusal.arguments.back();
    }
}

}  // namespace
