// Document type and web-page repair in the current user's classes. The machine's
// own classes decide what counts as associated, so the tests arrange them below
// HKLM\Software\Classes and put them back afterwards.
#include "registration/file_associations.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "registration/registry_access.h"
#include "tests/support/test_environment.h"

namespace {

constexpr const char* kUserClasses = "Software\\Classes";
constexpr const char* kWebTypeCommand = "Software\\Classes\\Open.html.file\\Shell\\open\\Command";
constexpr const char* kWebTypeIcon = "Software\\Classes\\Open.html.file\\DefaultIcon";
constexpr const char* kViewer = "\"C:\\Tools\\viewer.exe\" \"%1\"";
const char* const kMachineClasses[] = {"Software\\Classes\\http", "Software\\Classes\\.htm",
                                       "Software\\Classes\\.html"};
const char* const kUserClassKeys[] = {"Software\\Classes\\Open.html.file",
                                      "Software\\Classes\\.htm", "Software\\Classes\\.html",
                                      "Software\\Classes\\KVRD.file", "Software\\Classes\\.kvrd"};

std::string userClassText(const char* keyPath, const char* valueName) {
    return readRaw(HKEY_CURRENT_USER, keyPath, valueName).text();
}

// How the machine's classes look for one case.
struct MachineClasses {
    const char* httpCommand;  // null: "http" has no open command
    const char* httpIcon;     // null: no default icon
    bool htmAssociated;
    bool htmlAssociated;
};

class FileAssociationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* key : kMachineClasses) {
            machine_.push_back(std::make_unique<KeySnapshot>(HKEY_LOCAL_MACHINE, key));
        }
        for (const char* key : kUserClassKeys) {
            ASSERT_FALSE(keyExists(HKEY_CURRENT_USER, key)) << key;
        }
        writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder",
                     " C:\\Apps\\Kestrova \r\n");
    }
    void TearDown() override {
        for (const char* key : kUserClassKeys) {
            deleteKeyTree(HKEY_CURRENT_USER, key);
        }
        deleteIfEmpty(HKEY_CURRENT_USER, kUserClasses);
    }

    void arrange(const MachineClasses& classes) {
        for (const char* key : kMachineClasses) {
            deleteKeyTree(HKEY_LOCAL_MACHINE, key);
        }
        for (const char* key : kUserClassKeys) {
            deleteKeyTree(HKEY_CURRENT_USER, key);
        }
        if (classes.httpCommand != nullptr) {
            writeRawText(HKEY_LOCAL_MACHINE, "Software\\Classes\\http\\shell\\open\\command", "",
                         classes.httpCommand);
        }
        if (classes.httpIcon != nullptr) {
            writeRawText(HKEY_LOCAL_MACHINE, "Software\\Classes\\http\\DefaultIcon", "",
                         classes.httpIcon);
        }
        // "htmlfile" keeps the prefix's own open command.
        if (classes.htmAssociated) {
            writeRawText(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", "", "htmlfile");
        }
        if (classes.htmlAssociated) {
            writeRawText(HKEY_LOCAL_MACHINE, "Software\\Classes\\.html", "", "htmlfile");
        }
    }

    void expectRepaired(const char* extension) {
        const std::string key = std::string("Software\\Classes\\") + extension;
        EXPECT_EQ(userClassText(key.c_str(), ""), "Open.html.file") << extension;
        EXPECT_EQ(userClassText(key.c_str(), "Content Type"), "text/html") << extension;
        EXPECT_EQ(userClassText(key.c_str(), "PerceivedType"), "text") << extension;
        EXPECT_EQ(valueCount(HKEY_CURRENT_USER, key.c_str()), 3u) << extension;
    }

    void expectDocumentType() {
        EXPECT_EQ(userClassText("Software\\Classes\\KVRD.file\\Shell\\open\\Command", ""),
                  "\"C:\\Apps\\Kestrova\\kvr.exe\" \"%1\"");
        EXPECT_EQ(userClassText("Software\\Classes\\KVRD.file\\DefaultIcon", ""),
                  "C:\\Apps\\Kestrova\\kvr.exe,-279");
        EXPECT_EQ(userClassText("Software\\Classes\\.kvrd", ""), "KVRD.file");
        EXPECT_EQ(userClassText("Software\\Classes\\.kvrd", "PerceivedType"), "Document");
        EXPECT_EQ(readRaw(HKEY_CURRENT_USER, "Software\\Classes\\.kvrd", "").type,
                  static_cast<DWORD>(REG_SZ));
    }

    SettingsKeyGuard settings_;
    std::vector<std::unique_ptr<KeySnapshot>> machine_;
};

