// What `kvrpack list` and `kvrpack verify` print for an archive held in memory,
// shared by the tool and its fuzz target. Plain C++: no Windows headers.
//
// Both open the bytes with the setup's own reader (openPackage). On success they
// write their lines to `out` and return true; for bytes that the reader rejects,
// and for 4 GB or more, they write nothing and return false.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// One line per entry: index, image position, size and name, separated by TABs.
// Bytes of a name below 0x20 and 0x7F are written as \xHH, so that every entry
// stays on its own line whatever its name holds.
bool listPackage(const std::vector<uint8_t>& bytes, std::FILE* out);

// One line: "<label>: OK, <entries> entries, key <key byte>, <length> bytes".
bool verifyPackage(const std::string& label, const std::vector<uint8_t>& bytes, std::FILE* out);
