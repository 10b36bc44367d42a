#include "engine/shortcuts.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "engine/folder_paths.h"
#include "engine/install_page_ids.h"
#include "registration/registry_access.h"
#include "startup/install_log.h"
#include "startup/setup_session.h"
#include "text/scoped_handles.h"
#include "text/text_helpers.h"
#include "wizard/folder_validation.h"

namespace {

constexpr const char* kStartMenuRecord = "instOSMP";
constexpr const char* kShortcutName = "Kestrova";
constexpr const char* kOldShortcutName = "Kestrova & Scheduler";

struct ShortcutTargets {
    TextBuffer program;
    TextBuffer manual;
    TextBuffer quickSetup;
    TextBuffer uninstaller;
};

ShortcutTargets makeTargets() {
    TextBuffer folder = withTrailingSeparator(gSession.choices.installFolder.text());
    return {concat(folder, "kvr.exe"), concat(folder, "Manual\\index.htm"),
            concat(folder, "Quick Setup\\index.htm"), concat(folder, "uninst_kvr.exe")};
}

void deleteLink(const TextBuffer& folder, const char* name) {
    TextBuffer link;
    link.format("%s%s.lnk", folder.text(), name);
    DeleteFileA(link.text());
}

// A recorded folder that is blank or relative would name the process's current
// folder (usually where the setup was started from): it counts as none.
void removeRecordedStartMenuShortcuts() {
    TextBuffer recorded = readSettingText(HKEY_CURRENT_USER, kStartMenuRecord, "", nullptr);
    recorded.trim(kBlankSet);
    if (!isAbsolutePath(recorded.text())) {
        return;
    }
    TextBuffer folder = withTrailingSeparator(recorded.text());
    deleteLink(folder, kOldShortcutName);
    deleteLink(folder, kShortcutName);
    deleteLink(folder, "Manual");
    deleteLink(folder, "Quick Hardware Setup");
    deleteLink(folder, "Uninstall");
    TextBuffer bare = withoutTrailingSeparator(folder.text());
    if (RemoveDirectoryA(bare.text())) {
        writeSettingText(kStartMenuRecord, "", HKEY_CURRENT_USER);
    }
}

void createStartMenuShortcuts(const ShortcutTargets& targets) {
    const TextBuffer& folder = gSession.choices.startMenuFolder;
    createFolderChain(folder.text());
    TextBuffer link;
    link.format("%s%s.lnk", folder.text(), kShortcutName);
    createShortcut(link.text(), targets.program.text());
    link.format("%sManual.lnk", folder.text());
    createShortcut(link.text(), targets.manual.text());
    link.format("%sQuick Hardware Setup.lnk", folder.text());
    createShortcut(link.text(), targets.quickSetup.text());
    link.format("%sUninstall.lnk", folder.text());
    createShortcut(link.text(), targets.uninstaller.text());
    writeSettingText(kStartMenuRecord, folder.text(), HKEY_CURRENT_USER);
}

// Removes the old-named shortcut from `linkFormat`'s place, then creates the
// program's one when `wanted`, or deletes it otherwise.
void placeProgramShortcut(const TextBuffer& folder, const char* linkFormat, bool wanted,
                          const TextBuffer& program) {
    TextBuffer link;
    link.format(linkFormat, folder.text(), kOldShortcutName);
    DeleteFileA(link.text());
    link.format(linkFormat, folder.text(), kShortcutName);
    if (wanted) {
        createFolderChain(link.text());
        createShortcut(link.text(), program.text());
    } else {
        DeleteFileA(link.text());
    }
}

}  // namespace

bool installShortcuts(HWND page, TextBuffer& error) {
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, "Installing data folder...");
    SetDlgItemTextA(page, IDC_INSTALLING_TXT_DETAIL, "");
    gSession.cancelAllowed = 0;

    const SetupChoices& choices = gSession.choices;
    TextBuffer dataPath = withTrailingSeparator(choices.dataFolder.text());
    createFolderChain(dataPath.text());
    if (!PathFileExistsA(choices.dataFolder.text())) {
        error.format("ERROR: Cannot create the recording & data files folder:\n\n%s",
                     choices.dataFolder.text());
        return false;
    }

    SetDlgItemTextA(page, IDC_INSTALLING_TXT_STATUS, "Installing shortcuts...");
    const ShortcutTargets targets = makeTargets();
    removeRecordedStartMenuShortcuts();
    if (choices.createStartMenuFolder == 1 && isAbsolutePath(choices.startMenuFolder.text())) {
        createStartMenuShortcuts(targets);
    }

    // A place the shell cannot name (or no shell allocator at all) is skipped.
    TextBuffer desktop = specialFolderPath(CSIDL_DESKTOPDIRECTORY);
    if (desktop.visibleLength() != 0) {
        placeProgramShortcut(desktop, "%s%s.lnk", choices.createDesktopIcon == 1, targets.program);
    }
    TextBuffer appData = specialFolderPath(CSIDL_APPDATA);
    if (appData.visibleLength() != 0) {
        placeProgramShortcut(appData, "%sMicrosoft\\Internet Explorer\\Quick Launch\\%s.lnk",
                             choices.createQuickLaunchIcon == 1, targets.program);
    }
    return true;
}

bool createShortcut(const char* linkPath, const char* target) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.out()))) {
        return false;
    }
    const bool pathSet = link->SetPath(target) == S_OK;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) {
        return pathSet;
    }
    wchar_t widePath[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) == 0) {
        return false;
    }
    const bool saved = file->Save(widePath, TRUE) == S_OK && pathSet;
    logEvent("Shortcut %s: %s to %s", saved ? "created" : "not created", linkPath, target);
    return saved;
}
