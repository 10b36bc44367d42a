// The data folder page in the real wizard: the suggestion, the folder of an
// earlier installation, and the refusals with this page's own phrases.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/message_box_answerer.h"
#include "tests/wizard/folder_page_fixture.h"

namespace {

constexpr int kPage = 110;
constexpr int kFolder = 1013;
constexpr int kBrowse = 1014;
constexpr int kDefined = 1006;
constexpr const char* kDefinedNotice =
    "This folder has already been defined...\n(You will be able to change it in the Options "
    "window when the program is installed.)";

class DataFolderPage : public FolderPageTest {
protected:
    TestFolder folder_{"data"};
};

TEST_F(DataFolderPage, ProposesTheSuggestionRefusesAndStores) {
    const std::string typed = folder_.path("Recordings\\");
    struct Case {
        std::string typed;
        std::string message;
    } cases[] = {
        {"", "Please specify recording & data files folder..."},
        {"C:\\Rec|ordings",
         std::string("ERROR: Specified recording & data files folder path is not valid.\n\n") +
             kBrowseHint},
    };
    MessageBoxAnswerer answerer({IDOK, IDOK, IDYES});
    std::string proposed, notice, afterBack;
    bool editable = false;
    std::vector<NextAttempt> seen;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        proposed = wizard.text(kFolder);
        notice = wizard.text(kDefined);
        editable = wizard.isEnabled(kFolder) && wizard.isEnabled(kBrowse);
        for (const Case& c : cases)
            seen.push_back(nextWith(wizard, answerer, kFolder, c.typed));
        wizard.setText(kFolder, typed);
        wizard.press(PSBTN_BACK);
        wizard.waitForPage(kPage - 1);
        wizard.press(PSBTN_NEXT);
        wizard.waitForPage(kPage);
        afterBack = wizard.text(kFolder);
        wizard.press(PSBTN_NEXT);
        if (wizard.waitForPage(kPage + 1))
            leave(wizard);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(shellFolder(CSIDL_MYMUSIC) + "\\Kestrova Recordings", proposed);
    EXPECT_EQ("", notice);
    EXPECT_TRUE(editable);
    ASSERT_EQ(std::size(cases), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(cases[i].typed);
        ASSERT_EQ(1u, seen[i].boxes.size());
        EXPECT_EQ(cases[i].message, seen[i].boxes[0].text);
        EXPECT_EQ(errorIcon(), seen[i].boxes[0].icon);
        EXPECT_EQ(kPage, seen[i].page);
        EXPECT_EQ(cases[i].typed, seen[i].field);
    }
    EXPECT_EQ(typed, afterBack);
    EXPECT_STREQ(folder_.path("Recordings").c_str(), gSession.choices.dataFolder.text());
}

// "SetupSchdRcFldr" naming an existing folder fixes it; a folder that has gone is
// proposed unlocked and without the notice.
TEST_F(DataFolderPage, RecordedFolderIsFixedWhileItExists) {
    const std::string existing = folder_.path("existing");
    createFolders(existing);
    writeFile(existing + "\\take1.kvrd", "recording");
    const std::string gone = folder_.path("gone");
    struct Case {
        std::string recorded;
        std::string field;
        bool fixed;
    } cases[] = {
        {existing + "\\", existing, true},
        {gone, gone, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recorded);
        setSetting("SetupSchdRcFldr", c.recorded);
        gSession.choices.dataFolder.clear();
        MessageBoxAnswerer answerer({IDYES});
        std::string field, notice;
        bool editable = true, browsable = true;
        const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
            if (!walkTo(wizard, kPage))
                return;
            field = wizard.text(kFolder);
            notice = wizard.text(kDefined);
            editable = wizard.isEnabled(kFolder);
            browsable = wizard.isEnabled(kBrowse);
            wizard.press(PSBTN_NEXT);
            if (wizard.waitForPage(kPage + 1))
                leave(wizard);
        });
        EXPECT_TRUE(ended);
        EXPECT_EQ(c.field, field);
        EXPECT_EQ(c.fixed ? kDefinedNotice : "", notice);
        EXPECT_EQ(!c.fixed, editable);
        EXPECT_EQ(!c.fixed, browsable);
        EXPECT_EQ(c.field, gSession.choices.dataFolder.text());
        EXPECT_EQ(1u, answerer.shown().size());
    }
    EXPECT_TRUE(fileExists(existing + "\\take1.kvrd"));
}

}  // namespace
