#!/usr/bin/env bash
# Runs the Windows test programs of a build folder under wine64, in a private
# prefix inside that folder: ctest with a persistent wineserver, and Xvfb on a
# free display when DISPLAY is unset. As root, ctest also gets a prefix and
# wineserver of the unprivileged user 65534 (tools/wine-unprivileged.sh), in the
# build folder, or in a private folder below /tmp when that user cannot reach the
# build folder. Touches nothing else outside the build folder.
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
rig="$build/wine-rig"
template="$rig/template"
prefix="$rig/prefix"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$rig/home" XDG_DATA_HOME="$rig/home/.local/share" XDG_CONFIG_HOME="$rig/home/.config"
export XDG_CACHE_HOME="$rig/home/.cache" TMPDIR="$rig/tmp"
mkdir -p "$HOME" "$TMPDIR"

# Bump when the template's contents change, so that old build folders remake it.
template_version=3

reg() { WINEPREFIX="$1" "$WINE" reg add "$2" /v "$3" /d "$4" /f </dev/null >/dev/null 2>&1; }

make_template() {
    rm -rf "$template"
    WINEPREFIX="$template" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    # Close windows at once under bare Xvfb instead of waiting 2 s for the X server.
    reg "$template" 'HKCU\Software\Wine\X11 Driver' Managed N
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
    echo "$template_version" >"$template/.kvr-template"
}

if [ "$(cat "$template/.kvr-template" 2>/dev/null)" != "$template_version" ]; then
    make_template
fi

rm -rf "$prefix"
cp -a "$template" "$prefix"
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
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
            xvfb_pid=$!
            for _ in $(seq 1 100); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                sleep 0.05
            done
            if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                break
            fi
            xvfb_pid=""
        fi
    done
    [ -n "${DISPLAY:-}" ] || { echo "wine-test: could not start Xvfb" >&2; exit 1; }
fi

# One server for the whole run; the warm-up keeps Wine's services off ctest's pipes.
"$WINESERVER" -p || true
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

if [ "${1:-}" = "--run" ]; then
    shift
    "$WINE" "$@"
elif [ "${1:-}" = "--script" ]; then
    shift
    "$@"
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
    cd "$build"
    ctest --output-on-failure "$@"
fi
