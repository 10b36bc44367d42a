// The settings step and the processor measurement behind its audio format.
#include "registration/program_settings.h"

#include <cpuid.h>
#include <x86intrin.h>

#include "registration/registry_access.h"
#include "registration/settings_constants.h"
#include "resources/product_release.h"
#include "resources/resource_ids.h"
#include "startup/launching.h"
#include "startup/random.h"
#include "startup/setup_session.h"
#include "text/scoped_handles.h"
#include "text/scramble.h"
#include "wizard/message_box.h"

namespace {

constexpr uint32_t kTimingMilliseconds = 50;
constexpr int kRandomTextLength = 64;
constexpr char kFieldSeparator = static_cast<char>(0xFF);
// CPUID leaf 1, EDX bit 4: the processor has a time-stamp counter.
constexpr unsigned int kTimeStampCounterFlag = 1u << 4;

struct NumberSetting {
    const char* name;
    uint32_t value;
    bool keepExisting;  // an earlier installation's value survives
};

void showStatus(HWND page, const char* status) {
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, status);
}

bool hasTimeStampCounter() {
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & kTimeStampCounterFlag) != 0;
}

// Ticks of the performance counter in `milliseconds`, or false when the counter's
// frequency is unknown.
bool spinTarget(uint32_t milliseconds, int64_t& target) {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency)) {
        return false;
    }
    target = frequency.QuadPart / 1000 * static_cast<int64_t>(milliseconds);
    return true;
}

int64_t performanceCounter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

uint32_t nextSeedKey(uint32_t key) {
    const auto intermediate = static_cast<uint32_t>(
        static_cast<int64_t>(static_cast<double>(key ^ kKeyMix) / kKeyDivisor));
    return static_cast<uint32_t>(
        static_cast<int64_t>(static_cast<double>(intermediate) * kKeyFactor));
}

// One encoding attempt into `out`; false when an encoded byte came out as 0.
bool encodeWithSeed(const TextBuffer& plain, uint32_t seed, TextBuffer& out) {
    const auto s1 = static_cast<uint8_t>((seed & 0x7F) + 32);
    const auto s2 = static_cast<uint8_t>(((seed >> 8) & 0x7F) + 32);
    out.clear();
    out.appendChar(static_cast<char>(s1));
    out.appendChar(static_cast<char>(s2));
    const uint32_t s = s2 * 256u + s1;
    uint32_t key = (((s ^ kSeedMix) | (s << 8)) << 9) | s;
    const uint32_t count = plain.visibleLength();
    for (uint32_t i = 0; i < count; ++i) {
        const auto encoded =
            static_cast<uint8_t>(static_cast<uint8_t>(plain.text()[i]) ^ (key & 0xFF));
        key = nextSeedKey(key);
        if (encoded == 0) {
            return false;
        }
        out.appendChar(static_cast<char>(encoded));
    }
    out.appendChar(static_cast<char>((key & 0xFF) | 0x40));
    out.appendChar(static_cast<char>(((key >> 8) & 0xFF) | 0x40));
    return true;
}

TextBuffer randomText() {
    TextBuffer text;
    for (int i = 0; i < kRandomTextLength; ++i) {
        text.appendChar(static_cast<char>(nextRandom() % 96 + 32));
    }
    return text;
}

bool writeTextValues(const ReferrerFields& referrer, const char* token) {
    const SetupChoices& choices = gSession.choices;
    const TextBuffer random = randomText();
    const struct {
        const char* name;
        const char* text;
    } values[] = {
        {"SetupPlbkRcFldr", choices.dataFolder.text()},
        {"SetupSchdRcFldr", choices.dataFolder.text()},
        {"SetupLogFldr", choices.installFolder.text()},
        {"LRplbk", ""},
        {"LRschd", ""},
        {"rgr01", random.text()},
        {"ver", KVR_RELEASE},
        {"InstallFolder", choices.installFolder.text()},
        {"rf1", referrer.first.text()},
        {"rf2", referrer.second.text()},
        {"rf3", referrer.third.text()},
        {"tf4", token},
    };
    bool allWritten = true;
    for (const auto& value : values) {
        if (!writeSettingText(value.name, value.text, HKEY_CURRENT_USER)) {
            allWritten = false;
        }
    }
    return allWritten;
}

bool writeNumberValues(const AudioFormat& format) {
    const NumberSetting values[] = {
        {"nshbt0", 2, true},
        {"SetupWIChnls", format.channels, false},
        {"SetupWISmpSz", format.bitsPerSample, false},
        {"SetupWISmpRt", format.samplesPerSecond, false},
        {"SetupSchdRcChn", format.channels, false},
        {"SetupSchdRcSmSz", format.bitsPerSample, false},
        {"SetupSchdRcSmRt", format.samplesPerSecond, false},
        {"SetupSchdRcSAI", 1, false},
        {"SetupRcCdcType", 0, false},
        {"WOVol", 0x3FFF, true},
        {"SetupSTAS", 0, false},
    };
    bool allWritten = true;
    for (const NumberSetting& value : values) {
        if (value.keepExisting && gSession.versionRecorded) {
            continue;
        }
        if (!writeSettingDword(value.name, value.value, HKEY_CURRENT_USER)) {
            allWritten = false;
        }
    }
    return allWritten;
}

