// kvrpack: builds, lists and verifies package archives on the build host.
//
//   kvrpack build LIST OUT [--key N]   archive the files named by LIST into OUT
//   kvrpack list ARCHIVE               print every entry: index, position, size, name
//   kvrpack verify ARCHIVE             check ARCHIVE with the setup's own reader
//
// LIST holds one entry per line: the name in the archive (backslash-separated), a
// TAB, and the source file (relative paths are taken from LIST's folder). Entries
// keep the list's order. The setup creates only the immediate folder of each file,
// so a folder two or more levels deep must follow an entry of its parent folder.
// Every failure prints one line to stderr and exits with 1 (2 for usage errors).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine/package_writer.h"
#include "tools/package_listing.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "kvrpack: %s\n", message.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: kvrpack build LIST OUT [--key N]\n"
                 "       kvrpack list ARCHIVE\n"
                 "       kvrpack verify ARCHIVE\n");
    return 2;
}

// Only a regular file: a folder opens as a stream, and reading it throws.
bool readFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The folder part of a name: everything before its last separator, or "".
std::string folderOf(const std::string& name) {
    for (size_t i = name.size(); i > 0; --i) {
        if (isSeparator(name[i - 1])) {
            return name.substr(0, i - 1);
        }
    }
    return std::string();
}

struct ListLine {
    int lineNumber;
    std::string name;
    std::string source;
};

bool readList(const std::string& listPath, std::vector<ListLine>* lines, std::string* error) {
    std::ifstream in(listPath);
    if (!in) {
        *error = "cannot read list " + listPath;
        return false;
    }
    const std::string base = listPath.find('/') == std::string::npos
                                 ? std::string()
                                 : listPath.substr(0, listPath.rfind('/') + 1);
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        if (text.empty()) {
            continue;
        }
        const size_t tab = text.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == text.size()) {
            *error = listPath + ":" + std::to_string(number) + ": expected NAME<TAB>FILE";
            return false;
        }
        std::string source = text.substr(tab + 1);
        if (source[0] != '/') {
            source = base + source;
        }
        lines->push_back(ListLine{number, text.substr(0, tab), source});
    }
    return true;
}

// Each file's folder is created on its own, so its parent must exist already:
// made by an earlier entry, or the install folder itself.
bool checkFolderOrder(const std::string& listPath, const std::vector<ListLine>& lines,
                      std::string* error) {
    std::set<std::string> created;
    for (const ListLine& line : lines) {
        const std::string folder = folderOf(line.name);
        if (folder.empty()) {
            continue;
        }
        const std::string parent = folderOf(folder);
        if (!parent.empty() && created.count(parent) == 0) {
            *error = listPath + ":" + std::to_string(line.lineNumber) + ": \"" + line.name +
                     "\" comes before any entry of its parent folder \"" + parent + "\"";
            return false;
        }
        created.insert(folder);
    }
    return true;
}

int build(const std::string& listPath, const std::string& outPath, uint8_t key) {
    std::vector<ListLine> lines;
    std::string error;
    if (!readList(listPath, &lines, &error) || !checkFolderOrder(listPath, lines, &error)) {
        return fail(error);
    }
    std::vector<PackageInput> inputs;
    inputs.reserve(lines.size());
    for (const ListLine& line : lines) {
        PackageInput input;
        input.name = line.name;
        if (!readFile(line.source, &input.data)) {
            return fail(listPath + ":" + std::to_string(line.lineNumber) +
                        ": cannot read source file " + line.source);
        }
        inputs.push_back(std::move(input));
    }
    std::vector<uint8_t> archive;
    if (!writePackage(inputs, key, &archive, &error)) {
        return fail(listPath + ": " + error);
    }
    // Written beside OUT and renamed over it, so that a failure leaves whatever
    // stood at OUT as it was.
    const std::string partPath = outPath + ".kvrpack-part";
    std::ofstream out(partPath, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        return fail("cannot write " + outPath);
    }
    out.write(reinterpret_cast<const char*>(archive.data()), std::streamsize(archive.size()));
    out.close();
    if (!out || std::rename(partPath.c_str(), outPath.c_str()) != 0) {
        std::remove(partPath.c_str());
        return fail("cannot write " + outPath);
    }
    return 0;
}

// Reads ARCHIVE and prints what `print` (package_listing.h) makes of it.
template <typename Print>
int printArchive(const std::string& archivePath, Print print) {
    std::vector<uint8_t> bytes;
    if (!readFile(archivePath, &bytes)) {
        return fail("cannot read " + archivePath);
    }
    if (bytes.size() > 0xFFFFFFFFu) {
        return fail(archivePath + ": larger than 4 GB, not a package archive");
    }
    if (!print(bytes)) {
        return fail(archivePath + ": broken package archive");
    }
    return 0;
}

int list(const std::string& archivePath) {
    return printArchive(
        archivePath, [](const std::vector<uint8_t>& bytes) { return listPackage(bytes, stdout); });
}

int verify(const std::string& archivePath) {
    return printArchive(archivePath, [&](const std::vector<uint8_t>& bytes) {
        return verifyPackage(archivePath, bytes, stdout);
    });
}

bool parseKey(const std::string& text, uint8_t* key) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value > 255) {
        return false;
    }
    *key = uint8_t(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "build") {
        return build(args[1], args[2], 0);
    }
    if (args.size() == 5 && args[0] == "build" && args[3] == "--key") {
        uint8_t key = 0;
        if (!parseKey(args[4], &key)) {
            std::fprintf(stderr, "kvrpack: --key takes a number from 0 to 255\n");
            return 2;
        }
        return build(args[1], args[2], key);
    }
    if (args.size() == 2 && args[0] == "list") {
        return list(args[1]);
    }
    if (args.size() == 2 && args[0] == "verify") {
        return verify(args[1]);
    }
    return usage();
}
