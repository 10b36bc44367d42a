// Folder checks with their exact messages, the write probe, the suggested
// folders and removing the chosen folders. Drive letters come from the test
// prefix: R: CD-ROM, S: removable, N: network, M: RAM disk, Q: no volume.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "startup/setup_session.h"
#include "tests/support/double_byte.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "wizard/folder_validation.h"
#include "wizard/message_box.h"

namespace {

constexpr const char* kInvalidPhrase = "path for installation";
constexpr const char* kMissingPhrase = "folder where you'd like to install the program";
constexpr const char* kBrowseHint = "If you're not sure how to write a path, use Browse button...";
const std::string kMissingMessage =
    "Please specify folder where you'd like to install the program...";
const std::string kInvalidMessage =
    std::string("ERROR: Specified path for installation is not valid.\n\n") + kBrowseHint;
const std::string kUnrecognisedMessage =
    std::string(
        "ERROR: Specified path is not recognized...\n(A path should start with a drive "
        "letter followed by the colon and slash.)\n\n") +
    kBrowseHint;
const std::string kNonFixedMessage =
    "ERROR: You have selected a non-fixed drive.\n\nPlease select a folder on a fixed disk on your "
    "local computer...";
const std::string kCannotWriteMessage =
    "ERROR: Can't write to the specified folder.\nPlease specify another location...";
const std::string kResetOffer =
    "ERROR: Current user account does not have permissions to write into specified "
    "folder.\nWould you like to reset the folder to a suggested writable one?";

std::string driveRefusal(const char* reason) {
    return std::string("ERROR: ") + reason + "\n" + kBrowseHint;
}

// Runs validateFolder, answering its one box with `button`; the box must carry
// `message`, the setup caption and the stop icon.
FolderCheck validateExpecting(const std::string& path, const std::string& message,
                              int button = IDOK) {
    MessageBoxAnswerer answerer({button});
    const FolderCheck result = validateFolder(path.c_str(), kInvalidPhrase, kMissingPhrase);
    const std::vector<ShownBox> boxes = answerer.shown();
    EXPECT_EQ(boxes.size(), 1u);
    if (!boxes.empty()) {
        EXPECT_EQ(boxes[0].text, message);
        EXPECT_EQ(boxes[0].caption, kSetupCaption);
        EXPECT_EQ(boxes[0].icon, errorIcon());
        EXPECT_EQ(boxes[0].defaultButton, IDOK);
    }
    return result;
}

class FolderValidation : public ::testing::Test {
protected:
    void TearDown() override {
        gSession.platformProbe = 0;
        gSession.folderWriteProbe = 0;
    }
    TestFolder folder_{"validate"};
};

TEST_F(FolderValidation, RefusedPathsShowTheirMessage) {
    struct Case {
        std::string path;
        std::string message;
    } cases[] = {
        {"", kMissingMessage},
        {" \t\r\n ", kMissingMessage},
        {"C:\\Program Files\\Kes?trova", kInvalidMessage},
        {"C:\\a:b", kInvalidMessage},
        {"C:\\\"quoted\"", kInvalidMessage},
        {"C:\\a*b", kInvalidMessage},
        {"C:\\a<b", kInvalidMessage},
        {"C:\\a>b", kInvalidMessage},
        {"C:\\a|b", kInvalidMessage},
        {"\\\\server\\share\\Kestrova", kUnrecognisedMessage},
        {"Programs\\Kestrova", kUnrecognisedMessage},
        {"\\Kestrova", kUnrecognisedMessage},
        {"Kestrova Recordings", kUnrecognisedMessage},
        {"R:\\Kestrova", kNonFixedMessage},
        {"S:\\Kestrova", kNonFixedMessage},
        {"N:\\Kestrova", driveRefusal("Specified network drive that cannot be used.")},
        {"M:\\Kestrova", driveRefusal("Specified RAM disc drive that cannot be used.")},
        {"Q:\\Kestrova", driveRefusal("Specified invalid root path.")},
        {"Q:", driveRefusal("Specified invalid root path.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(validateExpecting(c.path, c.message), Rejected);
    }
}

TEST_F(FolderValidation, NewFolderIsAcceptedAndRemovedWhileItsParentsStay) {
    const std::string target = folder_.path("parent\\child\\Kestrova");
    MessageBoxAnswerer answerer;
    EXPECT_EQ(validateFolder(target.c_str(), kInvalidPhrase, kMissingPhrase), Accepted);
    EXPECT_TRUE(answerer.shown().empty());
    EXPECT_FALSE(folderExists(target));
    EXPECT_TRUE(folderExists(folder_.path("parent\\child")));
    EXPECT_FALSE(fileExists(target + "\\__testFile1827382_1"));
}

TEST_F(FolderValidation, ExistingFolderWithFilesIsAcceptedAndKept) {
    writeFile(folder_.path("keep.txt"), "data");
    MessageBoxAnswerer answerer;
    EXPECT_EQ(validateFolder(folder_.path().c_str(), kInvalidPhrase, kMissingPhrase), Accepted);
    EXPECT_TRUE(answerer.shown().empty());
    EXPECT_TRUE(fileExists(folder_.path("keep.txt")));
    EXPECT_FALSE(fileExists(folder_.path("__testFile1827382_1")));
}

// The folder's parent is a file, so neither the folder nor the probe file can
// be created: the fixed-drive folder is not writable even for root.
TEST_F(FolderValidation, UnwritableFixedFolderIsRefusedOrOffersTheSuggestion) {
    writeFile(folder_.path("occupied"), "a file, not a folder");
    const std::string target = folder_.path("occupied\\Kestrova");
    struct Case {
        int platformProbe;
        uint32_t folderWriteProbe;
        int button;
        std::string message;
        FolderCheck result;
    } cases[] = {
        {0, 0, IDOK, kCannotWriteMessage, Rejected}, {1, 3, IDOK, kCannotWriteMessage, Rejected},
        {1, 7, IDOK, kCannotWriteMessage, Rejected}, {1, 0, IDYES, kResetOffer, ResetRequested},
        {1, 1, IDYES, kResetOffer, ResetRequested},  {1, 2, IDNO, kResetOffer, Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.platformProbe) + "/" + std::to_string(c.folderWriteProbe));
        gSession.platformProbe = c.platformProbe;
        gSession.folderWriteProbe = c.folderWriteProbe;
        MessageBoxAnswerer answerer({c.button});
        EXPECT_EQ(validateFolder(target.c_str(), kInvalidPhrase, kMissingPhrase), c.result);
        const std::vector<ShownBox> boxes = answerer.shown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].hasYes, c.message == kResetOffer);
        EXPECT_EQ(boxes[0].hasNo, c.message == kResetOffer);
        EXPECT_EQ(boxes[0].icon, errorIcon());
        // The reset offer has Yes as its default, the refusal its only button, OK.
        EXPECT_EQ(boxes[0].defaultButton, c.message == kResetOffer ? IDYES : IDOK);
    }
    EXPECT_TRUE(fileExists(folder_.path("occupied")));
}

