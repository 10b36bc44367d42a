// Opening the main package: one pass over ~2.7 MB into a fresh block, against a
// plain memcpy of the same bytes into a freshly allocated block of the same size
// (the reader pays for fresh pages too), plain and with the archive scrambled; and
// the digest check of the package carried as resource 135 (the stand-in's, or the
// large one in kvr_bench_large) per megabyte against sha256sum of the same bytes on
// the host, which tools/bench.sh measures and hands over in
// KVR_SHA256SUM_MS_PER_MB_<LABEL> (KVR_SHA256SUM_MS_PER_MB_STANDIN, ..._LARGE).
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/bench.h"
#include "engine/package_archive.h"
#include "engine/package_digest.h"

namespace {

constexpr int kRounds = 31;
constexpr uint8_t kScrambleKey = 0xA7;

double openSeconds(const uint8_t* bytes, uint32_t length) {
    return secondsOf([&] {
        PackageEntryTable* entries = nullptr;
        uint8_t* image = nullptr;
        if (!openPackage(bytes, length, &entries, &image)) {
            benchFailed("openPackage rejects the package");
        }
        freePackage(entries, image);
    });
}

// Called through a volatile pointer: the compiler may not drop a copy into a block
// that is freed unread.
void* (*volatile copyBytes)(void*, const void*, size_t) = std::memcpy;

double freshCopySeconds(const uint8_t* bytes, uint32_t length) {
    return secondsOf([&] {
        void* block = std::malloc(length);
        if (block == nullptr) {
            benchFailed("out of memory");
        }
        copyBytes(block, bytes, length);
        std::free(block);
    });
}

constexpr double kMegabyte = 1024.0 * 1024.0;

// The main package's bytes, or the benchmark ends saying so.
const uint8_t* mainPackage(uint32_t* length) {
    const uint8_t* bytes = loadPackageResource(kMainPackageResource, length);
    if (bytes == nullptr) {
        benchFailed("resource 135 missing");
    }
    return bytes;
}

}  // namespace

// The row is left out when tools/bench.sh did not measure sha256sum.
void runDigestBenchmark(const std::string& label) {
    std::string variable = "KVR_SHA256SUM_MS_PER_MB_";
    for (char c : label) {
        variable.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    const char* baseline = std::getenv(variable.c_str());
    if (baseline == nullptr) {
        return;
    }
    uint32_t length = 0;
    const uint8_t* bytes = mainPackage(&length);
    std::vector<double> checks;
    for (int round = 0; round < kRounds; ++round) {
        checks.push_back(secondsOf([&] {
            if (!packageMatchesDigest(kMainPackageResource, bytes, length)) {
                benchFailed("the main package does not match its digest");
            }
        }));
    }
    char what[160];
    std::snprintf(what, sizeof what,
                  "package digest check (CryptoAPI SHA-256) vs sha256sum, per MB, %s package "
                  "(%.1f MB)",
                  label.c_str(), length / kMegabyte);
    printRow("1c-" + label, what, medianOf(checks) * 1e3 / (length / kMegabyte),
             std::atof(baseline), "ms/MB", 4.0);
}

void runPackageBenchmarks() {
    uint32_t length = 0;
    const uint8_t* bytes = mainPackage(&length);
    std::vector<uint8_t> scrambled(bytes, bytes + length);
    scrambled[0] = kScrambleKey;
    for (uint32_t i = 1; i < length; ++i) {
        scrambled[i] = static_cast<uint8_t>(bytes[i] ^ ((kScrambleKey + (i - 1)) & 0xFF));
    }
    // Interleaved, so that a slow moment of the machine hits all three alike.
    std::vector<double> copies, plain, unscrambled;
    for (int round = 0; round < kRounds; ++round) {
        copies.push_back(freshCopySeconds(bytes, length));
        plain.push_back(openSeconds(bytes, length));
        unscrambled.push_back(openSeconds(scrambled.data(), length));
    }
    const double copyMs = medianOf(copies) * 1e3;
    printRow("1a", "openPackage key 0 vs fresh malloc+memcpy", medianOf(plain) * 1e3, copyMs, "ms",
             2.0);
    printRow("1b", "openPackage key 0xA7 vs fresh malloc+memcpy", medianOf(unscrambled) * 1e3,
             copyMs, "ms", 4.0);
    runDigestBenchmark("standin");
}
