#!/usr/bin/env bash
# Builds the peer installer for the benchmark with makensis: the files of a kvrpack
# LIST (NAME<TAB>SOURCE lines, a relative SOURCE taken from LIST's folder), stored
# without compression, installed per user into
# "$LOCALAPPDATA\Kestrova Peer" (or /D=FOLDER), with a directory page and a progress
# page. TARGET is makensis's stub: x86-unicode, like the 32-bit release, or
# amd64-unicode, like the 64-bit build.
#
#   tools/nsis-peer.sh LIST TARGET OUT.exe
set -euo pipefail

list=$1
target=$2
out=$(realpath -m "$3")
from=$(dirname "$(realpath "$list")")
script="${out%.exe}.nsi"
mkdir -p "$(dirname "$out")"
{
    echo "Unicode true"
    echo "Target $target"
    echo "SetCompress off"
    echo "RequestExecutionLevel user"
    echo "Name \"Kestrova Peer\""
    echo "OutFile \"$out\""
    echo "InstallDir \"\$LOCALAPPDATA\\Kestrova Peer\""
    echo "Page directory"
    echo "Page instfiles"
    echo "Section"
    folder="-"
    while IFS=$'\t' read -r name source; do
        [ -n "$name" ] || continue
        case "$name" in
            *\\*) here="\\${name%\\*}" ;;
            *) here="" ;;
        esac
        if [ "$here" != "$folder" ]; then
            echo "  SetOutPath \"\$INSTDIR$here\""
            folder=$here
        fi
        case "$source" in
            /*) ;;
            *) source="$from/$source" ;;
        esac
        echo "  File \"/oname=${name##*\\}\" \"$source\""
    done <"$list"
    echo "SectionEnd"
} >"$script"
makensis -V2 "$script" >/dev/null
