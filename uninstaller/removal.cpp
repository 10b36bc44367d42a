#include "uninstaller/removal.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "engine/folder_paths.h"
#include "registration/file_associations.h"
#include "registration/registry_access.h"
#include "registration/settings_constants.h"
#include "registration/uninstall_registration.h"
#include "startup/exit_codes.h"
#include "startup/install_log.h"
#include "startup/launching.h"
#include "text/scoped_handles.h"
#include "text/text_helpers.h"
#include "wizard/folder_validation.h"

namespace {

constexpr const char* kProgramFile = "kvr.exe";
constexpr const char* kUninstallerFile = "uninst_kvr.exe";
constexpr const char* kDriverLibraryCopy = "__cdcb.lx";
constexpr const char* kStartMenuRecord = "instOSMP";
constexpr const char* kProductKey = "Software\\from Velmora\\Kestrova & Scheduler";
constexpr const char* kMakerKey = "Software\\from Velmora";
// Removed by /purge only once empty: the maker's key may hold other products.
constexpr const char* kEmptiedKeys[] = {kInstallerKey, kProductKey, kMakerKey};
constexpr const char* kStartMenuLinks[] = {"Kestrova.lnk", "Manual.lnk", "Quick Hardware Setup.lnk",
                                           "Uninstall.lnk"};
// The settings values that say the program is installed; the rest are the user's.
constexpr const char* kInstalledMarks[] = {"ver", "InstallFolder", kStartMenuRecord};

bool sameText(const char* first, const char* second) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, first, -1, second, -1) ==
           CSTR_EQUAL;
}

// Deletes the key when it holds neither values nor keys (SHDeleteEmptyKey looks
// at its keys only on some systems).
void deleteKeyIfEmpty(const char* path) {
    DWORD keys = 1;
    DWORD values = 1;
    {
        ScopedKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, key.out()) !=
                ERROR_SUCCESS ||
            RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
    }
    if (keys == 0 && values == 0) {
        RegDeleteKeyA(HKEY_CURRENT_USER, path);
    }
}

// A value of the user's hive without surrounding blanks; empty when unreadable.
TextBuffer readTrimmedText(const char* key, const char* name) {
    TextBuffer text = readRegistryText(HKEY_CURRENT_USER, key, name, "", nullptr);
    text.trim(kBlankSet);
    return text;
}

// Why `folder` cannot be this installation's, or empty when it can.
TextBuffer refusalReason(const TextBuffer& folder) {
    TextBuffer reason;
    const TextBuffer bare = withoutTrailingSeparator(folder.text());
    if (!isAbsolutePath(folder.text()) || PathIsRootA(withTrailingSeparator(bare.text()).text())) {
        reason.format("The recorded installation folder \"%s\" is not a folder of its own.",
                      folder.text());
        return reason;
    }
    const TextBuffer inside = withTrailingSeparator(bare.text());
    if (!PathFileExistsA(concat(inside, kProgramFile).text())) {
        reason.format("The folder \"%s\" holds no installation of Kestrova.", bare.text());
        return reason;
    }
    TextBuffer registered = readTrimmedText(kUninstallKey, "UninstallString");
    registered.trim("\"");
    if (!sameText(registered.text(), concat(inside, kUninstallerFile).text())) {
        reason.format("The uninstall entry does not belong to the installation in \"%s\".",
                      bare.text());
    }
    return reason;
}

// The target path of a shell link, or empty when it cannot be read.
TextBuffer linkTarget(const char* linkPath) {
    TextBuffer target;
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.out()))) {
        return target;
    }
    ComPtr<IPersistFile> file;
    wchar_t widePath[MAX_PATH];
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.out()))) {
        char path[MAX_PATH] = "";
        if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) != 0 &&
            SUCCEEDED(file->Load(widePath, STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH))) {
            target.assign(path);
        }
    }
    return target;
}

class Removal {
public:
    Removal(const RemovalRequest& request, const TextBuffer& folder)
        : request_(request), folder_(withTrailingSeparator(folder.text())) {}

    void run() {
        removeFiles();
        removeShortcuts();
        removeDocumentType();
        removeWebPageAssociation();
        removeSettings();
        if (stayed_.visibleLength() == 0) {
            SHDeleteKeyA(HKEY_CURRENT_USER, kUninstallKey);
            logEvent("Removed the uninstall entry");
        }
    }
    const TextBuffer& stayed() const { return stayed_; }

private:
    void stays(const char* path) {
        logEvent("Could not remove %s (error %lu)", path, GetLastError());
        stayed_.appendFormat("%s\n", path);
    }

    void removeFile(const char* name) {
        const TextBuffer path = concat(folder_, name);
        if (!deleteFileIfPresent(path.text())) {
            stays(path.text());
        }
    }

    // The package's files, then its folders from the deepest up, each only once
    // empty, so that whatever the user put there keeps its folder.
    void removeFiles() {
        removeFile(kDriverLibraryCopy);
        for (size_t i = 0; i < request_.packageFileCount; ++i) {
            const char* name = request_.packageFiles[i];
            if (request_.deferredFile == nullptr || !sameText(name, request_.deferredFile)) {
                removeFile(name);
            }
        }
        for (size_t i = request_.packageFileCount; i-- > 0;) {
            TextBuffer folder = folderOfPath(request_.packageFiles[i]);
            while (folder.visibleLength() != 0) {
                RemoveDirectoryA(concat(folder_, folder).text());
                folder = folderOfPath(folder.text());
            }
        }
        RemoveDirectoryA(withoutTrailingSeparator(folder_.text()).text());
    }

