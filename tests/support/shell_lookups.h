// What the shell reports, read independently of the code under test: special
// folders and the targets of shell links.
#pragma once

#include <string>

// A special folder as SHGetFolderPathA gives it, without a trailing backslash;
// empty when the shell names none.
std::string shellFolder(int csidl);
// The target of a shell link as the shell reads it back; empty when `link` is
// no readable shell link.
std::string linkTarget(const std::string& link);
