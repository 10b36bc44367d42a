// Uninstall entry and earlier-release detection.
#include "registration/uninstall_registration.h"

#include <cstdint>

#include "engine/package_format.h"
#include "registration/registry_access.h"
#include "resources/product_release.h"
#include "startup/launching.h"
#include "startup/setup_session.h"
#include "text/text_helpers.h"
#include "text/version.h"

namespace {

constexpr const char* kOldestReleaseKept = "1.2.2";

// Kilobytes of the installed files, rounded up: every package entry, the first
// twice (it is installed under two names); 0 before the package is open.
uint32_t installedKilobytes() {
    const PackageEntryTable* table = gSession.progress.packageEntries;
    if (table == nullptr || table->count == 0) {
        return 0;
    }
    uint64_t bytes = table->entries[0].size;
    for (uint32_t i = 0; i < table->count; ++i) {
        bytes += table->entries[i].size;
    }
    return static_cast<uint32_t>((bytes + 1023) / 1024);
}

// The values that today's package managers and the system's list read besides
// the seven above; true when all were written.
bool writeToolValues(RegistryValueSpec& record, const TextBuffer& uninstaller) {
    TextBuffer quiet;
    quiet.format("\"%s\" /silent", uninstaller.text());
    bool allWritten = true;
    const struct {
        const char* name;
        const char* text;
    } texts[] = {{"QuietUninstallString", quiet.text()},
                 {"InstallLocation", gSession.choices.installFolder.text()}};
    for (const auto& value : texts) {
        record.valueName = value.name;
        record.writeData.text = value.text;
        allWritten = applyTextValue(record) != 0 && allWritten;
    }
    const struct {
        const char* name;
        uint32_t number;
    } numbers[] = {{"EstimatedSize", installedKilobytes()}, {"NoModify", 1}, {"NoRepair", 1}};
    for (const auto& value : numbers) {
        record.valueName = value.name;
        record.writeData.dword = value.number;
        allWritten = applyDwordValue(record) != 0 && allWritten;
    }
    return allWritten;
}

}  // namespace

int registerUninstaller(HKEY root) {
    const TextBuffer uninstaller =
        concat(withTrailingSeparator(gSession.choices.installFolder.text()), "uninst_kvr.exe");
    const struct {
        const char* name;
        const char* text;
    } values[] = {
        {"DisplayName", "Kestrova"},     {"UninstallString", uninstaller.text()},
        {"Contact", kSupportAddress},    {"Publisher", kPublisherDomain},
        {"DisplayVersion", KVR_RELEASE}, {"HelpLink", kProductPage},
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
    if (!writeToolValues(record, uninstaller)) {
        allWritten = false;
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
