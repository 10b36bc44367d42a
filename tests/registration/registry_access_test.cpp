// Registry value records: every read outcome, writes, and the settings helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "registration/registry_access.h"
#include "tests/support/test_environment.h"

namespace {

constexpr uint32_t kUntouched = 0xDEADBEEF;

RegistryValueSpec readSpec(const char* key, const char* name, int32_t* status) {
    RegistryValueSpec spec;
    spec.flags = ReadValue;
    spec.root = HKEY_CURRENT_USER;
    spec.keyPath = key;
    spec.valueName = name;
    spec.readStatus = status;
    spec.lastError = kUntouched;
    return spec;
}

std::vector<BYTE> bytesOf(const char* text, size_t size) {
    return std::vector<BYTE>(text, text + size);
}

struct StoredValue {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
    int32_t numberOutcome;
    uint32_t numberError;
    uint32_t number;  // expected number when read, else the untouched marker
    int32_t textOutcome;
    const char* text;  // expected text when read, else the untouched marker text
};

const char* const kMarkerText = "untouched";

std::vector<StoredValue> storedValues() {
    const uint32_t dword = 0x12345678;
    const BYTE binary[2] = {1, 2};
    return {
        {"dword", REG_DWORD,
         std::vector<BYTE>(reinterpret_cast<const BYTE*>(&dword),
                           reinterpret_cast<const BYTE*>(&dword) + 4),
         1, 0, 0x12345678, 0, kMarkerText},
        {"long text", REG_SZ, bytesOf("hello world", 12), -1, ERROR_MORE_DATA, kUntouched, 1,
         "hello world"},
        {"short text", REG_SZ, bytesOf("abc", 4), 0, 0, kUntouched, 1, "abc"},
        {"terminator only", REG_SZ, bytesOf("", 1), 0, 0, kUntouched, 1, ""},
        {"no data bytes", REG_SZ, {}, 0, 0, kUntouched, 0, kMarkerText},
        {"expandable text", REG_EXPAND_SZ, bytesOf("%TEMP%\\x", 9), -1, ERROR_MORE_DATA, kUntouched,
         1, "%TEMP%\\x"},
        {"text without terminator", REG_SZ, bytesOf("abcdef", 6), -1, ERROR_MORE_DATA, kUntouched,
         1, "abcdef"},
        {"binary", REG_BINARY, std::vector<BYTE>(binary, binary + 2), 0, 0, kUntouched, 0,
         kMarkerText},
    };
}

// Built over storage full of other bytes: both pointers must start out null in
// full, not only in their lower 32 bits.
TEST(RegistryValueSpec, NewRecordHasNullPointersAndEmptyFields) {
    alignas(RegistryValueSpec) unsigned char storage[sizeof(RegistryValueSpec)];
    std::memset(storage, 0xA5, sizeof storage);
    const RegistryValueSpec* spec = new (storage) RegistryValueSpec;
    EXPECT_EQ(spec->writeData.text, nullptr);
    EXPECT_EQ(spec->readTarget.text, nullptr);
    EXPECT_EQ(spec->flags, 0u);
    EXPECT_EQ(spec->keyPath, nullptr);
    EXPECT_STREQ(spec->valueName, "");
    EXPECT_EQ(spec->readStatus, nullptr);
    spec->~RegistryValueSpec();
}

TEST(RegistryRead, EveryStoredFormGivesItsOutcomeInBothForms) {
    TestRegistryKey key("ReadForms");
    for (const StoredValue& value : storedValues()) {
        SCOPED_TRACE(value.label);
        setRawValue(HKEY_CURRENT_USER, key.path(), value.label, value.type, value.data.data(),
                    static_cast<DWORD>(value.data.size()));

        int32_t status = 99;
        RegistryValueSpec number = readSpec(key.path(), value.label, &status);
        number.readTarget.dword = kUntouched;
        EXPECT_EQ(applyDwordValue(number), 1);
        EXPECT_EQ(status, value.numberOutcome);
        EXPECT_EQ(number.lastError, value.numberError);
        EXPECT_EQ(number.readTarget.dword, value.number);

        TextBuffer target(kMarkerText);
        status = 99;
        RegistryValueSpec text = readSpec(key.path(), value.label, &status);
        text.readTarget.text = &target;
        EXPECT_EQ(applyTextValue(text), 1);
        EXPECT_EQ(status, value.textOutcome);
        EXPECT_EQ(text.lastError, 0u);
        EXPECT_STREQ(target.text(), value.text);
    }
}

// Missing key or value: outcome 0, error 2. A key whose DACL grants nobody read
// access cannot be opened: outcome -1. Either way the targets stay untouched.
TEST(RegistryRead, UnreadableValuesLeaveTheTargetsUntouched) {
    TestRegistryKey key("Unreadable");
    setRawValue(HKEY_CURRENT_USER, key.path(), "v", REG_SZ, "secret", 7);
    const std::string missingKey = key.sub("nowhere");
    const std::string locked = key.sub("locked");
    setRawValue(HKEY_CURRENT_USER, locked, "v", REG_SZ, "secret", 7);
    ASSERT_EQ(lockKey(HKEY_CURRENT_USER, locked), ERROR_SUCCESS);
    struct Case {
        const char* keyPath;
        const char* value;
        int32_t status;
        uint32_t error;
    } cases[] = {{missingKey.c_str(), "v", 0, 2},
                 {key.path(), "absent", 0, 2},
                 {locked.c_str(), "v", -1, ERROR_ACCESS_DENIED}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyPath) + " / " + c.value);
        int32_t status = 99;
        TextBuffer target(kMarkerText);
        RegistryValueSpec text = readSpec(c.keyPath, c.value, &status);
        text.readTarget.text = &target;
        EXPECT_EQ(applyTextValue(text), 1);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(text.lastError, c.error);
        EXPECT_STREQ(target.text(), kMarkerText);

