// Checking the folders that the user types, the write probe, the suggested
// folders and removing the chosen folders when the user leaves.
#include "wizard/folder_validation.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "engine/folder_paths.h"
#include "startup/setup_session.h"
#include "text/scoped_handles.h"
#include "text/text_helpers.h"
#include "wizard/folder_browser.h"
#include "wizard/message_box.h"

namespace {

constexpr const char* kProbeFileName = "__testFile1827382_1";
constexpr const char* kMissingPathMessage = "Please specify %s...";
constexpr const char* kInvalidPathMessage =
    "ERROR: Specified %s is not valid.\n\nIf you're not sure how to write a path, use Browse "
    "button...";
constexpr const char* kUnrecognisedPathMessage =
    "ERROR: Specified path is not recognized...\n(A path should start with a drive letter "
    "followed by the colon and slash.)\n\nIf you're not sure how to write a path, use Browse "
    "button...";
constexpr const char* kNonFixedDriveMessage =
    "ERROR: You have selected a non-fixed drive.\n\nPlease select a folder on a fixed disk on "
    "your local computer...";
constexpr const char* kCannotWriteMessage =
    "ERROR: Can't write to the specified folder.\nPlease specify another location...";
constexpr const char* kResetOfferMessage =
    "ERROR: Current user account does not have permissions to write into specified "
    "folder.\nWould you like to reset the folder to a suggested writable one?";
constexpr const char* kDriveRefusedMessage =
    "ERROR: %s\nIf you're not sure how to write a path, use Browse button...";
constexpr uint32_t kMachineWideWriteBits = 3;

void showError(const char* text) {
    showMessage(text, MB_OK | MB_ICONERROR);
}

void showFormattedError(const char* format, const char* insert) {
    TextBuffer text;
    text.format(format, insert);
    showError(text.text());
}

const char* driveRefusalReason(UINT driveType) {
    switch (driveType) {
        case DRIVE_NO_ROOT_DIR:
            return "Specified invalid root path.";
        case DRIVE_REMOTE:
            return "Specified network drive that cannot be used.";
        case DRIVE_RAMDISK:
            return "Specified RAM disc drive that cannot be used.";
        default:
            return "Unspecified. Can't proceed.";
    }
}

// A fixed-drive folder that the probe could not write to: offer the suggested
// folder only to a user who lacks machine-wide write access on an NT system.
FolderCheck refuseUnwritableFolder() {
    if (gSession.platformProbe == 0 ||
        (gSession.folderWriteProbe & kMachineWideWriteBits) == kMachineWideWriteBits) {
        showError(kCannotWriteMessage);
        return Rejected;
    }
    if (showMessage(kResetOfferMessage, MB_YESNO | MB_ICONERROR) == IDYES) {
        return ResetRequested;
    }
    return Rejected;
}

// The file-system path of a special folder; empty when the shell has none. The
// item list and the allocator are released on every path.
void shellFolderPath(int csidl, TextBuffer* path) {
    path->clear();
    ShellAllocator allocator;
    if (!allocator.available()) {
        return;
    }
    ShellItemList items(allocator);
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, items.out()))) {
        return;
    }
    itemListPath(items.get(), path);
}

bool pathExists(const TextBuffer& path) {
    return PathFileExistsA(path.text()) != FALSE;
}

void removeFolderIfEmpty(const TextBuffer& folder) {
    TextBuffer path = withoutTrailingSeparator(folder.text());
    if (!path.isBlank(7)) {
        RemoveDirectoryA(path.text());
    }
}

}  // namespace

FolderCheck validateFolder(const char* path, const char* invalidPhrase, const char* missingPhrase) {
    if (path == nullptr || TextBuffer(path).isBlank(7)) {
        showFormattedError(kMissingPathMessage, missingPhrase);
        return Rejected;
    }
    if (!hasValidPathCharacters(path)) {
        showFormattedError(kInvalidPathMessage, invalidPhrase);
        return Rejected;
    }
    const UINT driveType = rootDriveType(path);
    switch (driveType) {
        case 0:
            showError(kUnrecognisedPathMessage);
            return Rejected;
        case DRIVE_REMOVABLE:
        case DRIVE_CDROM:
            showError(kNonFixedDriveMessage);
            return Rejected;
        case DRIVE_FIXED:
            if (probeFolderWritable(path, true)) {
                return Accepted;
            }
            return refuseUnwritableFolder();
        default:
            showFormattedError(kDriveRefusedMessage, driveRefusalReason(driveType));
            return Rejected;
    }
}

