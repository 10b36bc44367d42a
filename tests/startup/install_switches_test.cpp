// The switch grammar of unattended and logged runs: which lines are switch lines,
// what an accepted line sets, and the reason of every refusal.
#include <gtest/gtest.h>

#include <string>

#include "startup/install_switches.h"

namespace {

TEST(InstallSwitches, OnlyLinesBeginningWithSilentOrLogAreSwitchLines) {
    const struct {
        const char* line;
        bool switchLine;
    } cases[] = {
        {"/silent", true},
        {"  /SILENT  ", true},
        {"\t\r\n/Silent /dir=C:\\x", true},
        {"/log=C:\\setup.log", true},
        {"/LOG=x /silent", true},
        {"/silentx", false},
        {"/silent=yes", false},
        {"/log", false},
        {"/dir=C:\\x /silent", false},
        {"/temp C:\\x", false},
        {"/temp=C:\\x", false},
        {"/help", false},
        {"", false},
        {nullptr, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isSwitchLine(c.line), c.switchLine) << (c.line ? c.line : "(null)");
    }
}

struct Accepted {
    const char* line;
    bool silent;
    const char* log;  // nullptr: not given
    const char* dir;
    const char* group;
    const char* dataDir;
    const char* temp;
    int tasks;  // -1 not given, else bit 0 desktop, bit 1 Quick Launch
};

void expectValue(bool given, const char* value, const char* expected, const char* what) {
    EXPECT_EQ(given, expected != nullptr) << what;
    if (given && expected != nullptr) {
        EXPECT_STREQ(value, expected) << what;
    }
}

TEST(InstallSwitches, AcceptedLinesSetWhatTheyName) {
    const Accepted cases[] = {
        {"/silent", true, nullptr, nullptr, nullptr, nullptr, nullptr, -1},
        {"/log=C:\\a.log", false, "C:\\a.log", nullptr, nullptr, nullptr, nullptr, -1},
        {"/SILENT /Dir=\"C:\\My Programs\\Kestrova\"", true, nullptr, "C:\\My Programs\\Kestrova",
         nullptr, nullptr, nullptr, -1},
        {"/silent \"/group=Programs\\My Radio\"  /datadir=D:\\Rec\t/temp=C:\\T", true, nullptr,
         nullptr, "Programs\\My Radio", "D:\\Rec", "C:\\T", -1},
        {"/silent /log=\"C:\\log files\\a b.log\" /dir=C:\\x\"\"y", true, "C:\\log files\\a b.log",
         "C:\\xy", nullptr, nullptr, nullptr, -1},
        {"/silent /tasks=", true, nullptr, nullptr, nullptr, nullptr, nullptr, 0},
        {"/silent /tasks=Desktop", true, nullptr, nullptr, nullptr, nullptr, nullptr, 1},
        {"/silent /TASKS=quicklaunch,DESKTOP", true, nullptr, nullptr, nullptr, nullptr, nullptr,
         3},
        {"/silent \"/group=  \"", true, nullptr, nullptr, "  ", nullptr, nullptr, -1},
    };
    for (const Accepted& c : cases) {
        SCOPED_TRACE(c.line);
        InstallSwitches switches;
        char reason[kSwitchReasonSize];
        ASSERT_TRUE(parseInstallSwitches(c.line, &switches, reason)) << reason;
        EXPECT_STREQ(reason, "");
        EXPECT_EQ(switches.silent, c.silent);
        expectValue(switches.hasLog, switches.log, c.log, "log");
        expectValue(switches.hasDir, switches.dir, c.dir, "dir");
        expectValue(switches.hasGroup, switches.group, c.group, "group");
        expectValue(switches.hasDataDir, switches.dataDir, c.dataDir, "datadir");
        expectValue(switches.hasTemp, switches.temp, c.temp, "temp");
        EXPECT_EQ(switches.hasTasks, c.tasks >= 0);
        EXPECT_EQ(switches.desktopIcon, c.tasks > 0 && (c.tasks & 1) != 0);
        EXPECT_EQ(switches.quickLaunchIcon, c.tasks > 0 && (c.tasks & 2) != 0);
    }
}

TEST(InstallSwitches, EveryMalformedLineIsRefusedWithItsReason) {
    const std::string longValue(kSwitchValueSize, 'x');
    const std::string longSwitch = "/silent /" + std::string(kSwitchValueSize + 20, 'y');
    const std::string tooLong = "/silent /dir=" + longValue;
    const std::string justFits = "/silent /dir=" + longValue.substr(1);
    const struct {
        std::string line;
        const char* reason;
    } cases[] = {
        {"/silent /bogus", "unknown switch \"/bogus\""},
        {"/silent /dir", "unknown switch \"/dir\""},
        {"/silent=1", "unknown switch \"/silent=1\""},
        {"/silent /Silent", "/silent is given twice"},
        {"/silent /dir=a /DIR=b", "/dir is given twice"},
        {"/log=a /log=b", "/log is given twice"},
        {"/silent /dir=", "/dir has no value"},
        {"/silent /log=\"\"", "/log has no value"},
        {"/silent /group=", "/group has no value"},
        {"/silent /datadir=", "/datadir has no value"},
        {"/silent /temp=", "/temp has no value"},
        {"/silent /dir=\"C:\\open", "a quote is not closed"},
        {"/silent /tasks=floppy", "/tasks: unknown task \"floppy\" (known: desktop, quicklaunch)"},
        {"/silent /tasks=desktop,", "/tasks: unknown task \"\" (known: desktop, quicklaunch)"},
        {"/silent /dir=a\x01"
         "b",
         "/dir: the value holds a control character"},
        {tooLong, "/dir: the value is longer than 259 characters"},
        {longSwitch, "a switch is longer than 275 characters"},
        // The first refusal is the one told.
        {"/silent /x /y", "unknown switch \"/x\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 80));
        InstallSwitches switches;
        char reason[kSwitchReasonSize];
        EXPECT_FALSE(parseInstallSwitches(c.line.c_str(), &switches, reason));
        EXPECT_STREQ(reason, c.reason);
    }
    InstallSwitches switches;
    char reason[kSwitchReasonSize];
    EXPECT_TRUE(parseInstallSwitches(justFits.c_str(), &switches, reason)) << reason;
}

// A refused line still says whether it is silent and where it logs, so that its
// refusal is told the way it asked for.
TEST(InstallSwitches, ARefusedLineKeepsItsSilenceAndItsLog) {
    InstallSwitches switches;
    char reason[kSwitchReasonSize];
    ASSERT_FALSE(parseInstallSwitches("/log=C:\\a.log /bogus /silent", &switches, reason));
    EXPECT_TRUE(switches.silent);
    EXPECT_TRUE(switches.hasLog);
    EXPECT_STREQ(switches.log, "C:\\a.log");
}

}  // namespace