// Each forbidden character is refused through validateFolder above.
TEST(PathCharacters, OnlyASecondColonOrAForbiddenCharacterIsRefused) {
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"C:\\Program Files\\Kestrova", true},
        {"C:/a/b c\t", true},
        {"relative", true},
        {"", true},
        {"a:b", true},
        {"::", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(hasValidPathCharacters(c.text), c.valid);
    }
}

TEST_F(DoubleByteTest, SecondBytesAreNoForbiddenCharacters) {
    EXPECT_TRUE(hasValidPathCharacters(("C:\\" + kTrailBar).c_str()));
    EXPECT_TRUE(hasValidPathCharacters(("C:\\" + kTrailBackslash + "\\" + kTrailBar).c_str()));
    EXPECT_FALSE(hasValidPathCharacters(("C:\\" + kTrailBar + "|").c_str()));
    EXPECT_EQ(rootDriveType(("C:\\" + kTrailBar).c_str()), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_EQ(rootDriveType((kTrailBackslash + "\\C:").c_str()), 0u);

    // Accepted, created for the probe and removed again, its parent kept.
    TestFolder folder("validate-cp932");
    const std::string parent = folder.path(kTrailBackslash);
    MessageBoxAnswerer answerer;
    EXPECT_EQ(validateFolder((parent + "\\" + kTrailBar).c_str(), kInvalidPhrase, kMissingPhrase),
              Accepted);
    EXPECT_TRUE(answerer.shown().empty());
    EXPECT_TRUE(folderExists(parent));
    EXPECT_FALSE(folderExists(parent + "\\" + kTrailBar));
}

TEST(RootDriveType, FirstComponentDecides) {
    struct Case {
        const char* path;
        UINT type;
    } cases[] = {
        {"C:\\Kestrova", DRIVE_FIXED},
        {"C:", DRIVE_FIXED},
        {"c:/x/y", DRIVE_FIXED},
        {"R:\\x", DRIVE_CDROM},
        {"S:\\x", DRIVE_REMOVABLE},
        {"N:\\x", DRIVE_REMOTE},
        {"M:\\x", DRIVE_RAMDISK},
        {"Q:\\x", DRIVE_NO_ROOT_DIR},
        {"\\\\server\\share", 0},
        {"dir\\C:", 0},
        {"", 0},
        {"/C:", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(rootDriveType(c.path), c.type);
    }
    // A long path is cut to its first 259 characters before the search.
    const std::string longComponent = std::string(300, 'x') + ":\\y";
    EXPECT_EQ(rootDriveType(longComponent.c_str()), 0u);
}

TEST(ProbeFolderWritable, CreatesTheFolderAndRemovesItOnlyWhenAsked) {
    TestFolder folder("probe");
    const std::string kept = folder.path("a\\b\\kept");
    EXPECT_TRUE(probeFolderWritable(kept.c_str(), false));
    EXPECT_TRUE(folderExists(kept));
    EXPECT_FALSE(fileExists(kept + "\\__testFile1827382_1"));

    const std::string removed = folder.path("c/d/removed/");
    EXPECT_TRUE(probeFolderWritable(removed.c_str(), true));
    EXPECT_FALSE(folderExists(removed));
    EXPECT_TRUE(folderExists(folder.path("c\\d")));

    writeFile(folder.path("file"), "x");
    EXPECT_FALSE(probeFolderWritable(folder.path("file\\sub").c_str(), true));
}

TEST(SpecialFolders, PathsEndInABackslashAndExist) {
    for (int csidl : {CSIDL_PERSONAL, CSIDL_STARTMENU, CSIDL_MYMUSIC, CSIDL_LOCAL_APPDATA,
                      CSIDL_PROGRAM_FILES}) {
        SCOPED_TRACE(csidl);
        const TextBuffer path = specialFolderPath(csidl);
        ASSERT_GT(path.visibleLength(), 3u);
        EXPECT_EQ(path.text()[path.visibleLength() - 1], '\\');
        EXPECT_NE(path.text()[path.visibleLength() - 2], '\\');
        EXPECT_TRUE(folderExists(path.text()));
    }
    // An identifier that names no folder gives the empty text.
    EXPECT_STREQ(specialFolderPath(0x7F).text(), "");
}

TEST(SuggestedFolders, BuiltFromTheSpecialFolders) {
    gSession.platformProbe = 1;
    const std::string localAppData = specialFolderPath(CSIDL_LOCAL_APPDATA).text();
    EXPECT_EQ(std::string(defaultInstallFolder().text()), localAppData + "Kestrova");

    gSession.platformProbe = 0;
    const std::string programFiles = specialFolderPath(CSIDL_PROGRAM_FILES).text();
    EXPECT_EQ(std::string(defaultInstallFolder().text()), programFiles + "Kestrova");

    const std::string music = specialFolderPath(CSIDL_MYMUSIC).text();
    EXPECT_EQ(std::string(defaultDataFolder().text()), music + "Kestrova Recordings");
}

// Each fallback, one base missing after the other.
TEST(SuggestedFolders, FallBackBaseByBase) {
    struct Case {
        const char* localAppData;
        const char* profile;
        const char* documents;
        const char* programFiles;
        const char* music;
        int platformProbe;
        const char* installFolder;
        const char* dataFolder;
    } cases[] = {
        {"C:\\L\\", "C:\\P", "C:\\D\\", "C:\\PF\\", "C:\\M\\", 1, "C:\\L\\Kestrova",
         "C:\\M\\Kestrova Recordings"},
        {"", "C:\\P", "C:\\D\\", "C:\\PF\\", "", 1, "C:\\P\\Kestrova",
         "C:\\D\\Kestrova Recordings"},
        {"", "", "C:\\D\\", "C:\\PF\\", "", 1, "C:\\D\\Kestrova", "C:\\D\\Kestrova Recordings"},
        {"C:\\L\\", "C:\\P", "C:\\D\\", "C:\\PF\\", "C:\\M\\", 0, "C:\\PF\\Kestrova",
         "C:\\M\\Kestrova Recordings"},
        {"C:\\L\\", "C:\\P", "C:\\D\\", "", "C:\\M\\", 0, "C:\\D\\Kestrova",
         "C:\\M\\Kestrova Recordings"},
        {"", "", "", "", "", 1, "\\Kestrova", "Kestrova Recordings"},
        {"", "", "", "", "", 0, "\\Kestrova", "Kestrova Recordings"},
    };
    for (const Case& c : cases) {
        SuggestionBases bases;
        bases.localAppData.assign(c.localAppData);
        bases.profile.assign(c.profile);
        bases.documents.assign(c.documents);
        bases.programFiles.assign(c.programFiles);
        bases.music.assign(c.music);
        SCOPED_TRACE(std::string(c.installFolder) + " / " + c.dataFolder);
        EXPECT_STREQ(suggestInstallFolder(bases, c.platformProbe).text(), c.installFolder);
        EXPECT_STREQ(suggestDataFolder(bases).text(), c.dataFolder);
    }
}

TEST(SpecialFolders, ProgramFilesAloneHasAFixedFallback) {
    EXPECT_STREQ(specialFolderFromShell(CSIDL_PROGRAM_FILES, "").text(), "C:\\Program Files\\");
    EXPECT_STREQ(specialFolderFromShell(CSIDL_PROGRAM_FILES, "D:\\Apps").text(), "D:\\Apps\\");
    EXPECT_STREQ(specialFolderFromShell(CSIDL_PERSONAL, "").text(), "");
    EXPECT_STREQ(specialFolderFromShell(CSIDL_MYMUSIC, "C:\\Music").text(), "C:\\Music\\");
}

class RemoveChosenFolders : public ::testing::Test {
protected:
    void TearDown() override {
        gSession.choices.dataFolder.clear();
        gSession.choices.installFolder.clear();
        gSession.choices.startMenuFolder.clear();
    }
    TestFolder folder_{"remove"};
};

TEST_F(RemoveChosenFolders, RemovesEmptyFoldersOnly) {
    for (const char* name : {"data", "install", "menu", "menu\\inner"}) {
        CreateDirectoryA(folder_.path(name).c_str(), nullptr);
    }
    writeFile(folder_.path("install\\kvr.exe"), "program");
    gSession.choices.dataFolder.assign(folder_.path("data").c_str());
    gSession.choices.installFolder.assign(folder_.path("install").c_str());
    gSession.choices.startMenuFolder.assign(folder_.path("menu\\inner\\").c_str());

    EXPECT_EQ(removeChosenFolders(), 1);
    EXPECT_FALSE(folderExists(folder_.path("data")));
    EXPECT_TRUE(fileExists(folder_.path("install\\kvr.exe")));
    EXPECT_FALSE(folderExists(folder_.path("menu\\inner")));
    EXPECT_TRUE(folderExists(folder_.path("menu")));

    // Blank and missing folders are passed over without complaint.
    gSession.choices.dataFolder.assign("  ");
    gSession.choices.installFolder.assign(folder_.path("gone").c_str());
    gSession.choices.startMenuFolder.clear();
    EXPECT_EQ(removeChosenFolders(), 1);
    EXPECT_TRUE(folderExists(folder_.path()));
}

}  // namespace
