// libFuzzer target for the package reader: any bytes, opened as an archive.
// Besides the sanitizers' findings, an accepted archive must keep the reader's
// promises (every entry's data inside the image, every name ending inside the
// header) and come back unchanged through the writer; a rejected one must leave
// the out-arguments untouched.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/package_writer.h"

namespace {

// Above this much entry data the writer's round trip is skipped: overlapping
// entries of a small input can add up to gigabytes.
constexpr uint64_t kRoundTripLimit = 1u << 20;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "package_format_fuzz: %s\n", what);
        std::abort();
    }
}

uint32_t readUint32(const uint8_t* at) {
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Every byte of every entry, so that a position outside the image is read and caught.
uint32_t checksum(const PackageEntryTable& entries, const uint8_t* image) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < entries.count; ++i) {
        const PackageEntry& entry = entries.entries[i];
        for (uint32_t b = 0; b < entry.size; ++b) {
            sum = sum * 31 + image[entry.position + b];
        }
    }
    return sum;
}

void checkAccepted(const uint8_t* data, uint32_t length, const PackageEntryTable& entries,
                   const uint8_t* image) {
    const uint32_t imageLength = length - 1;
    require(readUint32(image) == entries.count, "entry count differs from the image's");
    const uint32_t headerSize = readUint32(image + 4);
    require(headerSize >= package_format::kFixedHeaderSize && headerSize <= length,
            "header outside the archive");
    const uint8_t* const headerEnd = image + headerSize - 1;
    uint64_t total = 0;
    for (uint32_t i = 0; i < entries.count; ++i) {
        const PackageEntry& entry = entries.entries[i];
        require(entry.position < imageLength, "entry starts at or past the image's end");
        require(entry.size <= imageLength - entry.position, "entry runs past the image's end");
        require(entry.size <= package_format::kMaxEntrySize, "entry size negative");
        const uint8_t* const name = reinterpret_cast<const uint8_t*>(entry.name);
        require(name >= image + 8 && name < headerEnd, "name outside the header");
        require(std::memchr(name, 0, size_t(headerEnd - name)) != nullptr,
                "name not ended inside the header");
        total += entry.size;
    }
    const uint32_t sum = checksum(entries, image);
    if (total > kRoundTripLimit) {
        return;
    }

    std::vector<PackageInput> inputs;
    for (uint32_t i = 0; i < entries.count; ++i) {
        const PackageEntry& entry = entries.entries[i];
        inputs.push_back(PackageInput{
            entry.name,
            std::vector<uint8_t>(image + entry.position, image + entry.position + entry.size)});
    }
    std::vector<uint8_t> rewritten;
    std::string reason;
    // The writer is stricter than the reader (empty or long names, an empty last entry).
    if (!writePackage(inputs, data[0], &rewritten, &reason)) {
        return;
    }
    PackageEntryTable* again = nullptr;
    uint8_t* againImage = nullptr;
    require(openPackage(rewritten.data(), uint32_t(rewritten.size()), &again, &againImage),
            "the writer's archive is rejected");
    require(again->count == entries.count, "round trip changes the entry count");
    for (uint32_t i = 0; i < entries.count; ++i) {
        require(std::strcmp(again->entries[i].name, entries.entries[i].name) == 0,
                "round trip changes a name");
        require(again->entries[i].size == entries.entries[i].size, "round trip changes a size");
    }
    require(checksum(*again, againImage) == sum, "round trip changes the data");
    freePackage(again, againImage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0xFFFFFFFFu) {
        return 0;
    }
    PackageEntryTable* const entrySentinel = reinterpret_cast<PackageEntryTable*>(0x10);
    uint8_t* const imageSentinel = reinterpret_cast<uint8_t*>(0x20);
    PackageEntryTable* entries = entrySentinel;
    uint8_t* image = imageSentinel;
    if (!openPackage(data, uint32_t(size), &entries, &image)) {
        require(entries == entrySentinel && image == imageSentinel,
                "a rejected archive changed the out-arguments");
        return 0;
    }
    checkAccepted(data, uint32_t(size), *entries, image);
    freePackage(entries, image);
    return 0;
}