        status = 99;
        RegistryValueSpec number = readSpec(c.keyPath, c.value, &status);
        number.readTarget.dword = kUntouched;
        EXPECT_EQ(applyDwordValue(number), 1);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(number.lastError, c.error);
        EXPECT_EQ(number.readTarget.dword, kUntouched);
    }
    // A null target and a null status are allowed.
    RegistryValueSpec spec = readSpec(key.path(), "v", nullptr);
    spec.readTarget.text = nullptr;
    EXPECT_EQ(applyTextValue(spec), 1);
    EXPECT_EQ(spec.lastError, 0u);
}

TEST(RegistryWrite, CreatesMissingParentsAndStoresExactData) {
    TestRegistryKey key("Parents");
    const std::string deep = key.sub("one\\two\\three");

    RegistryValueSpec text;
    text.flags = WriteValue;
    text.keyPath = deep.c_str();
    text.valueName = "name";
    text.writeData.text = "C:\\Folder";
    text.lastError = kUntouched;
    EXPECT_EQ(applyTextValue(text), 1);
    EXPECT_EQ(text.lastError, 0u);

    RegistryValueSpec number;
    number.flags = WriteValue;
    number.keyPath = deep.c_str();
    number.valueName = "count";
    number.writeData.dword = 0xA1B2C3D4;
    EXPECT_EQ(applyDwordValue(number), 1);

    const RawValue name = readRaw(HKEY_CURRENT_USER, deep, "name");
    EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(name.data, std::string("C:\\Folder", 10));
    const RawValue count = readRaw(HKEY_CURRENT_USER, deep, "count");
    EXPECT_EQ(count.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(count.data, "\xD4\xC3\xB2\xA1");
}

TEST(RegistryWrite, EmptyValueNameSetsTheDefaultValue) {
    TestRegistryKey key("DefaultValue");
    RegistryValueSpec spec;
    spec.flags = WriteValue;
    spec.keyPath = key.path();
    spec.valueName = "";
    spec.writeData.text = "default text";
    EXPECT_EQ(applyTextValue(spec), 1);

    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, key.path(), "").text(), "default text");
}

