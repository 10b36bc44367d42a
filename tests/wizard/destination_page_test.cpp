// The destination page in the real wizard: its proposal, the reinstall notice of
// an installed copy, its refusals and the reset offer.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/message_box_answerer.h"
#include "tests/wizard/folder_page_fixture.h"

namespace {

constexpr int kPage = 108;
constexpr int kFolder = 1004;
constexpr int kBrowse = 1005;
constexpr int kReinstall = 1006;
constexpr int kPerUser = 1007;
constexpr const char* kReinstallNotice =
    "Another copy of the program is already installed for this user...\nIf you continue with the "
    "installation the program files will be reinstalled.";
constexpr const char* kPerUserNotice =
    "INFORMATION: This program is installed per-Windows user on this computer.";

class DestinationPage : public FolderPageTest {
protected:
    TestFolder folder_{"destination"};
};

// First installation, Back and Next, and every activation closing running copies.
TEST_F(DestinationPage, ProposesTheSuggestionAndKeepsWhatWasTyped) {
    const std::string typed = folder_.path("typed\\Kestrova\\");
    MessageBoxAnswerer answerer({IDYES});
    std::string proposed, reinstall, perUser, afterBack;
    bool editable = false, browsable = false, backAndNext = false, copyClosed = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        proposed = wizard.text(kFolder);
        editable = wizard.isEnabled(kFolder);
        browsable = wizard.isEnabled(kBrowse);
        reinstall = wizard.text(kReinstall);
        perUser = wizard.text(kPerUser);
        backAndNext = wizard.sheetButtonEnabled(WizardDriver::kBack) &&
                      wizard.sheetButtonEnabled(WizardDriver::kNext);
        StandInProcess runningCopy;
        runningCopy.window();
        wizard.setText(kFolder, typed);
        wizard.press(PSBTN_BACK);
        wizard.waitForPage(kPage - 1);
        wizard.press(PSBTN_NEXT);
        wizard.waitForPage(kPage);
        copyClosed = runningCopy.waitForExit(10000);
        afterBack = wizard.text(kFolder);
        wizard.press(PSBTN_NEXT);
        if (wizard.waitForPage(kPage + 1))
            leave(wizard);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(shellFolder(CSIDL_LOCAL_APPDATA) + "\\Kestrova", proposed);
    EXPECT_TRUE(editable);
    EXPECT_TRUE(browsable);
    EXPECT_EQ("", reinstall);
    EXPECT_EQ(kPerUserNotice, perUser);
    EXPECT_TRUE(backAndNext);
    EXPECT_TRUE(copyClosed);
    EXPECT_EQ(typed, afterBack);
    EXPECT_STREQ(folder_.path("typed\\Kestrova").c_str(), gSession.choices.installFolder.text());
    // Accepting probed the folder and removed it again; only the exit question was asked.
    EXPECT_FALSE(folderExists(folder_.path("typed\\Kestrova")));
    ASSERT_EQ(1u, answerer.shown().size());
}

TEST_F(DestinationPage, RefusalsShowTheirMessageAndKeepThePage) {
    const std::string occupied = folder_.path("occupied");
    writeFile(occupied, "a file where a folder should be");
    const std::string suggested = shellFolder(CSIDL_LOCAL_APPDATA) + "\\Kestrova";
    const std::string resetOffer =
        "ERROR: Current user account does not have permissions to write into specified "
        "folder.\nWould you like to reset the folder to a suggested writable one?";
    struct Case {
        std::string typed;
        int answer;
        std::string message;
        std::string fieldAfter;
    } cases[] = {
        {" \t ", IDOK, "Please specify folder where you'd like to install the program...", " \t "},
        {"C:\\Kes?trova", IDOK,
         std::string("ERROR: Specified path for installation is not valid.\n\n") + kBrowseHint,
         "C:\\Kes?trova"},
        {"Programs\\Kestrova", IDOK,
         std::string("ERROR: Specified path is not recognized...\n(A path should start with a "
                     "drive letter followed by the colon and slash.)\n\n") +
             kBrowseHint,
         "Programs\\Kestrova"},
        {"R:\\Kestrova", IDOK,
         "ERROR: You have selected a non-fixed drive.\n\nPlease select a folder on a fixed disk "
         "on your local computer...",
         "R:\\Kestrova"},
        {"N:\\Kestrova", IDOK,
         std::string("ERROR: Specified network drive that cannot be used.\n") + kBrowseHint,
         "N:\\Kestrova"},
        {occupied + "\\Kestrova", IDNO, resetOffer, occupied + "\\Kestrova"},
        {occupied + "\\Kestrova", IDYES, resetOffer, suggested},
    };
    std::vector<int> answers;
    for (const Case& c : cases)
        answers.push_back(c.answer);
    answers.push_back(IDYES);
    MessageBoxAnswerer answerer(answers);
    std::vector<NextAttempt> seen;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        for (const Case& c : cases)
            seen.push_back(nextWith(wizard, answerer, kFolder, c.typed));
        leave(wizard);
    });
    EXPECT_TRUE(ended);
    ASSERT_EQ(std::size(cases), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(cases[i].typed + " answered " + std::to_string(cases[i].answer));
        ASSERT_EQ(1u, seen[i].boxes.size());
        EXPECT_EQ(cases[i].message, seen[i].boxes[0].text);
        EXPECT_EQ(errorIcon(), seen[i].boxes[0].icon);
        EXPECT_EQ(cases[i].answer != IDOK, seen[i].boxes[0].hasYes);
        EXPECT_EQ(kPage, seen[i].page);
        EXPECT_EQ(cases[i].fieldAfter, seen[i].field);
    }
    EXPECT_STREQ("", gSession.choices.installFolder.text());
}

