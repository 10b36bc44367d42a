#!/usr/bin/env bash
# Runs the Windows programs of a build folder under Wine, in a private prefix
# inside that folder: ctest with a persistent wineserver, and Xvfb on a free
# display when DISPLAY is unset. A 32-bit build (KVR_WINEARCH=win32 in its CMake
# cache) runs under the 32-bit loader in a WINEARCH=win32 prefix, any other under
# wine64; on a kernel that cannot run 32-bit programs (tools/runs-32bit.sh) the
# 32-bit runs are skipped with one line saying so. As root, ctest also gets a
# prefix and wineserver of the unprivileged user 65534 (tools/wine-unprivileged.sh),
# in the build folder, or in a private folder below /tmp when that user cannot
# reach the build folder. Touches nothing else outside the build folder.
#
# Tests learn from the environment: KVR_WINE and KVR_WINESERVER (this run's
# loader and server), KVR_RELEASE_EXE (dist/KestrovaSetup.exe, the release) and
# KVR_WINE32 (the 32-bit loader, unset when this kernel cannot run it).
#
#   tools/wine-test.sh BUILD_DIR [ctest arguments...]
#   tools/wine-test.sh BUILD_DIR --run PROGRAM [arguments...]   (runs one program)
#   tools/wine-test.sh BUILD_DIR --script SCRIPT [arguments...]  (a host script in the rig)
#
# Scripts and tests find the template prefix in KVR_WINE_TEMPLATE.
set -euo pipefail

build=$(realpath "$1")
tools=$(dirname "$(realpath "$0")")
shift

if grep -qx 'KVR_WINEARCH:INTERNAL=win32' "$build/CMakeCache.txt" 2>/dev/null; then
    bits=32
    export WINEARCH=win32 KVR_WINE=/usr/lib/wine/wine KVR_WINESERVER=/usr/lib/wine/wineserver32
else
    bits=64
    export WINEARCH=win64 KVR_WINE=/usr/lib/wine/wine64 KVR_WINESERVER=/usr/lib/wine/wineserver64
fi
export KVR_RELEASE_EXE
KVR_RELEASE_EXE=$(realpath -m "$tools/../dist/KestrovaSetup.exe")
if "$tools/runs-32bit.sh"; then
    export KVR_WINE32=/usr/lib/wine/wine
elif [ $bits = 32 ]; then
    echo "wine-test: SKIPPED the 32-bit runs of $build: this kernel cannot run 32-bit (i386) programs"
    exit 0
fi
if [ ! -x "$KVR_WINE" ]; then
    echo "wine-test: $KVR_WINE is missing: run tools/install-deps.sh as root" >&2
    exit 1
fi
WINE=$KVR_WINE
WINESERVER=$KVR_WINESERVER

rig="$build/wine-rig"
template="$rig/template"
prefix="$rig/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$rig/home" XDG_DATA_HOME="$rig/home/.local/share" XDG_CONFIG_HOME="$rig/home/.config"
export XDG_CACHE_HOME="$rig/home/.cache" TMPDIR="$rig/tmp"
mkdir -p "$HOME" "$TMPDIR"

# Bump when the template's contents change, so that old build folders remake it.
template_version=5

reg() { WINEPREFIX="$1" "$WINE" reg add "$2" /v "$3" /d "$4" /f </dev/null >/dev/null 2>&1; }

