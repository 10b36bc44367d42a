#include "wizard/folder_choices.h"

#include <windows.h>

#include <shlwapi.h>

#include "registration/registry_access.h"
#include "text/text_helpers.h"
#include "wizard/folder_validation.h"

namespace {

constexpr const char* kProgramFile = "kvr.exe";
constexpr const char* kStartMenuLeaf = "Kestrova";

bool exists(const TextBuffer& path) {
    return PathFileExistsA(path.text()) != FALSE;
}

bool holdsProgram(const TextBuffer& folder) {
    TextBuffer program;
    program.format("%s\\%s", folder.text(), kProgramFile);
    return exists(folder) && exists(program);
}

FolderProposal proposal(const TextBuffer& folder, bool fixed, const char* suggested) {
    FolderProposal result;
    result.fixed = fixed;
    result.folder.assign(!fixed && folder.visibleLength() == 0 ? suggested : folder.text());
    return result;
}

}  // namespace

FolderProposal proposeInstallFolder(const char* installFolderValue, const char* setupLogFolderValue,
                                    const char* suggested) {
    TextBuffer folder = withoutTrailingSeparator(installFolderValue);
    if (folder.visibleLength() == 0) {
        const TextBuffer logProgram =
            concat(withTrailingSeparator(setupLogFolderValue), kProgramFile);
        if (exists(logProgram)) {
            folder = withoutTrailingSeparator(setupLogFolderValue);
        }
    }
    return proposal(folder, holdsProgram(folder), suggested);
}

FolderProposal proposeDataFolder(const char* recordedValue, const char* suggested) {
    const TextBuffer folder = withoutTrailingSeparator(recordedValue);
    return proposal(folder, folder.visibleLength() > 0 && exists(folder), suggested);
}

TextBuffer folderBelowChoice(const char* chosen, const char* leaf) {
    return concat(withTrailingSeparator(chosen), leaf);
}

TextBuffer relativeStartMenuName(const char* chosen, const char* root) {
    const TextBuffer chosenPath(chosen);
    const TextBuffer rootPath = withTrailingSeparator(root);
    const uint32_t shorter = chosenPath.visibleLength() < rootPath.visibleLength()
                                 ? chosenPath.visibleLength()
                                 : rootPath.visibleLength();
    uint32_t common = 0;
    while (common < shorter) {
        const char left[2] = {chosenPath.text()[common], '\0'};
        const char right[2] = {rootPath.text()[common], '\0'};
        if (lstrcmpiA(left, right) != 0) {
            break;
        }
        ++common;
    }
    return concat(withTrailingSeparator(chosenPath.text() + common), kStartMenuLeaf);
}

TextBuffer startMenuFolderPath(const char* root, const char* name) {
    const TextBuffer rootFolder = withTrailingSeparator(root);
    if (rootFolder.visibleLength() == 0) {
        return rootFolder;
    }
    return concat(rootFolder, withTrailingSeparator(name));
}

FolderProposal installFolderProposal() {
    return proposeInstallFolder(
        readSettingText(HKEY_CURRENT_USER, "InstallFolder", "", nullptr).text(),
        readSettingText(HKEY_CURRENT_USER, "SetupLogFldr", "", nullptr).text(),
        defaultInstallFolder().text());
}

FolderProposal dataFolderProposal() {
    return proposeDataFolder(
        readSettingText(HKEY_CURRENT_USER, "SetupSchdRcFldr", "", nullptr).text(),
        defaultDataFolder().text());
}

StartMenuDecision decideStartMenuFolder(const char* typed, TextBuffer* folder) {
    if (TextBuffer(typed).isBlank(7)) {
        return StartMenuDecision::blank;
    }
    *folder = startMenuFolderPath(specialFolderPath(CSIDL_STARTMENU).text(), typed);
    if (folder->visibleLength() > 0 && probeFolderWritable(folder->text(), true)) {
        return StartMenuDecision::usable;
    }
    return StartMenuDecision::unusable;
}

void storeStartMenuChoice(SetupChoices& choices, const TextBuffer& group,
                          const TextBuffer& folder) {
    choices.startMenuGroup = group;
    choices.startMenuFolder = folder;
    choices.createStartMenuFolder = folder.visibleLength() > 0 ? 1 : 0;
}
