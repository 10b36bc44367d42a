// The settings step: every value with its name and type, the kept rows, the
// referrer hand-over, the generated texts, the failure message, the measurement.
#include "registration/program_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "registration/registry_access.h"
#include "registration/settings_constants.h"
#include "startup/random.h"
#include "startup/setup_session.h"
#include "tests/support/message_box_answerer.h"
#include "tests/support/test_environment.h"
#include "tests/support/test_windows.h"
#include "text/scramble.h"

namespace {

constexpr const char* kTokenPlain =
    "Kestrova recorder first-run token, issued by the 1.2.7.1 setup";

std::string settingText(const char* name) {
    return readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, name).text();
}

// Undoes the seeded encoder with the shared constants; empty on a malformed text.
std::string decodeToken(const std::string& encoded) {
    if (encoded.size() < 4) {
        return "";
    }
    const auto s1 = static_cast<uint8_t>(encoded[0]);
    const auto s2 = static_cast<uint8_t>(encoded[1]);
    const uint32_t s = s2 * 256u + s1;
    uint32_t key = (((s ^ kSeedMix) | (s << 8)) << 9) | s;
    std::string plain;
    for (size_t i = 2; i + 2 < encoded.size(); ++i) {
        plain += static_cast<char>(static_cast<uint8_t>(encoded[i]) ^ (key & 0xFF));
        const double divided = static_cast<double>(key ^ kKeyMix) / kKeyDivisor;
        const auto intermediate = static_cast<uint32_t>(static_cast<int64_t>(divided));
        key = static_cast<uint32_t>(static_cast<int64_t>(intermediate * kKeyFactor));
    }
    const auto trailer1 = static_cast<char>((key & 0xFF) | 0x40);
    const auto trailer2 = static_cast<char>(((key >> 8) & 0xFF) | 0x40);
    if (encoded[encoded.size() - 2] != trailer1 || encoded[encoded.size() - 1] != trailer2) {
        return "";
    }
    return plain;
}

std::string scrambled(const char* plain) {
    return unscrambleRolling(plain).text();
}

class ProgramSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gSession.choices.installFolder.assign("C:\\Apps\\Kestrova Test");
        gSession.choices.dataFolder.assign("C:\\Data\\Kestrova Recordings");
        gSession.versionRecorded = 0;
        gSession.cancelAllowed = 1;
        seedRandom(GetTickCount());
        SetDlgItemTextA(page_.handle(), IDC_INSTALLING_TXT_STATUS, "old status");
        SetDlgItemTextA(page_.handle(), IDC_INSTALLING_TXT_DETAIL, "old detail");
    }
    void TearDown() override {
        deleteKeyTree(HKEY_CURRENT_USER, kInstallerKeyPath);
        gSession.choices.installFolder.clear();
        gSession.choices.dataFolder.clear();
        gSession.versionRecorded = 0;
        gSession.cancelAllowed = 0;
    }

    // Runs the step; every message box it opens is answered and recorded.
    void runStep() {
        MessageBoxAnswerer answerer;
        TextBuffer error;
        offerFeedback_ = false;
        EXPECT_TRUE(writeProgramSettings(page_.handle(), error, offerFeedback_));
        EXPECT_STREQ(error.text(), "");
        messages_ = answerer.shown();
    }

    SettingsKeyGuard settings_;
    InstallingPage page_;
    bool offerFeedback_ = false;
    std::vector<ShownBox> messages_;
};

