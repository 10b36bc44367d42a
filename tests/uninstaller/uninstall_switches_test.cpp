// The uninstaller's command line, one row per rule.
#include "uninstaller/uninstall_switches.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kLongPath = "C:\\" + std::string(kSwitchValueSize, 'l');

struct SwitchCase {
    std::string line;
    bool understood;
    bool silent, purge;
    std::string log;         // empty: no /log
    ULONG_PTR parent, pipe;  // 0: no /copyof
};

const SwitchCase kCases[] = {
    {"", true, false, false, "", 0, 0},
    {"  \t ", true, false, false, "", 0, 0},
    {"/silent", true, true, false, "", 0, 0},
    {"/SILENT /Purge", true, true, true, "", 0, 0},
    {"/log=\"C:\\my logs\\u.log\" /purge", true, false, true, "C:\\my logs\\u.log", 0, 0},
    {"/copyof=12,345 /silent", true, true, false, "", 12, 345},
    {"/silent /silent", false, true, false, "", 0, 0},
    {"/purge /bogus /silent", false, true, true, "", 0, 0},
    {"/silentx", false, false, false, "", 0, 0},
    {"/log= /silent", false, true, false, "", 0, 0},
    {"/log=" + kLongPath + " /silent", false, true, false, "", 0, 0},
    {"/log=" + kLongPath + kLongPath + " /silent", false, true, false, "", 0, 0},
    {"/log=\"C:\\open /silent", false, false, false, "", 0, 0},
    {"/copyof=12", false, false, false, "", 0, 0},
    {"/copyof=a,b", false, false, false, "", 0, 0},
    {"/copyof=-1,345", false, false, false, "", 0, 0},
    {"/copyof=+12,345", false, false, false, "", 0, 0},
    {"/copyof=12,-345", false, false, false, "", 0, 0},
    {"/copyof=18446744073709551616,345", false, false, false, "", 0, 0},
    {"/copyof=4294967296,345", sizeof(ULONG_PTR) == 8, false, false, "", 0, 0},
};

TEST(UninstallSwitches, EachLineGivesItsSwitches) {
    for (const SwitchCase& c : kCases) {
        SCOPED_TRACE(c.line.substr(0, 60));
        UninstallSwitches switches;
        EXPECT_EQ(parseUninstallSwitches(c.line.c_str(), &switches), c.understood);
        EXPECT_EQ(switches.silent, c.silent);
        EXPECT_EQ(switches.purge, c.purge);
        EXPECT_EQ(switches.hasLog, !c.log.empty());
        EXPECT_EQ(switches.log, c.log);
        if (c.parent != 0) {
            EXPECT_TRUE(switches.hasCopyOf);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(switches.parent), c.parent);
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(switches.reportPipe), c.pipe);
        }
    }
    UninstallSwitches none;
    EXPECT_TRUE(parseUninstallSwitches(nullptr, &none));
}

}  // namespace
