// The Start Menu page in the real wizard: the default name probed in the user's
// Start Menu and stored as a full path, the check box, and the refusals.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/message_box_answerer.h"
#include "tests/support/polling.h"
#include "tests/wizard/folder_page_fixture.h"

namespace {

constexpr int kPage = 109;
constexpr int kName = 1009;
constexpr int kBrowse = 1010;
constexpr int kNoFolder = 1011;
constexpr const char* kCannotCreate = "Start Menu shortcut cannot be created.\nContinue?";

// Clicks the check box and waits until the click has been handled.
bool clickNoFolder(WizardDriver& wizard, bool checkedAfter) {
    wizard.click(kNoFolder);
    return waitUntil([&] { return wizard.isChecked(kNoFolder) == checkedAfter; }, 5000);
}

class StartMenuPage : public FolderPageTest {
protected:
    void SetUp() override {
        FolderPageTest::SetUp();
        removeTree(root_ + "KvrTest Group");
        // Stale results that a Next must overwrite.
        gSession.choices.startMenuGroup.assign("stale");
        gSession.choices.startMenuFolder.assign("C:\\stale\\");
        gSession.choices.createStartMenuFolder = 1;
    }
    void TearDown() override {
        removeTree(root_ + "KvrTest Group");
        FolderPageTest::TearDown();
    }
    void expectNoFolderChosen() {
        EXPECT_STREQ("", gSession.choices.startMenuGroup.text());
        EXPECT_STREQ("", gSession.choices.startMenuFolder.text());
        EXPECT_EQ(0, gSession.choices.createStartMenuFolder);
    }

    const std::string root_ = shellFolder(CSIDL_STARTMENU) + "\\";
};

// The default, Back keeping a typed name, and that name probed on Next.
TEST_F(StartMenuPage, NameIsProbedAndStoredAsFullPath) {
    MessageBoxAnswerer answerer({IDYES});
    std::string proposed, afterBack;
    bool unchecked = false, editable = false;
    std::string group, folder;
    int create = 0;
    bool probeRemoved = false;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        proposed = wizard.text(kName);
        unchecked = !wizard.isChecked(kNoFolder);
        editable = wizard.isEnabled(kName) && wizard.isEnabled(kBrowse);
        wizard.press(PSBTN_NEXT);
        if (!wizard.waitForPage(kPage + 1))
            return;
        group = gSession.choices.startMenuGroup.text();
        folder = gSession.choices.startMenuFolder.text();
        create = gSession.choices.createStartMenuFolder;
        probeRemoved = !folderExists(root_ + "Programs\\Kestrova") && folderExists(root_);
        wizard.press(PSBTN_BACK);
        wizard.waitForPage(kPage);
        wizard.setText(kName, "KvrTest Group\\Radio\\");
        wizard.press(PSBTN_BACK);
        wizard.waitForPage(kPage - 1);
        wizard.press(PSBTN_NEXT);
        wizard.waitForPage(kPage);
        afterBack = wizard.text(kName);
        wizard.press(PSBTN_NEXT);
        if (wizard.waitForPage(kPage + 1))
            leave(wizard);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ("Programs\\Kestrova", proposed);
    EXPECT_TRUE(unchecked);
    EXPECT_TRUE(editable);
    EXPECT_EQ("Programs\\Kestrova", group);
    EXPECT_EQ(root_ + "Programs\\Kestrova\\", folder);
    EXPECT_EQ(1, create);
    EXPECT_TRUE(probeRemoved);
    EXPECT_EQ("KvrTest Group\\Radio\\", afterBack);
    EXPECT_STREQ("KvrTest Group\\Radio", gSession.choices.startMenuGroup.text());
    EXPECT_EQ(root_ + "KvrTest Group\\Radio\\", gSession.choices.startMenuFolder.text());
    EXPECT_EQ(1, gSession.choices.createStartMenuFolder);
    EXPECT_FALSE(folderExists(root_ + "KvrTest Group\\Radio"));
    EXPECT_EQ(1u, answerer.shown().size());
}

// Checked, the box locks the name and Next stores no folder without probing;
// unchecked again, the name is probed once more.
TEST_F(StartMenuPage, CheckBoxDisablesTheNameAndStoresNothing) {
    MessageBoxAnswerer answerer({IDYES});
    bool locked = false, unlocked = false, probedWhileChecked = true;
    std::string groupWhileChecked = "unread", folderWhileChecked = "unread";
    int createWhileChecked = -1;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        wizard.setText(kName, "KvrTest Group\\Inner");
        locked =
            clickNoFolder(wizard, true) && !wizard.isEnabled(kName) && !wizard.isEnabled(kBrowse);
        wizard.press(PSBTN_NEXT);
        if (!wizard.waitForPage(kPage + 1))
            return;
        groupWhileChecked = gSession.choices.startMenuGroup.text();
        folderWhileChecked = gSession.choices.startMenuFolder.text();
        createWhileChecked = gSession.choices.createStartMenuFolder;
        // The probe would have left the parent folder behind.
        probedWhileChecked = folderExists(root_ + "KvrTest Group");
        wizard.press(PSBTN_BACK);
        wizard.waitForPage(kPage);
        unlocked =
            clickNoFolder(wizard, false) && wizard.isEnabled(kName) && wizard.isEnabled(kBrowse);
        wizard.press(PSBTN_NEXT);
        if (wizard.waitForPage(kPage + 1))
            leave(wizard);
    });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(locked);
    EXPECT_EQ("", groupWhileChecked);
    EXPECT_EQ("", folderWhileChecked);
    EXPECT_EQ(0, createWhileChecked);
    EXPECT_FALSE(probedWhileChecked);
    EXPECT_TRUE(unlocked);
    EXPECT_EQ(root_ + "KvrTest Group\\Inner\\", gSession.choices.startMenuFolder.text());
    EXPECT_EQ(1, gSession.choices.createStartMenuFolder);
    EXPECT_TRUE(folderExists(root_ + "KvrTest Group"));
}

