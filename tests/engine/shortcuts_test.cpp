// The data folder and shortcuts step: real shell links read back through the shell,
// earlier shortcuts removed, and the Start Menu folder recorded in "instOSMP".
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "engine/shortcuts.h"
#include "install_fixture.h"
#include "registration/registry_access.h"
#include "startup/setup_session.h"
#include "tests/support/shell_lookups.h"

namespace {

std::string recordedStartMenu() {
    int32_t outcome = 0;
    TextBuffer text = readSettingText(HKEY_CURRENT_USER, "instOSMP", "<none>", &outcome);
    return text.text();
}

class ShortcutsTest : public InstallTest {
protected:
    void SetUp() override {
        InstallTest::SetUp();
        desktop_ = shellFolder(CSIDL_DESKTOPDIRECTORY) + "\\";
        quickLaunch_ =
            shellFolder(CSIDL_APPDATA) + "\\Microsoft\\Internet Explorer\\Quick Launch\\";
        quickLaunchExisted_ = pathExists(quickLaunch_);
        oldMenu_ = root_ + "Old Menu\\";
        newMenu_ = gSession.choices.startMenuFolder.text();
    }
    void TearDown() override {
        for (const char* name : {"Kestrova.lnk", "Kestrova & Scheduler.lnk"}) {
            DeleteFileA((desktop_ + name).c_str());
            DeleteFileA((quickLaunch_ + name).c_str());
        }
        if (!quickLaunchExisted_) {
            RemoveDirectoryA(quickLaunch_.c_str());
        }
        InstallTest::TearDown();
    }
    // Shortcuts that an earlier installation left in every place.
    void makeEarlierShortcuts() {
        createFolders(oldMenu_);
        createFolders(quickLaunch_);
        // Their target is gone, so the links are saved but createShortcut says false.
        for (const char* name : {"Kestrova & Scheduler.lnk", "Kestrova.lnk", "Manual.lnk",
                                 "Quick Hardware Setup.lnk", "Uninstall.lnk"}) {
            makeLink(oldMenu_ + name);
        }
        for (const std::string& place : {desktop_, quickLaunch_}) {
            makeLink(place + "Kestrova & Scheduler.lnk");
            makeLink(place + "Kestrova.lnk");
        }
        ASSERT_EQ(writeSettingText("instOSMP", oldMenu_.c_str(), HKEY_CURRENT_USER), 1);
    }
    static void makeLink(const std::string& link) {
        createShortcut(link.c_str(), "C:\\old\\kvr.exe");
        ASSERT_EQ(linkTarget(link), "C:\\old\\kvr.exe") << link;
    }
    bool runStep() {
        error_.clear();
        return installShortcuts(page_.handle(), error_);
    }

