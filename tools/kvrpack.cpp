// kvrpack: builds, lists and verifies package archives on the build host.
//
//   kvrpack build LIST OUT [--key N] [--release main|earlier]
//                                      archive the files named by LIST into OUT
//   kvrpack check LIST main|earlier    check a release's list, build nothing
//   kvrpack list ARCHIVE               print every entry: index, position, size, name
//   kvrpack verify ARCHIVE             check ARCHIVE with the setup's own reader
//
// LIST is in the format of payload_list.h; its folder order is always checked.
// With --release (and for check) the list first passes every check of a release
// list (checkReleaseList), and a refused list leaves OUT as it was. Every failure
// prints its lines to stderr and exits with 1 (2 for usage errors).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/package_writer.h"
#include "tools/package_listing.h"
#include "tools/payload_list.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "kvrpack: %s\n", message.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: kvrpack build LIST OUT [--key N] [--release main|earlier]\n"
                 "       kvrpack check LIST main|earlier\n"
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

// Prints every refusal of a release list; true when there is none.
bool releaseListPasses(const std::string& listPath, const std::vector<ListLine>& lines,
                       ReleaseArchive archive) {
    const std::vector<std::string> problems = checkReleaseList(listPath, lines, archive);
    for (const std::string& problem : problems) {
        fail(problem);
    }
    return problems.empty();
}

struct BuildOptions {
    uint8_t key = 0;
    bool release = false;
    ReleaseArchive archive = ReleaseArchive::main;
};

int build(const std::string& listPath, const std::string& outPath, const BuildOptions& options) {
    std::vector<ListLine> lines;
    std::string error;
    if (!readList(listPath, &lines, &error)) {
        return fail(error);
    }
    if (options.release) {
        // Its checks include the folder order.
        if (!releaseListPasses(listPath, lines, options.archive)) {
            return 1;
        }
    } else if (!checkFolderOrder(listPath, lines, &error)) {
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
    if (!writePackage(inputs, options.key, &archive, &error)) {
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

int check(const std::string& listPath, ReleaseArchive archive) {
    std::vector<ListLine> lines;
    std::string error;
    if (!readList(listPath, &lines, &error)) {
        return fail(error);
    }
    return releaseListPasses(listPath, lines, archive) ? 0 : 1;
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

bool parseArchive(const std::string& text, ReleaseArchive* archive) {
    if (text != "main" && text != "earlier") {
        return false;
    }
    *archive = text == "main" ? ReleaseArchive::main : ReleaseArchive::earlier;
    return true;
}

// The options after "build LIST OUT", each at most once.
bool parseBuildOptions(const std::vector<std::string>& args, BuildOptions* options) {
    bool keyGiven = false;
    for (size_t i = 3; i < args.size(); i += 2) {
        if (i + 1 == args.size()) {
            return false;
        }
        if (args[i] == "--key" && !keyGiven) {
            keyGiven = true;
            if (!parseKey(args[i + 1], &options->key)) {
                std::fprintf(stderr, "kvrpack: --key takes a number from 0 to 255\n");
                return false;
            }
        } else if (args[i] == "--release" && !options->release) {
            options->release = true;
            if (!parseArchive(args[i + 1], &options->archive)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "build") {
        BuildOptions options;
        if (!parseBuildOptions(args, &options)) {
            return usage();
        }
        return build(args[1], args[2], options);
    }
    ReleaseArchive archive = ReleaseArchive::main;
    if (args.size() == 3 && args[0] == "check" && parseArchive(args[2], &archive)) {
        return check(args[1], archive);
    }
    if (args.size() == 2 && args[0] == "list") {
        return list(args[1]);
    }
    if (args.size() == 2 && args[0] == "verify") {
        return verify(args[1]);
    }
    return usage();
}
