// Listing and verifying an archive for kvrpack.
#include "tools/package_listing.h"

#include "engine/package_format.h"

namespace {

// Owns what openPackage handed out.
class OpenedPackage {
public:
    explicit OpenedPackage(const std::vector<uint8_t>& bytes) {
        ok_ = bytes.size() <= 0xFFFFFFFFu &&
              openPackage(bytes.data(), uint32_t(bytes.size()), &entries_, &image_);
    }
    OpenedPackage(const OpenedPackage&) = delete;
    OpenedPackage& operator=(const OpenedPackage&) = delete;
    ~OpenedPackage() {
        if (ok_) {
            freePackage(entries_, image_);
        }
    }

    bool ok() const { return ok_; }
    const PackageEntryTable& entries() const { return *entries_; }

private:
    bool ok_ = false;
    PackageEntryTable* entries_ = nullptr;
    uint8_t* image_ = nullptr;
};

void printName(const char* name, std::FILE* out) {
    for (const char* c = name; *c != '\0'; ++c) {
        const unsigned char byte = static_cast<unsigned char>(*c);
        if (byte < 0x20 || byte == 0x7F) {
            std::fprintf(out, "\\x%02X", byte);
        } else {
            std::fputc(byte, out);
        }
    }
}

}  // namespace

bool listPackage(const std::vector<uint8_t>& bytes, std::FILE* out) {
    const OpenedPackage package(bytes);
    if (!package.ok()) {
        return false;
    }
    const PackageEntryTable& entries = package.entries();
    for (uint32_t i = 0; i < entries.count; ++i) {
        const PackageEntry& entry = entries.entries[i];
        std::fprintf(out, "%u\t%u\t%u\t", i, entry.position, entry.size);
        printName(entry.name, out);
        std::fputc('\n', out);
    }
    return true;
}

bool verifyPackage(const std::string& label, const std::vector<uint8_t>& bytes, std::FILE* out) {
    const OpenedPackage package(bytes);
    if (!package.ok()) {
        return false;
    }
    std::fprintf(out, "%s: OK, %u entries, key %u, %zu bytes\n", label.c_str(),
                 package.entries().count, bytes[0], bytes.size());
    return true;
}
