// Reading package archives (layout in package_format.h).
#include "engine/package_format.h"

#include <cstdlib>
#include <cstring>

using namespace package_format;

namespace {

// Owns one std::malloc block until released to the caller.
class MallocBlock {
public:
    explicit MallocBlock(size_t size) : block_(std::malloc(size)) {}
    MallocBlock(const MallocBlock&) = delete;
    MallocBlock& operator=(const MallocBlock&) = delete;
    ~MallocBlock() { std::free(block_); }

    void* get() const { return block_; }
    void* release() {
        void* block = block_;
        block_ = nullptr;
        return block;
    }

private:
    void* block_;
};

// Byte i of the image is byte i + 1 of the archive; a non-zero key scrambles each
// with its own key byte, counting up from `key` and wrapping after 255.
void unscramble(const uint8_t* bytes, uint32_t imageLength, uint8_t key, uint8_t* image) {
    if (key == 0) {
        std::memcpy(image, bytes + 1, imageLength);
        return;
    }
    uint8_t mask = key;
    for (uint32_t i = 0; i < imageLength; ++i) {
        image[i] = bytes[i + 1] ^ mask++;
    }
}

}  // namespace

bool openPackage(const uint8_t* bytes, uint32_t length, PackageEntryTable** entries,
                 uint8_t** image) {
    if (bytes == nullptr || entries == nullptr || image == nullptr || length < kFixedHeaderSize) {
        return false;
    }
    const uint32_t imageLength = length - 1;
    MallocBlock imageBlock(imageLength);
    if (imageBlock.get() == nullptr) {
        return false;
    }
    uint8_t* const unpacked = static_cast<uint8_t*>(imageBlock.get());
    unscramble(bytes, imageLength, bytes[0], unpacked);

    const uint32_t entryCount = readUint32(unpacked);
    const uint32_t headerSize = readUint32(unpacked + 4);
    if (headerSize > kMaxHeaderSize || entryCount > kMaxEntries) {
        return false;
    }
    // The header must lie inside the archive: the walk below reads only header bytes.
    if (headerSize < kFixedHeaderSize || headerSize > length) {
        return false;
    }

    const size_t tableSize = offsetof(PackageEntryTable, entries) +
                             (entryCount == 0 ? 1 : entryCount) * sizeof(PackageEntry);
    MallocBlock tableBlock(tableSize);
    if (tableBlock.get() == nullptr) {
        return false;
    }
    PackageEntryTable* const table = static_cast<PackageEntryTable*>(tableBlock.get());
    table->count = entryCount;

    const uint8_t* cursor = unpacked + 8;
    uint32_t remaining = headerSize - kFixedHeaderSize;
    for (uint32_t i = 0; i < entryCount; ++i) {
        if (remaining < 4) {
            return false;
        }
        // Widened so that an offset near 2^32 cannot wrap back into the header.
        const uint64_t position = uint64_t(readUint32(cursor)) + headerSize - 1;
        cursor += 4;
        remaining -= 4;
        if (remaining < 4) {
            return false;
        }
        const uint32_t size = readUint32(cursor);
        cursor += 4;
        remaining -= 4;
        const char* const name = reinterpret_cast<const char*>(cursor);
        // size > imageLength - position is position + size > imageLength without overflow.
        if (size > kMaxEntrySize || position >= imageLength || size > imageLength - position) {
            return false;
        }
        bool terminated = false;
        while (remaining > 0 && !terminated) {
            terminated = *cursor == 0;
            ++cursor;
            --remaining;
        }
        if (!terminated) {
            return false;
        }
        table->entries[i] = PackageEntry{name, uint32_t(position), size};
    }
    if (remaining < 4 || readUint32(cursor) != kEndMarker) {
        return false;
    }
    *entries = static_cast<PackageEntryTable*>(tableBlock.release());
    *image = static_cast<uint8_t*>(imageBlock.release());
    return true;
}

void freePackage(PackageEntryTable* entries, uint8_t* image) {
    std::free(entries);
    std::free(image);
}