// A blank name is refused; a name the file system refuses leads to the question,
// where No stays and Yes goes on without a Start Menu folder.
TEST_F(StartMenuPage, RefusedNamesAndTheQuestion) {
    struct Case {
        const char* typed;
        int answer;
        const char* message;
        bool yesNo;
        int pageAfter;
    } cases[] = {
        {" \t", IDOK, "Please specify Start Menu shortcut name...", false, kPage},
        {"KvrTest Group\\Bad|Name", IDNO, kCannotCreate, true, kPage},
        {"KvrTest Group\\Bad|Name", IDYES, kCannotCreate, true, kPage + 1},
    };
    MessageBoxAnswerer answerer({IDOK, IDNO, IDYES, IDYES});
    std::vector<NextAttempt> seen;
    std::string groupAfterNo;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        for (const Case& c : cases) {
            seen.push_back(nextWith(wizard, answerer, kName, c.typed));
            if (c.answer == IDNO)
                groupAfterNo = gSession.choices.startMenuGroup.text();
        }
        leave(wizard);
    });
    EXPECT_TRUE(ended);
    ASSERT_EQ(std::size(cases), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].typed) + " answered " + std::to_string(cases[i].answer));
        ASSERT_EQ(1u, seen[i].boxes.size());
        EXPECT_EQ(cases[i].message, seen[i].boxes[0].text);
        EXPECT_EQ(errorIcon(), seen[i].boxes[0].icon);
        EXPECT_EQ(cases[i].yesNo, seen[i].boxes[0].hasYes && seen[i].boxes[0].hasNo);
        EXPECT_EQ(cases[i].yesNo ? IDNO : IDOK, seen[i].boxes[0].defaultButton);
        EXPECT_EQ(cases[i].pageAfter, seen[i].page);
    }
    EXPECT_EQ("stale", groupAfterNo);
    expectNoFolderChosen();
    EXPECT_FALSE(folderExists(root_ + "KvrTest Group\\Bad"));
}

// When the shell cannot name the user's Start Menu the name must not be taken
// relative to the current folder: the page asks at once instead of probing.
TEST_F(StartMenuPage, UnknownStartMenuAsksWithoutProbing) {
    const char* const kShellFolders[] = {
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};
    KeySnapshot userShellFolders(HKEY_CURRENT_USER, kShellFolders[0]);
    KeySnapshot shellFolders(HKEY_CURRENT_USER, kShellFolders[1]);
    TestFolder current("startmenu-current");
    for (const char* key : kShellFolders)
        writeRawText(HKEY_CURRENT_USER, key, "Start Menu", current.path("missing\\Start Menu"));
    char previousFolder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof previousFolder, previousFolder);
    SetCurrentDirectoryA(current.path().c_str());

    MessageBoxAnswerer answerer({IDNO, IDYES, IDYES});
    int pageAfterNo = 0, pageAfterYes = 0;
    const bool ended = WizardDriver::run([&](WizardDriver& wizard) {
        if (!walkTo(wizard, kPage))
            return;
        pageAfterNo = nextWith(wizard, answerer, kName, wizard.text(kName)).page;
        wizard.press(PSBTN_NEXT);
        wizard.waitForPage(kPage + 1);
        pageAfterYes = wizard.pageId();
        leave(wizard);
    });
    SetCurrentDirectoryA(previousFolder);
    EXPECT_TRUE(ended);
    EXPECT_EQ(kPage, pageAfterNo);
    EXPECT_EQ(kPage + 1, pageAfterYes);
    const std::vector<ShownBox> boxes = answerer.shown();
    ASSERT_EQ(3u, boxes.size());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(kCannotCreate, boxes[i].text);
        EXPECT_EQ(IDNO, boxes[i].defaultButton);
    }
    expectNoFolderChosen();
    EXPECT_FALSE(folderExists(current.path("Programs")));
}

}  // namespace
