// The settings step of the installation: writes the installed program's initial
// settings below HKEY_CURRENT_USER, with an audio format picked from a measurement
// of the processor's clock.
//
// writeProgramSettings never fails: it always returns true and never touches the
// error text. When any registry write failed it shows one error message (after
// all writes were attempted) and sets offerFeedback; what was written stays.
// It clears gSession.cancelAllowed first.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/text_buffer.h"

bool writeProgramSettings(HWND page, TextBuffer& error, bool& offerFeedback);

struct AudioFormat {
    uint32_t channels;
    uint32_t bitsPerSample;
    uint32_t samplesPerSecond;
};

// The recording format for a processor clock; 0 (a failed measurement) gives the
// smallest format.
AudioFormat audioFormatForMhz(uint32_t mhz);

// The processor's clock in MHz from one pair of 50 ms timings; 0 when the
// time-stamp counter is unavailable.
uint32_t measureProcessorMhz();

using CycleCallback = void(WINAPI*)(uint32_t argument);
inline constexpr uint64_t kCyclesFailed = ~uint64_t{0};

// Time-stamp counter cycles spent in one callback(argument), modulo 2^64;
// kCyclesFailed when the processor has no time-stamp counter.
uint64_t cyclesOf(CycleCallback callback, uint32_t argument);
// Busy-waits on the performance counter for `milliseconds`; returns at once when
// the counter's frequency cannot be read.
void WINAPI spinMilliseconds(uint32_t milliseconds);
// The set-up work of spinMilliseconds without the wait: its fixed cost.
void WINAPI spinOverhead(uint32_t milliseconds);

// The installer key's "Referrer" value split at the first two 0xFF bytes (the
// third field keeps any further ones), each field unscrambled on its own. The
// value is deleted (the key is created if missing, never deleted). A missing or
// unreadable value gives three empty fields.
struct ReferrerFields {
    TextBuffer first;
    TextBuffer second;
    TextBuffer third;
};
ReferrerFields takeReferrer();

// Two seed characters, the text encoded with a running key, two trailer
// characters (see settings_constants.h). Never contains a NUL byte; `succeeded`
// is 0 (and the text empty) when 1000 seeds all produced a zero byte.
struct SeedEncoding {
    TextBuffer text;
    int succeeded;
};
SeedEncoding seedEncode(const TextBuffer& plain);
