// Unpacking the main package: one pass over ~2.7 MB into one block, no copy per
// entry. Compared with a plain memcpy of the same bytes, and with the scrambled
// form of the same archive (unscrambled in the same pass).
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench.h"
#include "engine/package_archive.h"

namespace {

double openSeconds(const uint8_t* bytes, uint32_t length) {
    return bestOf(20, [&] {
        PackageEntryTable* entries = nullptr;
        uint8_t* image = nullptr;
        if (!openPackage(bytes, length, &entries, &image)) {
            std::printf("package: open failed\n");
            std::exit(1);
        }
        freePackage(entries, image);
    });
}

}  // namespace

void runPackageBenchmarks() {
    uint32_t length = 0;
    const uint8_t* bytes = loadPackageResource(kMainPackageResource, &length);
    if (!bytes) {
        std::printf("package: resource 135 missing\n");
        std::exit(1);
    }
    std::vector<uint8_t> scrambled(bytes, bytes + length);
    scrambled[0] = 0xA7;
    for (uint32_t i = 1; i < length; ++i) {
        scrambled[i] = static_cast<uint8_t>(bytes[i] ^ ((0xA7 + (i - 1)) & 0xFF));
    }
    std::vector<uint8_t> copy(length);
    double copySeconds = bestOf(20, [&] { std::memcpy(copy.data(), bytes, length); });
    // What one pass cannot beat: a fresh block of the same size, filled once.
    double freshCopySeconds = bestOf(20, [&] {
        uint8_t* volatile block = static_cast<uint8_t*>(std::malloc(length));
        std::memcpy(block, bytes, length);
        std::free(block);
    });
    double plainSeconds = openSeconds(bytes, length);
    double scrambledSeconds = openSeconds(scrambled.data(), length);
    double megabytes = length / 1e6;
    std::printf(
        "package: %.2f MB; openPackage %.2f ms (%.0f MB/s), scrambled %.2f ms; "
        "malloc+memcpy %.2f ms, memcpy into a warm block %.2f ms\n",
        megabytes, plainSeconds * 1e3, megabytes / plainSeconds, scrambledSeconds * 1e3,
        freshCopySeconds * 1e3, copySeconds * 1e3);
}
