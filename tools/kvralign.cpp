// kvralign: moves the resource section of a linked program (PE32 or PE32+) to
// the next 4,096-byte boundary of the file and gives the header a fresh checksum.
//
//   kvralign EXE
//
// The linker aligns sections in the file to 512 bytes. A loader that maps each
// section straight from the file (Wine does) can do so only for a section that
// starts on a page boundary, and reads any other into memory whole when the
// program starts: for the setup, that is every byte of the packages it carries.
// Moved to a page boundary, the resources are mapped and read only where used.
// The gap before them is filled with zero bytes; the sections after them move
// along, and nothing else in the image changes (addresses in memory stay as they
// are) but the offset of a symbol table that follows them. A signed program is
// refused and left unchanged, saying so: moving its bytes would break the
// signature, and signing comes last. So is one with a debug directory, which
// holds further file offsets. Exits 0 when the file is aligned (also when it
// already was), 1 with a message otherwise.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kPage = 4096;
constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kCertificateDirectory = 4;
constexpr uint32_t kDebugDirectory = 6;

uint32_t read32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

uint16_t read16(const std::vector<uint8_t>& bytes, size_t at) {
    return uint16_t(bytes[at] | bytes[at + 1] << 8);
}

void write32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = uint8_t(value >> (8 * i));
}

// The image checksum of the PE format: 16-bit words summed with their carries
// folded back in, the checksum field itself counted as zero, plus the file length.
uint32_t imageChecksum(const std::vector<uint8_t>& bytes, size_t checksumAt) {
    uint64_t sum = 0;
    for (size_t at = 0; at < bytes.size(); at += 2) {
        if (at == checksumAt || at == checksumAt + 2)
            continue;
        const uint32_t word = bytes[at] | (at + 1 < bytes.size() ? bytes[at + 1] << 8 : 0);
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return uint32_t(sum) + uint32_t(bytes.size());
}

struct Layout {
    size_t symbolTableAt;
    size_t checksumAt;
    size_t sectionsAt;
    uint16_t sectionCount;
};

// The header fields kvralign needs, or false with the reason.
bool readLayout(const std::vector<uint8_t>& bytes, Layout& layout, std::string& reason) {
    if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') {
        reason = "not a Windows program";
        return false;
    }
    const size_t pe = read32(bytes, 0x3C);
    if (pe > bytes.size() || bytes.size() - pe < 24 || read32(bytes, pe) != 0x00004550) {
        reason = "no PE header";
        return false;
    }
    const uint16_t sectionCount = read16(bytes, pe + 6);
    const uint16_t optionalSize = read16(bytes, pe + 20);
    const size_t optional = pe + 24;
    if (bytes.size() - optional < optionalSize || optionalSize < 2) {
        reason = "truncated optional header";
        return false;
    }
    const uint16_t magic = read16(bytes, optional);
    const size_t directoriesAt = optional + (magic == kPe32Plus ? 112 : 96);
    if ((magic != kPe32 && magic != kPe32Plus) || directoriesAt > optional + optionalSize) {
        reason = "unknown optional header";
        return false;
    }
    const uint32_t directoryCount = read32(bytes, directoriesAt - 4);
    if (directoryCount > (optional + optionalSize - directoriesAt) / 8) {
        reason = "truncated data directories";
        return false;
    }
    const auto present = [&](uint32_t kind) {
        return kind < directoryCount && read32(bytes, directoriesAt + 8 * kind + 4) != 0;
    };
    if (present(kCertificateDirectory)) {
        reason = "the program is signed; signing must come after kvralign, not before";
        return false;
    }
    if (present(kDebugDirectory)) {
        reason = "a debug directory holds file offsets";
        return false;
    }
    layout.symbolTableAt = pe + 12;
    layout.checksumAt = optional + 64;
    layout.sectionsAt = optional + optionalSize;
    layout.sectionCount = sectionCount;
    if (bytes.size() - layout.sectionsAt < sectionCount * kSectionHeaderSize) {
        reason = "truncated section table";
        return false;
    }
    return true;
}

bool align(std::vector<uint8_t>& bytes, std::string& reason) {
    Layout layout;
    if (!readLayout(bytes, layout, reason))
        return false;
    size_t resources = 0;
    bool found = false;
    for (uint16_t i = 0; i < layout.sectionCount && !found; ++i) {
        resources = layout.sectionsAt + i * kSectionHeaderSize;
        found = std::memcmp(&bytes[resources], ".rsrc\0\0\0", 8) == 0;
    }
    if (!found) {
        reason = "no resource section";
        return false;
    }
    const uint32_t from = read32(bytes, resources + 20);
    if (from > bytes.size()) {
        reason = "the resource section lies beyond the end of the file";
        return false;
    }
    const uint32_t gap = (kPage - from % kPage) % kPage;
    if (gap != 0) {
        for (uint16_t i = 0; i < layout.sectionCount; ++i) {
            const size_t header = layout.sectionsAt + i * kSectionHeaderSize;
            const uint32_t raw = read32(bytes, header + 20);
            if (raw >= from)
                write32(bytes, header + 20, raw + gap);
        }
        const uint32_t symbols = read32(bytes, layout.symbolTableAt);
        if (symbols >= from)
            write32(bytes, layout.symbolTableAt, symbols + gap);
        bytes.insert(bytes.begin() + from, gap, 0);
    }
    write32(bytes, layout.checksumAt, imageChecksum(bytes, layout.checksumAt));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kvralign EXE\n");
        return 1;
    }
    const std::string path = argv[1];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kvralign: cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    in.close();
    std::string reason;
    if (!align(bytes, reason)) {
        std::fprintf(stderr, "kvralign: %s: %s\n", path.c_str(), reason.c_str());
        return 1;
    }
    // Written beside and renamed, so that a failed write leaves the program as it was.
    const std::string part = path + ".kvralign-part";
    std::ofstream out(part, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out || std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        std::fprintf(stderr, "kvralign: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
