// Reading and checking archive lists.
#include "tools/payload_list.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <set>

#include "engine/package_format.h"

namespace {

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

std::string at(const std::string& listPath, int lineNumber) {
    return listPath + ":" + std::to_string(lineNumber) + ": ";
}

// Windows compares file names without regard to case.
std::string folded(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        c = c == '/' ? '\\' : char(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

// Why Windows would not take `name` as a path below the install folder, or "".
std::string nameProblem(const std::string& name) {
    if (isSeparator(name[0])) {
        return "is an absolute path";
    }
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
        return "names a drive";
    }
    if (name.find(':') != std::string::npos) {
        return "holds a colon";
    }
    for (unsigned char c : name) {
        if (c < 0x20 || std::string("<>\"/|?*").find(char(c)) != std::string::npos) {
            char shown[8];
            std::snprintf(shown, sizeof shown, c < 0x20 ? "\\x%02X" : "%c", c);
            return std::string("holds '") + shown + "', which Windows forbids in file names";
        }
    }
    size_t start = 0;
    while (true) {
        const size_t end = name.find('\\', start);
        const std::string part = name.substr(start, end - start);
        if (part == "..") {
            return "holds \"..\"";
        }
        if (part.empty() || part == ".") {
            return "has an empty or \".\" part";
        }
        if (end == std::string::npos) {
            return std::string();
        }
        start = end + 1;
    }
}

// Why the source cannot be packed, or "".
std::string sourceProblem(const std::string& source) {
    struct stat info;
    if (stat(source.c_str(), &info) != 0) {
        return "cannot read source file " + source;
    }
    if (S_ISDIR(info.st_mode)) {
        return "source is a folder, not a file: " + source;
    }
    if (!std::ifstream(source, std::ios::binary)) {
        return "cannot read source file " + source;
    }
    if (uint64_t(info.st_size) > package_format::kMaxEntrySize) {
        return "source is 2 GB or larger: " + source;
    }
    return std::string();
}

struct Required {
    const char* name;
    int position;  // -1: anywhere
};

const Required kMainNames[] = {
    {"__cdca.lx", 0},
    {"kvr.exe", 1},
    {"uninst_kvr.exe", 3},
    {"Manual\\index.htm", -1},
    {"Quick Setup\\index.htm", -1},
};

void checkRequiredNames(const std::string& listPath, const std::vector<ListLine>& lines,
                        std::vector<std::string>& problems) {
    for (const Required& required : kMainNames) {
        const std::string wanted = folded(required.name);
        if (required.position < 0) {
            bool found = false;
            for (const ListLine& line : lines) {
                found = found || folded(line.name) == wanted;
            }
            if (!found) {
                problems.push_back(listPath + ": no entry \"" + required.name +
                                   "\", which the setup opens");
            }
            continue;
        }
        const size_t index = size_t(required.position);
        if (index >= lines.size()) {
            problems.push_back(listPath + ": the list ends before entry " +
                               std::to_string(index + 1) + ", which must be \"" + required.name +
                               "\"");
        } else if (folded(lines[index].name) != wanted) {
            problems.push_back(at(listPath, lines[index].lineNumber) + "entry " +
                               std::to_string(index + 1) + " must be \"" + required.name +
                               "\", not \"" + lines[index].name + "\"");
        }
    }
}

}  // namespace

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
            *error = at(listPath, number) + "expected NAME<TAB>FILE";
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

// Records the folder of `name` in `created`; false when that folder lies two or more
// levels deep and no earlier entry made its parent. Folders compare without regard
// to case, as the system's names do.
bool followsItsParent(const std::string& name, std::set<std::string>& created) {
    const std::string folder = folderOf(folded(name));
    if (folder.empty()) {
        return true;
    }
    const std::string parent = folderOf(folder);
    const bool follows = parent.empty() || created.count(parent) != 0;
    created.insert(folder);
    return follows;
}

bool checkFolderOrder(const std::string& listPath, const std::vector<ListLine>& lines,
                      std::string* error) {
    std::set<std::string> created;
    for (const ListLine& line : lines) {
        if (!followsItsParent(line.name, created)) {
            *error = at(listPath, line.lineNumber) + "\"" + line.name +
                     "\" comes before any entry of its parent folder \"" +
                     folderOf(folderOf(line.name)) + "\"";
            return false;
        }
    }
    return true;
}

std::vector<std::string> checkReleaseList(const std::string& listPath,
                                          const std::vector<ListLine>& lines,
                                          ReleaseArchive archive) {
    using namespace package_format;
    std::vector<std::string> problems;
    std::map<std::string, int> seen;
    std::set<std::string> created;
    uint64_t headerSize = kFixedHeaderSize + 4;
    for (size_t i = 0; i < lines.size(); ++i) {
        const ListLine& line = lines[i];
        const std::string where = at(listPath, line.lineNumber);
        if (i == kMaxEntries) {
            problems.push_back(where + "more than " + std::to_string(kMaxEntries) + " entries");
        }
        const std::string problem = nameProblem(line.name);
        if (!problem.empty()) {
            problems.push_back(where + "\"" + line.name + "\" " + problem);
        } else if (line.name.size() > kMaxNameLength) {
            problems.push_back(where + "name longer than " + std::to_string(kMaxNameLength) +
                               " characters");
        }
        const auto earlier = seen.emplace(folded(line.name), line.lineNumber);
        if (!earlier.second) {
            problems.push_back(where + "\"" + line.name + "\" repeats the name of line " +
                               std::to_string(earlier.first->second));
        }
        if (!followsItsParent(line.name, created)) {
            problems.push_back(where + "\"" + line.name +
                               "\" comes before any entry of its parent folder");
        }
        const std::string source = sourceProblem(line.source);
        if (!source.empty()) {
            problems.push_back(where + source);
        }
        const bool fitted = headerSize <= kMaxHeaderSize;
        headerSize += 8 + line.name.size() + 1;
        if (fitted && headerSize > kMaxHeaderSize) {
            problems.push_back(where + "the archive's header would exceed " +
                               std::to_string(kMaxHeaderSize) + " bytes");
        }
    }
    struct stat info;
    if (!lines.empty() && stat(lines.back().source.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size == 0) {
        problems.push_back(at(listPath, lines.back().lineNumber) +
                           "the last entry is empty, which the setup's reader refuses");
    }
    if (archive == ReleaseArchive::main) {
        checkRequiredNames(listPath, lines, problems);
    } else if (lines.size() != 1) {
        problems.push_back(listPath + ": the earlier release's archive holds exactly one file, " +
                           "not " + std::to_string(lines.size()));
    }
    return problems;
}
