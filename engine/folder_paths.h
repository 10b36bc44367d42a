// Small path operations that the engine, the write probes, the rollback and the
// uninstaller share.
#pragma once

#include "text/text_buffer.h"

// The path up to, not including, its last backslash or slash; empty if it has
// none. At most the first 259 characters are considered.
TextBuffer folderOfPath(const char* path);
// Creates every folder named by the path up to each backslash or slash, from the
// left, ignoring failures. A path ending in a separator is created whole; for one
// without, the last component is not created.
void createFolderChain(const char* path);
// True for a drive letter, a colon and a separator ("C:\\...") and for a UNC path
// ("\\\\server\\share..."); false for anything relative to a current folder or
// drive, and for null.
bool isAbsolutePath(const char* path);
// True for "<folder>\\a\\b..." (folder without a trailing separator, compared without
// regard to case) whose parts are neither empty nor "." or "..", so that the path
// cannot lead out of the folder; false for the folder itself and for an empty folder.
bool pathLiesInside(const char* path, const TextBuffer& folder);