TEST_F(FileAssociationsTest, RepairTakesTheBrowserCommandOrTheFallback) {
    const struct {
        MachineClasses classes;
        const char* command;
        const char* icon;  // null: no icon value
    } cases[] = {
        {{kViewer, nullptr, false, false}, kViewer, nullptr},
        {{"C:\\Tools\\viewer.exe -url", "C:\\Tools\\viewer.exe,2", false, false},
         "C:\\Tools\\viewer.exe -url %1",
         "C:\\Tools\\viewer.exe,2"},
        {{nullptr, nullptr, false, false},
         "\"%ProgramFiles%\\Internet Explorer\\iexplore.exe\" %1",
         "\"%1\""},
    };
    for (const auto& c : cases) {
        arrange(c.classes);
        EXPECT_EQ(setUpFileAssociations(), 1) << c.command;
        EXPECT_EQ(userClassText(kWebTypeCommand, ""), c.command);
        const RawValue icon = readRaw(HKEY_CURRENT_USER, kWebTypeIcon, "");
        EXPECT_EQ(icon.present(), c.icon != nullptr) << c.command;
        if (c.icon != nullptr) {
            EXPECT_EQ(icon.text(), c.icon);
        }
        expectRepaired(".htm");
        expectRepaired(".html");
        expectDocumentType();
    }
}

TEST_F(FileAssociationsTest, ExistingWebPageAssociationsAreLeftAlone) {
    const struct {
        bool htmAssociated;
        bool htmlAssociated;
    } cases[] = {{true, true}, {true, false}, {false, true}};
    for (const auto& c : cases) {
        arrange({kViewer, nullptr, c.htmAssociated, c.htmlAssociated});
        EXPECT_EQ(setUpFileAssociations(), 1);
        EXPECT_EQ(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\.htm"), !c.htmAssociated);
        EXPECT_EQ(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\.html"), !c.htmlAssociated);
        EXPECT_EQ(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\Open.html.file"),
                  !(c.htmAssociated && c.htmlAssociated));
        if (!c.htmAssociated) {
            expectRepaired(".htm");
        }
        if (!c.htmlAssociated) {
            expectRepaired(".html");
        }
        expectDocumentType();
    }
}

TEST_F(FileAssociationsTest, NoInstallFolderMeansNoDocumentType) {
    for (const char* recorded : {static_cast<const char*>(nullptr), "", " \t "}) {
        arrange({kViewer, nullptr, true, true});
        deleteKeyTree(HKEY_CURRENT_USER, kSettingsKeyPath);
        if (recorded != nullptr) {
            writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", recorded);
        }
        EXPECT_EQ(registerDocumentType(), 0);
        EXPECT_EQ(setUpFileAssociations(), 0);
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\KVRD.file"));
        EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\.kvrd"));
    }
}

TEST_F(FileAssociationsTest, FailedRepairWritesChangeOnlyTheResult) {
    arrange({kViewer, nullptr, false, false});
    {
        // The extension's own key refuses: the result says so, the other one is repaired.
        const KeyLock lock(HKEY_CURRENT_USER, "Software\\Classes\\.html", true);
        ASSERT_TRUE(lock.applied());
        EXPECT_EQ(setUpFileAssociations(), 0);
        EXPECT_EQ(valueCount(HKEY_CURRENT_USER, "Software\\Classes\\.html"), 0u);
    }
    expectRepaired(".htm");
    expectDocumentType();

    arrange({kViewer, nullptr, false, false});
    {
        // Without its command the type is useless: both extensions are skipped.
        const KeyLock lock(HKEY_CURRENT_USER, kWebTypeCommand, true);
        ASSERT_TRUE(lock.applied());
        EXPECT_EQ(setUpFileAssociations(), 1);
    }
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\.htm"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Classes\\.html"));
    expectDocumentType();
}

}  // namespace
