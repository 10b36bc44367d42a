// The constants that the installed program shares with this setup: where the
// installer hands over its referrer, the text constant behind "tf4", and the
// seeded encoder that produces "tf4". The installed program decodes "tf4" with
// the same values, so changing any of them breaks that reader.
#pragma once

#include <cstdint>

// The setup's own value in the settings key: the staging folder of an installation
// under way, the way to its undo journal if the process dies before the clean-up.
inline constexpr const char* kStagingFolderValue = "SetupStgFldr";

// Below HKEY_CURRENT_USER; its text value "Referrer" is read and deleted once.
inline constexpr const char* kInstallerKey = "Software\\from Velmora\\Installer";
inline constexpr const char* kReferrerValue = "Referrer";

// The "tf4" text constant, 62 bytes, stored scrambled with kTokenKey (every byte
// XOR 0xA7). Plain text:
//   "Kestrova recorder first-run token, issued by the 1.2.7.1 setup"
inline constexpr uint8_t kTokenKey = 0xA7;
inline constexpr const char kTokenScrambled[] =
    "\xEC\xC2\xD4\xD3\xD5\xC8\xD1\xC6\x87\xD5\xC2\xC4\xC8\xD5\xC3\xC2\xD5\x87\xC1\xCE\xD5"
    "\xD4\xD3\x8A\xD5\xD2\xC9\x87\xD3\xC8\xCC\xC2\xC9\x8B\x87\xCE\xD4\xD4\xD2\xC2\xC3\x87"
    "\xC5\xDE\x87\xD3\xCF\xC2\x87\x96\x89\x95\x89\x90\x89\x96\x87\xD4\xC2\xD3\xD2\xD7";

// Seeded encoder:
//   seed = (random % kSeedDivisor) | kSeedForcedBits          (12 bits)
//   s1 = (seed & 0x7F) + 32, s2 = ((seed >> 8) & 0x7F) + 32, s = s2 * 256 + s1
//   key = (((s ^ kSeedMix) | (s << 8)) << 9) | s
//   per byte: out = byte ^ (key & 0xFF); then
//     key = low32(int64(low32(int64((key ^ kKeyMix) / kKeyDivisor)) * kKeyFactor))
//   trailer: (key & 0xFF) | 0x40, ((key >> 8) & 0xFF) | 0x40
inline constexpr uint32_t kSeedDivisor = 0xE3B;
inline constexpr uint32_t kSeedForcedBits = 0x420;
inline constexpr uint32_t kSeedMix = 0x5B;      // 7 bits
inline constexpr uint32_t kKeyMix = 0x6A3C5;    // 19 bits
inline constexpr double kKeyDivisor = 1.4375f;  // single-precision values carried in double
inline constexpr double kKeyFactor = 2.6875f;
inline constexpr int kSeedAttempts = 1000;