// "InstallFolder" or, when that is empty, "SetupLogFldr" naming a folder with
// kvr.exe fixes the folder; one without kvr.exe is only proposed.
TEST_F(DestinationPage, InstalledCopyFixesTheFolder) {
    const std::string installed = folder_.path("installed");
    createFolders(installed);
    writeFile(installed + "\\kvr.exe", "program");
    const std::string other = folder_.path("other");
    createFolders(other);
    struct Case {
        std::string installValue;
        std::string logValue;
        std::string field;
        bool fixed;
    } cases[] = {
        {installed + "\\ ", "", installed, true},
        {"", installed + "\\", installed, true},
        {other, installed, other, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("InstallFolder=" + c.installValue + " SetupLogFldr=" + c.logValue);
        setSetting("InstallFolder", c.installValue);
        setSetting("SetupLogFldr", c.logValue);
        gSession.choices.installFolder.clear();
        MessageBoxAnswerer answerer({IDYES});
        std::string field, notice;
        bool editable = true, browsable = true;
        int pageAfterNext = 0;
        const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
            if (!walkTo(wizard, kPage))
                return;
            field = wizard.text(kFolder);
            notice = wizard.text(kReinstall);
            editable = wizard.isEnabled(kFolder);
            browsable = wizard.isEnabled(kBrowse);
            wizard.press(PSBTN_NEXT);
            wizard.waitForPage(kPage + 1);
            pageAfterNext = wizard.pageId();
            leave(wizard);
        });
        EXPECT_TRUE(ended);
        EXPECT_EQ(c.field, field);
        EXPECT_EQ(c.fixed ? kReinstallNotice : "", notice);
        EXPECT_EQ(!c.fixed, editable);
        EXPECT_EQ(!c.fixed, browsable);
        EXPECT_EQ(kPage + 1, pageAfterNext);
        EXPECT_EQ(c.field, gSession.choices.installFolder.text());
        EXPECT_EQ(1u, answerer.shown().size());
        EXPECT_TRUE(fileExists(installed + "\\kvr.exe"));
    }
}

// The installed copy's folder has gone and a file stands in its place: the first
// Next refuses it, puts the suggestion in and unlocks the field.
TEST_F(DestinationPage, UnusableFixedFolderGivesWayToTheSuggestion) {
    gSession.platformProbe = 0;
    const std::string installed = folder_.path("installed");
    createFolders(installed);
    writeFile(installed + "\\kvr.exe", "program");
    setSetting("InstallFolder", installed);
    MessageBoxAnswerer answerer({IDOK, IDYES});
    bool lockedBefore = false, editableAfter = false, browsableAfter = false;
    std::string fieldAfter;
    int page = 0;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        lockedBefore = !wizard.isEnabled(kFolder) && !wizard.isEnabled(kBrowse);
        removeTree(installed);
        writeFile(installed, "no longer a folder");
        const NextAttempt attempt = nextWith(wizard, answerer, kFolder, wizard.text(kFolder));
        page = attempt.page;
        fieldAfter = attempt.field;
        editableAfter = wizard.isEnabled(kFolder);
        browsableAfter = wizard.isEnabled(kBrowse);
        leave(wizard);
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(lockedBefore);
    EXPECT_EQ(kPage, page);
    EXPECT_EQ(shellFolder(CSIDL_PROGRAM_FILES) + "\\Kestrova", fieldAfter);
    EXPECT_TRUE(editableAfter);
    EXPECT_TRUE(browsableAfter);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("ERROR: Can't write to the specified folder.\nPlease specify another location...",
              boxes[0].text);
    EXPECT_STREQ("", gSession.choices.installFolder.text());
}

}  // namespace