make_template() {
    rm -rf "$template"
    WINEPREFIX="$template" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    # Close windows at once under bare Xvfb instead of waiting 2 s for the X server.
    reg "$template" 'HKCU\Software\Wine\X11 Driver' Managed N
    # No crash debugger (an empty command, started without asking): a crashing
    # program ends at once with its exception code instead of waiting in winedbg
    # until ctest's time-out. A 64-bit prefix keeps a second key for 32-bit programs.
    local aedebug='Microsoft\Windows NT\CurrentVersion\AeDebug' key
    local keys=("HKLM\Software\\$aedebug")
    [ $bits = 32 ] || keys+=("HKLM\Software\Wow6432Node\\$aedebug")
    for key in "${keys[@]}"; do
        reg "$template" "$key" Debugger ''
        reg "$template" "$key" Auto 1
    done
    # Drives of every type for the folder checks: R: CD-ROM, S: removable,
    # N: network, M: RAM disk; Q: has no volume at all.
    local drives="$template/drive_extra"
    mkdir -p "$drives"/{cdrom,floppy,network,ramdisk}
    ln -sfn ../drive_extra/cdrom "$template/dosdevices/r:"
    ln -sfn ../drive_extra/floppy "$template/dosdevices/s:"
    ln -sfn ../drive_extra/network "$template/dosdevices/n:"
    ln -sfn ../drive_extra/ramdisk "$template/dosdevices/m:"
    reg "$template" 'HKLM\Software\Wine\Drives' r: cdrom
    reg "$template" 'HKLM\Software\Wine\Drives' s: floppy
    reg "$template" 'HKLM\Software\Wine\Drives' n: network
    reg "$template" 'HKLM\Software\Wine\Drives' m: ramdisk
    WINEPREFIX="$template" "$WINESERVER" -k || true
    WINEPREFIX="$template" "$WINESERVER" -w || true
    # The user's shell folders are links into $HOME: make them real folders of the prefix.
    local user
    for user in "$template"/drive_c/users/*; do
        [ -d "$user" ] || continue
        find "$user" -maxdepth 2 -type l | while read -r link; do
            rm -f "$link"
            mkdir -p "$link"
        done
    done
    echo "$template_stamp" >"$template/.kvr-template"
}

# Another Wine would update the prefix's libraries at its first start, through the
# links that the test prefixes share with the template: a new Wine gets a new template.
template_stamp="$template_version $WINEARCH $("$WINE" --version 2>/dev/null || echo unknown)"
if [ "$(cat "$template/.kvr-template" 2>/dev/null)" != "$template_stamp" ]; then
    make_template
fi

"$tools/copy-wine-prefix.sh" "$template" "$prefix"
export WINEPREFIX="$prefix" KVR_WINE_TEMPLATE="$template"

xvfb_pid=""
unprivileged=""
unprivileged_is_temporary=""
cleanup() {
    if [ -n "$unprivileged" ]; then
        "$tools/wine-unprivileged.sh" stop "$unprivileged"
        if [ -n "$unprivileged_is_temporary" ]; then rm -rf "$unprivileged"; fi
    fi
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display itself and writes its number once it accepts
    # connections: runs that start at the same time never take the same one.
    displayfile="$rig/display"
    rm -f "$displayfile"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 200); do
        if [ -s "$displayfile" ]; then
            export DISPLAY=":$(tr -d '\n' <"$displayfile")"
            break
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    [ -n "${DISPLAY:-}" ] || { echo "wine-test: could not start Xvfb" >&2; exit 1; }
fi

# One server for the whole run; the warm-up keeps Wine's services off ctest's pipes.
"$WINESERVER" -p || true
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

status=0
if [ "${1:-}" = "--run" ]; then
    shift
    "$WINE" "$@" || status=$?
elif [ "${1:-}" = "--script" ]; then
    shift
    "$@" || status=$?
else
    if [ "$(id -u)" -eq 0 ]; then
        unprivileged="$rig/unprivileged"
        if ! setpriv --reuid=65534 --regid=65534 --clear-groups test -x "$rig"; then
            unprivileged=$(mktemp -d /tmp/kvr-unprivileged.XXXXXX)
            unprivileged_is_temporary=1
        fi
        "$tools/wine-unprivileged.sh" start "$unprivileged" "$template"
        export KVR_UNPRIVILEGED="$unprivileged"
    fi
    echo "wine-test: the $bits-bit build $build under $WINE (WINEARCH=$WINEARCH)"
    cd "$build"
    ctest --output-on-failure "$@" || status=$?
fi
# The prefixes share the template's libraries (copy-wine-prefix.sh): one written
# through a link would change every later run, so the template goes.
changed=$(find "$template/drive_c/windows" -newer "$template/.kvr-template" -type f \
    \( -path '*/system32/*' -o -path '*/syswow64/*' -o -path '*/winsxs/*' \) | head -n 5)
if [ -n "$changed" ]; then
    echo "wine-test: a run wrote to Wine's libraries shared with the template; it is made anew next time:" >&2
    echo "$changed" >&2
    rm -rf "$template"
    exit 1
fi
exit $status
