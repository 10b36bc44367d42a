#!/usr/bin/env bash
# Runs a Windows test program under Wine as the unprivileged user 65534, for
# whom Wine enforces what it lets root ignore (read-only files are kept as Unix
# mode bits). As root, tools/wine-test.sh prepares that user's folder (a copy of
# the template prefix, a home and a temporary folder, all owned by the user) and
# wineserver with "start", and stops them with "stop"; ctest runs a program there
# with "run", which copies it into the prefix first, since the build folder need
# not be readable by that user. Run by any other user, "run" uses the current
# prefix: that user is unprivileged already. The loader and server are the run's
# own, KVR_WINE and KVR_WINESERVER, which tools/wine-test.sh sets for the build.
#
#   tools/wine-unprivileged.sh start FOLDER TEMPLATE   (FOLDER's contents are made afresh)
#   tools/wine-unprivileged.sh stop FOLDER
#   tools/wine-unprivileged.sh run PROGRAM [arguments...]   (FOLDER from KVR_UNPRIVILEGED)
set -euo pipefail

WINE=${KVR_WINE:?run the tests with tools/wine-test.sh, which names the Wine loader}
WINESERVER=${KVR_WINESERVER:?run the tests with tools/wine-test.sh, which names the wineserver}
user=65534

# Runs a command as the user, inside FOLDER, with FOLDER's prefix, home and temp.
as_user() {
    local folder=$1
    shift
    (
        cd "$folder"
        env HOME="$folder/home" XDG_DATA_HOME="$folder/home/.local/share" \
            XDG_CONFIG_HOME="$folder/home/.config" XDG_CACHE_HOME="$folder/home/.cache" \
            TMPDIR="$folder/tmp" WINEPREFIX="$folder/prefix" \
            setpriv --reuid=$user --regid=$user --clear-groups "$@"
    )
}

start() {
    local folder=$1 template=$2
    rm -rf "$folder/prefix" "$folder/home" "$folder/tmp"
    mkdir -p "$folder/home" "$folder/tmp"
    "$(dirname "$0")/copy-wine-prefix.sh" "$template" "$folder/prefix"
    # Wine's libraries are the template's own files, readable by everyone: the user gets
    # everything else, and the template stays root's.
    find "$folder" \( ! -type f -o -links 1 \) -exec chown -h $user:$user {} +
    if ! as_user "$folder" test -w "$folder/prefix"; then
        echo "wine-unprivileged: user $user cannot reach $folder" >&2
        return 1
    fi
    # The user's own server, warmed up like root's so that Wine's services start here.
    as_user "$folder" "$WINESERVER" -p || true
    as_user "$folder" "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop() {
    local folder=$1
    [ -d "$folder/prefix" ] || return 0
    as_user "$folder" "$WINESERVER" -k >/dev/null 2>&1 || true
    as_user "$folder" "$WINESERVER" -w >/dev/null 2>&1 || true
}

run() {
    local program=$1
    shift
    if [ "$(id -u)" -ne 0 ]; then
        exec "$WINE" "$program" "$@"
    fi
    local folder=${KVR_UNPRIVILEGED:-}
    if [ -z "$folder" ]; then
        echo "wine-unprivileged: no prefix for user $user; run the tests with tools/wine-test.sh" >&2
        return 1
    fi
    if ! as_user "$folder" xdpyinfo >/dev/null 2>&1; then
        echo "wine-unprivileged: user $user cannot open the display '${DISPLAY:-}', so" \
            "$(basename "$program") cannot run as that user. Run the tests without DISPLAY" \
            "(tools/wine-test.sh then starts an Xvfb that every user can open)." >&2
        return 1
    fi
    local name
    name=$(basename "$program")
    cp "$program" "$folder/prefix/drive_c/$name"
    chown $user:$user "$folder/prefix/drive_c/$name"
    local status=0
    as_user "$folder" "$WINE" "C:\\$name" "$@" || status=$?
    rm -f "$folder/prefix/drive_c/$name"
    return $status
}

action=$1
shift
case "$action" in
    start | stop | run) "$action" "$@" ;;
    *)
        echo "wine-unprivileged: unknown action '$action'" >&2
        exit 2
        ;;
esac