TEST(AudioFormatTest, FormatFollowsTheClockAtEveryBoundary) {
    const struct {
        uint32_t mhz;
        AudioFormat format;
    } cases[] = {
        {0xFFFFFFFF, {2, 16, 44100}}, {1500, {2, 16, 44100}}, {1499, {2, 16, 24000}},
        {900, {2, 16, 24000}},        {899, {2, 16, 22050}},  {500, {2, 16, 22050}},
        {499, {2, 8, 11025}},         {300, {2, 8, 11025}},   {299, {1, 8, 11025}},
        {0, {1, 8, 11025}},
    };
    for (const auto& c : cases) {
        const AudioFormat format = audioFormatForMhz(c.mhz);
        EXPECT_EQ(format.channels, c.format.channels) << c.mhz;
        EXPECT_EQ(format.bitsPerSample, c.format.bitsPerSample) << c.mhz;
        EXPECT_EQ(format.samplesPerSecond, c.format.samplesPerSecond) << c.mhz;
    }
}

TEST_F(ProgramSettingsTest, WritesEveryValueWithItsNameAndType) {
    runStep();
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(offerFeedback_);
    EXPECT_EQ(gSession.cancelAllowed, 0);
    EXPECT_EQ(page_.line(IDC_INSTALLING_TXT_STATUS), "Installing the System Registry data...");
    EXPECT_EQ(page_.line(IDC_INSTALLING_TXT_DETAIL), "");

    const struct {
        const char* name;
        const char* text;  // null: checked by its own test
    } texts[] = {
        {"SetupPlbkRcFldr", "C:\\Data\\Kestrova Recordings"},
        {"SetupSchdRcFldr", "C:\\Data\\Kestrova Recordings"},
        {"SetupLogFldr", "C:\\Apps\\Kestrova Test"},
        {"LRplbk", ""},
        {"LRschd", ""},
        {"rgr01", nullptr},
        {"ver", "1.2.7.1"},
        {"InstallFolder", "C:\\Apps\\Kestrova Test"},
        {"rf1", ""},
        {"rf2", ""},
        {"rf3", ""},
        {"tf4", nullptr},
    };
    for (const auto& expected : texts) {
        const RawValue value = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, expected.name);
        ASSERT_TRUE(value.present()) << expected.name;
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << expected.name;
        if (expected.text != nullptr) {
            EXPECT_EQ(value.text(), expected.text) << expected.name;
        }
    }

    const RawValue channels = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupWIChnls");
    const RawValue bits = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupWISmpSz");
    const RawValue rate = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupWISmpRt");
    // The format is one row of the table, whichever the measurement picked.
    bool knownFormat = false;
    for (uint32_t mhz : {0u, 300u, 500u, 900u, 1500u}) {
        const AudioFormat format = audioFormatForMhz(mhz);
        knownFormat = knownFormat || (channels.number() == format.channels &&
                                      bits.number() == format.bitsPerSample &&
                                      rate.number() == format.samplesPerSecond);
    }
    EXPECT_TRUE(knownFormat) << channels.number() << " " << bits.number() << " " << rate.number();

    const struct {
        const char* name;
        uint32_t value;
    } numbers[] = {
        {"nshbt0", 2},
        {"SetupWIChnls", channels.number()},
        {"SetupWISmpSz", bits.number()},
        {"SetupWISmpRt", rate.number()},
        {"SetupSchdRcChn", channels.number()},
        {"SetupSchdRcSmSz", bits.number()},
        {"SetupSchdRcSmRt", rate.number()},
        {"SetupSchdRcSAI", 1},
        {"SetupRcCdcType", 0},
        {"WOVol", 16383},
        {"SetupSTAS", 0},
    };
    for (const auto& expected : numbers) {
        const RawValue value = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, expected.name);
        ASSERT_TRUE(value.present()) << expected.name;
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD)) << expected.name;
        EXPECT_EQ(value.data.size(), 4u) << expected.name;
        EXPECT_EQ(value.number(), expected.value) << expected.name;
    }
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kSettingsKeyPath), 23u);
}

