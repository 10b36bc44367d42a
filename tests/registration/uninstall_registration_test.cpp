// The uninstall entry and the recognition of a release that must go first.
#include "registration/uninstall_registration.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "registration/registry_access.h"
#include "startup/setup_session.h"
#include "tests/support/test_environment.h"

namespace {

// Absent from a fresh profile: made by the entry, so removed with it when empty.
constexpr const char* kUninstallParent = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string entryText(const char* name) {
    return readRaw(HKEY_CURRENT_USER, kUninstallKeyPath, name).text();
}

class UninstallRegistrationTest : public ::testing::Test {
protected:
    void TearDown() override {
        deleteKeyTree(HKEY_CURRENT_USER, kUninstallKeyPath);
        deleteIfEmpty(HKEY_CURRENT_USER, kUninstallParent);
        gSession.choices.installFolder.clear();
    }
    SettingsKeyGuard settings_;
};

TEST_F(UninstallRegistrationTest, EntryNamesTheProgramInItsFolder) {
    gSession.choices.installFolder.assign("C:\\Program Files\\Kestrova Test");
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder",
                 "  C:\\Program Files\\Kestrova Test\t\r\n");
    EXPECT_EQ(registerUninstaller(HKEY_CURRENT_USER), 1);

    const struct {
        const char* name;
        const char* text;
    } expected[] = {
        {"DisplayName", "Kestrova"},
        {"UninstallString", "C:\\Program Files\\Kestrova Test\\uninst_kvr.exe"},
        {"Contact", "support@velmora-software.example"},
        {"Publisher", "velmora-software.example"},
        {"DisplayVersion", "1.2.7.1"},
        {"HelpLink", "https://" KVR_MAKER_WEB_HOST "/kestrova/"},
        {"DisplayIcon", "C:\\Program Files\\Kestrova Test\\kvr.exe"},
    };
    for (const auto& value : expected) {
        const RawValue raw = readRaw(HKEY_CURRENT_USER, kUninstallKeyPath, value.name);
        ASSERT_TRUE(raw.present()) << value.name;
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << value.name;
        EXPECT_EQ(raw.text(), value.text) << value.name;
    }
    EXPECT_EQ(entryText("QuietUninstallString"),
              "\"C:\\Program Files\\Kestrova Test\\uninst_kvr.exe\" /silent");
    EXPECT_EQ(entryText("InstallLocation"), "C:\\Program Files\\Kestrova Test");
    for (const char* flag : {"NoModify", "NoRepair"}) {
        const RawValue raw = readRaw(HKEY_CURRENT_USER, kUninstallKeyPath, flag);
        EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD)) << flag;
        EXPECT_EQ(raw.number(), 1u) << flag;
    }
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kUninstallKeyPath, "EstimatedSize").type,
              static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kUninstallKeyPath), 12u);
}

TEST_F(UninstallRegistrationTest, IconOnlyWhenAnInstallFolderIsRecorded) {
    const struct {
        const char* recorded;  // null: no value at all
    } cases[] = {{nullptr}, {""}, {"  \t "}};
    gSession.choices.installFolder.assign("C:\\Apps\\Kestrova");
    for (const auto& c : cases) {
        deleteKeyTree(HKEY_CURRENT_USER, kSettingsKeyPath);
        if (c.recorded != nullptr) {
            writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", c.recorded);
        }
        EXPECT_EQ(registerUninstaller(HKEY_CURRENT_USER), 1);
        EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kUninstallKeyPath, "DisplayIcon").present());
        EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kUninstallKeyPath), 11u);
        EXPECT_EQ(entryText("UninstallString"), "C:\\Apps\\Kestrova\\uninst_kvr.exe");
    }
}

TEST_F(UninstallRegistrationTest, SecondRunReplacesTheFirst) {
    gSession.choices.installFolder.assign("C:\\First");
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", "C:\\First");
    EXPECT_EQ(registerUninstaller(HKEY_CURRENT_USER), 1);
    gSession.choices.installFolder.assign("D:\\Second");
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", "D:\\Second");
    EXPECT_EQ(registerUninstaller(HKEY_CURRENT_USER), 1);
    EXPECT_EQ(entryText("UninstallString"), "D:\\Second\\uninst_kvr.exe");
    EXPECT_EQ(entryText("DisplayIcon"), "D:\\Second\\kvr.exe");
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kUninstallKeyPath), 12u);
}

TEST_F(UninstallRegistrationTest, UnwritableEntryReportsFailure) {
    gSession.choices.installFolder.assign("C:\\Apps\\Kestrova");
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "InstallFolder", "C:\\Apps\\Kestrova");
    const KeyLock lock(HKEY_CURRENT_USER, kUninstallKeyPath, true);
    ASSERT_TRUE(lock.applied());
    EXPECT_EQ(registerUninstaller(HKEY_CURRENT_USER), 0);
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kUninstallKeyPath), 0u);
}

TEST_F(UninstallRegistrationTest, RecordedReleaseOfOneTwoTwoOrOlderMustGo) {
    const struct {
        const char* recorded;  // null: no "ver" value
        int answer;
        const char* handedBack;
    } cases[] = {
        {nullptr, 0, "0"},         {"1.2.2 (beta)", 1, "1.2.2 (beta)"},
        {"1.2.2", 1, "1.2.2"},     {"1.2.1", 1, "1.2.1"},
        {"1.1", 1, "1.1"},         {"1.2.2.1", 0, "1.2.2.1"},
        {"1.2.7.1", 0, "1.2.7.1"}, {"2.0", 0, "2.0"},
    };
    for (const auto& c : cases) {
        deleteKeyTree(HKEY_CURRENT_USER, kSettingsKeyPath);
        if (c.recorded != nullptr) {
            writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "ver", c.recorded);
        }
        TextBuffer version("stale");
        EXPECT_EQ(recordedReleaseToRemove(&version), c.answer) << c.handedBack;
        EXPECT_STREQ(version.text(), c.handedBack);
        EXPECT_EQ(recordedReleaseToRemove(nullptr), c.answer) << c.handedBack;
    }
}

TEST_F(UninstallRegistrationTest, UnreadableRecordStartsNoRemoval) {
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "ver", "1.2.2");
    const KeyLock lock(HKEY_CURRENT_USER, kSettingsKeyPath);
    ASSERT_TRUE(lock.applied());
    int32_t outcome = 0;
    readSettingText(HKEY_CURRENT_USER, "ver", "0", &outcome);
    ASSERT_EQ(outcome, -1) << "the lock must make the read fail";
    TextBuffer version;
    EXPECT_EQ(recordedReleaseToRemove(&version), 0);
    EXPECT_STREQ(version.text(), "0");
}

}  // namespace
