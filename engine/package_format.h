// The package archive format, written down once and shared by the setup, the
// host-side archive tool and the fuzz target, and its reader. Plain C++: no
// Windows headers. The writer (package_writer.h) lives apart, so that the setup,
// which only reads, does not carry it.
//
// Byte layout (all integers unsigned 32-bit little-endian, offsets from byte 0):
//   0   1  key          0: stored plain; otherwise every later byte i+1 is
//                       scrambled with (key + i) mod 256 by exclusive-or.
//   1   4  entryCount   at most 0xFFFF
//   5   4  headerSize   bytes from offset 0 to the data area, at most 0xFFFFF
//   9   .. entryCount records: offset (4, from the data area), size (4, below
//          2^31), name (ANSI, backslash-separated, NUL-terminated)
//   ..  4  end marker 0x91813B0F (bytes 0F 3B 81 91)
//   headerSize ..       data area: the entries' contents
//
// Reading produces the *image* (the archive without its key byte, unscrambled:
// entryCount at image byte 0) and an entry table whose names point into it. The
// two are released together with freePackage.
#pragma once

#include <cstddef>
#include <cstdint>

namespace package_format {
constexpr uint32_t kEndMarker = 0x91813B0Fu;
constexpr uint32_t kMaxEntries = 0xFFFFu;
constexpr uint32_t kMaxHeaderSize = 0xFFFFFu;
constexpr uint32_t kFixedHeaderSize = 9;  // key, entryCount, headerSize
constexpr uint32_t kMaxEntrySize = 0x7FFFFFFFu;
// Longest name the writer accepts: a relative path that still fits a 260-byte path buffer.
constexpr size_t kMaxNameLength = 259;

// The digest resource beside the archives: one record per archive, its resource id
// (32-bit little-endian) and the 32 bytes of its SHA-256 digest.
constexpr uint32_t kDigestSize = 32;
constexpr uint32_t kDigestRecordSize = 4 + kDigestSize;

// An unsigned 32-bit little-endian integer, as the archive, the digest records and
// the undo journal store them.
inline uint32_t readUint32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}
}  // namespace package_format

struct PackageEntry {
    const char* name;   // inside the image
    uint32_t position;  // of the entry's data within the image
    uint32_t size;
};

struct PackageEntryTable {
    uint32_t count;
    PackageEntry entries[1];  // `count` entries; allocated to fit
};

// Validates and unpacks an archive in one pass, with no allocation per entry.
// On success hands the entry table and the image to the caller (release both with
// freePackage). On any defect, including a headerSize below 9 or beyond the
// archive and an allocation failure, returns false, frees what it allocated and
// leaves both out-arguments untouched. Never reads outside `bytes`.
bool openPackage(const uint8_t* bytes, uint32_t length, PackageEntryTable** entries,
                 uint8_t** image);
void freePackage(PackageEntryTable* entries, uint8_t* image);
