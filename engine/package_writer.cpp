// Writing package archives (layout in package_format.h).
#include "engine/package_writer.h"

using namespace package_format;

namespace {

void appendUint32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(uint8_t(value >> shift));
    }
}

}  // namespace

bool writePackage(const std::vector<PackageInput>& inputs, uint8_t key,
                  std::vector<uint8_t>* archive, std::string* reason) {
    if (inputs.size() > kMaxEntries) {
        *reason = "more than " + std::to_string(kMaxEntries) + " entries (" +
                  std::to_string(inputs.size()) + ")";
        return false;
    }
    uint64_t headerSize = kFixedHeaderSize + 4;
    uint64_t dataSize = 0;
    for (const PackageInput& input : inputs) {
        if (input.name.empty()) {
            *reason = "an entry has an empty name";
            return false;
        }
        if (input.name.size() > kMaxNameLength) {
            *reason =
                "name longer than " + std::to_string(kMaxNameLength) + " characters: " + input.name;
            return false;
        }
        if (input.name.find('\0') != std::string::npos) {
            *reason = "name holds a NUL character: " + input.name.substr(0, input.name.find('\0'));
            return false;
        }
        if (input.data.size() > kMaxEntrySize) {
            *reason =
                "entry larger than " + std::to_string(kMaxEntrySize) + " bytes: " + input.name;
            return false;
        }
        headerSize += 8 + input.name.size() + 1;
        dataSize += input.data.size();
    }
    if (headerSize > kMaxHeaderSize) {
        *reason = "header of " + std::to_string(headerSize) + " bytes exceeds " +
                  std::to_string(kMaxHeaderSize) + " bytes";
        return false;
    }
    if (headerSize + dataSize > 0xFFFFFFFFu) {
        *reason = "archive would exceed 4 GB";
        return false;
    }
    if (!inputs.empty() && inputs.back().data.empty()) {
        *reason = "the last entry is empty, so it would start at the end of the archive: " +
                  inputs.back().name;
        return false;
    }

    std::vector<uint8_t> out;
    out.reserve(size_t(headerSize + dataSize));
    out.push_back(key);
    appendUint32(out, uint32_t(inputs.size()));
    appendUint32(out, uint32_t(headerSize));
    uint32_t offset = 0;
    for (const PackageInput& input : inputs) {
        appendUint32(out, offset);
        appendUint32(out, uint32_t(input.data.size()));
        out.insert(out.end(), input.name.begin(), input.name.end());
        out.push_back(0);
        offset += uint32_t(input.data.size());
    }
    appendUint32(out, kEndMarker);
    for (const PackageInput& input : inputs) {
        out.insert(out.end(), input.data.begin(), input.data.end());
    }
    if (key != 0) {
        uint8_t mask = key;
        for (size_t i = 1; i < out.size(); ++i) {
            out[i] ^= mask++;
        }
    }
    archive->swap(out);
    return true;
}
