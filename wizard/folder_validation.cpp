// Checking the folders that the user types, the write probe, the suggested
// folders and removing the chosen folders when the user leaves.
#include "wizard/folder_validation.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "engine/folder_paths.h"
#include "startup/setup_session.h"
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

// The file-system path of a special folder; false (and an empty path) when the
// shell has none.
bool shellFolderPath(int csidl, TextBuffer* path) {
    path->clear();
    ShellAllocator allocator;
    if (!allocator.available()) {
        return false;
    }
    ShellItemList items(allocator);
    return SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, items.out())) &&
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
    for (const char* p = text != nullptr ? text : ""; *p != '\0'; ++p) {
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
    int length = 0;
    while (root[length] != '\0' && root[length] != '\\' && root[length] != '/') {
        ++length;
    }
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
    HANDLE file =
        CreateFileA(probe.text(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        DeleteFileA(probe.text());
        writable = true;
    }
    // The separator stays on: a bare "C:" would name the drive's current folder.
    if (removeAfterwards && folderPath.visibleLength() > 0) {
        RemoveDirectoryA(folderPath.text());
    }
    return writable;
}

TextBuffer specialFolderPath(int csidl) {
    TextBuffer path;
    if (!shellFolderPath(csidl, &path) && csidl == CSIDL_PROGRAM_FILES) {
        return withTrailingSeparator("C:\\Program Files");
    }
    return withTrailingSeparator(path.text());
}

TextBuffer defaultInstallFolder() {
    TextBuffer base;
    if (gSession.platformProbe != 0) {
        base = specialFolderPath(CSIDL_LOCAL_APPDATA);
        if (base.visibleLength() == 0) {
            char profile[MAX_PATH];
            const DWORD length =
                ExpandEnvironmentStringsA("%USERPROFILE%", profile, sizeof profile);
            if (length > 0 && length <= sizeof profile && PathFileExistsA(profile)) {
                base.assign(profile);
            } else {
                base = specialFolderPath(CSIDL_PERSONAL);
            }
        }
    } else {
        base = specialFolderPath(CSIDL_PROGRAM_FILES);
        if (!pathExists(base)) {
            base = specialFolderPath(CSIDL_PERSONAL);
        }
    }
    TextBuffer folder;
    folder.format("%s\\%s", withoutTrailingSeparator(base.text()).text(), "Kestrova");
    return folder;
}

TextBuffer defaultDataFolder() {
    TextBuffer base = specialFolderPath(CSIDL_MYMUSIC);
    if (base.visibleLength() == 0) {
        base = specialFolderPath(CSIDL_PERSONAL);
    }
    return concat(base, "Kestrova Recordings");
}

int removeChosenFolders() {
    removeFolderIfEmpty(gSession.choices.dataFolder);
    removeFolderIfEmpty(gSession.choices.installFolder);
    removeFolderIfEmpty(gSession.choices.startMenuFolder);
    return 1;
}
