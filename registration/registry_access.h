// Registry access through value records. Every operation opens and closes its own
// key; nothing is cached. All names and data are ANSI text.
//
// Read outcomes (stored through readStatus, only when ReadValue is set):
//    1  read: a REG_DWORD number, or REG_SZ / REG_EXPAND_SZ text with >= 1 byte
//    0  missing: key or value absent (error 2 or 3), another type, no data bytes,
//       or the second query of a text failed
//   -1  any other failure to open or query (access denied, ERROR_MORE_DATA ...)
// `lastError` receives the Win32 code of the call that failed (0 if none): the
// write's code when the write fails, otherwise the read's. A failed read leaves
// the read target untouched; a failed write leaves the value as it was.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/text_buffer.h"

enum RegistryFlags : uint32_t {
    WriteValue = 1,
    ReadValue = 2,
};

// The product's settings key below HKEY_CURRENT_USER.
inline constexpr const char* kSettingsKey =
    "Software\\from Velmora\\Kestrova & Scheduler\\Settings";

struct RegistryValueSpec {
    uint32_t flags = 0;
    HKEY root = HKEY_CURRENT_USER;
    const char* keyPath = nullptr;
    const char* valueName = "";  // "" names the key's default value
    // Each union starts out as a null pointer, its widest member: a 32-bit zero
    // would leave the upper half of the pointer unset on win64.
    union {
        uint32_t dword;
        const char* text = nullptr;
    } writeData;
    union {
        uint32_t dword;              // number form: the value read lands here
        TextBuffer* text = nullptr;  // text form: may be null (only the outcome is wanted)
    } readTarget;
    int32_t* readStatus = nullptr;
    uint32_t lastError = 0;
};

// Read first when asked (ReadValue), then write (WriteValue), creating missing
// keys. Return 1 unless a write was asked for and failed (0); the read is never
// reflected in the result.
int applyDwordValue(RegistryValueSpec& spec);
int applyTextValue(RegistryValueSpec& spec);

// The text of any key's value when the outcome is 1, else a copy of the default
// (null: ""); the outcome is stored through `outcome` when given.
TextBuffer readRegistryText(HKEY root, const char* keyPath, const char* valueName,
                            const char* defaultText, int32_t* outcome);

// Bound to the settings key; the root comes last for the writers, first for the
// reader, which reads as readRegistryText does.
int writeSettingDword(const char* valueName, uint32_t value, HKEY root);
int writeSettingText(const char* valueName, const char* text, HKEY root);
TextBuffer readSettingText(HKEY root, const char* valueName, const char* defaultText,
                           int32_t* outcome);
// Deletes a value of the settings key; true when the value is gone (or never was).
bool deleteSettingValue(HKEY root, const char* valueName);
