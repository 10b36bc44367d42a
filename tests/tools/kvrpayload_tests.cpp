// kvrpayload: the stand-in documents it writes and the package list it makes of them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tool_process.h"

namespace {

struct ListEntry {
    std::string name;
    std::string source;
};

std::vector<ListEntry> readList(const std::string& path) {
    std::vector<ListEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) {
            entries.push_back({line.substr(0, tab), line.substr(tab + 1)});
        }
    }
    return entries;
}

std::string readText(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string folderOf(const std::string& name) {
    const size_t slash = name.rfind('\\');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

class Kvrpayload : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(temp.file("programs.list"),
                  "__cdca.lx\tp\nkvr.exe\tp\nkvrcore.dll\tp\n"
                  "uninst_kvr.exe\tp\nkvrsched.exe\tp\n");
        writeFile(temp.file("p"), "program");
        const ToolResult made = runTool(KVRPAYLOAD_PATH, {temp.file("docs"), temp.file("all.list"),
                                                          temp.file("programs.list")});
        ASSERT_EQ(made.exitCode, 0) << made.output;
        entries = readList(temp.file("all.list"));
    }

    TempFolder temp;
    std::vector<ListEntry> entries;
};

TEST_F(Kvrpayload, ListsTheMainPackageInInstallOrder) {
    ASSERT_EQ(entries.size(), 101u);
    const char* programs[] = {"__cdca.lx", "kvr.exe", "kvrcore.dll", "uninst_kvr.exe",
                              "kvrsched.exe"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(entries[i].name, programs[i]);
    }
    // Runs of entries per folder, in package order.
    std::vector<std::pair<std::string, int>> runs;
    for (size_t i = 5; i < entries.size(); ++i) {
        const std::string folder = folderOf(entries[i].name);
        if (runs.empty() || runs.back().first != folder) {
            runs.push_back({folder, 0});
        }
        ++runs.back().second;
    }
    const std::vector<std::pair<std::string, int>> expected = {
        {"Manual", 12}, {"Manual\\pics", 22}, {"Quick Setup", 31}, {"Quick Setup\\pics", 31}};
    EXPECT_EQ(runs, expected);
    EXPECT_EQ(entries[5].name, "Manual\\index.htm");
    EXPECT_EQ(entries[39].name, "Quick Setup\\index.htm");

    const ToolResult built =
        runTool(KVRPACK_PATH, {"build", temp.file("all.list"), temp.file("package.bin")});
    EXPECT_EQ(built.exitCode, 0) << built.output;
}

TEST_F(Kvrpayload, PagesLinkOnlyToFilesOfTheirBookAndShowEveryPicture) {
    std::map<std::string, std::string> sources;  // entry name -> file
    for (const ListEntry& entry : entries) {
        sources[entry.name] = entry.source;
    }
    std::map<std::string, int> pictureUses;
    int pages = 0;
    const std::regex link("(?:href|src)=\"([^\"]+)\"");
    for (const ListEntry& entry : entries) {
        if (entry.name.size() < 4 || entry.name.substr(entry.name.size() - 4) != ".htm") {
            continue;
        }
        ++pages;
        const std::string html = readText(entry.source);
        EXPECT_NE(html.find("<title>"), std::string::npos) << entry.name;
        const std::string folder = folderOf(entry.name);
        for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
            std::string target = folder + "\\" + (*it)[1].str();
            for (char& c : target) {
                c = c == '/' ? '\\' : c;
            }
            EXPECT_EQ(sources.count(target), 1u) << entry.name << " links to " << target;
            ++pictureUses[target];
        }
    }
    EXPECT_EQ(pages, 41);
    for (const ListEntry& entry : entries) {
        if (entry.name.find("\\pics\\") != std::string::npos) {
            EXPECT_GT(pictureUses[entry.name], 0) << entry.name << " is shown nowhere";
        }
    }
}

TEST_F(Kvrpayload, PicturesAreDistinctWellFormedBitmaps) {
    std::map<std::vector<uint8_t>, std::string> seen;
    for (const ListEntry& entry : entries) {
        if (entry.name.find("\\pics\\") == std::string::npos) {
            continue;
        }
        const std::vector<uint8_t> bytes = readBytes(entry.source);
        ASSERT_GE(bytes.size(), 54u) << entry.name;
        EXPECT_EQ(bytes[0], 'B') << entry.name;
        EXPECT_EQ(bytes[1], 'M') << entry.name;
        const uint32_t declared =
            bytes[2] | bytes[3] << 8 | bytes[4] << 16 | uint32_t(bytes[5]) << 24;
        EXPECT_EQ(declared, bytes.size()) << entry.name;
        EXPECT_EQ(bytes[28], 24) << entry.name;  // bits per pixel
        EXPECT_TRUE(seen.emplace(bytes, entry.name).second)
            << entry.name << " repeats " << seen[bytes];
    }
    EXPECT_EQ(seen.size(), 53u);
}

}  // namespace