TEST_F(ProgramSettingsTest, KeptRowsSurviveOnlyWhenAVersionWasRecorded) {
    const struct {
        int versionRecorded;
        bool nshbt0Kept;  // the earlier 7 stays
        bool woVolWritten;
    } cases[] = {{1, true, false}, {0, false, true}};
    for (const auto& c : cases) {
        deleteKeyTree(HKEY_CURRENT_USER, kSettingsKeyPath);
        writeRawNumber(HKEY_CURRENT_USER, kSettingsKeyPath, "nshbt0", 7);
        writeRawNumber(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupSTAS", 9);
        gSession.versionRecorded = c.versionRecorded;
        runStep();
        EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "nshbt0").number(),
                  c.nshbt0Kept ? 7u : 2u)
            << c.versionRecorded;
        const RawValue volume = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "WOVol");
        EXPECT_EQ(volume.present(), c.woVolWritten) << c.versionRecorded;
        if (c.woVolWritten) {
            EXPECT_EQ(volume.number(), 16383u);
        }
        // Rows without the mark are replaced either way.
        EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "SetupSTAS").number(), 0u);
        EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kSettingsKeyPath), 23u - (c.woVolWritten ? 0 : 1));
    }
}

TEST_F(ProgramSettingsTest, ReferrerSplitsAtTheFirstTwoSeparatorsAndIsTakenOnce) {
    const std::string separator(1, '\xFF');
    const std::string a = scrambled("partner-site");
    const std::string b = scrambled("spring campaign");
    const std::string c = scrambled("banner 7");
    const std::string d = scrambled("tail");
    for (const std::string& field : {a, b, c, d}) {
        ASSERT_EQ(field.find_first_of(separator), std::string::npos) << "pick other field texts";
    }
    const struct {
        std::string raw;
        std::string first, second, third;
    } cases[] = {
        {a, "partner-site", "", ""},
        {a + separator + b, "partner-site", "spring campaign", ""},
        {a + separator + b + separator + c + separator + d, "partner-site", "spring campaign",
         unscrambleRolling((c + separator + d).c_str()).text()},
        {separator + b, "", "spring campaign", ""},
    };
    for (const auto& expected : cases) {
        writeRawText(HKEY_CURRENT_USER, kInstallerKeyPath, kReferrerValue, expected.raw);
        const ReferrerFields fields = takeReferrer();
        EXPECT_EQ(fields.first.text(), expected.first);
        EXPECT_EQ(fields.second.text(), expected.second);
        EXPECT_EQ(fields.third.text(), expected.third);
        EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kInstallerKeyPath, kReferrerValue).status,
                  ERROR_FILE_NOT_FOUND);
    }
    // Nothing to take: three empty fields, and the key is left in place.
    deleteKeyTree(HKEY_CURRENT_USER, kInstallerKeyPath);
    const ReferrerFields none = takeReferrer();
    EXPECT_STREQ(none.first.text(), "");
    EXPECT_STREQ(none.second.text(), "");
    EXPECT_STREQ(none.third.text(), "");
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, kInstallerKeyPath));
}

TEST_F(ProgramSettingsTest, ReferrerFieldsLandInTheirValues) {
    writeRawText(HKEY_CURRENT_USER, kInstallerKeyPath, kReferrerValue,
                 scrambled("one") + "\xFF" + scrambled("two") + "\xFF" + scrambled("three"));
    runStep();
    EXPECT_EQ(settingText("rf1"), "one");
    EXPECT_EQ(settingText("rf2"), "two");
    EXPECT_EQ(settingText("rf3"), "three");
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kInstallerKeyPath, kReferrerValue).present());
}

