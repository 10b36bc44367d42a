// The archive tool's list format, and the checks that a release's payload list
// passes before anything is built. Plain C++: no Windows headers.
//
// A list holds one entry per line: the name in the archive (backslash-separated),
// a TAB, and the source file (relative paths are taken from the list's folder).
// Empty lines are skipped; a CR before the line end is dropped. Entries keep the
// list's order.
#pragma once

#include <string>
#include <vector>

struct ListLine {
    int lineNumber;
    std::string name;
    std::string source;  // as the tool reaches it
};

// False with "LIST:N: expected NAME<TAB>FILE" (or "cannot read list LIST").
bool readList(const std::string& listPath, std::vector<ListLine>* lines, std::string* error);

// The setup creates only the immediate folder of each file, so a folder two or more
// levels deep must follow an entry of its parent folder (names compared without
// regard to case). False with the message of the first line that breaks the rule.
bool checkFolderOrder(const std::string& listPath, const std::vector<ListLine>& lines,
                      std::string* error);

// Which archive a release list makes: the main package (resource 135) or the
// earlier release's uninstaller (resource 139).
enum class ReleaseArchive { main, earlier };

// Every refusal of a release list, one message per problem, each "LIST:N: ..."
// naming its line (or "LIST: ..." for the list as a whole); empty when the list
// can be built. Checked: sources (missing, unreadable, a folder, 2 GB or larger),
// names (absolute, a drive, a colon, "..", an empty or "." part, a character that
// Windows forbids, too long, a duplicate without regard to case), the folder
// order, the format's limits (entries, header size), an empty last entry, and the
// names the setup refers to: for the main package "__cdca.lx" first, "kvr.exe"
// second, "uninst_kvr.exe" fourth, "Manual\index.htm" and "Quick Setup\index.htm"
// anywhere; for the earlier release's archive, exactly one entry.
std::vector<std::string> checkReleaseList(const std::string& listPath,
                                          const std::vector<ListLine>& lines,
                                          ReleaseArchive archive);
