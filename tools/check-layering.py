#!/usr/bin/python3
"""Checks that the setup's #includes keep to its layers.

usage: check-layering.py SOURCE_ROOT

Each unit of the setup belongs to a layer; a file may include what lies in its
own layer or below. The layers, lowest first:

  0 text and fixed names  text/, resources/, and the archive's byte layout
                          (engine/package_format, plain C++ that the host tools
                          build too)
  1 start-up services     startup/: the install log, launching, the random
                          generator, switches, exit codes, the library search
                          and the instance mutex
  2 registration          registration/
  3 engine                engine/, and the session record, which holds the
                          unpacked package
  4 uninstaller           uninstaller/: it reuses the layers below the wizard
  5 wizard                wizard/
  6 control               the start-up sequence, the command line and the
                          unattended run, which drive everything

A few headers are used from lower layers by design (SHARED), and a few single
includes climb for a stated reason (KNOWN_CLIMBS). Every other include that
climbs is printed as FILE:LINE and the check fails. Includes without a folder
(generated files beside the build) and files outside these folders (tests,
tools, payload, benchmarks) are not checked.
"""
import fnmatch
import os
import re
import sys

LAYERS = [
    ("text and fixed names", ["text/*", "resources/*", "engine/package_format.*"]),
    ("start-up services", ["startup/*"]),
    ("registration", ["registration/*"]),
    ("engine", ["engine/*", "startup/setup_session.*"]),
    ("uninstaller", ["uninstaller/*"]),
    ("wizard", ["wizard/*"]),
    ("control", ["startup/startup_sequence.*", "startup/command_line.*",
                 "startup/unattended_install.*", "startup/main.cpp"]),
]
# The session record is shared by every part; message boxes and folder
# validation are the one way any part tells the user something or probes a folder.
SHARED = {"startup/setup_session.h", "wizard/message_box.h", "wizard/folder_validation.h"}
# Starting the installed program reads the folder that the settings record.
KNOWN_CLIMBS = {("startup/launching.cpp", "registration/registry_access.h")}
CHECKED_FOLDERS = ("text", "resources", "startup", "registration", "engine", "uninstaller",
                   "wizard")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_of(path):
    """The layer of `path`: that of its most specific (longest) pattern, or None."""
    best = None
    for index, (_, patterns) in enumerate(LAYERS):
        for pattern in patterns:
            if fnmatch.fnmatch(path, pattern) and (best is None or len(pattern) > best[0]):
                best = (len(pattern), index)
    return best[1] if best else None


def climbs(root):
    """Each include of the checked folders that climbs: (file, line, target, from, to)."""
    found = []
    for folder in CHECKED_FOLDERS:
        for name in sorted(os.listdir(os.path.join(root, folder))):
            if not name.endswith((".h", ".cpp", ".rc")):
                continue
            source = folder + "/" + name
            own = layer_of(source)
            with open(os.path.join(root, source), encoding="latin-1") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match or "/" not in match.group(1):
                        continue
                    target = match.group(1)
                    theirs = layer_of(target)
                    if theirs is None or theirs <= own or target in SHARED:
                        continue
                    if (source, target) in KNOWN_CLIMBS:
                        continue
                    found.append((source, number, target, LAYERS[own][0], LAYERS[theirs][0]))
    return found


def main():
    root = sys.argv[1]
    found = climbs(root)
    for source, number, target, own, theirs in found:
        print('%s:%d: includes "%s": %s may not use %s' % (source, number, target, own, theirs))
    if found:
        print("%d include(s) climb the layers (tools/check-layering.py lists them)" % len(found))
        return 1
    print("includes keep to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
