#include "engine/undo_journal.h"

#include <cstring>
#include <vector>

#include "engine/package_format.h"
#include "text/scoped_handles.h"
#include "text/text_helpers.h"

namespace {

using package_format::readUint32;

constexpr const char* kJournalName = "undo.jnl";
constexpr const char* kJournalFailedFormat =
    "ERROR: Cannot write the record that lets this installation be undone:\n\n%s";
constexpr uint32_t kEntryMagic = 0x4A52564Bu;  // "KVRJ"
constexpr uint32_t kHeaderSize = 8;
constexpr uint32_t kChecksumSize = 4;
constexpr uint32_t kFixedPayloadSize = 9;  // kind, step, attributes
constexpr uint32_t kMaxPayloadSize = 8192;
constexpr uint32_t kAdlerModulus = 65521;
// A file entry whose paths the system's calls accept; only the last entry can be
// longer, since the step whose target is too long then fails.
constexpr uint32_t kFileEntrySize = kHeaderSize + kFixedPayloadSize + 2 * MAX_PATH + kChecksumSize;
// The journal of the largest package the format allows: every file step's entry,
// the start entry and the point of no return (about 35 MB).
constexpr DWORD kMaxJournalSize = (package_format::kMaxEntries + 3) * kFileEntrySize + kHeaderSize +
                                  kMaxPayloadSize + kChecksumSize;

enum EntryKind : uint8_t {
    kStartEntry = 'S',
    kNewFileEntry = 'N',
    kSavedFileEntry = 'B',
    kNoReturnEntry = 'P',
};

uint32_t adler32(const uint8_t* bytes, uint32_t count) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint32_t i = 0; i < count; ++i) {
        a = (a + bytes[i]) % kAdlerModulus;
        b = (b + a) % kAdlerModulus;
    }
    return (b << 16) | a;
}

void appendUint32(TextBuffer& bytes, uint32_t value) {
    const uint8_t little[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                               static_cast<uint8_t>(value >> 16),
                               static_cast<uint8_t>(value >> 24)};
    bytes.appendBytes(little, 4);
}

// One whole entry, raw bytes (no terminator) in a TextBuffer.
TextBuffer encodeEntry(uint8_t kind, int step, DWORD attributes, const char* target,
                       const char* backup) {
    const uint32_t targetSize = static_cast<uint32_t>(std::strlen(target)) + 1;
    const uint32_t backupSize = static_cast<uint32_t>(std::strlen(backup)) + 1;
    TextBuffer bytes;
    bytes.reset();
    appendUint32(bytes, kEntryMagic);
    appendUint32(bytes, kFixedPayloadSize + targetSize + backupSize);
    bytes.appendBytes(&kind, 1);
    appendUint32(bytes, static_cast<uint32_t>(step));
    appendUint32(bytes, attributes);
    bytes.appendBytes(target, static_cast<int32_t>(targetSize));
    bytes.appendBytes(backup, static_cast<int32_t>(backupSize));
    appendUint32(bytes, adler32(reinterpret_cast<const uint8_t*>(bytes.text()), bytes.length()));
    return bytes;
}

bool writeEntry(const char* stagingFolder, DWORD disposition, const TextBuffer& entry, bool flush) {
    const TextBuffer path = undoJournalPath(stagingFolder);
    ScopedHandle file(CreateFileA(path.text(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), entry.text(), entry.length(), &written, nullptr) ||
        written != entry.length()) {
        return false;
    }
    return !flush || FlushFileBuffers(file.get());
}

struct ParsedEntry {
    uint8_t kind = 0;
    uint32_t step = 0;
    DWORD attributes = 0;
    const char* target = nullptr;
    const char* backup = nullptr;
    uint32_t size = 0;  // of the whole entry
};

// False when no whole, intact entry starts at `bytes`.
bool parseEntry(const uint8_t* bytes, uint32_t available, ParsedEntry* entry) {
    if (available < kHeaderSize + kChecksumSize || readUint32(bytes) != kEntryMagic) {
        return false;
    }
    const uint32_t payloadSize = readUint32(bytes + 4);
    if (payloadSize < kFixedPayloadSize + 2 || payloadSize > kMaxPayloadSize ||
        payloadSize > available - kHeaderSize - kChecksumSize) {
        return false;
    }
    const uint8_t* payload = bytes + kHeaderSize;
    if (readUint32(payload + payloadSize) != adler32(bytes, kHeaderSize + payloadSize)) {
        return false;
    }
    const char* target = reinterpret_cast<const char*>(payload + kFixedPayloadSize);
    const char* end = reinterpret_cast<const char*>(payload + payloadSize);
    const char* targetEnd = static_cast<const char*>(std::memchr(target, '\0', end - target));
    if (targetEnd == nullptr || targetEnd + 1 == end ||
        std::memchr(targetEnd + 1, '\0', end - targetEnd - 1) != end - 1) {
        return false;
    }
    entry->kind = payload[0];
    entry->step = readUint32(payload + 1);
    entry->attributes = readUint32(payload + 5);
    entry->target = target;
    entry->backup = targetEnd + 1;
    entry->size = kHeaderSize + payloadSize + kChecksumSize;
    return true;
}

bool isFileEntry(const ParsedEntry& entry) {
    return (entry.kind == kNewFileEntry && entry.backup[0] == '\0') ||
           (entry.kind == kSavedFileEntry && entry.backup[0] != '\0');
}

