#!/usr/bin/python3
"""Checks the package manager's manifest that make dist wrote.

usage: check-winget-manifest.py MANIFEST_DIR SETUP_X86 SETUP_X64

Each file must validate against the published schema of its type (version
1.10.0, tools/winget-schemas); the hashes must be those of the two setups; the
product code, the entry of the list of installed programs and the release must
be what the setup's own code registers; the silent uninstall must be the
entry's; and the exit codes of the unattended mode must be declared. Prints one line per problem and exits 1, or one line of
success.
"""
import glob
import hashlib
import json
import os
import re
import sys

import jsonschema
import yaml

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCHEMAS = os.path.join(ROOT, "tools", "winget-schemas")
REQUIRED_RETURN_CODES = {1618, 1638, 1639, 112}


def source_text(name, pattern):
    text = open(os.path.join(ROOT, name)).read()
    match = re.search(pattern, text, re.S)
    return match.group(1) if match else None


def sha256(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest().upper()


def main():
    folder, setup_x86, setup_x64 = sys.argv[1:4]
    problems = []
    manifests = {}
    for path in sorted(glob.glob(os.path.join(folder, "*.yaml"))):
        manifest = yaml.safe_load(open(path))
        kind = manifest.get("ManifestType")
        schema_path = os.path.join(SCHEMAS, "manifest.%s.1.10.0.json" % kind)
        if not os.path.exists(schema_path):
            problems.append("%s: no schema for ManifestType %r" % (path, kind))
            continue
        for error in jsonschema.Draft7Validator(json.load(open(schema_path))).iter_errors(manifest):
            problems.append("%s: %s at %s" % (path, error.message, list(error.path)))
        manifests[kind] = manifest
    for kind in ("version", "installer", "defaultLocale"):
        if kind not in manifests:
            problems.append("no %s manifest in %s" % (kind, folder))
    installer = manifests.get("installer", {})

    release = source_text("resources/product_release.h", r'#define KVR_RELEASE "([^"]+)"')
    product_code = source_text("registration/uninstall_registration.h",
                               r'kUninstallKey\s*=\s*"[^"]*\\\\([^"\\]+)"')
    publisher = source_text("resources/product_release.h", r'#define KVR_MAKER_DOMAIN "([^"]+)"')
    display_name = source_text("registration/uninstall_registration.cpp",
                               r'\{"DisplayName", "([^"]+)"\}')
    for kind, manifest in manifests.items():
        if manifest.get("PackageVersion") != release:
            problems.append("%s manifest: PackageVersion is not %s" % (kind, release))
    if installer.get("ProductCode") != product_code:
        problems.append("ProductCode is not the uninstall entry's key name %r" % product_code)
    expected_entry = {"DisplayName": display_name, "Publisher": publisher,
                      "DisplayVersion": release, "ProductCode": product_code}
    if installer.get("AppsAndFeaturesEntries") != [expected_entry]:
        problems.append("AppsAndFeaturesEntries is not %r" % expected_entry)
    quiet = source_text("registration/uninstall_registration.cpp",
                        r'quiet\.format\("\\"%s\\" ([^"]+)"')
    uninstallers = [entry for entry in installer.get("InstallationMetadata", {}).get("Files", [])
                    if entry.get("FileType") == "uninstall"]
    if [(entry.get("RelativeFilePath"), entry.get("InvocationParameter"))
            for entry in uninstallers] != [("uninst_kvr.exe", quiet)]:
        problems.append("InstallationMetadata does not name uninst_kvr.exe %s, the entry's "
                        "QuietUninstallString" % quiet)
    declared = {entry["InstallerReturnCode"] for entry in installer.get("ExpectedReturnCodes", [])}
    if not REQUIRED_RETURN_CODES <= declared:
        problems.append("ExpectedReturnCodes lacks %s" % sorted(REQUIRED_RETURN_CODES - declared))
    hashes = {entry.get("Architecture"): entry.get("InstallerSha256")
              for entry in installer.get("Installers", [])}
    for architecture, setup in (("x86", setup_x86), ("x64", setup_x64)):
        if hashes.get(architecture) != sha256(setup):
            problems.append("the %s installer's InstallerSha256 is not that of %s"
                            % (architecture, setup))
    for problem in problems:
        print("winget manifest: " + problem)
    if problems:
        sys.exit(1)
    print("winget manifest: %s validates against the 1.10.0 schemas and matches the setups"
          % folder)


if __name__ == "__main__":
    main()