TEST(RegistryWrite, ReadThenWriteKeepsTheReadsErrorCode) {
    TestRegistryKey key("ReadThenWrite");
    int32_t status = 99;
    TextBuffer target(kMarkerText);
    RegistryValueSpec spec = readSpec(key.path(), "v", &status);
    spec.flags = ReadValue | WriteValue;
    spec.readTarget.text = &target;
    spec.writeData.text = "written";
    EXPECT_EQ(applyTextValue(spec), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(spec.lastError, 2u);
    EXPECT_STREQ(target.text(), kMarkerText);

    // A second call reads what the first wrote, before overwriting it.
    spec.writeData.text = "again";
    EXPECT_EQ(applyTextValue(spec), 1);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(spec.lastError, 0u);
    EXPECT_STREQ(target.text(), "written");
}

TEST(RegistryWrite, RefusedWriteReturnsZeroWithItsErrorAndKeepsTheValue) {
    TestRegistryKey key("RefusedWrite");
    setRawValue(HKEY_CURRENT_USER, key.path(), "v", REG_SZ, "before", 7);
    ASSERT_EQ(lockKey(HKEY_CURRENT_USER, key.path()), ERROR_SUCCESS);

    RegistryValueSpec spec;
    spec.flags = WriteValue;
    spec.keyPath = key.path();
    spec.valueName = "v";
    spec.writeData.dword = 7;
    EXPECT_EQ(applyDwordValue(spec), 0);
    EXPECT_EQ(spec.lastError, static_cast<uint32_t>(ERROR_ACCESS_DENIED));

    ASSERT_EQ(unlockKey(HKEY_CURRENT_USER, key.path()), ERROR_SUCCESS);
    const RawValue kept = readRaw(HKEY_CURRENT_USER, key.path(), "v");
    EXPECT_EQ(kept.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(kept.data, std::string("before", 7));
}

TEST(RegistryRead, TextOfAnyKeyOrTheDefault) {
    TestRegistryKey key("AnyKey");
    RegistryValueSpec write;
    write.flags = WriteValue;
    write.keyPath = key.path();
    write.valueName = "name";
    write.writeData.text = "C:\\Folder";
    ASSERT_EQ(applyTextValue(write), 1);
    const std::string missingKey = key.sub("missing");
    const struct {
        const char* keyPath;
        const char* name;
        const char* defaultText;
        const char* text;
        int32_t outcome;
    } cases[] = {
        {key.path(), "name", "dflt", "C:\\Folder", 1},
        {key.path(), "absent", "dflt", "dflt", 0},
        {missingKey.c_str(), "name", nullptr, "", 0},
    };
    for (const auto& c : cases) {
        int32_t outcome = 7;
        EXPECT_STREQ(
            readRegistryText(HKEY_CURRENT_USER, c.keyPath, c.name, c.defaultText, &outcome).text(),
            c.text)
            << c.name;
        EXPECT_EQ(outcome, c.outcome) << c.name;
    }
}

class SettingsKeyTest : public ::testing::Test {
protected:
    SettingsKeyGuard guard_;
};

TEST_F(SettingsKeyTest, WritersAndReaderShareTheSettingsKey) {
    EXPECT_EQ(writeSettingText("InstallFolder", "C:\\Kestrova", HKEY_CURRENT_USER), 1);
    EXPECT_EQ(writeSettingDword("SetupWISmpRt", 44100, HKEY_CURRENT_USER), 1);

    int32_t outcome = 99;
    TextBuffer folder = readSettingText(HKEY_CURRENT_USER, "InstallFolder", "dflt", &outcome);
    EXPECT_EQ(outcome, 1);
    EXPECT_STREQ(folder.text(), "C:\\Kestrova");

    const RawValue rate = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupWISmpRt");
    EXPECT_EQ(rate.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(rate.data, std::string("\x44\xAC\0\0", 4));
}

TEST_F(SettingsKeyTest, ReaderFallsBackToTheDefault) {
    int32_t outcome = 99;
    EXPECT_STREQ(readSettingText(HKEY_CURRENT_USER, "ver", "0", &outcome).text(), "0");
    EXPECT_EQ(outcome, 0);

    writeSettingDword("ver", 5, HKEY_CURRENT_USER);
    outcome = 99;
    EXPECT_STREQ(readSettingText(HKEY_CURRENT_USER, "ver", "0", &outcome).text(), "0");
    EXPECT_EQ(outcome, 0);

    setRawValue(HKEY_CURRENT_USER, kSettingsKeyPath, "empty", REG_SZ, "", 0);
    outcome = 99;
    EXPECT_STREQ(readSettingText(HKEY_CURRENT_USER, "empty", "dflt", &outcome).text(), "dflt");
    EXPECT_EQ(outcome, 0);

    writeSettingText("blank", "", HKEY_CURRENT_USER);
    outcome = 99;
    EXPECT_STREQ(readSettingText(HKEY_CURRENT_USER, "blank", "dflt", &outcome).text(), "");
    EXPECT_EQ(outcome, 1);

    EXPECT_STREQ(readSettingText(HKEY_CURRENT_USER, "absent", "", nullptr).text(), "");

    writeSettingText("InstallFolder", "C:\\Kestrova", HKEY_CURRENT_USER);
    ASSERT_EQ(lockKey(HKEY_CURRENT_USER, kSettingsKeyPath), ERROR_SUCCESS);
    outcome = 99;
    EXPECT_STREQ(readSettingText(HKEY_CURRENT_USER, "InstallFolder", "dflt", &outcome).text(),
                 "dflt");
    EXPECT_EQ(outcome, -1);
}

}  // namespace