// Walks the entries after the start entry; fills `contents` when it has records
// (the second pass). False for a malformed journal.
bool walkFileEntries(const uint8_t* bytes, uint32_t size, uint32_t offset,
                     UndoJournalContents* contents, int* fileEntries) {
    ParsedEntry entry;
    int64_t previousStep = -1;
    *fileEntries = 0;
    while (parseEntry(bytes + offset, size - offset, &entry)) {
        offset += entry.size;
        if (entry.kind == kNoReturnEntry) {
            contents->pointOfNoReturn = true;
            return true;
        }
        if (!isFileEntry(entry) || static_cast<int64_t>(entry.step) <= previousStep) {
            return false;
        }
        previousStep = entry.step;
        if (contents->records != nullptr) {
            InstallRecord& record = contents->records[*fileEntries];
            record.state = entry.kind == kSavedFileEntry ? backedUp : newFile;
            record.targetPath.assign(entry.target);
            record.backupPath.assign(entry.backup);
            contents->attributes[*fileEntries] = entry.attributes;
        }
        ++*fileEntries;
    }
    return true;
}

bool parseJournal(const uint8_t* bytes, uint32_t size, UndoJournalContents* contents) {
    ParsedEntry start;
    if (!parseEntry(bytes, size, &start) || start.kind != kStartEntry || start.target[0] == '\0') {
        return false;
    }
    int count = 0;
    if (!walkFileEntries(bytes, size, start.size, contents, &count)) {
        return false;
    }
    contents->installFolder.assign(start.target);
    contents->records = new InstallRecord[count > 0 ? count : 1];
    contents->attributes = new DWORD[count > 0 ? count : 1];
    contents->count = count;
    return walkFileEntries(bytes, size, start.size, contents, &count);
}

}  // namespace

TextBuffer undoJournalPath(const char* stagingFolder) {
    TextBuffer path = withTrailingSeparator(stagingFolder);
    path.append(kJournalName);
    return path;
}

bool startUndoJournal(const char* stagingFolder, const char* installFolder) {
    return writeEntry(stagingFolder, CREATE_ALWAYS,
                      encodeEntry(kStartEntry, 0, 0, installFolder, ""), true);
}

bool appendUndoEntry(const char* stagingFolder, const InstallRecord& record, int step,
                     DWORD attributes) {
    const bool saved = record.state == backedUp;
    return writeEntry(stagingFolder, OPEN_EXISTING,
                      encodeEntry(saved ? kSavedFileEntry : kNewFileEntry, step, attributes,
                                  record.targetPath.text(), saved ? record.backupPath.text() : ""),
                      saved);
}

bool markPointOfNoReturn(const char* stagingFolder) {
    return writeEntry(stagingFolder, OPEN_EXISTING, encodeEntry(kNoReturnEntry, 0, 0, "", ""),
                      true);
}

bool withdrawPointOfNoReturn(const char* stagingFolder) {
    const TextBuffer mark = encodeEntry(kNoReturnEntry, 0, 0, "", "");
    const TextBuffer path = undoJournalPath(stagingFolder);
    ScopedHandle file(CreateFileA(path.text(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD size = file.valid() ? GetFileSize(file.get(), nullptr) : INVALID_FILE_SIZE;
    if (size == INVALID_FILE_SIZE || size < mark.length()) {
        return false;
    }
    const LONG markStart = static_cast<LONG>(size - mark.length());
    uint8_t tail[kHeaderSize + kFixedPayloadSize + 2 + kChecksumSize];
    DWORD read = 0;
    if (mark.length() != sizeof tail ||
        SetFilePointer(file.get(), markStart, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file.get(), tail, sizeof tail, &read, nullptr) || read != sizeof tail ||
        std::memcmp(tail, mark.text(), sizeof tail) != 0) {
        return false;
    }
    return SetFilePointer(file.get(), markStart, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           SetEndOfFile(file.get()) && FlushFileBuffers(file.get());
}

void describeJournalFailure(const char* stagingFolder, TextBuffer& error) {
    gSession.progress.failureCode = GetLastError();
    const TextBuffer path = undoJournalPath(stagingFolder);
    error.format(kJournalFailedFormat, path.text());
}

bool discardUndoJournal(const char* stagingFolder) {
    const TextBuffer path = undoJournalPath(stagingFolder);
    return DeleteFileA(path.text()) || GetFileAttributesA(path.text()) == INVALID_FILE_ATTRIBUTES;
}

bool flushSavedCopy(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    const bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    bool flushed = false;
    {
        ScopedHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        flushed = file.valid() && FlushFileBuffers(file.get());
    }
    if (readOnly) {
        SetFileAttributesA(path, attributes);
    }
    return flushed;
}

bool readUndoJournal(const char* stagingFolder, UndoJournalContents* contents) {
    const TextBuffer path = undoJournalPath(stagingFolder);
    ScopedHandle file(CreateFileA(path.text(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > kMaxJournalSize) {
        return false;
    }
    std::vector<uint8_t> bytes(size > 0 ? size : 1);
    DWORD read = 0;
    return ReadFile(file.get(), bytes.data(), size, &read, nullptr) && read == size &&
           parseJournal(bytes.data(), size, contents);
}