void deleteReferrerValue() {
    ScopedKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstallerKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, key.out(), nullptr) == ERROR_SUCCESS) {
        RegDeleteValueA(key.get(), kReferrerValue);
    }
}

}  // namespace

AudioFormat audioFormatForMhz(uint32_t mhz) {
    if (mhz >= 1500) {
        return {2, 16, 44100};
    }
    if (mhz >= 900) {
        return {2, 16, 24000};
    }
    if (mhz >= 500) {
        return {2, 16, 22050};
    }
    if (mhz >= 300) {
        return {2, 8, 11025};
    }
    return {1, 8, 11025};
}

uint64_t cyclesOf(CycleCallback callback, uint32_t argument) {
    // Without the counter RDTSC would fault; there is no handler to catch that.
    if (!hasTimeStampCounter()) {
        return kCyclesFailed;
    }
    const uint64_t start = __rdtsc();
    callback(argument);
    return __rdtsc() - start;
}

void WINAPI spinMilliseconds(uint32_t milliseconds) {
    int64_t target = 0;
    if (!spinTarget(milliseconds, target)) {
        return;
    }
    const int64_t start = performanceCounter();
    while (performanceCounter() - start < target) {
    }
}

void WINAPI spinOverhead(uint32_t milliseconds) {
    int64_t target = 0;
    if (!spinTarget(milliseconds, target)) {
        return;
    }
    const int64_t start = performanceCounter();
    while (performanceCounter() - start == target) {
    }
}

uint32_t measureProcessorMhz() {
    const uint64_t busy = cyclesOf(spinMilliseconds, kTimingMilliseconds);
    if (busy == kCyclesFailed) {
        return 0;
    }
    const uint64_t idle = cyclesOf(spinOverhead, kTimingMilliseconds);
    if (idle == kCyclesFailed) {
        return 0;
    }
    const auto cycles = static_cast<int64_t>(busy - idle);
    return static_cast<uint32_t>(cycles / static_cast<int64_t>(kTimingMilliseconds) / 1000);
}

ReferrerFields takeReferrer() {
    TextBuffer raw;
    RegistryValueSpec record;
    record.flags = ReadValue;
    record.root = HKEY_CURRENT_USER;
    record.keyPath = kInstallerKey;
    record.valueName = kReferrerValue;
    record.readTarget.text = &raw;
    applyTextValue(record);

    // Handed over once: the value goes even when nothing could be read from it.
    deleteReferrerValue();

    TextBuffer fields[3];
    const int32_t first = raw.findChar(kFieldSeparator, 0);
    if (first < 0) {
        fields[0] = raw;
    } else {
        fields[0] = raw.left(first);
        const TextBuffer rest =
            raw.mid(first + 1, static_cast<int32_t>(raw.visibleLength()) - first - 1);
        const int32_t second = rest.findChar(kFieldSeparator, 0);
        if (second < 0) {
            fields[1] = rest;
        } else {
            fields[1] = rest.left(second);
            fields[2] =
                rest.mid(second + 1, static_cast<int32_t>(rest.visibleLength()) - second - 1);
        }
    }
    return {unscrambleRolling(fields[0].text()), unscrambleRolling(fields[1].text()),
            unscrambleRolling(fields[2].text())};
}

SeedEncoding seedEncode(const TextBuffer& plain) {
    TextBuffer out;
    for (int attempt = 0; attempt < kSeedAttempts; ++attempt) {
        const uint32_t seed =
            (static_cast<uint32_t>(nextRandom()) % kSeedDivisor) | kSeedForcedBits;
        if (encodeWithSeed(plain, seed, out)) {
            return {out, 1};
        }
    }
    return {TextBuffer(), 0};
}

bool writeProgramSettings(HWND page, TextBuffer&, bool& offerFeedback) {
    gSession.cancelAllowed = 0;
    showStatus(page, "Determining CPU speed...");
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_DETAIL, "");
    const AudioFormat format = audioFormatForMhz(measureProcessorMhz());

    // No codec is opened; the first line only flashes by.
    showStatus(page, "Attempting to open default MP3 codec...");
    showStatus(page, "Installing the System Registry data...");

    const ReferrerFields referrer = takeReferrer();
    const SeedEncoding token = seedEncode(unscrambleWithKey(kTokenScrambled, kTokenKey));

    const bool textsWritten = writeTextValues(referrer, token.succeeded ? token.text.text() : "");
    const bool numbersWritten = writeNumberValues(format);
    if (!textsWritten || !numbersWritten) {
        offerFeedback = true;
        TextBuffer message("ERROR: Writing values to System Registry...\n(Please report it to ");
        message.append(kSupportAddress);
        message.append(")");
        showMessage(message.text(), MB_ICONERROR | MB_OK);
    }
    return true;
}
