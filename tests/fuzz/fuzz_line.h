// The command line that a switch-grammar fuzz target reads: the input's bytes up to
// the first NUL, in an exact heap copy, so that a read past the terminator is caught.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

inline std::unique_ptr<char[]> fuzzLine(const uint8_t* data, size_t size) {
    const size_t length = strnlen(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<char[]> line(new char[length + 1]);
    std::memcpy(line.get(), data, length);
    line[length] = '\0';
    return line;
}
