#!/usr/bin/python3
"""Writes the package manager's manifest of a release (multi-file, schema 1.10.0).

usage: winget-manifest.py OUT_DIR WEB_HOST SETUP_X86 SETUP_X64

Writes OUT_DIR/Velmora.Kestrova.yaml (version), .installer.yaml and
.locale.en-US.yaml (default locale). The release, the product code and the
entry of the list of installed programs are those the setup writes; the
installer switches and exit codes are those of its unattended mode, and the
silent uninstall is that of the entry's QuietUninstallString.
"""
import hashlib
import os
import re
import sys

import yaml

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IDENTIFIER = "Velmora.Kestrova"
MANIFEST_VERSION = "1.10.0"
LOCALE = "en-US"
# The uninstall entry's key name and values, as the setup registers them.
PRODUCT_CODE = "Kestrova"
DISPLAY_NAME = "Kestrova"
# The uninstaller and its switch for a silent removal, as the entry's
# QuietUninstallString names them; the folder the setup proposes.
UNINSTALLER = "uninst_kvr.exe"
SILENT_UNINSTALL = "/silent"
DEFAULT_INSTALL_LOCATION = "%LOCALAPPDATA%\\Kestrova"
EXPECTED_RETURN_CODES = [
    (1618, "installInProgress"),
    (1638, "downgrade"),
    (1639, "invalidParameter"),
    (112, "diskFull"),
]


def product_release(name):
    """A text of resources/product_release.h, the one place the code names it."""
    source = open(os.path.join(ROOT, "resources", "product_release.h")).read()
    return re.search(r'#define %s "([^"]+)"' % name, source).group(1)


def release():
    """The release the setup installs."""
    return product_release("KVR_RELEASE")


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as file:
        for block in iter(lambda: file.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest().upper()


def write(path, kind, fields):
    header = "# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.%s.schema.json\n"
    with open(path, "w", newline="\n") as file:
        file.write(header % (kind, MANIFEST_VERSION))
        yaml.safe_dump(fields, file, sort_keys=False, allow_unicode=False)


def main():
    out, host, setup_x86, setup_x64 = sys.argv[1:5]
    version = release()
    publisher = product_release("KVR_MAKER_DOMAIN")
    common = {"PackageIdentifier": IDENTIFIER, "PackageVersion": version}
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, IDENTIFIER + ".yaml"), "version",
          dict(common, DefaultLocale=LOCALE, ManifestType="version",
               ManifestVersion=MANIFEST_VERSION))
    installers = [
        {"Architecture": architecture,
         "InstallerUrl": "https://%s/download/%s" % (host, os.path.basename(path)),
         "InstallerSha256": sha256(path)}
        for architecture, path in (("x86", setup_x86), ("x64", setup_x64))]
    write(os.path.join(out, IDENTIFIER + ".installer.yaml"), "installer", dict(
        common,
        InstallerType="exe",
        Scope="user",
        InstallModes=["interactive", "silent", "silentWithProgress"],
        InstallerSwitches={
            "Silent": "/silent",
            "SilentWithProgress": "/silent",
            "Log": '/log="<LOGPATH>"',
            "InstallLocation": '/dir="<INSTALLPATH>"',
        },
        ExpectedReturnCodes=[{"InstallerReturnCode": code, "ReturnResponse": response}
                             for code, response in EXPECTED_RETURN_CODES],
        ProductCode=PRODUCT_CODE,
        AppsAndFeaturesEntries=[{"DisplayName": DISPLAY_NAME, "Publisher": publisher,
                                 "DisplayVersion": version, "ProductCode": PRODUCT_CODE}],
        InstallationMetadata={
            "DefaultInstallLocation": DEFAULT_INSTALL_LOCATION,
            "Files": [
                {"RelativeFilePath": "kvr.exe", "FileType": "launch"},
                {"RelativeFilePath": UNINSTALLER, "FileType": "uninstall",
                 "InvocationParameter": SILENT_UNINSTALL},
            ],
        },
        Installers=installers,
        ManifestType="installer",
        ManifestVersion=MANIFEST_VERSION))
    write(os.path.join(out, IDENTIFIER + ".locale." + LOCALE + ".yaml"), "defaultLocale", dict(
        common,
        PackageLocale=LOCALE,
        Publisher=publisher,
        PublisherUrl="https://%s/" % host,
        PackageName=DISPLAY_NAME,
        PackageUrl="https://%s/kestrova/" % host,
        License="Proprietary",
        ShortDescription="Records radio programmes and schedules recordings.",
        ManifestType="defaultLocale",
        ManifestVersion=MANIFEST_VERSION))


if __name__ == "__main__":
    main()