    void removeLinkIntoFolder(const TextBuffer& link) {
        if (!PathFileExistsA(link.text())) {
            return;
        }
        if (!pathLiesInside(linkTarget(link.text()).text(),
                            withoutTrailingSeparator(folder_.text()))) {
            logEvent("Kept %s: it points elsewhere", link.text());
            return;
        }
        if (!deleteFileIfPresent(link.text())) {
            stays(link.text());
        }
    }

    void removeShortcuts() {
        const ComInitialisation com;
        const TextBuffer startMenu =
            readSettingText(HKEY_CURRENT_USER, kStartMenuRecord, "", nullptr);
        if (isAbsolutePath(startMenu.text())) {
            const TextBuffer folder = withTrailingSeparator(startMenu.text());
            for (const char* name : kStartMenuLinks) {
                removeLinkIntoFolder(concat(folder, name));
            }
            RemoveDirectoryA(withoutTrailingSeparator(folder.text()).text());
        }
        const TextBuffer desktop = specialFolderPath(CSIDL_DESKTOPDIRECTORY);
        if (desktop.visibleLength() != 0) {
            removeLinkIntoFolder(concat(withTrailingSeparator(desktop.text()), "Kestrova.lnk"));
        }
        const TextBuffer appData = specialFolderPath(CSIDL_APPDATA);
        if (appData.visibleLength() != 0) {
            removeLinkIntoFolder(
                concat(withTrailingSeparator(appData.text()),
                       "Microsoft\\Internet Explorer\\Quick Launch\\Kestrova.lnk"));
        }
    }

    // Only while its command still starts this installation's program: another
    // installation may have taken the type over since.
    void removeDocumentType() {
        TextBuffer ours;
        ours.format("\"%s\" \"%%1\"", concat(folder_, kProgramFile).text());
        if (!sameText(readTrimmedText(kDocumentCommandKey, "").text(), ours.text())) {
            return;
        }
        SHDeleteKeyA(HKEY_CURRENT_USER, kDocumentTypeKey);
        if (sameText(readTrimmedText(kDocumentExtensionKey, "").text(), kDocumentTypeName)) {
            SHDeleteKeyA(HKEY_CURRENT_USER, kDocumentExtensionKey);
        }
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
        logEvent("Removed the document type");
    }

    // Each extension only while it still names the setup's file type, and only
    // the values the setup wrote there; then the type, once no extension names it.
    void removeWebPageAssociation() {
        bool stillNamed = false;
        for (const char* key : kWebPageExtensionKeys) {
            if (!namesWebPageType(key)) {
                continue;
            }
            for (const ClassValue& value : kWebPageExtensionValues) {
                if (sameText(readTrimmedText(key, value.name).text(), value.data)) {
                    SHDeleteValueA(HKEY_CURRENT_USER, key, value.name);
                }
            }
            deleteKeyIfEmpty(key);
            stillNamed = stillNamed || namesWebPageType(key);
        }
        if (!stillNamed && SHDeleteKeyA(HKEY_CURRENT_USER, kWebPageTypeKey) == ERROR_SUCCESS) {
            SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
            logEvent("Removed the web-page association");
        }
    }

    static bool namesWebPageType(const char* extensionKey) {
        return sameText(readTrimmedText(extensionKey, "").text(), kWebPageTypeName);
    }

    void removeSettings() {
        if (request_.purge) {
            SHDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
            for (const char* key : kEmptiedKeys) {
                deleteKeyIfEmpty(key);
            }
            logEvent("Removed the settings");
            return;
        }
        for (const char* name : kInstalledMarks) {
            deleteSettingValue(HKEY_CURRENT_USER, name);
        }
    }

    const RemovalRequest& request_;
    const TextBuffer folder_;
    TextBuffer stayed_;
};

}  // namespace

bool deleteFileIfPresent(const char* path) {
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path)) {
        logEvent("Removed %s", path);
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

RemovalOutcome removeInstallation(const RemovalRequest& request) {
    RemovalOutcome outcome;
    outcome.folder = readSettingText(HKEY_CURRENT_USER, "InstallFolder", "", nullptr);
    outcome.folder.trim(kBlankSet);
    outcome.detail = refusalReason(outcome.folder);
    if (outcome.detail.visibleLength() == 0 && closeRunningCopies(kCloseWaitMs) != 1) {
        outcome.detail.assign("Kestrova is still running and does not close.");
    }
    if (outcome.detail.visibleLength() != 0) {
        logEvent("Refused: %s", outcome.detail.text());
        outcome.refused = true;
        outcome.exitCode = kExitFailed;
        return outcome;
    }
    outcome.folder = withoutTrailingSeparator(outcome.folder.text());
    Removal removal(request, outcome.folder);
    removal.run();
    outcome.detail = removal.stayed();
    outcome.exitCode = outcome.detail.visibleLength() == 0 ? kExitInstalled : kExitFailed;
    return outcome;
}
