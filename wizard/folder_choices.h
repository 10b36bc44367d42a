// The decisions of the destination, Start Menu and data folder pages, as plain
// functions over texts and the file system; the pages only move their results
// between the controls and gSession.
#pragma once

#include "startup/setup_session.h"
#include "text/text_buffer.h"

// A page's proposed folder: without a trailing separator; `fixed` when an
// earlier installation decides it and the page locks the field.
struct FolderProposal {
    TextBuffer folder;
    bool fixed = false;
};

// From the settings values "InstallFolder" and "SetupLogFldr" (as read, possibly
// empty): the installed copy's folder when one of them holds kvr.exe ("SetupLogFldr"
// only when "InstallFolder" is empty), fixed; else "InstallFolder", or `suggested`
// when that is empty.
FolderProposal proposeInstallFolder(const char* installFolderValue, const char* setupLogFolderValue,
                                    const char* suggested);
// From the settings value "SetupSchdRcFldr": that folder, fixed, when it exists;
// else the value, or `suggested` when it is empty.
FolderProposal proposeDataFolder(const char* recordedValue, const char* suggested);

// The two proposals on this machine: the current user's settings values and the
// suggested folders (folder_validation.h) through the two functions above.
FolderProposal installFolderProposal();
FolderProposal dataFolderProposal();

// The Start Menu page's proposed name.
inline constexpr const char* kDefaultStartMenuGroup = "Programs\\Kestrova";

// The Start Menu page's decision over a typed name: blank (the page asks for a
// name); usable, with `folder` the full path (startMenuFolderPath, made and
// removed again to see that it can be made); or unusable (no Start Menu, or the
// folder cannot be made: the page offers to go on without one).
enum class StartMenuDecision { blank, usable, unusable };
StartMenuDecision decideStartMenuFolder(const char* typed, TextBuffer* folder);
inline constexpr const char* kStartMenuNameMissingText =
    "Please specify Start Menu shortcut name...";
inline constexpr const char* kStartMenuUnusableQuestion =
    "Start Menu shortcut cannot be created.\nContinue?";

// Stores the Start Menu choice; an empty folder means no Start Menu folder.
void storeStartMenuChoice(SetupChoices& choices, const TextBuffer& group, const TextBuffer& folder);

// The folder that Browse proposes when the user picks `chosen`: `leaf` inside it
// (a drive root already ends in a backslash and gets no second one).
TextBuffer folderBelowChoice(const char* chosen, const char* leaf);

// The Start Menu name for a folder picked below the Start Menu `root`: the part of
// `chosen` after what it shares with the root (compared without regard to case,
// the root with a trailing separator), followed by "Kestrova". The Start Menu
// itself gives "Kestrova", its Programs folder "Programs\Kestrova".
TextBuffer relativeStartMenuName(const char* chosen, const char* root);

// The full Start Menu folder for the name, with a trailing backslash; the empty
// text when the Start Menu root is not known (empty), so that a name is never
// taken relative to the current folder.
TextBuffer startMenuFolderPath(const char* root, const char* name);
