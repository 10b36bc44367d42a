// Uninstall entry and earlier-release detection.
#include "registration/uninstall_registration.h"

#include <cstdint>

#include "registration/registry_access.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "text/text_helpers.h"
#include "text/version.h"

namespace {

constexpr const char* kOldestReleaseKept = "1.2.2";

}  // namespace

int registerUninstaller(HKEY root) {
    const TextBuffer uninstaller =
        concat(withTrailingSeparator(gSession.choices.installFolder.text()), "uninst_kvr.exe");
    const struct {
        const char* name;
        const char* text;
    } values[] = {
        {"DisplayName", "Kestrova"},   {"UninstallString", uninstaller.text()},
        {"Contact", kSupportAddress},  {"Publisher", kPublisherDomain},
        {"DisplayVersion", "1.2.7.1"}, {"HelpLink", kProductPage},
    };

    RegistryValueSpec record;
    record.flags = WriteValue;
    record.root = root;
    record.keyPath = kUninstallKey;
    bool allWritten = true;
    for (const auto& value : values) {
        record.valueName = value.name;
        record.writeData.text = value.text;
        if (!applyTextValue(record)) {
            allWritten = false;
        }
    }

    TextBuffer folder = readSettingText(HKEY_CURRENT_USER, "InstallFolder", "", nullptr);
    folder.trim(kBlankSet);
    if (folder.visibleLength() != 0) {
        const TextBuffer icon = concat(withTrailingSeparator(folder.text()), "kvr.exe");
        record.valueName = "DisplayIcon";
        record.writeData.text = icon.text();
        if (!applyTextValue(record)) {
            allWritten = false;
        }
    }
    return allWritten ? 1 : 0;
}

int recordedReleaseToRemove(TextBuffer* versionOut) {
    int32_t outcome = 0;
    TextBuffer recorded = readSettingText(HKEY_CURRENT_USER, "ver", "0", &outcome);
    if (versionOut != nullptr) {
        *versionOut = recorded;
    }
    if (outcome != 1) {
        return 0;
    }
    TextBuffer oldest(kOldestReleaseKept);
    normalizeVersion(recorded);
    normalizeVersion(oldest);
    return compareVersion(recorded, oldest.text()) == -1 ? 0 : 1;
}
