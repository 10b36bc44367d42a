// What the end-to-end tests share: the driver's options, the folders and keys of
// this prefix that an installation writes, and the check of an installation on
// disk and in the registry, the same for the wizard and the unattended runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/polling.h"
#include "tests/support/shell_lookups.h"

struct Options {
    std::string setup;
    std::string packageList;
    std::string screens;
    std::string smallDrive;  // "E:" when the rig made a small drive, else empty
    bool walk = false;
};
extern Options gOptions;

inline constexpr const char* kSettingsKey =
    "Software\\from Velmora\\Kestrova & Scheduler\\Settings";
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrova";
inline constexpr DWORD kExitWait = 20000;

// The folders that the pages propose on this prefix.
std::string installFolder();
std::string dataFolder();
std::string startMenuFolder();  // with a trailing backslash
std::string desktopLink();
std::string quickLaunchLink();
std::string tempFolder();  // with a trailing backslash

std::string setting(const char* name);
std::string fileNameOf(const std::string& path);

struct PackageFile {
    std::string name;    // relative to the install folder
    std::string source;  // the build's file, as this program reaches it
};
// The package list of the build: "name<TAB>/unix/path" per line.
std::vector<PackageFile> packageFiles();

struct ExpectedInstallation {
    std::string installFolder;
    std::string dataFolder;
    std::string startMenuFolder;  // with a trailing backslash
    bool desktopIcon = false;
    bool quickLaunchIcon = false;
};
inline ExpectedInstallation defaultInstallation(bool desktopIcon, bool quickLaunchIcon) {
    return {installFolder(), dataFolder(), startMenuFolder(), desktopIcon, quickLaunchIcon};
}

// Every file of the package byte for byte, the data folder, the shortcuts (an icon
// not chosen must not exist), the settings that mark the installation, the
// uninstall entry and the document type.
void expectInstalled(const ExpectedInstallation& expected);