TEST_F(ProgramSettingsTest, GeneratedTextsHaveTheirForms) {
    for (int run = 0; run < 3; ++run) {
        runStep();
        const RawValue random = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "rgr01");
        ASSERT_EQ(random.data.size(), 65u);
        const std::string randomText = random.text();
        EXPECT_EQ(randomText.size(), 64u);
        for (char c : randomText) {
            EXPECT_GE(static_cast<uint8_t>(c), 32);
            EXPECT_LE(static_cast<uint8_t>(c), 127);
        }

        const RawValue token = readRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "tf4");
        const std::string tokenText = token.text();
        ASSERT_EQ(tokenText.size(), std::strlen(kTokenPlain) + 4);
        EXPECT_EQ(tokenText.find('\0'), std::string::npos);
        EXPECT_GE(static_cast<uint8_t>(tokenText[0]), 32);
        EXPECT_GE(static_cast<uint8_t>(tokenText[1]), 32);
        EXPECT_TRUE(tokenText[tokenText.size() - 2] & 0x40);
        EXPECT_TRUE(tokenText[tokenText.size() - 1] & 0x40);
        const uint32_t seed = (static_cast<uint8_t>(tokenText[0]) - 32u) |
                              ((static_cast<uint8_t>(tokenText[1]) - 32u) << 8);
        EXPECT_EQ(seed & kSeedForcedBits, kSeedForcedBits);
        EXPECT_EQ(decodeToken(tokenText), kTokenPlain);
    }
}

TEST(SeedEncodeTest, StoredConstantDecodesAndEveryEncodingRoundTrips) {
    const TextBuffer plain = unscrambleWithKey(kTokenScrambled, kTokenKey);
    ASSERT_STREQ(plain.text(), kTokenPlain);
    for (uint32_t state = 0; state < 300; ++state) {
        seedRandom(state * 7919);
        const SeedEncoding encoding = seedEncode(plain);
        ASSERT_EQ(encoding.succeeded, 1);
        const std::string text(encoding.text.text(), encoding.text.visibleLength());
        EXPECT_EQ(text.size(), plain.visibleLength() + 4);
        EXPECT_EQ(decodeToken(text), kTokenPlain) << state;
    }
}

TEST(SeedEncodeTest, GivesUpWhenEverySeedMeetsAZeroByte) {
    // 5000 equal bytes meet a key byte equal to them under practically every seed.
    const std::string many(5000, 'A');
    const TextBuffer plain(many.c_str());
    seedRandom(12345);
    const SeedEncoding encoding = seedEncode(plain);
    EXPECT_EQ(encoding.succeeded, 0);
    EXPECT_STREQ(encoding.text.text(), "");
}

TEST_F(ProgramSettingsTest, FailedWritesGiveOneMessageAndTheFeedbackOffer) {
    writeRawText(HKEY_CURRENT_USER, kInstallerKeyPath, kReferrerValue, scrambled("x"));
    writeRawText(HKEY_CURRENT_USER, kSettingsKeyPath, "ver", "1.2.2");
    {
        const KeyLock lock(HKEY_CURRENT_USER, kSettingsKeyPath, true);
        ASSERT_TRUE(lock.applied());
        runStep();
    }
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].icon, errorIcon());
    EXPECT_TRUE(messages_[0].hasOk);
    EXPECT_FALSE(messages_[0].hasCancel || messages_[0].hasYes || messages_[0].hasNo);
    EXPECT_EQ(messages_[0].text,
              "ERROR: Writing values to System Registry...\n"
              "(Please report it to support@velmora-software.example)");
    EXPECT_TRUE(offerFeedback_);
    // Nothing got in, and the referrer is gone all the same.
    EXPECT_EQ(valueCount(HKEY_CURRENT_USER, kSettingsKeyPath), 1u);
    EXPECT_EQ(settingText("ver"), "1.2.2");
    EXPECT_FALSE(readRaw(HKEY_CURRENT_USER, kInstallerKeyPath, kReferrerValue).present());
}

void WINAPI doNothing(uint32_t) {}

TEST(ProcessorMeasureTest, MeasuresAPlausibleClock) {
    EXPECT_GT(measureProcessorMhz(), 0u);
    const uint64_t spin = cyclesOf(spinMilliseconds, 50);
    ASSERT_NE(spin, kCyclesFailed);
    uint64_t idle = kCyclesFailed;
    for (int run = 0; run < 5; ++run) {
        idle = std::min(idle, cyclesOf(doNothing, 50));
    }
    EXPECT_LT(idle * 1000, spin);
}

}  // namespace
