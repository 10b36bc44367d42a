// libFuzzer target for kvrpack's list and verify: any bytes, printed as the tool
// prints them. Both must agree with the reader on whether the archive is sound,
// print nothing for a broken one, and list exactly one line per entry.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/package_format.h"
#include "tools/package_listing.h"

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "kvrpack_fuzz: %s\n", what);
        std::abort();
    }
}

struct Printed {
    bool ok;
    std::string text;
};

template <typename Print>
Printed capture(Print print) {
    char* buffer = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    require(out != nullptr, "no memory stream");
    Printed printed;
    printed.ok = print(out);
    std::fclose(out);
    printed.text.assign(buffer, length);
    std::free(buffer);
    return printed;
}

size_t lineCount(const std::string& text) {
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    const bool sound = openPackage(bytes.data(), uint32_t(bytes.size()), &entries, &image);
    const uint32_t count = sound ? entries->count : 0;
    if (sound) {
        freePackage(entries, image);
    }

    const Printed listed = capture([&](std::FILE* out) { return listPackage(bytes, out); });
    require(listed.ok == sound, "list disagrees with the reader");
    require(lineCount(listed.text) == count, "list does not print one line per entry");

    const Printed verified =
        capture([&](std::FILE* out) { return verifyPackage("fuzz.bin", bytes, out); });
    require(verified.ok == sound, "verify disagrees with the reader");
    require(sound ? verified.text.rfind("fuzz.bin: OK, ", 0) == 0 && lineCount(verified.text) == 1
                  : verified.text.empty(),
            "verify prints the wrong verdict");
    return 0;
}
