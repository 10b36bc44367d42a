// Writing package archives (layout in package_format.h), for the host-side archive
// tool, the tests and the fuzz targets; the setup only reads. Plain C++.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/package_format.h"

// One entry to write: its name in the archive and its contents.
struct PackageInput {
    std::string name;
    std::vector<uint8_t> data;
};

// Builds an archive of the inputs in their order, data back to back, scrambled with
// `key` (0: plain). Returns false with a reason, leaving `archive` untouched, when the
// inputs exceed the format's limits (entries, header size, entry size, total size),
// a name is empty, holds a NUL or is longer than kMaxNameLength, or an empty entry
// would end the archive (a reader rejects an entry that starts at the image's end).
bool writePackage(const std::vector<PackageInput>& inputs, uint8_t key,
                  std::vector<uint8_t>* archive, std::string* reason);
