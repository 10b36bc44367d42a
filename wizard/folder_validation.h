// Checking a folder typed by the user, probing write access, the suggested
// folders, and removing the chosen folders when the user leaves the wizard.
#pragma once

#include <windows.h>

#include "text/text_buffer.h"

enum FolderCheck {
    Rejected = 0,        // not usable; a message has been shown
    Accepted = 1,        // usable, and a file could be created in it
    ResetRequested = 2,  // fixed drive, not writable; the user asked for the suggestion
};

// Shows its own messages (default owner). invalidPhrase goes into the
// invalid-path message, missingPhrase into the missing-path message.
FolderCheck validateFolder(const char* path, const char* invalidPhrase, const char* missingPhrase);

// The two phrases of each folder that validateFolder checks.
struct FolderPhrases {
    const char* invalid;
    const char* missing;
};
inline constexpr FolderPhrases kInstallFolderPhrases = {
    "path for installation", "folder where you'd like to install the program"};
inline constexpr FolderPhrases kDataFolderPhrases = {"recording & data files folder path",
                                                     "recording & data files folder"};
// False when the text holds " * < > ? | or a second colon.
bool hasValidPathCharacters(const char* text);
// GetDriveTypeA of the path's drive-letter root, or 0 when it has none.
UINT rootDriveType(const char* path);
// Creates the folder (and missing ancestors) and a probe file in it, deletes the
// file; with removeAfterwards the folder itself is removed again when empty.
// True when the probe file could be created.
bool probeFolderWritable(const char* folder, bool removeAfterwards);
// The special folder's path with a trailing backslash, or empty
// (CSIDL_PROGRAM_FILES falls back to "C:\Program Files\").
TextBuffer specialFolderPath(int csidl);
// specialFolderPath's choice over the path the shell gave (empty: none).
TextBuffer specialFolderFromShell(int csidl, const char* shellPath);

// The bases that the suggested folders are chosen from, each empty when missing.
struct SuggestionBases {
    TextBuffer localAppData;  // special folders, with a trailing backslash
    TextBuffer profile;       // %USERPROFILE%, only when it names an existing path
    TextBuffer documents;
    TextBuffer programFiles;  // only when the folder exists
    TextBuffer music;
};
SuggestionBases currentSuggestionBases();
// NT family: local application data, else the profile, else Documents; other
// systems: Program Files, else Documents. Then "\Kestrova" after the base
// without its separator.
TextBuffer suggestInstallFolder(const SuggestionBases& bases, int platformProbe);
// Music, else Documents, followed by "Kestrova Recordings".
TextBuffer suggestDataFolder(const SuggestionBases& bases);
// The two suggestions over currentSuggestionBases() and gSession.platformProbe.
TextBuffer defaultInstallFolder();
TextBuffer defaultDataFolder();
// Removes dataFolder, installFolder and startMenuFolder when empty. Returns 1.
int removeChosenFolders();
