#!/bin/bash
# Makes DEST a private copy of the Wine prefix TEMPLATE for one test run.
#
#   tools/copy-wine-prefix.sh TEMPLATE DEST
#
# Nearly all of a prefix (1.3 GB on x64, 0.6 GB on win32) is Wine's own libraries in
# system32, syswow64 and winsxs, which no test and no Wine process writes to once the
# prefix has been booted. Those are hard links to the template's files; everything else
# (the registry, the user's folders, drive_c) is a real copy. A build folder holds up to
# seven prefixes: full copies took some 9 GB of disk a clone.
# DEST is replaced if it exists; where links cannot be made, the libraries are copied.
# Exits non-zero, with cp's message, if a copy fails.
set -euo pipefail

template=${1:?template prefix}
dest=${2:?destination}
shared=(drive_c/windows/system32 drive_c/windows/syswow64 drive_c/windows/winsxs)

rm -rf "$dest"
mkdir -p "$dest"
excludes=()
for folder in "${shared[@]}"; do
    excludes+=("--exclude=./$folder")
done
tar -C "$template" -cf - "${excludes[@]}" . | tar -C "$dest" -xpf -
for folder in "${shared[@]}"; do
    if [ -d "$template/$folder" ]; then
        # Links cannot cross file systems: a copy on another one (a temporary folder) is whole.
        if ! cp -al "$template/$folder" "$dest/$folder" 2>/dev/null; then
            rm -rf "${dest:?}/$folder"
            cp -a "$template/$folder" "$dest/$folder"
        fi
    fi
done
