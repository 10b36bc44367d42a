#include "engine/earlier_release.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "engine/package_archive.h"
#include "engine/package_digest.h"
#include "engine/package_format.h"
#include "text/scoped_handles.h"
#include "text/text_buffer.h"
#include "wizard/message_box.h"

namespace {

constexpr DWORD kTempPathBuffer = 2080;

// The user's temporary folder (with its trailing backslash), or the empty text,
// which leaves the uninstaller under its bare name in the current folder.
TextBuffer uninstallerPath() {
    char folder[kTempPathBuffer] = "";
    const DWORD length = GetTempPathA(kTempPathBuffer, folder);
    if (length == 0 || length >= kTempPathBuffer)
        folder[0] = '\0';
    TextBuffer path;
    path.format("%sKestrova Version 1_2_2 Uninstaller.exe", folder);
    return path;
}

// Creates the file and writes `size` bytes into it. False with *errorNumber set
// and *created telling whether the file was made.
bool writeUninstaller(const char* path, const uint8_t* bytes, uint32_t size, int* errorNumber,
                      bool* created) {
    const ScopedHandle file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    *created = file.valid();
    if (!*created) {
        *errorNumber = static_cast<int>(GetLastError());
        return false;
    }
    DWORD written = 0;
    const bool complete = WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
    if (!complete) {
        *errorNumber = static_cast<int>(GetLastError());
        TextBuffer message;
        message.format("ERROR: Cannot write to the following file:\n\n%s", path);
        showMessage(message.text(), MB_ICONERROR);
    }
    return complete;
}

// Starts the uninstaller and waits up to the limit for it to end.
bool runUninstaller(const char* path, DWORD waitLimitMs, int* errorNumber) {
    SHELLEXECUTEINFOA run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = "open";
    run.lpFile = path;
    run.nShow = SW_SHOW;
    bool started = false;
    {
        const ComInitialisation com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        started = ShellExecuteExA(&run) != FALSE;
        if (!started)
            *errorNumber = static_cast<int>(GetLastError());
    }
    if (!started)
        return false;
    if (run.hProcess == nullptr) {
        *errorNumber = 6;
        return false;
    }
    const ScopedHandle process(run.hProcess);
    const DWORD waited = WaitForSingleObject(process.get(), waitLimitMs);
    if (waited == WAIT_FAILED)
        *errorNumber = static_cast<int>(GetLastError());
    else if (waited == WAIT_TIMEOUT)
        *errorNumber = WAIT_TIMEOUT;
    return waited == WAIT_OBJECT_0;
}

// A file still in use (an uninstaller that runs on) outlasts the attempts.
void deleteUninstaller(const char* path, const EarlierReleaseTimings& timings) {
    for (int attempt = 0; attempt < timings.deleteAttempts; ++attempt) {
        if (!PathFileExistsA(path) || PathIsDirectoryA(path))
            return;
        DeleteFileA(path);
        Sleep(timings.deletePauseMs);
    }
}

}  // namespace

bool removeEarlierRelease(int* errorNumber, const EarlierReleaseTimings& timings) {
    WaitCursor waitCursor;
    *errorNumber = 0;
    uint32_t length = 0;
    const uint8_t* archive = loadPackageResource(kEarlierUninstallerResource, &length);
    if (archive == nullptr) {
        *errorNumber = 9;
        showMessage(
            "FATAL ERROR: Installation package is broken, cannot retrieve uninstaller for "
            "v.1.2.2\n(Please report it to our technical support.)",
            MB_ICONERROR);
        return false;
    }
    PackageEntryTable* entries = nullptr;
    uint8_t* image = nullptr;
    if (!packageMatchesDigest(kEarlierUninstallerResource, archive, length) ||
        !openPackage(archive, length, &entries, &image) || entries->count != 1) {
        freePackage(entries, image);
        *errorNumber = 13;
        showMessage(
            "FATAL ERROR: Installation package archive is broken, cannot retrieve uninstaller "
            "for v.1.2.2\n(Please report it to our technical support.)",
            MB_ICONERROR);
        return false;
    }
    const TextBuffer path = uninstallerPath();
    const PackageEntry& entry = entries->entries[0];
    bool created = false;
    bool removed = false;
    if (writeUninstaller(path.text(), image + entry.position, entry.size, errorNumber, &created))
        removed = runUninstaller(path.text(), timings.waitLimitMs, errorNumber);
    if (created)
        deleteUninstaller(path.text(), timings);
    freePackage(entries, image);
    return removed;
}