bool hasValidPathCharacters(const char* text) {
    int colons = 0;
    // By character: the second byte of a double-byte character may be 0x7C (|),
    // and no lead byte is one of the characters looked for.
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; p = nextCharacter(p)) {
        switch (*p) {
            case '"':
            case '*':
            case '<':
            case '>':
            case '?':
            case '|':
                return false;
            case ':':
                if (++colons > 1) {
                    return false;
                }
                break;
            default:
                break;
        }
    }
    return true;
}

UINT rootDriveType(const char* path) {
    char root[MAX_PATH + 1];
    lstrcpynA(root, path != nullptr ? path : "", MAX_PATH);
    const char* separator = findPathSeparator(root);
    const int length = separator != nullptr ? static_cast<int>(separator - root) : lstrlenA(root);
    if (length == 0 || root[length - 1] != ':') {
        return 0;
    }
    root[length] = '\\';
    root[length + 1] = '\0';
    return GetDriveTypeA(root);
}

bool probeFolderWritable(const char* folder, bool removeAfterwards) {
    const TextBuffer folderPath = withTrailingSeparator(folder);
    const TextBuffer probe = concat(folderPath, kProbeFileName);
    createFolderChain(probe.text());

    bool writable = false;
    {
        const ScopedHandle file(CreateFileA(probe.text(), GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        writable = file.valid();
    }
    if (writable) {
        DeleteFileA(probe.text());
    }
    // The separator stays on: a bare "C:" would name the drive's current folder.
    if (removeAfterwards && folderPath.visibleLength() > 0) {
        RemoveDirectoryA(folderPath.text());
    }
    return writable;
}

TextBuffer specialFolderPath(int csidl) {
    TextBuffer path;
    shellFolderPath(csidl, &path);
    return specialFolderFromShell(csidl, path.text());
}

TextBuffer specialFolderFromShell(int csidl, const char* shellPath) {
    if ((shellPath == nullptr || shellPath[0] == '\0') && csidl == CSIDL_PROGRAM_FILES) {
        return withTrailingSeparator("C:\\Program Files");
    }
    return withTrailingSeparator(shellPath);
}

SuggestionBases currentSuggestionBases() {
    SuggestionBases bases;
    bases.localAppData = specialFolderPath(CSIDL_LOCAL_APPDATA);
    char profile[MAX_PATH];
    const DWORD length = ExpandEnvironmentStringsA("%USERPROFILE%", profile, sizeof profile);
    if (length > 0 && length <= sizeof profile && PathFileExistsA(profile)) {
        bases.profile.assign(profile);
    }
    bases.documents = specialFolderPath(CSIDL_PERSONAL);
    bases.programFiles = specialFolderPath(CSIDL_PROGRAM_FILES);
    if (!pathExists(bases.programFiles)) {
        bases.programFiles.clear();
    }
    bases.music = specialFolderPath(CSIDL_MYMUSIC);
    return bases;
}

TextBuffer suggestInstallFolder(const SuggestionBases& bases, int platformProbe) {
    const TextBuffer* base = &bases.documents;
    if (platformProbe != 0) {
        if (bases.localAppData.visibleLength() != 0) {
            base = &bases.localAppData;
        } else if (bases.profile.visibleLength() != 0) {
            base = &bases.profile;
        }
    } else if (bases.programFiles.visibleLength() != 0) {
        base = &bases.programFiles;
    }
    TextBuffer folder;
    folder.format("%s\\%s", withoutTrailingSeparator(base->text()).text(), "Kestrova");
    return folder;
}

TextBuffer suggestDataFolder(const SuggestionBases& bases) {
    const TextBuffer& base = bases.music.visibleLength() != 0 ? bases.music : bases.documents;
    return concat(base, "Kestrova Recordings");
}

TextBuffer defaultInstallFolder() {
    return suggestInstallFolder(currentSuggestionBases(), gSession.platformProbe);
}

TextBuffer defaultDataFolder() {
    return suggestDataFolder(currentSuggestionBases());
}

int removeChosenFolders() {
    removeFolderIfEmpty(gSession.choices.dataFolder);
    removeFolderIfEmpty(gSession.choices.installFolder);
    removeFolderIfEmpty(gSession.choices.startMenuFolder);
    return 1;
}
