#include "tests/e2e/e2e_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/support/test_environment.h"

Options gOptions;

std::string installFolder() {
    return shellFolder(CSIDL_LOCAL_APPDATA) + "\\Kestrova";
}
std::string dataFolder() {
    return shellFolder(CSIDL_MYMUSIC) + "\\Kestrova Recordings";
}
std::string startMenuFolder() {
    return shellFolder(CSIDL_STARTMENU) + "\\Programs\\Kestrova\\";
}
std::string desktopLink() {
    return shellFolder(CSIDL_DESKTOPDIRECTORY) + "\\Kestrova.lnk";
}
std::string quickLaunchLink() {
    return shellFolder(CSIDL_APPDATA) +
           "\\Microsoft\\Internet Explorer\\Quick Launch\\Kestrova.lnk";
}
std::string tempFolder() {
    char path[MAX_PATH] = "";
    GetTempPathA(sizeof path, path);
    return path;
}

std::string setting(const char* name) {
    return readRaw(HKEY_CURRENT_USER, kSettingsKey, name).text();
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<PackageFile> packageFiles() {
    std::vector<PackageFile> files;
    std::string list;
    if (!readFile(gOptions.packageList, &list)) {
        return files;
    }
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        const std::string line = list.substr(start, end - start);
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) {
            std::string source = "Z:" + line.substr(tab + 1);
            for (char& c : source) {
                c = c == '/' ? '\\' : c;
            }
            files.push_back({line.substr(0, tab), source});
        }
        start = end + 1;
    }
    return files;
}

void expectInstalled(const ExpectedInstallation& expected) {
    const std::vector<PackageFile> files = packageFiles();
    ASSERT_EQ(files.size(), 101u) << "--package-list=" << gOptions.packageList;
    const std::string folder = expected.installFolder + "\\";
    for (const PackageFile& file : files) {
        std::string installed, source;
        ASSERT_TRUE(readFile(file.source, &source)) << file.source;
        EXPECT_TRUE(readFile(folder + file.name, &installed)) << file.name;
        EXPECT_TRUE(installed == source) << file.name << " differs from " << file.source;
    }
    EXPECT_TRUE(folderExists(expected.dataFolder));

    const std::string program = folder + "kvr.exe";
    const std::string& startMenu = expected.startMenuFolder;
    EXPECT_EQ(linkTarget(startMenu + "Kestrova.lnk"), program);
    EXPECT_EQ(linkTarget(startMenu + "Manual.lnk"), folder + "Manual\\index.htm");
    EXPECT_EQ(linkTarget(startMenu + "Quick Hardware Setup.lnk"),
              folder + "Quick Setup\\index.htm");
    EXPECT_EQ(linkTarget(startMenu + "Uninstall.lnk"), folder + "uninst_kvr.exe");
    EXPECT_EQ(linkTarget(desktopLink()), expected.desktopIcon ? program : "");
    EXPECT_EQ(linkTarget(quickLaunchLink()), expected.quickLaunchIcon ? program : "");

    EXPECT_EQ(setting("ver"), "1.2.7.1");
    EXPECT_EQ(setting("InstallFolder"), expected.installFolder);
    EXPECT_EQ(setting("SetupLogFldr"), expected.installFolder);
    EXPECT_EQ(setting("SetupSchdRcFldr"), expected.dataFolder);
    EXPECT_EQ(setting("SetupPlbkRcFldr"), expected.dataFolder);
    EXPECT_EQ(setting("instOSMP"), startMenu);
    EXPECT_EQ(setting("rgr01").size(), 64u);

    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kUninstallKey, "DisplayName").text(), "Kestrova");
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kUninstallKey, "UninstallString").text(),
              folder + "uninst_kvr.exe");
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kUninstallKey, "DisplayVersion").text(), "1.2.7.1");
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, kUninstallKey, "DisplayIcon").text(), program);
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, "Software\\Classes\\.kvrd", nullptr).text(), "KVRD.file");
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, "Software\\Classes\\.kvrd", "PerceivedType").text(),
              "Document");
    EXPECT_EQ(
        readRaw(HKEY_CURRENT_USER, "Software\\Classes\\KVRD.file\\Shell\\open\\Command", nullptr)
            .text(),
        "\"" + program + "\" \"%1\"");
    EXPECT_EQ(
        readRaw(HKEY_CURRENT_USER, "Software\\Classes\\KVRD.file\\DefaultIcon", nullptr).text(),
        program + ",-279");
}