    std::string desktop_, quickLaunch_, oldMenu_, newMenu_;
    bool quickLaunchExisted_ = false;
    TextBuffer error_;
};

TEST_F(ShortcutsTest, ChosenShortcutsPointAtTheInstalledFilesAndEarlierOnesAreGone) {
    makeEarlierShortcuts();
    SetupChoices& choices = gSession.choices;
    choices.createStartMenuFolder = 1;
    choices.createDesktopIcon = 1;
    choices.createQuickLaunchIcon = 1;

    ASSERT_TRUE(runStep());
    EXPECT_EQ(gSession.cancelAllowed, 0);
    EXPECT_TRUE(attributesOf(root_ + "Data") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(statusText(), "Installing shortcuts...");

    const std::string folder = installFolder_ + "\\";
    const struct {
        std::string link, target;
    } expected[] = {
        {newMenu_ + "Kestrova.lnk", folder + "kvr.exe"},
        {newMenu_ + "Manual.lnk", folder + "Manual\\index.htm"},
        {newMenu_ + "Quick Hardware Setup.lnk", folder + "Quick Setup\\index.htm"},
        {newMenu_ + "Uninstall.lnk", folder + "uninst_kvr.exe"},
        {desktop_ + "Kestrova.lnk", folder + "kvr.exe"},
        {quickLaunch_ + "Kestrova.lnk", folder + "kvr.exe"},
    };
    for (const auto& link : expected) {
        EXPECT_EQ(linkTarget(link.link), link.target) << link.link;
    }
    EXPECT_FALSE(pathExists(oldMenu_));
    EXPECT_FALSE(pathExists(desktop_ + "Kestrova & Scheduler.lnk"));
    EXPECT_FALSE(pathExists(quickLaunch_ + "Kestrova & Scheduler.lnk"));
    EXPECT_EQ(recordedStartMenu(), newMenu_);
}

TEST_F(ShortcutsTest, OptionsOffDeleteTheShortcutsOfAnEarlierInstallation) {
    makeEarlierShortcuts();
    ASSERT_TRUE(runStep());
    EXPECT_FALSE(pathExists(oldMenu_));
    EXPECT_FALSE(pathExists(newMenu_));
    EXPECT_EQ(recordedStartMenu(), "");
    for (const std::string& place : {desktop_, quickLaunch_}) {
        EXPECT_FALSE(pathExists(place + "Kestrova.lnk")) << place;
        EXPECT_FALSE(pathExists(place + "Kestrova & Scheduler.lnk")) << place;
    }
}

// Each option on its own: a link exists only in the place that was chosen.
TEST_F(ShortcutsTest, DesktopAndQuickLaunchOptionsAreChosenOneAtATime) {
    const std::string program = installFolder_ + "\\kvr.exe";
    const struct {
        int desktop;
        int quickLaunch;
    } cases[] = {{1, 0}, {0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        makeEarlierShortcuts();
        gSession.choices.createDesktopIcon = c.desktop;
        gSession.choices.createQuickLaunchIcon = c.quickLaunch;
        ASSERT_TRUE(runStep());
        EXPECT_EQ(linkTarget(desktop_ + "Kestrova.lnk"), c.desktop == 1 ? program : "");
        EXPECT_EQ(pathExists(desktop_ + "Kestrova.lnk"), c.desktop == 1);
        EXPECT_EQ(linkTarget(quickLaunch_ + "Kestrova.lnk"), c.quickLaunch == 1 ? program : "");
        EXPECT_EQ(pathExists(quickLaunch_ + "Kestrova.lnk"), c.quickLaunch == 1);
        EXPECT_FALSE(pathExists(newMenu_));
    }
}

TEST_F(ShortcutsTest, EarlierStartMenuFolderWithOtherFilesStaysAndStaysRecorded) {
    makeEarlierShortcuts();
    writeFile(oldMenu_ + "readme.txt", "not ours");
    ASSERT_TRUE(runStep());
    EXPECT_TRUE(pathExists(oldMenu_ + "readme.txt"));
    EXPECT_FALSE(pathExists(oldMenu_ + "Kestrova.lnk"));
    EXPECT_FALSE(pathExists(oldMenu_ + "Kestrova & Scheduler.lnk"));
    EXPECT_EQ(recordedStartMenu(), oldMenu_);
}

TEST_F(ShortcutsTest, ReinstallIntoTheSameStartMenuFolderRecreatesIt) {
    gSession.choices.createStartMenuFolder = 1;
    ASSERT_TRUE(runStep());
    ASSERT_TRUE(runStep());
    EXPECT_EQ(linkTarget(newMenu_ + "Uninstall.lnk"), installFolder_ + "\\uninst_kvr.exe");
    EXPECT_EQ(recordedStartMenu(), newMenu_);
}

// A blank or relative record names no folder: nothing is deleted in the folder
// the setup was started from, and a blank Start Menu folder makes no links there.
TEST_F(ShortcutsTest, BlankOrRelativeStartMenuFoldersTouchNothingInTheCurrentFolder) {
    const std::string current = root_ + "started from\\";
    const char* const names[] = {"Kestrova.lnk", "Kestrova & Scheduler.lnk", "Manual.lnk",
                                 "Quick Hardware Setup.lnk", "Uninstall.lnk"};
    createFolders(current + "Menu");
    for (const char* name : names) {
        writeFile(current + name, "the user's file");
        writeFile(current + "Menu\\" + name, "the user's file");
    }
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
    gSession.choices.createStartMenuFolder = 1;
    gSession.choices.startMenuFolder.assign(" \t");
    for (const char* recorded : {"", "   ", "\r\n", "Menu\\", " Menu ", "Menu"}) {
        SCOPED_TRACE(std::string("recorded \"") + recorded + "\"");
        ASSERT_EQ(writeSettingText("instOSMP", recorded, HKEY_CURRENT_USER), 1);
        EXPECT_TRUE(runStep());
        for (const char* name : names) {
            std::string contents;
            EXPECT_TRUE(readFile(current + name, &contents) && contents == "the user's file")
                << name;
            EXPECT_TRUE(readFile(current + "Menu\\" + name, &contents) &&
                        contents == "the user's file")
                << name;
        }
        EXPECT_EQ(recordedStartMenu(), recorded);
    }
    SetCurrentDirectoryA(previous);
}

TEST_F(ShortcutsTest, RecordedStartMenuFolderIsTrimmedBeforeUse) {
    makeEarlierShortcuts();
    ASSERT_EQ(writeSettingText("instOSMP", (" " + oldMenu_ + " \r\n").c_str(), HKEY_CURRENT_USER),
              1);
    ASSERT_TRUE(runStep());
    EXPECT_FALSE(pathExists(oldMenu_));
    EXPECT_EQ(recordedStartMenu(), "");
}

TEST_F(ShortcutsTest, DataFolderThatCannotBeMadeFailsTheStep) {
    writeFile(root_ + "blocked", "a file, not a folder");
    gSession.choices.dataFolder.assign((root_ + "blocked\\Data").c_str());
    EXPECT_FALSE(runStep());
    EXPECT_STREQ(error_.text(), ("ERROR: Cannot create the recording & data files folder:\n\n" +
                                 root_ + "blocked\\Data")
                                    .c_str());
}

}  // namespace
