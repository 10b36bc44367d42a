#!/usr/bin/env bash
# Runs the end-to-end driver of a test build (tests/e2e, bin/e2e_tests.exe)
# against the real setup program, in a fresh Wine prefix of its own made from the
# rig's template. Runs inside tools/wine-test.sh (ctest, or its --script mode),
# which provides the display, the template and the loader.
#
#   tools/wine-e2e.sh BUILD_DIR [driver arguments...]
#
# The setup under test follows the build: a 32-bit test build drives the release,
# dist/KestrovaSetup.exe, under the 32-bit loader in a WINEARCH=win32 prefix; the
# 64-bit build drives its own KestrovaSetup-x64.exe under wine64, and only where
# this kernel cannot run 32-bit programs (otherwise it exits 77: skipped, the
# 32-bit build covers it). KVR_E2E_SETUP names another setup program to drive,
# KVR_E2E_PACKAGE_LIST the list of the files that it installs.
# Pictures named by --screens=FOLDER (a Unix path here) are converted to PNG.
# --prefix-name=NAME names the prefix folder (default e2e-prefix), so that runs of
# the driver with different filters each start from a fresh prefix of their own.
# --small-drive gives the prefix a drive E: on a 256 KB tmpfs (as root, where mount
# is allowed; otherwise the driver is told nothing and its disk-full case skips).
set -euo pipefail

build=$(realpath "$1")
shift
tools=$(dirname "$(realpath "$0")")
repo=$(dirname "$tools")
: "${KVR_WINE_TEMPLATE:?run through tools/wine-test.sh}"

if grep -qx 'KVR_WINEARCH:INTERNAL=win32' "$build/CMakeCache.txt"; then
    setup=${KVR_E2E_SETUP:-$repo/dist/KestrovaSetup.exe}
    package_list=${KVR_E2E_PACKAGE_LIST:-$(dirname "$build")/win32/generated/package135.list}
    wine=/usr/lib/wine/wine
    wineserver=/usr/lib/wine/wineserver32
else
    if [ -n "${KVR_WINE32:-}" ] && [ -z "${KVR_E2E_SETUP:-}" ]; then
        echo "wine-e2e: skipped in the 64-bit build: the 32-bit build drives the release"
        exit 77
    fi
    setup=${KVR_E2E_SETUP:-$build/bin/KestrovaSetup-x64.exe}
    package_list=${KVR_E2E_PACKAGE_LIST:-$build/generated/package135.list}
    wine=/usr/lib/wine/wine64
    wineserver=/usr/lib/wine/wineserver64
fi
[ -x "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

windows_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

arguments=()
screens=""
prefix_name=e2e-prefix
small_drive=""
for argument in "$@"; do
    case "$argument" in
        --prefix-name=*) prefix_name=${argument#--prefix-name=} ;;
        --small-drive) small_drive=yes ;;
        --screens=*)
            screens=$(realpath -m "${argument#--screens=}")
            mkdir -p "$screens"
            rm -f "$screens"/*.bmp
            arguments+=("--screens=$(windows_path "$screens")")
            ;;
        *) arguments+=("$argument") ;;
    esac
done

prefix="$build/wine-rig/$prefix_name"
small_mount="$build/wine-rig/$prefix_name-small-drive"
mountpoint -q "$small_mount" 2>/dev/null && umount "$small_mount"
"$tools/copy-wine-prefix.sh" "$KVR_WINE_TEMPLATE" "$prefix"
rm -f "$prefix/wineserver"
export WINEPREFIX="$prefix"
stop_server() {
    "$wineserver" -k >/dev/null 2>&1 || true
    "$wineserver" -w >/dev/null 2>&1 || true
    if mountpoint -q "$small_mount" 2>/dev/null; then umount "$small_mount" || true; fi
}
trap stop_server EXIT
if [ -n "$small_drive" ]; then
    mkdir -p "$small_mount"
    if mount -t tmpfs -o size=256k tmpfs "$small_mount" 2>/dev/null; then
        ln -sfn "$small_mount" "$prefix/dosdevices/e:"
        arguments+=("--small-drive=E:")
    else
        echo "wine-e2e: no small drive: mount of a tmpfs was refused here"
    fi
fi
"$wineserver" -p || true
"$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true

status=0
"$wine" "$build/bin/e2e_tests.exe" "--setup=$(windows_path "$setup")" \
    "--package-list=$(windows_path "$package_list")" "${arguments[@]}" || status=$?

if [ -n "$screens" ]; then
    for bmp in "$screens"/*.bmp; do
        [ -e "$bmp" ] || continue
        bmptopnm "$bmp" 2>/dev/null | pnmtopng >"${bmp%.bmp}.png" 2>/dev/null && rm -f "$bmp"
    done
fi
exit $status
