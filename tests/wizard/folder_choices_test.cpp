// The folder pages' decisions without windows: what the pages propose from the
// settings values and the file system, and the names that Browse produces.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_environment.h"
#include "wizard/folder_choices.h"

namespace {

constexpr const char* kSuggested = "C:\\suggested\\Kestrova";

class FolderProposals : public ::testing::Test {
protected:
    void SetUp() override {
        createFolders(installed());
        writeFile(installed() + "\\kvr.exe", "program");
        createFolders(withoutProgram());
    }
    // Without a trailing separator, as the pages show them.
    std::string installed() const { return folder_.path("installed"); }
    std::string withoutProgram() const { return folder_.path("empty"); }
    std::string missing() const { return folder_.path("missing"); }

    TestFolder folder_{"proposals"};
};

TEST_F(FolderProposals, InstallFolderIsFixedOnlyWhenItHoldsTheProgram) {
    struct Case {
        std::string installValue;
        std::string logValue;
        std::string folder;
        bool fixed;
    } cases[] = {
        {"", "", kSuggested, false},
        {installed(), "", installed(), true},
        {" " + installed() + "\\\t\r\n", "", installed(), true},
        {installed() + "/", withoutProgram(), installed(), true},
        {"", installed(), installed(), true},
        {"", installed() + "\\ ", installed(), true},
        {"", withoutProgram(), kSuggested, false},
        {"", missing(), kSuggested, false},
        {withoutProgram() + "\\", "", withoutProgram(), false},
        {missing(), "", missing(), false},
        // "SetupLogFldr" only counts when "InstallFolder" is empty.
        {withoutProgram(), installed(), withoutProgram(), false},
        {" \t", installed(), installed(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("InstallFolder=" + c.installValue + " SetupLogFldr=" + c.logValue);
        const FolderProposal proposal =
            proposeInstallFolder(c.installValue.c_str(), c.logValue.c_str(), kSuggested);
        EXPECT_EQ(c.folder, proposal.folder.text());
        EXPECT_EQ(c.fixed, proposal.fixed);
    }
}

TEST_F(FolderProposals, DataFolderIsFixedWhenItExists) {
    struct Case {
        std::string recorded;
        std::string folder;
        bool fixed;
    } cases[] = {
        {"", kSuggested, false},
        {"  \r\n", kSuggested, false},
        {withoutProgram(), withoutProgram(), true},
        {withoutProgram() + "\\ ", withoutProgram(), true},
        {missing() + "\\", missing(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("SetupSchdRcFldr=" + c.recorded);
        const FolderProposal proposal = proposeDataFolder(c.recorded.c_str(), kSuggested);
        EXPECT_EQ(c.folder, proposal.folder.text());
        EXPECT_EQ(c.fixed, proposal.fixed);
    }
}

TEST(BrowseResults, ChosenParentFolderGetsTheLeaf) {
    struct Case {
        const char* chosen;
        const char* leaf;
        const char* folder;
    } cases[] = {
        {"C:\\", "Kestrova", "C:\\Kestrova"},
        {"D:\\Apps", "Kestrova", "D:\\Apps\\Kestrova"},
        {"C:\\users\\me\\Music", "Kestrova Recordings",
         "C:\\users\\me\\Music\\Kestrova Recordings"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_STREQ(c.folder, folderBelowChoice(c.chosen, c.leaf).text());
    }
}

TEST(BrowseResults, StartMenuNameIsRelativeToTheRoot) {
    constexpr const char* kRoot = "C:\\users\\me\\Start Menu";
    struct Case {
        const char* chosen;
        const char* root;
        const char* name;
    } cases[] = {
        {"C:\\users\\me\\Start Menu", kRoot, "Kestrova"},
        {"C:\\users\\me\\Start Menu", "C:\\users\\me\\Start Menu\\", "Kestrova"},
        {"C:\\users\\me\\Start Menu\\Programs", kRoot, "Programs\\Kestrova"},
        {"C:\\users\\me\\Start Menu\\Programs\\", kRoot, "Programs\\Kestrova"},
        {"C:\\users\\me\\Start Menu\\Programs\\Radio Tools", kRoot,
         "Programs\\Radio Tools\\Kestrova"},
        {"c:\\USERS\\me\\start menu\\Programs\\Tools", "C:\\Users\\Me\\Start Menu",
         "Programs\\Tools\\Kestrova"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        EXPECT_STREQ(c.name, relativeStartMenuName(c.chosen, c.root).text());
    }
}

TEST(StartMenuFolder, FullPathEndsInABackslashAndNeedsAKnownRoot) {
    struct Case {
        const char* root;
        const char* name;
        const char* folder;
    } cases[] = {
        {"C:\\SM\\", "Programs\\Kestrova", "C:\\SM\\Programs\\Kestrova\\"},
        {"C:\\SM", "Programs\\Kestrova\\", "C:\\SM\\Programs\\Kestrova\\"},
        {"C:\\SM\\", "  Tools \t", "C:\\SM\\Tools\\"},
        {"", "Programs\\Kestrova", ""},
        {" ", "Programs\\Kestrova", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.root) + "|" + c.name);
        EXPECT_STREQ(c.folder, startMenuFolderPath(c.root, c.name).text());
    }
}

}  // namespace
