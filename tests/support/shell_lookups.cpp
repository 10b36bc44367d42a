#include "tests/support/shell_lookups.h"

#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

#include "text/scoped_handles.h"

std::string shellFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::string linkTarget(const std::string& link) {
    std::string target;
    ComPtr<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                shellLink.out()))) {
        return target;
    }
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, file.out()))) {
        wchar_t widePath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, widePath, MAX_PATH);
        char path[MAX_PATH] = "";
        if (SUCCEEDED(file->Load(widePath, STGM_READ)) &&
            SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
        }
    }
    return target;
}
