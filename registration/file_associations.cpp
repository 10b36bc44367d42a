// Class registrations of the document type and of web pages.
#include "registration/file_associations.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "registration/registry_access.h"
#include "text/text_buffer.h"
#include "text/text_helpers.h"

namespace {

constexpr DWORD kAssocBufferChars = 260;
constexpr HRESULT kNoAssociation = HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
constexpr const char* kWebPageTypeCommandKey =
    "Software\\Classes\\Open.html.file\\Shell\\open\\Command";
constexpr const char* kWebPageTypeIconKey = "Software\\Classes\\Open.html.file\\DefaultIcon";
constexpr const char* kFallbackCommand = "\"%ProgramFiles%\\Internet Explorer\\iexplore.exe\" %1";
constexpr const char* kFallbackIcon = "\"%1\"";

// The association's string, empty when the query fails.
TextBuffer httpOpenString(ASSOCSTR which) {
    wchar_t buffer[kAssocBufferChars];
    DWORD size = kAssocBufferChars;
    buffer[0] = L'\0';
    AssocQueryStringW(0, which, L"http", L"open", buffer, &size);
    return TextBuffer(buffer);
}

bool hasProgram(const wchar_t* extension) {
    wchar_t buffer[kAssocBufferChars];
    DWORD size = kAssocBufferChars;
    const HRESULT result = AssocQueryStringW(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE,
                                             extension, nullptr, buffer, &size);
    return result != kNoAssociation && result != E_FAIL;
}

bool writeClassText(const char* keyPath, const char* valueName, const char* text) {
    RegistryValueSpec record;
    record.flags = WriteValue;
    record.root = HKEY_CURRENT_USER;
    record.keyPath = keyPath;
    record.valueName = valueName;
    record.writeData.text = text;
    return applyTextValue(record) != 0;
}

// Rows 2 to 5 of one extension's repair; false when any of them failed.
bool associateWebPageType(const char* extension, const TextBuffer& icon) {
    bool allWritten = true;
    if (icon.visibleLength() != 0 && !writeClassText(kWebPageTypeIconKey, "", icon.text())) {
        allWritten = false;
    }
    TextBuffer extensionKey;
    extensionKey.format("Software\\Classes\\%s", extension);
    for (const ClassValue& value : kWebPageExtensionValues) {
        if (!writeClassText(extensionKey.text(), value.name, value.data)) {
            allWritten = false;
        }
    }
    return allWritten;
}

}  // namespace

int registerDocumentType() {
    TextBuffer folder = readSettingText(HKEY_CURRENT_USER, "InstallFolder", "", nullptr);
    folder.trim(kBlankSet);
    if (folder.visibleLength() == 0) {
        return 0;
    }
    const TextBuffer program = concat(withTrailingSeparator(folder.text()), "kvr.exe");
    TextBuffer text;
    text.format("\"%s\" \"%%1\"", program.text());
    if (!writeClassText(kDocumentCommandKey, "", text.text())) {
        return 0;
    }
    text.format("%s,-279", program.text());
    if (!writeClassText(kDocumentIconKey, "", text.text())) {
        return 0;
    }
    TextBuffer extensionKey;
    extensionKey.format("Software\\Classes\\%s", kDocumentExtension);
    if (!writeClassText(extensionKey.text(), "", kDocumentTypeName)) {
        return 0;
    }
    writeClassText(extensionKey.text(), "PerceivedType", "Document");
    return 1;
}

int setUpFileAssociations() {
    TextBuffer command = httpOpenString(ASSOCSTR_COMMAND);
    TextBuffer icon = httpOpenString(ASSOCSTR_DEFAULTICON);
    if (command.visibleLength() == 0) {
        command.assign(kFallbackCommand);
        icon.assign(kFallbackIcon);
    }
    if (command.findText("%1", 0) < 0) {
        command.append(" %1");
    }

    int result = 1;
    const struct {
        const wchar_t* wide;
        const char* ansi;
    } extensions[] = {{L".htm", ".htm"}, {L".html", ".html"}};
    for (const auto& extension : extensions) {
        if (hasProgram(extension.wide)) {
            continue;
        }
        // Without its command the type would be useless: skip the extension.
        if (!writeClassText(kWebPageTypeCommandKey, "", command.text())) {
            continue;
        }
        if (!associateWebPageType(extension.ansi, icon)) {
            result = 0;
        }
    }
    if (!registerDocumentType()) {
        result = 0;
    }
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return result;
}
