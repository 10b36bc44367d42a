// kvrdigest: writes the setup's package digest resource, the SHA-256 of each
// package archive that it carries, computed with OpenSSL's libcrypto.
//
//   kvrdigest OUT ID=FILE...
//
// OUT holds one 36-byte record per argument, in argument order: the resource id
// (unsigned 32-bit little-endian) and the 32 bytes of FILE's SHA-256 digest
// (engine/package_digest.h reads them). Exits 0 when OUT is written; 1 with a
// message otherwise (2 for usage errors), leaving whatever stood at OUT as it was.
#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/package_format.h"

namespace {

using package_format::kDigestSize;

constexpr size_t kReadBlock = 1 << 16;

int fail(const std::string& message) {
    std::fprintf(stderr, "kvrdigest: %s\n", message.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr, "usage: kvrdigest OUT ID=FILE...\n");
    return 2;
}

bool parseId(const std::string& text, uint32_t* id) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value == 0 || value > 0xFFFF) {
        return false;
    }
    *id = uint32_t(value);
    return true;
}

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

// The file's SHA-256, read in blocks; false when it cannot be read whole.
bool sha256OfFile(const std::string& path, uint8_t digest[kDigestSize]) {
    std::ifstream in(path, std::ios::binary);
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!in || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return false;
    }
    std::vector<char> block(kReadBlock);
    while (in) {
        in.read(block.data(), std::streamsize(block.size()));
        if (in.gcount() > 0 &&
            EVP_DigestUpdate(context.get(), block.data(), size_t(in.gcount())) != 1) {
            return false;
        }
    }
    unsigned int size = 0;
    return !in.bad() && EVP_DigestFinal_ex(context.get(), digest, &size) == 1 &&
           size == kDigestSize;
}

void appendUint32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return usage();
    }
    const std::string outPath = argv[1];
    std::vector<uint8_t> records;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        uint32_t id = 0;
        if (equals == std::string::npos || !parseId(argument.substr(0, equals), &id)) {
            return usage();
        }
        const std::string file = argument.substr(equals + 1);
        uint8_t digest[kDigestSize];
        if (!sha256OfFile(file, digest)) {
            return fail("cannot read " + file);
        }
        appendUint32(records, id);
        records.insert(records.end(), digest, digest + kDigestSize);
    }
    const std::string partPath = outPath + ".kvrdigest-part";
    std::ofstream out(partPath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(records.data()), std::streamsize(records.size()));
    out.close();
    if (!out || std::rename(partPath.c_str(), outPath.c_str()) != 0) {
        std::remove(partPath.c_str());
        return fail("cannot write " + outPath);
    }
    return 0;
}
